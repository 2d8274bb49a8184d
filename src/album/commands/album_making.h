// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album's making of one album, alone or as one of a tree of albums.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/steps/sub_album_entries.h"
#include "platform/file_system.h"

namespace quillmere {

// Where an album being made stands in a tree of albums, and the albums below it that it lists.
struct TreePlace {
  // How many folders below the top of the tree its folder is; 0 for the top.
  std::size_t depth = 0;
  // The albums below it that it lists first, in order.
  std::vector<SubAlbumEntry> subAlbums;
};

// Makes the album of the pictures in `picturesFolder` in `albumFolder` as --new-album does, or
// finishes one that an interrupted run of it began there; where `place` is given, as one album of
// a tree: its own files only, the albums below it listed first, its head saying it is one of a
// tree (with its parent, below the top), the support images copied at the top only, and an album
// below the top that stands complete taken as made. What it holds itself (the albums it lists
// left out) goes to `own` where it stands in a tree. The outcome counts it among the albums made
// unless it was taken as made.
AlbumOutcome MakeAlbumOf(const std::string& picturesFolder, const std::string& albumFolder,
                         const TreePlace* place, FileSystem& fs, const AlbumOptions& options,
                         AlbumSummary& own);

}  // namespace quillmere
