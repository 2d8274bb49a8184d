// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the work of one album command carries from step to step, and the steps that start and end
// every command: the failure of a stop, the site written, memory that runs out.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/cache/made_pictures_cache.h"
#include "album/change/album_folder.h"
#include "platform/file_system.h"

namespace quillmere {

// The failure that tells the work was asked to stop, with what was `leftAsItWas`.
AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas);

// What the work of one album command carries from step to step: the file system, the options, and
// the outcome, which the steps add their problems and counts to.
struct AlbumWork {
  FileSystem& fs;
  const AlbumOptions& options;
  AlbumOutcome& outcome;
  // The pictures made before, which the pictures made now are added to; none to remember none.
  MadePicturesCache* remembered = nullptr;

  // The pictures left out or not made so far.
  std::vector<PictureProblem>& problems() { return outcome.problems; }
};

// Writes the site of the work's index file into `album`, whose lock is held, into the outcome,
// and then removes the journal of the change whose pages these are; why not, when it was not
// written.
Result<void, AlbumFailure> FinishSite(AlbumFolder& album, AlbumWork& work);

// Does the work of an album command on `outcome`; memory that runs out on the way fails it, as
// one that could not write its index file (`outcome.indexPath`) for ENOMEM.
void WithinMemory(AlbumOutcome& outcome, const std::function<void()>& work);

}  // namespace quillmere
