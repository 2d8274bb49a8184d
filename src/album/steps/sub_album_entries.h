// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The entries an album of a tree gives the albums below it: a copy of each one's cover, a
// thumbnail of it with the album mark, the album file that names its folder, its name as the
// caption and what it holds as the description.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album/album_failure.h"
#include "album/change/album_change.h"
#include "album/steps/album_work.h"
#include "album/steps/image_folders.h"
#include "album/text/album_text.h"
#include "platform/file_system.h"

namespace quillmere {

// What an album of a tree holds, in the albums it lists too, for its entry in its parent.
struct AlbumSummary {
  // The entries that are pictures or videos, and how many of them are videos.
  std::uint64_t pictures = 0;
  std::uint64_t videos = 0;
  // The instants the first and the last of them were taken, and those dates as DateTakenText
  // writes them; none when none records a date.
  std::optional<std::int64_t> firstAt{};
  std::optional<std::int64_t> lastAt{};
  std::string first{};
  std::string last{};

  // Adds the dates of a picture taken at `recorded` in `zone`, as its facts give them.
  void AddDate(std::string_view recorded, std::string_view zone);
  // Adds what `other` holds.
  void Add(const AlbumSummary& other);
};

// The description of an album's entry in its parent: how many pictures and videos it holds and
// the days they were taken ("12 pictures, 2024-06-01 to 2024-06-09"), or just how many when none
// records a date.
std::string SummaryText(const AlbumSummary& summary);

// One album below an album of a tree, listed as an entry of it.
struct SubAlbumEntry {
  // Its folder's name, in the folder of the index file it is listed in.
  std::string folder;
  AlbumSummary summary;
};

// Makes the entries of `entries` in order, numbered from `first` on in `folders`: each one's
// picture a copy of its cover (the picture of entry 1 of the album in its folder, read through
// `album`, the folder of the index file), its thumbnail made from the cover with the album mark,
// and its album file, all handed to `change`, which planned them. Their pairs, or the failure.
Result<std::vector<PicturePair>, AlbumFailure> MakeSubAlbumEntries(
    const std::vector<SubAlbumEntry>& entries, std::int64_t first, Folder& album,
    ImageFolders& folders, AlbumChange& change, AlbumWork& work);

}  // namespace quillmere
