// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --remove-pictures: pictures taken out of an album, the files after them renumbered.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// Removes the pictures numbered `numbers` from the album of the index file at `indexPath`: their
// pairs of lines leave the index file, whose other bytes stay as they are; their pictures and
// thumbnails go to the desktop's trash (or are deleted); the files of the pictures after them take
// the numbers their pairs now have; the site is written, and its picture pages beyond the last
// picture that this program wrote are removed. Everything is checked before anything changes, and
// a change cut short is finished or undone by the next run. No numbers only finishes such a change
// and writes the site.
AlbumOutcome RemovePictures(const std::string& indexPath, std::vector<std::int64_t> numbers,
                            FileSystem& fs, const AlbumOptions& options);

}  // namespace quillmere
