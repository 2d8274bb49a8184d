// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A caption or description line of an index file as the album editor shows it, and the line that
// what a person typed there becomes: plain text (its line breaks and character references
// decoded) escaped again as PlainLine writes it, markup as it is.
#pragma once

#include <string>
#include <string_view>

#include "index/markup_text.h"

namespace quillmere {

// The line of a caption that `typed` (shown as markup when `markup`) becomes: markup with its line
// ends left out, plain text as PlainLine writes it.
std::string CaptionLine(std::string_view typed, bool markup);

// The line of a description that `typed` (shown as markup when `markup`) becomes: markup with
// each line end a "<BR>", plain text as PlainLine writes it.
std::string DescriptionLine(std::string_view typed, bool markup);

}  // namespace quillmere
