// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The albums of a tree that go with the entries an edit removes: held from the top down for the
// change, and sent to the trash whole, or, removed for good, stripped of the files the program
// made in them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "album/album_failure.h"
#include "album/steps/album_work.h"
#include "album/steps/edit_change.h"
#include "platform/file_system.h"
#include "run/journal_format.h"

namespace quillmere {

// The albums below the entries an edit removes, as the change that removes them holds them.
struct RemovedAlbums {
  // The lock of every one of them and of every album below them, taken from the top down.
  std::vector<std::unique_ptr<FolderLock>> locks;
  // The steps that send each away once the index file is new.
  std::vector<JournalStep> steps;
};

// Holds the albums that the entries `removed` (ascending) of the album `open` open, each in a
// folder of its own right inside the album's folder that no entry left opens too, and every album
// below them: each one's lock is taken from
// the top down, waiting as the options say, and an unfinished change in any of them refuses the
// edit (AlbumBelowUnfinished). Plans each to go to the trash whole, or with deleteRemoved to lose
// the files the program made, the person's own files being told of in the work's outcome.
Result<RemovedAlbums, AlbumFailure> HoldRemovedAlbums(OpenAlbum& open,
                                                      const std::vector<std::int64_t>& removed,
                                                      AlbumWork& work);

}  // namespace quillmere
