// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the model reads from the fuzzer's input: the same bytes, but for a fifth value line too
// long for the model's arithmetic.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "index/index_file.h"
#include "index/text_encoding.h"
#include "support/reference_site.h"

// The longest number text on the fifth value line that the model, which reads it through long
// double, gives exactly.
inline constexpr std::size_t kModelNumberLength = 16;

// Returns `text` itself, unless the number on its fifth value line is too long for the model:
// that line then holds the number the reader found, `perRow`, so that everything else compares.
inline std::string ModelText(std::string_view text, const quillmere::IndexHead& head,
                             std::int32_t perRow) {
  if (head.fifthValueText.size() <= kModelNumberLength) return std::string(text);
  std::size_t start = text.starts_with(quillmere::kUtf8ByteOrderMark) ? 3 : 0;
  for (std::uint64_t line = 1; line < head.fifthValueLine; ++line) {
    start = text.find_first_of("\r\n", start);
    FUZZ_CHECK(start != std::string_view::npos, "fifth value line");
    start += text.compare(start, 2, "\r\n") == 0 ? 2 : 1;
  }
  std::size_t end = std::min(text.find_first_of("\r\n", start), text.size());
  std::string replaced(text.substr(0, start));
  replaced += std::to_string(perRow);
  replaced += text.substr(end);
  return replaced;
}

// The model's reading of `text`, whose head the reader read as `head`. The values come from
// ModelText; what is decided over the whole file (the character set the pages declare) comes
// from the bytes the program reads, since the line ModelText replaces may hold the only bytes
// that decide it.
inline quillmere::testing::ReferenceIndex ModelIndex(std::string_view text,
                                                     const quillmere::IndexHead& head) {
  quillmere::testing::ReferenceIndex model =
      quillmere::testing::ReferenceRead(ModelText(text, head, head.PicsPerRow));
  model.utf8 = quillmere::testing::ReferenceDeclaresUtf8(std::string(text));
  return model;
}
