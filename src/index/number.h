// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Reading the thumbnails-per-row number from the fifth value line of an index file.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillmere {

// The number a text reads as, rounded to a whole number.
struct ReadNumberResult {
  // The value, held at +/- 10^18 when the text names a larger one.
  std::int64_t value = 0;
  // True when the text is an optional sign and decimal digits and nothing else.
  bool plain = false;
};

// Reads a decimal number (sign, digits, one decimal point; spaces, tabs and line feeds skipped
// anywhere) or a &H hexadecimal or &O octal whole number from the start of `text`, ignoring
// whatever follows; halves round to the even neighbour, and a text without a number reads as 0.
ReadNumberResult ReadNumber(std::string_view text);

}  // namespace quillmere
