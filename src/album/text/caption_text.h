// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A caption or description line of an index file as the album editor shows it, and the line that
// what a person typed there becomes: plain text with its character references decoded and
// escaped again, markup as it is.
#pragma once

#include <string>
#include <string_view>

#include "index/markup_text.h"

namespace quillmere {

// The line of a caption that `typed` (shown as markup when `markup`) becomes: line ends left out,
// plain text escaped.
std::string CaptionLine(std::string_view typed, bool markup);

// The line of a description that `typed` (shown as markup when `markup`) becomes: plain text
// escaped, and each line end a "<BR>".
std::string DescriptionLine(std::string_view typed, bool markup);

}  // namespace quillmere
