// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "check/line_shape.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "index/picture_section.h"

namespace quillmere {
namespace {

// Beyond these, fixed rules take a line for a description.
constexpr std::size_t kLongestCaption = 60;
constexpr std::size_t kMostCaptionWords = 8;
// The character kinds a form is made of.
constexpr int kFormSymbols = 6;
// What the fixed rules weigh, and the most that one learned feature may weigh.
constexpr double kRuleWeight = 1.0;
constexpr double kMostPerFeature = 2.0;
// The variance, in square bits, that lengths and word counts are given before the file shows
// its own, and how many lines' worth that guess counts for.
constexpr double kGuessedVariance = 1.0;
constexpr double kGuessWeight = 4.0;

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// A tag such as <B> or </I>; "1 < 2" and "&lt;" are none.
bool HoldsTag(std::string_view text) {
  const std::size_t lastClose = text.rfind('>');
  if (lastClose == std::string_view::npos) return false;
  for (std::size_t open = text.find('<'); open < lastClose; open = text.find('<', open + 1)) {
    const char next = text[open + 1];
    if (next == '/' || (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z')) return true;
  }
  return false;
}

// `text` without the closing tags, quotes and brackets that may follow a sentence's end.
std::string_view WithoutClosings(std::string_view text) {
  while (!text.empty()) {
    const char last = text.back();
    if (last == '>' && text.rfind('<') != std::string_view::npos) {
      text = TrimSpaces(text.substr(0, text.rfind('<')));
    } else if (last == '"' || last == '\'' || last == ')') {
      text.remove_suffix(1);
    } else {
      break;
    }
  }
  return text;
}

bool EndsASentence(std::string_view text) {
  text = WithoutClosings(text);
  return text.ends_with('.') || text.ends_with('!') || text.ends_with('?') ||
         text.ends_with("\u2026");
}

// The length of the run of digits at `at`.
std::size_t DigitsAt(std::string_view text, std::size_t at) {
  std::size_t end = at;
  while (end < text.size() && IsDigit(text[end])) ++end;
  return end - at;
}

// A time such as 08:08, or a date such as 2024-06-02, 2/6/2024 or 02.06.2024, at `at`.
bool DateOrTimeAt(std::string_view text, std::size_t at) {
  const std::size_t first = DigitsAt(text, at);
  const std::size_t after = at + first;
  if (first == 0 || after + 1 >= text.size()) return false;
  const char separator = text[after];
  const std::size_t second = DigitsAt(text, after + 1);
  if (separator == ':') return first <= 2 && second == 2;
  if (separator != '-' && separator != '/' && separator != '.') return false;
  const std::size_t secondEnd = after + 1 + second;
  if (first > 4 || second == 0 || second > 2 || secondEnd + 1 >= text.size() ||
      text[secondEnd] != separator) {
    return false;
  }
  const std::size_t third = DigitsAt(text, secondEnd + 1);
  return third >= 1 && third <= 4 && (separator != '.' || (first <= 2 && third >= 2));
}

bool HoldsDateOrTime(std::string_view text) {
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (!IsDigit(text[at]) || (at > 0 && IsDigit(text[at - 1]))) continue;
    if (DateOrTimeAt(text, at)) return true;
  }
  return false;
}

// The kind of a character in a form: capital, small letter (any character beyond ASCII too),
// digit, space, or the sign itself.
char FormSymbol(char c) {
  if (c >= 'A' && c <= 'Z') return 'A';
  if ((c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80) return 'a';
  if (IsDigit(c)) return '9';
  if (IsBlank(c)) return ' ';
  return c;
}

// The kinds of the first characters, runs of one kind counting once, as one of kLineForms.
std::uint8_t FormOf(std::string_view text) {
  std::uint32_t hash = 2166136261u;
  char last = 0;
  int symbols = 0;
  for (char c : text) {
    const char symbol = FormSymbol(c);
    if (symbol == last) continue;
    last = symbol;
    hash = (hash ^ static_cast<unsigned char>(symbol)) * 16777619u;
    if (++symbols == kFormSymbols) break;
  }
  return static_cast<std::uint8_t>(hash % kLineForms);
}

// The characters of UTF-8 text, or the bytes of any other, and the words.
struct Counts {
  std::size_t characters = 0;
  std::size_t words = 0;
};

Counts CountsOf(std::string_view text) {
  Counts counts;
  // Each byte on its own, so that the loop runs over many at once.
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool blank = IsBlank(text[at]);
    const bool afterBlank = at == 0 || IsBlank(text[at - 1]);
    counts.characters += (static_cast<unsigned char>(text[at]) & 0xC0) != 0x80 ? 1 : 0;
    counts.words += !blank && afterBlank ? 1 : 0;
  }
  return counts;
}

double Clamped(double weight) {
  return std::clamp(weight, -kMostPerFeature, kMostPerFeature);
}

// The log-likelihood of a description against a caption, from how many of each held a feature,
// both counts taken `prior` more than seen (out of `priorLines` more lines), so that no share
// is ever certain.
double ShareWeight(double descriptionCount, double descriptions, double captionCount,
                   double captions, double prior, double priorLines) {
  return Clamped(std::log((descriptionCount + prior) / (descriptions + priorLines)) -
                 std::log((captionCount + prior) / (captions + priorLines)));
}

// The weights of a yes-or-no feature, for no and for yes.
std::array<double, 2> FlagWeights(double descriptionCount, double descriptions, double captionCount,
                                  double captions) {
  return {ShareWeight(descriptions - descriptionCount, descriptions, captions - captionCount,
                      captions, 1, 2),
          ShareWeight(descriptionCount, descriptions, captionCount, captions, 1, 2)};
}

// How often a number was seen on lines of one kind, its sum and the sum of its squares.
struct NumberSums {
  double lines = 0;
  double sum = 0;
  double squares = 0;
};

// The slope and middle of the log-likelihood of a number as a description's against a caption's.
struct NumberWeight {
  double slope = 0;
  double middle = 0;
};

// The weight of a number seen on `captions` and on `descriptions`, both kinds spread alike around
// their means.
NumberWeight NumberWeightOf(const NumberSums& captions, const NumberSums& descriptions) {
  const double captionMean = captions.sum / captions.lines;
  const double descriptionMean = descriptions.sum / descriptions.lines;
  const double captionDeviations = std::max(0.0, captions.squares - captions.sum * captionMean);
  const double descriptionDeviations =
      std::max(0.0, descriptions.squares - descriptions.sum * descriptionMean);
  const double variance =
      (captionDeviations + descriptionDeviations + kGuessWeight * kGuessedVariance) /
      (captions.lines + descriptions.lines + kGuessWeight);
  return {(descriptionMean - captionMean) / variance, (captionMean + descriptionMean) / 2};
}

}  // namespace

LineShape ShapeOf(std::string_view line) {
  LineShape shape;
  const std::string_view text = TrimSpaces(line);
  if (text.empty() || text.front() == ';') return shape;
  const Counts counts = CountsOf(text);
  shape.hasText = true;
  shape.lengthBits = std::log2(1.0 + static_cast<double>(counts.characters));
  shape.wordBits = std::log2(1.0 + static_cast<double>(counts.words));
  shape.markup = HoldsTag(text);
  shape.sentenceEnd = EndsASentence(text);
  shape.dateOrTime = HoldsDateOrTime(text);
  shape.describesByRule = shape.markup || shape.sentenceEnd || shape.dateOrTime ||
                          counts.words > kMostCaptionWords || counts.characters > kLongestCaption;
  shape.form = FormOf(text);
  return shape;
}

void ShapeModel::Learn(const LineShape& shape, bool caption) {
  if (!shape.hasText) return;
  KindSums& sums = caption ? captions_ : descriptions_;
  sums.lines += 1;
  sums.length += shape.lengthBits;
  sums.lengthSquares += shape.lengthBits * shape.lengthBits;
  sums.words += shape.wordBits;
  sums.wordSquares += shape.wordBits * shape.wordBits;
  sums.markup += shape.markup ? 1 : 0;
  sums.sentenceEnd += shape.sentenceEnd ? 1 : 0;
  sums.dateOrTime += shape.dateOrTime ? 1 : 0;
  sums.describedByRule += shape.describesByRule ? 1 : 0;
  sums.forms[shape.form] += 1;
  // Early lines change the picture much, later ones little: the weights follow in steps.
  const double learned = captions_.lines + descriptions_.lines;
  if (learned >= nextRefresh_) {
    Refresh();
    nextRefresh_ = learned + std::max(1.0, learned / 8);
  }
}

void ShapeModel::Refresh() {
  Weights weights;
  const KindSums& c = captions_;
  const KindSums& d = descriptions_;
  if (c.lines > 0 && d.lines > 0) {
    const NumberWeight length =
        NumberWeightOf({c.lines, c.length, c.lengthSquares}, {d.lines, d.length, d.lengthSquares});
    const NumberWeight words =
        NumberWeightOf({c.lines, c.words, c.wordSquares}, {d.lines, d.words, d.wordSquares});
    weights.lengthSlope = length.slope;
    weights.lengthMiddle = length.middle;
    weights.wordSlope = words.slope;
    weights.wordMiddle = words.middle;
    weights.markup = FlagWeights(d.markup, d.lines, c.markup, c.lines);
    weights.sentenceEnd = FlagWeights(d.sentenceEnd, d.lines, c.sentenceEnd, c.lines);
    weights.dateOrTime = FlagWeights(d.dateOrTime, d.lines, c.dateOrTime, c.lines);
    constexpr double kFormPrior = 0.5;
    for (std::size_t form = 0; form < kLineForms; ++form) {
      weights.forms[form] = ShareWeight(d.forms[form], d.lines, c.forms[form], c.lines, kFormPrior,
                                        kFormPrior * kLineForms);
    }
  }
  weights_ = weights;
}

bool ShapeModel::RulesDisagree() const {
  constexpr double kFewestLines = 4;
  constexpr double kMargin = 0.5;
  if (captions_.lines < kFewestLines || descriptions_.lines < kFewestLines) return false;
  return captions_.describedByRule / captions_.lines >
         descriptions_.describedByRule / descriptions_.lines + kMargin;
}

void ShapeModel::SwapKinds() {
  std::swap(captions_, descriptions_);
  Refresh();
}

double ShapeModel::DescriptionLikeness(const LineShape& shape) const {
  if (!shape.hasText) return 0;
  const Weights& w = weights_;
  double likeness = shape.describesByRule ? kRuleWeight : 0;
  likeness += Clamped(w.lengthSlope * (shape.lengthBits - w.lengthMiddle));
  likeness += Clamped(w.wordSlope * (shape.wordBits - w.wordMiddle));
  likeness += w.markup[shape.markup ? 1 : 0] + w.sentenceEnd[shape.sentenceEnd ? 1 : 0] +
              w.dateOrTime[shape.dateOrTime ? 1 : 0] + w.forms[shape.form];
  return likeness;
}

}  // namespace quillmere
