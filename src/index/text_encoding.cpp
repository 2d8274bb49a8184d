// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/text_encoding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quillmere {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080u;

// The length of the valid UTF-8 sequence at the start of `s` (`size` bytes left, s[0] >= 0x80),
// or 0 when it is not valid.
std::size_t SequenceLength(const unsigned char* s, std::size_t size) {
  auto continuation = [&](std::size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return i < size && s[i] >= low && s[i] <= high;
  };
  const unsigned char lead = s[0];
  if (lead >= 0xC2 && lead <= 0xDF) return continuation(1) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    // E0 needs A0..BF after it (no overlong forms), ED 80..9F (no surrogates).
    const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : 0xBF;
    return continuation(1, low, high) && continuation(2) ? 3 : 0;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    // F0 needs 90..BF after it (no overlong forms), F4 80..8F (nothing beyond U+10FFFF).
    const unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
    return continuation(1, low, high) && continuation(2) && continuation(3) ? 4 : 0;
  }
  return 0;
}

}  // namespace

bool IsUtf8BeyondAscii(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  bool beyondAscii = false;
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
    const std::size_t length = SequenceLength(s + i, size - i);
    if (length == 0) return false;
    beyondAscii = true;
    i += length;
  }
  return beyondAscii;
}

bool LooksBinary(std::string_view text) {
  const std::size_t probe = std::min(text.size(), kTextProbeLength);
  return probe > 0 && std::memchr(text.data(), '\0', probe) != nullptr;
}

}  // namespace quillmere
