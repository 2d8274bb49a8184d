// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An edit of an album's index file as one text: lines that change replaced in place, pictures left
// out and the others put in their new order, every other byte kept.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "album/text/album_text.h"
#include "index/index_file.h"

namespace quillmere {

// What an edit does to an index file's text. Its lines are as the index file is to hold them (in
// its character set, without line ends).
struct TextEdit {
  // The new title; none keeps it.
  std::optional<std::string> title;
  // The new lines of the pictures whose lines change, by their numbers before the edit.
  std::map<std::int64_t, PicturePair> pairs;
  // The numbers before the edit of the pictures that stay, in their new order; a picture not
  // named is left out.
  std::vector<std::int64_t> order;
};

// Tells whether the index file would leave out a pair whose caption is `caption`, as its reader
// drops pairs (PairDropOf); or whether `caption` holds a line end and so is no line.
bool CaptionDropsPair(std::string_view caption);

// The number each of `count` pictures gets by `order` (the numbers before, in their new order):
// entry n - 1 for picture n, 0 for one left out.
std::vector<std::int64_t> NumbersInOrder(std::int64_t count,
                                         const std::vector<std::int64_t>& order);

// Tells whether `order` keeps all `count` pictures where they are.
bool KeepsOrder(std::int64_t count, const std::vector<std::int64_t>& order);

// `text`, whose head is `head`, with `edit` made: the title and the pictures' lines that change
// replaced with their line ends kept, the pairs of pictures left out cut out, and the others moved
// one by one into their order as --move-picture moves them.
std::string EditedText(std::string_view text, const IndexHead& head, const TextEdit& edit);

// The two lines of each picture after `edit` of `text` (whose head is `head`), as the edited text
// should read: for checking it.
std::vector<PicturePair> EditedPairs(std::string_view text, const IndexHead& head,
                                     const TextEdit& edit);

}  // namespace quillmere
