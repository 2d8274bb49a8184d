// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The picture section of an index file, taken pair of lines by pair of lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "index/line_reader.h"

namespace quillmere {

// Trims spaces, and nothing else, from both ends of `text`.
inline std::string_view TrimSpaces(std::string_view text) {
  std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// Whether the reader keeps a pair of the picture section as a picture, or why its first line
// drops it.
enum class PairDrop {
  // The pair is a picture.
  kNone,
  // The first line is empty or holds spaces alone, so the picture would have no caption.
  kEmpty,
  // The first line starts with ";" in its very first column, which makes the pair a comment.
  kComment,
};

// What the reader does with a pair whose first line is `firstLine`. Only spaces count as blank
// (a tab is text), and a ";" after a space is the caption's.
inline PairDrop PairDropOf(std::string_view firstLine) {
  if (firstLine.starts_with(';')) return PairDrop::kComment;
  return TrimSpaces(firstLine).empty() ? PairDrop::kEmpty : PairDrop::kNone;
}

// One pair of lines of the picture section: a picture, or a pair that its first line drops.
struct LinePair {
  // The first line exactly as read.
  std::string_view firstLine;
  // The caption: the first line trimmed of spaces; empty when the pair is dropped (PairDropOf).
  std::string_view caption;
  // The second line exactly as read; empty when the file ended after the first.
  std::string_view secondLine;
  // The 1-based numbers of the two lines; secondLineNumber is 0 when there is no second line.
  std::uint64_t firstLineNumber = 0;
  std::uint64_t secondLineNumber = 0;

  bool dropped() const { return caption.empty(); }
};

// Yields the pairs of the picture section in the order of the file.
class PairReader {
 public:
  // Reads from where `lines` stands to the end of its text.
  explicit PairReader(const LineReader& lines) : lines_(lines) {}

  // The next pair; none at the end of the file.
  std::optional<LinePair> Next() {
    if (lines_.AtEnd()) return std::nullopt;
    LinePair pair;
    pair.firstLine = lines_.Next();
    pair.firstLineNumber = lines_.LineNumber();
    if (!lines_.AtEnd()) {
      pair.secondLine = lines_.Next();
      pair.secondLineNumber = lines_.LineNumber();
    }
    pair.caption = PairDropOf(pair.firstLine) == PairDrop::kNone ? TrimSpaces(pair.firstLine)
                                                                 : std::string_view();
    return pair;
  }

  // The text not read yet.
  std::string_view Rest() const { return lines_.Rest(); }

 private:
  LineReader lines_;
};

}  // namespace quillmere
