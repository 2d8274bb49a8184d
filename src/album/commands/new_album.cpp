// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album: a whole album made from a folder of pictures, or a tree of albums from a folder of
// folders.
#include "album/commands/new_album.h"

#include <algorithm>
#include <filesystem>

#include "album/album_failure.h"
#include "album/commands/album_making.h"
#include "album/commands/album_tree.h"
#include "album/steps/album_work.h"
#include "album/steps/source_tree.h"
#include "album/text/album_text.h"
#include "paths/paths.h"
#include "site/page_output.h"

namespace quillmere {

std::string NewAlbumTitle(const std::string& picturesFolder) {
  // The name a folder goes by, also when given as "." or with a trailing "/".
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(picturesFolder, error).lexically_normal();
  if (error) path = std::filesystem::path(picturesFolder).lexically_normal();
  std::string name = path.filename().string();
  if (name.empty()) name = path.parent_path().filename().string();
  return TitleFromFolderName(name);
}

std::size_t AlbumsToMake(const std::string& picturesFolder, const std::string& albumFolder,
                         FileSystem& fs) {
  std::vector<PictureProblem> passedOver;
  Result<SourceTree, AlbumFailure> tree = SourceTree();
  AlbumOutcome outcome;
  WithinMemory(outcome,
               [&] { tree = ReadSourceTree(picturesFolder, albumFolder, fs, passedOver); });
  return tree ? std::max<std::size_t>(tree.value().folders.size(), 1) : 1;
}

AlbumOutcome MakeNewAlbum(const std::string& picturesFolder, const std::string& albumFolder,
                          FileSystem& fs, const AlbumOptions& options) {
  std::vector<PictureProblem> passedOver;
  Result<SourceTree, AlbumFailure> tree = SourceTree();
  AlbumOutcome refused;
  WithinMemory(refused,
               [&] { tree = ReadSourceTree(picturesFolder, albumFolder, fs, passedOver); });
  if (auto* failure = tree.failure()) {
    refused.failure = std::move(*failure);
    refused.problems = std::move(passedOver);
    const std::string albumPath = TidyFolderPath(albumFolder);
    refused.indexPath =
        (albumPath == "/" ? albumPath : albumPath + kSeparator) + std::string(kAlbumIndexName);
    return refused;
  }
  const std::vector<SourceFolder>& folders = tree.value().folders;
  AlbumOutcome outcome;
  if (folders.size() == 1 && folders.front().subAlbums.empty()) {
    // A folder without albums below it is an album of its own, as it always was.
    AlbumSummary own;
    outcome = MakeAlbumOf(folders.front().path, albumFolder, nullptr, fs, options, own);
  } else {
    outcome = MakeAlbumTree(tree.value(), albumFolder, fs, options);
  }
  outcome.problems.insert(outcome.problems.begin(), passedOver.begin(), passedOver.end());
  return outcome;
}

}  // namespace quillmere
