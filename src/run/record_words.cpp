// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/record_words.h"

#include <charconv>
#include <cstdio>

#include "paths/paths.h"

namespace quillmere {

std::vector<std::string_view> SplitWords(std::string_view line) {
  std::vector<std::string_view> words;
  while (!line.empty()) {
    const std::size_t space = line.find(' ');
    words.push_back(line.substr(0, space));
    line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
  }
  return words;
}

std::string Hex16(std::uint64_t value) {
  char digits[16];
  const std::to_chars_result written = std::to_chars(digits, digits + 16, value, 16);
  const auto count = static_cast<std::size_t>(written.ptr - digits);
  return std::string(16 - count, '0') + std::string(digits, count);
}

std::optional<std::uint64_t> ParseHex16(std::string_view word) {
  std::uint64_t value = 0;
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, value, 16);
  if (word.size() != 16 || error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// `path` with "%", spaces and control bytes written as %XX, so that it is one word of a line.
std::string EscapedWord(std::string_view path) {
  std::string escaped;
  for (unsigned char c : path) {
    if (c <= ' ' || c == '%' || c == 0x7f) {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", c);
      escaped += code;
    } else {
      escaped += static_cast<char>(c);
    }
  }
  return escaped;
}

// The path that the word `word` is, its %XX undone; none when a % is not followed by two hex
// digits.
std::optional<std::string> UnescapedWord(std::string_view word) {
  return PercentDecoded(word);
}

}  // namespace quillmere
