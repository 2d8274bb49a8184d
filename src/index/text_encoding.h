// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What an index file's bytes say about the text's encoding.
#pragma once

#include <cstddef>
#include <string_view>

#include "index/utf8.h"

namespace quillmere {

// The UTF-8 byte-order mark that some editors put at the start of a file.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The index file's first bytes in which a NUL byte means that the file is not text.
inline constexpr std::size_t kTextProbeLength = 8000;

// Tells whether the first kTextProbeLength bytes of `text` hold a NUL byte, as every picture
// and every binary file does and no text file.
bool LooksBinary(std::string_view text);

}  // namespace quillmere
