// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/add_support_images.h"

#include <memory>
#include <utility>
#include <variant>

#include "index/index_file.h"
#include "paths/paths.h"
#include "run/site_folder.h"
#include "site/page_output.h"

namespace quillmere {
SupportRun AddSupportImages(const std::string& indexPath, FileSystem& fs,
                            const RunOptions& options) {
  SupportRun run;
  SupportCopy& copy = run.copy;
  // The folder is held from reading the index file to the last image; a missing index file is
  // told before the folder is opened.
  if (!Exist(indexPath, fs)) {
    run.refused = RunFailure::NotFound{indexPath};
    return run;
  }
  auto held = HoldSiteFolder(indexPath, fs, options, {IndexLink::kFollow, {}});
  if (auto* failure = held.failure()) {
    run.refused = std::move(*failure);
    return run;
  }
  Result<IndexFile, IndexError> read = ParseIndexFile(std::move(*held.value().index));
  if (auto* failure = read.failure()) {
    run.refused = IndexFailure(indexPath, *failure);
    return run;
  }
  const IndexFile& index = read.value();
  std::string folderName(index.head.SupportFolder);
  if (folderName.empty()) {
    copy.failure = SupportFailure::NoSupportFolder{indexPath};
    return run;
  }
  if (NamesAnotherPlace(folderName + std::string(SupportImages[0]))) {
    copy.failure = SupportFailure::NotOnThisMachine{folderName, indexPath};
    return run;
  }
  copy = CopySupportImages(FolderAsGiven(indexPath), folderName, fs);
  return run;
}

}  // namespace quillmere
