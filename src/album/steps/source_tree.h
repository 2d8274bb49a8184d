// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The folders of a tree of pictures that become albums, found by one walk that only reads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// One folder of the source tree that becomes an album.
struct SourceFolder {
  // The folder as the person gave the top, with its place below it ("Photos/2024/Lisbon").
  std::string path;
  // Its place below the top, which is also its album's place below the album folder
  // ("2024/Lisbon"); empty for the top.
  std::string relative;
  // Its own name, which its entry in its parent's album is captioned with; empty for the top.
  std::string name;
  // False for a folder whose name starts with "_": made, but not listed in its parent.
  bool listed = true;
  // The folders below it that become albums (indices into SourceTree::folders), in the order
  // its album lists them; unlisted ones too.
  std::vector<std::size_t> subAlbums;
};

// The folders of a tree that become albums, each after every folder below it, the top last.
struct SourceTree {
  std::vector<SourceFolder> folders;
};

// Walks the tree of pictures at `top` for the album to be made in `albumFolder`, through held
// folders and never through a symbolic link to a folder: the folders that hold pictures or videos
// (by their first bytes) at any depth, and the top whatever it holds. Skips hidden folders, the
// folders that tools leave, folders with nothing to show and the album folder itself (by device
// and inode); adds to `passedOver` the links to folders, the folders deeper than kMostTreeDepth
// and those that cannot be read. Refuses, before anything is written, two folders side by side
// whose albums would clash (FoldersClash) and a folder named like a file or folder of its
// parent's album (FolderNameTaken); a top that cannot be read is PicturesUnreadable.
Result<SourceTree, AlbumFailure> ReadSourceTree(const std::string& top,
                                                const std::string& albumFolder, FileSystem& fs,
                                                std::vector<PictureProblem>& passedOver);

}  // namespace quillmere
