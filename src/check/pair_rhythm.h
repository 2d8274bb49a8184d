// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The rhythm of the picture section, a caption then a description, read from the lines' text:
// whether a pair that a blank or comment line drops leaves the later pictures in step.
#pragma once

#include <cstdint>
#include <string_view>

#include "index/picture_section.h"

namespace quillmere {

// What a line of the picture section looks like, going by its text alone.
enum class LineLook {
  // Blank, or a comment: it fits either place.
  kNothing,
  // Short, without markup or a sentence's end: a caption.
  kCaption,
  // Markup, a sentence's end, more than eight words or more than sixty characters.
  kDescription,
};

// What `line` looks like.
LineLook LookOf(std::string_view line);

// The pairs after a dropped one that are weighed to judge it.
inline constexpr int kPairsWeighed = 3;

// Tells whether the pictures after the dropped pair `dropped` are in step. Its second line and
// the lines of up to kPairsWeighed pairs that `following` yields next (up to the next dropped
// pair) are weighed: they are one line off when more of those that look like descriptions stand
// where the reader takes a caption than where it takes a description. Lines that could be either
// leave the pictures in step.
bool InStepAfter(const LinePair& dropped, PairReader following);

}  // namespace quillmere
