// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album's making of one album, alone or as one of a tree of albums.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/steps/album_work.h"
#include "album/steps/found_pictures.h"
#include "album/steps/sub_album_entries.h"
#include "album/text/album_text.h"
#include "platform/file_system.h"

namespace quillmere {

// Where an album being made stands in a tree of albums, and the albums below it that it lists.
struct TreePlace {
  // How many folders below the top of the tree its folder is; 0 for the top.
  std::size_t depth = 0;
  // The albums below it that it lists first, in order.
  std::vector<SubAlbumEntry> subAlbums;
};

// The support folder that the head of an album `depth` folders below the top of its tree names.
std::string SupportFolderAt(std::size_t depth);

// The head of the album made from `picturesFolder`, standing in a tree as `place` says (none for
// an album of its own), with videos where `videos` says so.
AlbumHead NewAlbumHead(const std::string& picturesFolder, const TreePlace* place, bool videos);

// The pictures among the files of `picturesFolder`, probed and in their order; the folders below
// it are left to the tree where `place` is given, and a folder of a tree that lists albums may
// have none.
Result<std::vector<FoundPicture>, AlbumFailure> ProbeOwnFiles(const std::string& picturesFolder,
                                                              const TreePlace* place,
                                                              AlbumWork& work);

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
