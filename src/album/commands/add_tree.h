// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --add-pictures of a folder of folders: each folder's pictures added to the album of the tree at
// its place, an album made for each folder that has none yet and listed in the album above it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// Adds the folder `sources[0]`, when it is the only source and holds folders of pictures or videos
// (as --new-album walks them), to the album of `indexPath` as a tree, children before their
// parents: a folder whose place below the album holds an album's index file gets its own pictures
// added there; another gets a new album of a tree there, as --new-album makes one, listed in the
// album above it after that album's entries and before the pictures added to it; and every album
// changed has its entry above brought up to date. The album becomes the top of a tree where it was
// none. None when the sources are no such folder, for AddPictures to add them as files.
std::optional<AlbumOutcome> AddPictureTree(const std::string& indexPath,
                                           const std::vector<std::string>& sources, FileSystem& fs,
                                           const AlbumOptions& options);

}  // namespace quillmere
