// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --move-picture: a picture moved to another place of its album.
#pragma once

#include <cstdint>
#include <string>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// Moves picture `from` of the album of the index file at `indexPath` to the place `to`: its pair of
// lines is put before the pair of the picture now there (after it when it moves down), and the
// files of the pictures between take the numbers their pairs now have; then writes the site. As
// safe as RemovePictures.
AlbumOutcome MovePicture(const std::string& indexPath, std::int64_t from, std::int64_t to,
                         FileSystem& fs, const AlbumOptions& options);

}  // namespace quillmere
