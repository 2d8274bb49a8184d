// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/source_tree.h"

namespace quillmere {

Result<SourceTree, AlbumFailure> ReadSourceTree(const std::string& top,
                                                const std::string& /*albumFolder*/,
                                                FileSystem& /*fs*/,
                                                std::vector<PictureProblem>& /*passedOver*/) {
  SourceTree tree;
  tree.folders.push_back(SourceFolder{top, "", "", true, {}});
  return tree;
}

}  // namespace quillmere
