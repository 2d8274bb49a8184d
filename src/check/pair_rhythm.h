// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The rhythm of the picture section, a caption then a description: where a stray or lost line
// moves the later pictures by one line, told from how the file's own lines look.
#pragma once

#include <cstdint>
#include <string_view>

#include "check/line_shape.h"
#include "index/line_reader.h"
#include "index/picture_section.h"

namespace quillmere {

// The pictures after a suspect line that are weighed to judge it.
inline constexpr int kPairsWeighed = 3;

// Tells whether a line holds something the reader would take as text: neither blank nor a
// comment.
bool HoldsText(std::string_view line);

// Tells whether the dropped pair `dropped` may have moved the pictures after it: its second line
// holds text, or both its lines are comments with text, as a picture commented out line by line.
bool MayMoveThePictures(const LinePair& dropped);

// What a dropped pair does to the pictures after it, as far as the text tells.
enum class DropVerdict {
  // The pictures after it stand as they stood before it.
  kKeepsStep,
  // The pictures after it move by one line.
  kMoves,
  // The lines around it do not tell.
  kUnclear,
  // No picture comes after it.
  kNothingFollows,
};

// A line from which the pictures move by one line with no dropped pair to show for it; a line
// of 0 when there is none.
struct LineShift {
  std::uint64_t line = 0;
  // Whether that line stands in a caption's place.
  bool captionPlace = false;
};

// Follows, pair by pair, whether the picture section's lines stand in step, weighing each line
// against what the file's captions and descriptions look like.
class PairRhythm {
 public:
  // Weighs lines with `model`; when `learning`, learns each picture's lines into it on the way.
  PairRhythm(ShapeModel& model, bool learning) : model_(model), learning_(learning) {}

  // Whether the lines read so far stand in step, as the last shift left them.
  bool InStep() const { return inStep_; }

  // Judges the pair `dropped`, which MayMoveThePictures; `following` stands after it.
  DropVerdict JudgeDrop(const LinePair& dropped, PairReader following);

  // Judges the lines of the picture `pair`; `following` stands after it.
  LineShift JudgePicture(const LinePair& pair, PairReader following);

  // The line where a move unseen since the pictures last changed step most likely starts; 0 when
  // the lines do not point to one.
  std::uint64_t LikelyShiftLine() const;

 private:
  struct Weighing;

  double Misfit(const LineShape& shape, bool captionPlace) const;
  void WeighFollowing(PairReader following, Weighing& weighing) const;
  static bool ShowsAMove(const Weighing& weighing);
  double EndEvidence(bool endsOpen) const;
  void Account(double misfit, std::uint64_t line);
  void Move();
  void Learn(const LineShape& first, const LineShape& second, bool firstInStep);

  ShapeModel& model_;
  const bool learning_;
  bool inStep_ = true;
  // The lines judged so far.
  std::uint64_t linesRead_ = 0;
  // The misfits of the lines read since the pictures last changed step, summed; their least and
  // greatest sums so far, and the lines before which they stood.
  double misfits_ = 0;
  double leastMisfits_ = 0;
  double mostMisfits_ = 0;
  std::uint64_t leastLine_ = 0;
  std::uint64_t mostLine_ = 0;
};

// What a first reading of the picture section learns.
struct SectionShape {
  ShapeModel model;
  std::int64_t pictureCount = 0;
};

// Reads the picture section from where `lines` stands to its end, learning its shape.
SectionShape LearnSectionShape(const LineReader& lines);

}  // namespace quillmere
