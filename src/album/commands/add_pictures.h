// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --add-pictures: pictures added to an album after its last one.
#pragma once

#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/steps/found_pictures.h"
#include "platform/file_system.h"

namespace quillmere {

// Adds the pictures `sources` (files, or folders whose pictures are taken as MakeNewAlbum takes
// them) to the album of the index file at `indexPath`: numbered after its last picture, their
// pictures and thumbnails written, their pairs put after every byte the index file has, which is
// replaced whole; then writes the site. A picture whose fitted JPEG is byte for byte one the
// album holds (or one added before it) is left out with a note, unless duplicates are allowed.
// A folder of folders given alone is added as a tree: each sub-folder's pictures go to the album
// of a tree at the same place below, made where there is none yet (AddPictureTree).
AlbumOutcome AddPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                         FileSystem& fs, const AlbumOptions& options);

// Adds the pictures `sources` as AddPictures does a list of files and folders, the sub-folders of
// the folders reported or left as `subFolders` says, and brings the album's entry in its parent
// up to date.
AlbumOutcome AddOwnPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                            FileSystem& fs, const AlbumOptions& options, SubFolders subFolders);

}  // namespace quillmere
