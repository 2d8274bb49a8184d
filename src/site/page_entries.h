// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The entries of a site that its pages show as something other than a picture: videos and albums.
#pragma once

#include <cstdint>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "site/album_entries.h"
#include "site/video_entries.h"

namespace quillmere {

// The entries of one run that are videos, and those that are albums.
struct PageEntries {
  VideoEntries videos;
  AlbumEntries albums;
};

// Finds the entries 1 to `pictureCount` of the index file with `head` that are videos or albums,
// each kind where the head says the site has it, from one listing of the pictures' folder inside
// `site` however many kinds it has.
PageEntries FindPageEntries(const IndexHead& head, std::int64_t pictureCount, Folder& site);

}  // namespace quillmere
