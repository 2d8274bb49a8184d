// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --new-album: a whole album made from a folder of pictures.
#pragma once

#include <cstddef>
#include <string>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"

namespace quillmere {

// The title that a new album made from the pictures in `picturesFolder` takes: the folder's name
// in words.
std::string NewAlbumTitle(const std::string& picturesFolder);

// How many albums MakeNewAlbum would make of `picturesFolder` in `albumFolder`: one for it and
// one for each folder below it that holds pictures or videos; 1 when the tree cannot be read,
// as the command says why when it is run.
std::size_t AlbumsToMake(const std::string& picturesFolder, const std::string& albumFolder,
                         FileSystem& fs);

// Makes a new album in `albumFolder` (created when missing) from the pictures in
// `picturesFolder`: refuses a folder that holds an index file or pages, writing nothing; orders
// the pictures by the date they were taken, then by name; lists the files that cannot be read
// as pictures and leaves them out; writes the pictures and thumbnails, the support images, the
// index file and then the site. The pictures' folder is only read.
AlbumOutcome MakeNewAlbum(const std::string& picturesFolder, const std::string& albumFolder,
                          FileSystem& fs, const AlbumOptions& options);

}  // namespace quillmere
