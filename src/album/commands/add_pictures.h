// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --add-pictures: pictures added to an album after its last one.
#pragma once

#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// Adds the pictures `sources` (files, or folders whose pictures are taken as MakeNewAlbum takes
// them) to the album of the index file at `indexPath`: numbered after its last picture, their
// pictures and thumbnails written, their pairs put after every byte the index file has, which is
// replaced whole; then writes the site. A picture whose fitted JPEG is byte for byte one the
// album holds (or one added before it) is left out with a note, unless duplicates are allowed.
AlbumOutcome AddPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                         FileSystem& fs, const AlbumOptions& options);

}  // namespace quillmere
