// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The words of the program's own record files (the journal of album changes, the cache of
// pictures made before): a line split into words, whole numbers, and 64-bit hashes as 16 hex
// digits.
#pragma once

#include <charconv>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace quillmere {

// The words of `line` between single spaces: two spaces make an empty word between them, and a
// space at the line's end starts no word.
std::vector<std::string_view> SplitWords(std::string_view line);

// `path` with "%", spaces and control bytes written as %XX, so that it is one word of a line.
std::string EscapedWord(std::string_view path);

// The path that the word `word` is, its %XX undone; none when a % is not followed by two hex
// digits.
std::optional<std::string> UnescapedWord(std::string_view word);

// The 16 lowercase hex digits of `value`, zeros in front.
std::string Hex16(std::uint64_t value);

// The number whose 16 hex digits (in either case) `word` is, or none.
std::optional<std::uint64_t> ParseHex16(std::string_view word);

// The whole number of type `Number` that `word` is, all of it in decimal (a minus sign only for a
// signed type), or none when it is something else or too large for the type.
template <class Number>
std::optional<Number> ParseDecimal(std::string_view word) {
  Number number{};
  const char* end = word.data() + word.size();
  const auto [stop, error] = std::from_chars(word.data(), end, number);
  if (word.empty() || error != std::errc() || stop != end) return std::nullopt;
  return number;
}

}  // namespace quillmere
