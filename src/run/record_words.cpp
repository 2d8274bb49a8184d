// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/record_words.h"

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

}  // namespace quillmere
