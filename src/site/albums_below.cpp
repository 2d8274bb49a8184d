// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/albums_below.h"

#include <memory>
#include <string_view>
#include <utility>

#include "index/index_file.h"
#include "paths/paths.h"
#include "site/album_entries.h"

namespace quillmere {
namespace {

// The walk of one tree: the folders it has been in, and what it tells of each album it finds.
struct TreeWalk {
  FoldersSeen seen;
  const AlbumVisit& visit;
};

// The album entries of the index file `name` in `folder`; none when it cannot be read or its
// head does not say it is an album of a tree.
AlbumEntries EntriesOf(Folder& folder, std::string_view name) {
  Result<std::unique_ptr<ReadableFile>> file = folder.OpenForReading(name);
  if (!file) return {};
  Result<IndexText, IndexError> text = LoadIndexText(*file.value());
  if (!text) return {};
  Result<IndexFile, IndexError> index = ParseIndexText(text.value().bytes());
  if (!index || !index.value().head.albums) return {};
  return FindAlbumEntries(index.value().head, index.value().PictureCount(), folder);
}

// Tells the walk's visit of the albums below the index file `name` in `folder`, which `path`
// names (ending with "/"), `depth` folders below the top; false once the visit asks to stop.
bool WalkBelow(Folder& folder, std::string_view name, const std::string& path, int depth,
               TreeWalk& walk) {
  if (depth >= kMostTreeDepth) return true;
  const AlbumEntries entries = EntriesOf(folder, name);
  for (const AlbumEntry& entry : entries.all()) {
    Result<std::unique_ptr<Folder>> below = OpenEntryFolder(folder, entry.folder);
    if (!below || !walk.seen.FirstVisit(*below.value())) continue;
    const std::string belowPath = path + entry.folder + "/";
    if (!walk.visit(*below.value(), belowPath)) return false;
    if (!WalkBelow(*below.value(), kAlbumIndexName, belowPath, depth + 1, walk)) return false;
  }
  return true;
}

}  // namespace

Result<std::unique_ptr<Folder>> OpenEntryFolder(Folder& folder, std::string_view relative) {
  if (!StaysInside(relative)) return std::make_error_code(std::errc::invalid_argument);
  std::unique_ptr<Folder> at;
  for (std::string_view part : PartsOf(relative)) {
    Result<std::unique_ptr<Folder>> next = (at ? *at : folder).OpenFolder(part);
    if (!next) return next;
    at = std::move(next).value();
  }
  if (!at) return std::make_error_code(std::errc::invalid_argument);
  return at;
}

bool FoldersSeen::FirstVisit(Folder& folder) {
  Result<EntryInfo> itself = folder.Inspect(".");
  return itself && seen_.emplace(itself.value().device, itself.value().inode).second;
}

bool WalkAlbumsBelow(Folder& top, std::string_view name, const std::string& path,
                     const AlbumVisit& visit) {
  TreeWalk walk{{}, visit};
  if (!walk.seen.FirstVisit(top)) return true;
  return WalkBelow(top, name, path, 0, walk);
}

std::vector<std::string> AlbumsBelow(const std::string& indexPath, FileSystem& fs) {
  Result<std::unique_ptr<Folder>> top = fs.OpenFolder(FolderName(indexPath));
  std::vector<std::string> found;
  if (!top) return found;
  WalkAlbumsBelow(*top.value(), SplitAtFolder(indexPath).name, FolderAsGiven(indexPath),
                  [&](Folder& /*album*/, const std::string& path) {
                    found.push_back(path + std::string(kAlbumIndexName));
                    return true;
                  });
  return found;
}

}  // namespace quillmere
