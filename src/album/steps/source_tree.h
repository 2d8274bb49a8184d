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

// Walks the tree of pictures at `top` for the album to be made in `albumFolder`: the folders
// that hold pictures or videos at any depth, skipping hidden folders, the folders that tools
// leave, symbolic links to folders and the album folder itself, and adding to `passedOver` what
// it leaves out that a person would look for. Refuses, before anything is written, two folders
// whose albums would clash and a folder named like one of an album's own folders.
Result<SourceTree, AlbumFailure> ReadSourceTree(const std::string& top,
                                                const std::string& albumFolder, FileSystem& fs,
                                                std::vector<PictureProblem>& passedOver);

}  // namespace quillmere
