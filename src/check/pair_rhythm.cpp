// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "check/pair_rhythm.h"

#include <algorithm>

namespace quillmere {
namespace {

// The evidence, in natural log-likelihood, from which a move is taken as told.
constexpr double kClearEvidence = 3.0;
// How badly a line must fit its place to be looked into.
constexpr double kSuspectMisfit = 1.0;
// What the file's last pair weighs: an open one, a caption without its description, says an
// odd number of lines went missing or came in.
constexpr double kEndWeight = 2.0;
// The lines a model learns before the learning reading trusts it to find a move in a picture.
constexpr double kYoungModelLines = 8;
// The dropped pairs without text that weighing passes over before it gives up.
constexpr int kEmptyPairsPassed = 16;

}  // namespace

bool HoldsText(std::string_view line) {
  return line.find_first_not_of(' ') != std::string_view::npos && line.front() != ';';
}

bool MayMoveThePictures(const LinePair& dropped) {
  if (dropped.secondLineNumber == 0) return false;
  if (HoldsText(dropped.secondLine)) return true;
  const std::string_view second = TrimSpaces(dropped.secondLine);
  return PairDropOf(dropped.firstLine) == PairDrop::kComment && second.starts_with(';') &&
         !TrimSpaces(second.substr(1)).empty();
}

// The misfits of the lines from a suspect line on, which speak for a move there.
struct PairRhythm::Weighing {
  double evidence = 0;
  // The least that the misfits summed up to after any line: below 0, a move after the suspect
  // line fits the lines better than one there.
  double lowest = 0;
  // The pictures after the suspect one that were weighed, and what they alone weighed.
  int pictures = 0;
  double following = 0;
  bool reachedEnd = false;

  void Add(double misfit) {
    evidence += misfit;
    lowest = std::min(lowest, evidence);
  }
};

// How badly `shape` fits its place with the pictures as they stand: above 0 it looks like the
// other kind of line.
double PairRhythm::Misfit(const LineShape& shape, bool captionPlace) const {
  const double likeness = model_.DescriptionLikeness(shape);
  return captionPlace == inStep_ ? likeness : -likeness;
}

// Adds to `weighing` up to kPairsWeighed pictures from `following`, stopping before the next
// pair that may move the pictures, which is judged on its own.
void PairRhythm::WeighFollowing(PairReader following, Weighing& weighing) const {
  const double before = weighing.evidence;
  int emptyPairs = 0;
  while (weighing.pictures < kPairsWeighed) {
    const std::optional<LinePair> next = following.Next();
    if (!next) {
      weighing.reachedEnd = true;
      weighing.Add(EndEvidence(/*endsOpen=*/false));
      break;
    }
    const LinePair& pair = *next;
    if (pair.dropped()) {
      if (MayMoveThePictures(pair) || ++emptyPairs > kEmptyPairsPassed) break;
      continue;
    }
    ++weighing.pictures;
    weighing.Add(Misfit(ShapeOf(pair.firstLine), /*captionPlace=*/true));
    if (pair.secondLineNumber == 0) {
      weighing.reachedEnd = true;
      weighing.Add(EndEvidence(/*endsOpen=*/true));
      break;
    }
    weighing.Add(Misfit(ShapeOf(pair.secondLine), /*captionPlace=*/false));
  }
  weighing.following = weighing.evidence - before;
}

// What the file's end says for a move: an odd number of lines, a last caption without its
// description, fits the pictures one line off.
double PairRhythm::EndEvidence(bool endsOpen) const {
  return endsOpen == inStep_ ? kEndWeight : -kEndWeight;
}

// Sums `misfit`, that of `line` or of a line that `line` drops, and notes where a move most
// likely starts: after the least sum, since the lines after it misfit most, or after the
// greatest, since the lines before it misfit most, which the step they were judged by got wrong.
void PairRhythm::Account(double misfit, std::uint64_t line) {
  ++linesRead_;
  if (leastLine_ == 0 || misfits_ < leastMisfits_) {
    leastMisfits_ = misfits_;
    leastLine_ = line;
  }
  if (misfits_ > mostMisfits_) {
    mostMisfits_ = misfits_;
    mostLine_ = line;
  }
  misfits_ += misfit;
}

std::uint64_t PairRhythm::LikelyShiftLine() const {
  const double after = misfits_ - leastMisfits_;
  if (std::max(after, mostMisfits_) <= kSuspectMisfit) return 0;
  return after >= mostMisfits_ ? leastLine_ : mostLine_;
}

void PairRhythm::Move() {
  inStep_ = !inStep_;
  misfits_ = leastMisfits_ = mostMisfits_ = 0;
  leastLine_ = mostLine_ = 0;
}

void PairRhythm::Learn(const LineShape& first, const LineShape& second, bool firstInStep) {
  model_.Learn(first, /*caption=*/firstInStep);
  model_.Learn(second, /*caption=*/!inStep_);
}

DropVerdict PairRhythm::JudgeDrop(const LinePair& dropped, PairReader following) {
  const double misfit = Misfit(ShapeOf(dropped.secondLine), /*captionPlace=*/false);
  Weighing weighing;
  weighing.Add(misfit);
  WeighFollowing(following, weighing);
  if (weighing.pictures == 0 && weighing.reachedEnd) return DropVerdict::kNothingFollows;
  if (weighing.evidence >= kClearEvidence) {
    Move();
    return DropVerdict::kMoves;
  }
  Account(misfit, dropped.firstLineNumber);
  if (weighing.evidence <= -kClearEvidence) return DropVerdict::kKeepsStep;
  // Unclear: the pictures go on as a dropped line of text leans them.
  if (weighing.evidence > 0 && HoldsText(dropped.secondLine)) Move();
  return DropVerdict::kUnclear;
}

// Tells whether the lines from the suspect one on show a move there: clearly, from that line on
// and not only later, and not from that line alone.
bool PairRhythm::ShowsAMove(const Weighing& weighing) {
  return weighing.evidence >= kClearEvidence && weighing.lowest >= 0 &&
         (weighing.pictures == 0 || weighing.following > 0);
}

LineShift PairRhythm::JudgePicture(const LinePair& pair, PairReader following) {
  const LineShape first = ShapeOf(pair.firstLine);
  const LineShape second = ShapeOf(pair.secondLine);
  const bool open = pair.secondLineNumber == 0;
  const double firstMisfit = Misfit(first, /*captionPlace=*/true);
  const double secondMisfit = open ? 0 : Misfit(second, /*captionPlace=*/false);
  LineShift shift;
  if (firstMisfit > kSuspectMisfit || secondMisfit > kSuspectMisfit) {
    // A move from the caption on when it misfits too, else from the description on.
    const bool fromCaption = open || firstMisfit > 0;
    Weighing weighing;
    if (fromCaption) weighing.Add(firstMisfit);
    if (open) {
      weighing.Add(EndEvidence(/*endsOpen=*/true));
    } else {
      weighing.Add(secondMisfit);
      WeighFollowing(following, weighing);
    }
    const bool firstCaption = fromCaption && linesRead_ == 0;
    // A young model may be wrong, and the learning reading leaves the lines to a grown one.
    const bool trusted = !learning_ || model_.LinesLearned() >= kYoungModelLines;
    if (trusted && ShowsAMove(weighing)) {
      if (!firstCaption) {
        shift = {fromCaption ? pair.firstLineNumber : pair.secondLineNumber, fromCaption};
      } else if (!learning_) {
        // The first caption sets the step: when the file's first pictures look one line off,
        // the model learned them so from the lines after a move among those first pictures.
        model_.SwapKinds();
      }
    }
  }
  // The lines are summed in the step they stand in: a move before a line starts a new sum.
  if (shift.line != 0 && shift.captionPlace) Move();
  const bool firstInStep = inStep_;
  Account(Misfit(first, /*captionPlace=*/true), pair.firstLineNumber);
  if (shift.line != 0 && !shift.captionPlace) Move();
  if (!open) Account(Misfit(second, /*captionPlace=*/false), pair.secondLineNumber);
  if (learning_) Learn(first, second, firstInStep);
  return shift;
}

SectionShape LearnSectionShape(const LineReader& lines) {
  SectionShape shape;
  PairRhythm rhythm(shape.model, /*learning=*/true);
  PairReader pairs(lines);
  while (const std::optional<LinePair> next = pairs.Next()) {
    const LinePair& pair = *next;
    if (!pair.dropped()) {
      ++shape.pictureCount;
      rhythm.JudgePicture(pair, pairs);
    } else if (MayMoveThePictures(pair)) {
      rhythm.JudgeDrop(pair, pairs);
    }
  }
  // Learned from a move among the first pictures on, the lines stand the other way round.
  if (shape.model.RulesDisagree()) shape.model.SwapKinds();
  shape.model.Refresh();
  return shape;
}

}  // namespace quillmere
