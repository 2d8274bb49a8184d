// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/utf8.h"

#include <cstring>

namespace quillmere {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// What a text is as UTF-8.
enum class Utf8Kind { kInvalid, kAscii, kBeyondAscii };

Utf8Kind KindOf(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  Utf8Kind kind = Utf8Kind::kAscii;
  std::size_t i = 0;
  while (i < size) {
    // Plain ASCII, the bulk of most index files, eight bytes at a time.
    if (size - i >= 8) {
      std::uint64_t word;
      std::memcpy(&word, s + i, sizeof word);
      if ((word & kHighBits) == 0) {
        i += 8;
        continue;
      }
    }
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8SequenceLength(text.substr(i));
    if (length == 0) return Utf8Kind::kInvalid;
    kind = Utf8Kind::kBeyondAscii;
    i += length;
  }
  return kind;
}

}  // namespace

bool IsUtf8BeyondAscii(std::string_view text) {
  return KindOf(text) == Utf8Kind::kBeyondAscii;
}

bool IsUtf8(std::string_view text) {
  return KindOf(text) != Utf8Kind::kInvalid;
}

}  // namespace quillmere
