// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The order of an album's pictures changed: pairs of lines cut out of the index file or moved in
// it with every other byte kept, and the renames that give each picture's files its new number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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

// The number each of `count` pictures gets once `removed` are gone: entry n - 1 for picture n,
// 0 for a removed one.
std::vector<std::int64_t> NumbersWithout(std::int64_t count,
                                         const std::vector<std::int64_t>& removed);

// The number each of `count` pictures gets once picture `from` is moved to `to`.
std::vector<std::int64_t> NumbersWithMoved(std::int64_t count, std::int64_t from, std::int64_t to);

// The files of picture `number` under their own name, or under the name that holds them aside.
struct ImageSlot {
  std::int64_t number = 0;
  bool heldAside = false;

  bool operator==(const ImageSlot&) const = default;
};

// One rename of an image file.
struct SlotRename {
  ImageSlot from;
  ImageSlot to;

  bool operator==(const SlotRename&) const = default;
};

// The renames that give the files of the pictures `present` (entry n - 1 for picture n) the
// numbers `newNumbers` says, in two phases: first every file that changes its number is held
// aside (a removed picture's file for good), then each held-aside file takes its new number, which
// the first phase freed.
struct RenamePhases {
  std::vector<SlotRename> aside;
  std::vector<SlotRename> home;
};
RenamePhases RenameOrder(const std::vector<std::int64_t>& newNumbers,
                         const std::vector<bool>& present);

}  // namespace quillmere
