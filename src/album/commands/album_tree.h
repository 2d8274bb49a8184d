// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album of a folder of folders: a tree of albums, each made whole before the album above it.
#pragma once

#include <cstddef>
#include <string>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/steps/source_tree.h"
#include "platform/file_system.h"

namespace quillmere {

// Makes an album for every folder of `tree` at its place below `albumFolder`, one album at a time
// in the tree's order, each with its own lock and change, so that an album is complete before the
// album that lists it is begun: its own pictures after an entry for each album below it that it
// lists, whose picture is that album's cover, whose thumbnail bears the album mark and whose
// caption and description are its name and what it holds. A run that was interrupted is finished:
// an album below the top that stands complete is taken as made, one begun is finished. Stops at
// the first album that fails, leaving those made before it.
AlbumOutcome MakeAlbumTree(const SourceTree& tree, const std::string& albumFolder, FileSystem& fs,
                           const AlbumOptions& options);

// How many folders below the top of a tree the folder at `relative` ("2024/Lisbon") is.
std::size_t DepthOf(const std::string& relative);

// The folder of the album of the tree's folder at `relative` below the album folder `albumPath`.
std::string AlbumPathOf(const std::string& albumPath, const std::string& relative);

// Adds what the outcome `one` of one album of a tree tells to the tree's `outcome`: its problems
// and counts, and its site and failure, as the last album's.
void AddOutcome(AlbumOutcome&& one, AlbumOutcome& outcome);

}  // namespace quillmere
