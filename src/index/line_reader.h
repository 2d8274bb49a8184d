// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Splits index file text into lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmere {

// Yields the lines of a text one by one. A line ends at CR, CR LF or a lone LF; the line end is
// not part of the line, and a text that ends with a line end has no empty line after it.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  // Starts at byte `offset` of `text`, as if `linesBefore` lines had been read up to there.
  LineReader(std::string_view text, std::size_t offset, std::uint64_t linesBefore)
      : text_(text), pos_(offset), lineNumber_(linesBefore) {}

  // Tells whether every line has been read.
  bool AtEnd() const { return pos_ >= text_.size(); }

  // Returns the next line; call only when not AtEnd.
  std::string_view Next();

  // The text not read yet.
  std::string_view Rest() const { return text_.substr(pos_); }

  // Where the text not read yet starts.
  std::size_t Offset() const { return pos_; }

  // The 1-based number of the line that Next returned last.
  std::uint64_t LineNumber() const { return lineNumber_; }

 private:
  std::size_t FindFrom(char c, std::size_t& cached) const;

  std::string_view text_;
  std::size_t pos_ = 0;
  std::uint64_t lineNumber_ = 0;
  // Where the next CR and LF stand, found once and reused until passed; kUnknown before.
  static constexpr std::size_t kUnknown = static_cast<std::size_t>(-1);
  std::size_t nextCr_ = kUnknown;
  std::size_t nextLf_ = kUnknown;
};

}  // namespace quillmere
