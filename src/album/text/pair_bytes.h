// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The pairs of lines of an index file's pictures as bytes of its text: cut out or moved with every
// other byte kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "index/index_file.h"

namespace quillmere {

// Where one picture's pair of lines stands in the index file's text, line ends included.
struct PairBytes {
  std::size_t begin = 0;
  std::size_t end = 0;
  // Whether the file ends before the pair's second line.
  bool open = false;
};

// The pairs of the pictures of `text`, whose head is `head`, in their order; the pairs that a
// blank or comment line drops are no pictures.
std::vector<PairBytes> PicturePairBytes(std::string_view text, const IndexHead& head);

// The two lines of each picture of `text`, as read, in their order.
std::vector<std::pair<std::string_view, std::string_view>> PictureLinePairs(std::string_view text,
                                                                            const IndexHead& head);

// `text` without the pairs of the pictures `removed` (numbers from 1, ascending, none twice).
std::string TextWithout(std::string_view text, const std::vector<PairBytes>& pairs,
                        const std::vector<std::int64_t>& removed);

// `text` with the pair of picture `from` cut out and put where picture `to` stands, before it
// when it moves up and after it when it moves down. A pair that ends the file without its line
// end, or without its second line, gets them where another pair comes after it.
std::string TextWithMoved(std::string_view text, const std::vector<PairBytes>& pairs,
                          std::int64_t from, std::int64_t to);

}  // namespace quillmere
