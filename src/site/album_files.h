// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files of an album of a tree that the program made, told apart from the person's own, so
// that an album removed for good loses what the program made there and nothing else.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// What the folders of an album and of the albums below it hold. Paths are relative to the
// album's folder.
struct AlbumFiles {
  // The files the program made.
  std::vector<std::string> made;
  // The folders that hold them, each after the folders inside it; the album's own last, as "".
  std::vector<std::string> folders;
  // Everything else in those folders: the person's own files and folders.
  std::vector<std::string> own;
};

// Sorts the entries of the album in `album` and of every album below it that it lists: its index
// file (kAlbumIndexName), the pages this program wrote, the numbered pictures and thumbnails its
// prefixes name with the files that go beside them, and the support images in a support folder
// of its own are the program's; the rest is the person's. Folders are reached through held
// descriptors one name at a time, never through a symbolic link, each once, and at most
// kMostTreeDepth deep; a folder that cannot be read is the person's.
AlbumFiles FindAlbumFiles(Folder& album);

}  // namespace quillmere
