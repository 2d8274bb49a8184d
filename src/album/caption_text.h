// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A caption or description line of an index file as the album editor shows it, and the line that
// what a person typed there becomes: plain text with its character references decoded and
// escaped again, markup as it is.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Tells whether `line` holds markup: a "<" followed by a letter, "/" or "!".
bool HoldsMarkup(std::string_view line);

// `line` with its character references (numeric ones and the common named ones) as the
// characters they stand for, in UTF-8; a reference it does not know stays as it is.
std::string DecodeReferences(std::string_view line);

// `text` with "&", "<" and ">" written as character references.
std::string EscapeMarkup(std::string_view text);

// The text the editor shows for the UTF-8 `line`: markup as it is, plain text as the page shows it.
std::string ShownText(std::string_view line);

// The line of a caption that `typed` (shown as markup when `markup`) becomes: line ends left out,
// plain text escaped.
std::string CaptionLine(std::string_view typed, bool markup);

// The line of a description that `typed` (shown as markup when `markup`) becomes: plain text
// escaped, and each line end a "<BR>".
std::string DescriptionLine(std::string_view typed, bool markup);

// What keeps a caption line from being saved.
enum class CaptionFault {
  kNone,
  // It is empty or holds spaces alone, so the index file would have no caption.
  kEmpty,
  // It starts with ";", which makes the index file take its pair as a comment.
  kComment,
};

// What keeps the caption line `line` from being saved, if anything.
CaptionFault CaptionFaultOf(std::string_view line);

}  // namespace quillmere
