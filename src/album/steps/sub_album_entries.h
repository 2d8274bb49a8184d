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
#include "album/steps/edit_change.h"
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
  // Adds a date as the album's own texts give it: "2024-06-01 10:00" as DateTakenText writes it,
  // or the day alone as SummaryText does. Such dates are ordered by their text, so a summary adds
  // them only to others of their kind, never to dates added with AddDate.
  void AddWrittenDate(std::string_view date);
  // Adds what `other` holds.
  void Add(const AlbumSummary& other);
};

// The description of an album's entry in its parent: how many pictures and videos it holds and
// the days they were taken ("12 pictures, 2024-06-01 to 2024-06-09"), or just how many when none
// records a date.
std::string SummaryText(const AlbumSummary& summary);

// What a description that SummaryText wrote says, its dates added with AddWrittenDate; none for
// any other text, such as one the person wrote in its place.
std::optional<AlbumSummary> SummaryOfText(std::string_view text);

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

// An entry of an album whose cover is to be made again from the album it opens.
struct CoverToReplace {
  // The entry's number, and the folder of its album relative to the album's folder.
  std::int64_t number = 0;
  std::string folder;
};

// Gives the entries `covers` of the album `open` new covers, each a copy of the first picture of
// the album it opens with a thumbnail of it that bears the album mark, and writes `text` as the
// album's index file, as one change: the new files are written under names of their own and the
// old ones held aside until the index file is new, then discarded, so that a stop or a crash
// leaves each entry with its old cover or its new one, never without. No covers change nothing.
Result<void, AlbumFailure> ReplaceCovers(OpenAlbum& open, const std::vector<CoverToReplace>& covers,
                                         const std::string& text, AlbumWork& work);

}  // namespace quillmere
