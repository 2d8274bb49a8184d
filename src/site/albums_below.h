// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The albums of a tree below one of its albums, found through their parents' album entries, for
// the commands that look at every album of a tree.
#pragma once

#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// The folders a walk of a tree has been in, each known by its device and inode.
class FoldersSeen {
 public:
  // Whether `folder` is one the walk has not been in, which it then has; false when that cannot
  // be told.
  bool FirstVisit(Folder& folder);

 private:
  std::set<std::pair<dev_t, ino_t>> seen_;
};

// Opens the folder of an album entry, `relative` to `folder` as its album file names it, one name
// at a time so that no symbolic link is followed; a folder out of the tree (named with ".." or
// from the top of the file system) is refused.
Result<std::unique_ptr<Folder>> OpenEntryFolder(Folder& folder, std::string_view relative);

// What a walk of a tree is told of each album it finds: its folder, held, and its path (ending
// with "/"); false stops the walk.
using AlbumVisit = std::function<bool(Folder& album, const std::string& path)>;

// Walks the albums below the index file `name` in `top`, whose folder `path` names ("" or ending
// with "/"), as AlbumsBelow finds them, each parent before the albums below it, and tells `visit`
// of each with its folder held; false when `visit` stopped the walk.
bool WalkAlbumsBelow(Folder& top, std::string_view name, const std::string& path,
                     const AlbumVisit& visit);

// Finds the albums below the album of the index file at `indexPath`, through the album entries of
// each album whose head says it is one of a tree, and gives their index files' paths, each parent
// before the albums below it, in the order of their entries. A folder is walked into once however
// many entries name it, never through a symbolic link, never out of the tree (a folder named with
// ".." or from the top of the file system), and never deeper than kMostTreeDepth; an entry whose
// folder cannot be opened is left out, and one whose index file cannot be read is
// given, so that the command that uses it says why.
std::vector<std::string> AlbumsBelow(const std::string& indexPath, FileSystem& fs);

}  // namespace quillmere
