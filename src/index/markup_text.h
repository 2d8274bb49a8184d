// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The lines of an index file are HTML: whether a line holds markup, its character references
// decoded, and plain text escaped to be such a line.
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

// The text a person sees of the UTF-8 `line`: markup as it is, plain text as the page shows it.
std::string ShownText(std::string_view line);

}  // namespace quillmere
