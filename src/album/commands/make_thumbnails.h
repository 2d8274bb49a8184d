// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --make-thumbnails: each thumbnail made again from its picture where it is out of date.
#pragma once

#include <string>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// Writes the thumbnail of every picture of the index file at `indexPath` from its picture,
// leaving alone a whole thumbnail that is not older than its picture and, when the thumbnail
// size was asked for, has the size it gives; remakes all when asked; lists a missing or
// unreadable picture with its line and goes on; then writes the site.
AlbumOutcome MakeThumbnails(const std::string& indexPath, FileSystem& fs,
                            const AlbumOptions& options);

}  // namespace quillmere
