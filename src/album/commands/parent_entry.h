// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A change in an album of a tree carried up to the albums above it: its entry in its parent shows
// its first picture again, and its description, where the program wrote it, says again what the
// album holds.
#pragma once

#include <string>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// Brings the entry of the album of `indexPath` in its parent up to date after a change of it (its
// cover and the description of what it holds), then
// the parent's entry in its own parent, and so on up while an entry changes. Each parent is locked
// and changed as one edit after the album below it is done with, so that locks are never held
// from the bottom up. A description the person wrote in place of the program's is left alone. A
// parent that cannot be changed is told of in `outcome` as a problem, with the way to try again.
void UpdateParentEntries(const std::string& indexPath, FileSystem& fs, const AlbumOptions& options,
                         AlbumOutcome& outcome);

}  // namespace quillmere
