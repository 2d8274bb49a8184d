// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The folders an album's pictures and thumbnails go into, found before anything is made, and the
// names in them that a change would take.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "album/album_failure.h"
#include "album/change/album_change.h"
#include "album/change/album_folder.h"
#include "platform/file_system.h"

namespace quillmere {

// Where a made picture and its thumbnail go.
struct ImageFolders {
  ImageFolder pictures;
  ImageFolder thumbnails;
  // Whether videos are among the pictures made, each beside its poster.
  bool videos = false;
  // Whether albums of a tree are among the entries made, each by its album file beside its
  // cover.
  bool albums = false;
};

// Finds the folders of the pictures and thumbnails of `album`, named by the index file
// `indexPath` with `picturePrefix` and `thumbPrefix`; makes nothing.
Result<ImageFolders, AlbumFailure> FindImageFolders(AlbumFolder& album,
                                                    std::string_view picturePrefix,
                                                    std::string_view thumbPrefix,
                                                    const std::string& indexPath);

// Plans in `change` the folders to make and the pictures and thumbnails `first` to `last` of
// `folders`, the videos beside the pictures (of either kind) where `folders` has videos, and
// the album files beside them where it has albums.
void PlanImages(const ImageFolders& folders, std::int64_t first, std::int64_t last,
                AlbumChange& change);

// The names among the pictures and thumbnails `first` to `last` of `folders`, the videos where it
// has videos and the album files where it has albums, that are taken.
Result<std::vector<std::string>> TakenImageNames(ImageFolders& folders, std::int64_t first,
                                                 std::int64_t last);

}  // namespace quillmere
