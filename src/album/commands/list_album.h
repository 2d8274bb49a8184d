// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album's pictures as a list: each one's number, file name, whether its files are there and
// its caption, read without writing anything.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "platform/file_system.h"

namespace quillmere {

// One picture of an album as ListAlbum finds it.
struct ListedPicture {
  // Its number, from 1 on, as the album's commands take it.
  std::int64_t number = 0;
  // The name of its picture file as the prefix makes it, without the folder: "p3.jpg".
  std::string file;
  // Whether its picture and its thumbnail are there; none where a prefix names another place
  // (a URL) or leads outside the index file's folder, or where that folder cannot be listed.
  std::optional<bool> picture;
  std::optional<bool> thumbnail;
  // Its caption line as the index file holds it, in UTF-8 whatever the file's character set.
  std::string caption;
  // The folder of the album it opens, relative to the index file's folder, when it is an entry
  // of an album of a tree that is an album of its own; empty for a picture or a video.
  std::string album{};
};

// Lists the pictures of the index file at `indexPath`, read as a run reads it, looking at each
// folder of pictures and thumbnails once (and the pictures' once more for the album entries of an
// album of a tree); takes no lock, settles no interrupted change and writes
// nothing. Fails as a run does when the index file cannot be used.
Result<std::vector<ListedPicture>, AlbumFailure> ListAlbum(const std::string& indexPath,
                                                           FileSystem& fs);

}  // namespace quillmere
