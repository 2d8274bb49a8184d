// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Text from files and paths, made fit to stand in a one-line message.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmere {

// The most characters of a file's text that a message quotes.
inline constexpr std::size_t kExcerptLength = 40;

// `text` with every control character, and every byte that is not part of valid UTF-8, written
// as \xNN, so that it cannot move the cursor, retitle a terminal or break a line.
std::string Visible(std::string_view text);

// The first kExcerptLength characters of `text` made Visible, followed by "…" when it goes on,
// in double quotes.
std::string QuotedExcerpt(std::string_view text);

}  // namespace quillmere
