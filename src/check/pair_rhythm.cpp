// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "check/pair_rhythm.h"

namespace quillmere {
namespace {

constexpr std::size_t kLongestCaption = 60;
constexpr int kMostCaptionWords = 8;

int WordCount(std::string_view text) {
  int words = 0;
  bool inWord = false;
  for (char c : text) {
    const bool blank = c == ' ' || c == '\t';
    if (!blank && !inWord) ++words;
    inWord = !blank;
  }
  return words;
}

bool HoldsMarkup(std::string_view text) {
  const std::size_t open = text.find('<');
  return open != std::string_view::npos && text.find('>', open) != std::string_view::npos;
}

bool EndsASentence(std::string_view text) {
  return text.ends_with('.') || text.ends_with('!') || text.ends_with('?') ||
         text.ends_with("\u2026");
}

// Counts where the lines that look like descriptions stand: where the reader takes a
// description, as in step, or where it takes a caption, as one line off. Lines that look like
// captions tell nothing, since a description may be short too.
struct Evidence {
  int inStep = 0;
  int offByOne = 0;

  void Weigh(std::string_view line, bool readAsCaption) {
    if (LookOf(line) != LineLook::kDescription) return;
    ++(readAsCaption ? offByOne : inStep);
  }
};

}  // namespace

LineLook LookOf(std::string_view line) {
  const std::string_view text = TrimSpaces(line);
  if (text.empty() || text.front() == ';') return LineLook::kNothing;
  if (HoldsMarkup(text) || EndsASentence(text) || WordCount(text) > kMostCaptionWords ||
      text.size() > kLongestCaption) {
    return LineLook::kDescription;
  }
  return LineLook::kCaption;
}

bool InStepAfter(const LinePair& dropped, PairReader following) {
  Evidence evidence;
  evidence.Weigh(dropped.secondLine, /*readAsCaption=*/false);
  LinePair pair;
  for (int weighed = 0; weighed < kPairsWeighed && following.Next(pair) && !pair.dropped();
       ++weighed) {
    evidence.Weigh(pair.firstLine, /*readAsCaption=*/true);
    evidence.Weigh(pair.secondLine, /*readAsCaption=*/false);
  }
  return evidence.offByOne <= evidence.inStep;
}

}  // namespace quillmere
