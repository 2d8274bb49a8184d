// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a line of the picture section looks like, and what one index file's captions and
// descriptions look like, learned from the file itself.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmere {

// The number of forms that lines are sorted into by their first characters.
inline constexpr std::size_t kLineForms = 32;

// The features of one line that tell a caption from a description.
struct LineShape {
  // False for a blank or comment line, which has no shape.
  bool hasText = false;
  // log2 of one more than the line's characters, and of one more than its words.
  double lengthBits = 0;
  double wordBits = 0;
  bool markup = false;
  bool sentenceEnd = false;
  bool dateOrTime = false;
  // True when fixed rules take it for a description, before the file teaches anything: markup,
  // a sentence's end, a date or time, more than eight words or more than sixty characters.
  bool describesByRule = false;
  // The kinds of its first characters (capital, small letter, digit, space or the sign itself),
  // as one of kLineForms.
  std::uint8_t form = 0;
};

// The shape of `line`.
LineShape ShapeOf(std::string_view line);

// What one file's captions and descriptions look like, learned from lines whose place is known.
class ShapeModel {
 public:
  // Learns `shape` as one of the file's captions, or else as one of its descriptions.
  void Learn(const LineShape& shape, bool caption);

  // Brings the weights up to date with every line learned; Learn does it now and then.
  void Refresh();

  // Takes what was learned of captions for descriptions, and the other way round.
  void SwapKinds();

  // Tells whether the fixed rules take far more of the learned captions than of the learned
  // descriptions for descriptions, as when the lines were learned one line off.
  bool RulesDisagree() const;

  // The lines learned so far.
  double LinesLearned() const { return captions_.lines + descriptions_.lines; }

  // How much more `shape` looks like the file's descriptions than like its captions, in natural
  // log-likelihood: above 0 a description, below 0 a caption; 0 for a line without text.
  double DescriptionLikeness(const LineShape& shape) const;

 private:
  // The sums that one kind of line leaves.
  struct KindSums {
    double lines = 0;
    double length = 0, lengthSquares = 0;
    double words = 0, wordSquares = 0;
    double markup = 0, sentenceEnd = 0, dateOrTime = 0, describedByRule = 0;
    std::array<double, kLineForms> forms{};
  };

  // What each feature adds to the likeness, from the sums as they stood at the last refresh.
  struct Weights {
    double lengthSlope = 0, lengthMiddle = 0;
    double wordSlope = 0, wordMiddle = 0;
    std::array<double, 2> markup{}, sentenceEnd{}, dateOrTime{};
    std::array<double, kLineForms> forms{};
  };

  KindSums captions_, descriptions_;
  Weights weights_;
  double nextRefresh_ = 1;
};

}  // namespace quillmere
