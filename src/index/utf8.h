// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// UTF-8 as the program reads and writes it (RFC 3629: no overlong forms, no surrogates, nothing
// beyond U+10FFFF), the one place that decodes, validates and encodes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmere {

// The length of the valid UTF-8 sequence at the start of `text`: 1 for an ASCII byte, 2 to 4
// beyond; 0 when `text` is empty or starts with no valid sequence.
inline std::size_t Utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  auto continuation = [&](std::size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return i < text.size() && s[i] >= low && s[i] <= high;
  };
  const unsigned char lead = s[0];
  if (lead < 0x80) return 1;
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

// The code point of `sequence`, a valid UTF-8 sequence as Utf8SequenceLength measured it.
inline std::uint32_t Utf8CodePoint(std::string_view sequence) {
  const auto lead = static_cast<unsigned char>(sequence[0]);
  std::uint32_t code = sequence.size() == 1   ? lead
                       : sequence.size() == 2 ? lead & 0x1Fu
                       : sequence.size() == 3 ? lead & 0x0Fu
                                              : lead & 0x07u;
  for (std::size_t k = 1; k < sequence.size(); ++k) {
    code = code << 6 | (static_cast<unsigned char>(sequence[k]) & 0x3Fu);
  }
  return code;
}

// Appends the UTF-8 bytes of the code point `code` to `out`.
inline void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// Tells whether `text` is valid UTF-8 and holds at least one byte of 128 or more, so that it is
// UTF-8 rather than plain ASCII or a single-byte code page.
bool IsUtf8BeyondAscii(std::string_view text);

// Tells whether `text` is valid UTF-8, plain ASCII included.
bool IsUtf8(std::string_view text);

}  // namespace quillmere
