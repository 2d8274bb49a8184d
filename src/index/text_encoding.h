// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What an index file's bytes say about the text's encoding.
#pragma once

#include <cstddef>
#include <string_view>

namespace quillmere {

// The UTF-8 byte-order mark that some editors put at the start of a file.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// The index file's first bytes in which a NUL byte means that the file is not text.
inline constexpr std::size_t kTextProbeLength = 8000;

// Tells whether `text` is valid UTF-8 (RFC 3629: no overlong forms, surrogates or code points
// beyond U+10FFFF) and holds at least one byte of 128 or more, so that it is UTF-8 rather than
// plain ASCII or a single-byte code page.
bool IsUtf8BeyondAscii(std::string_view text);

// Tells whether the first kTextProbeLength bytes of `text` hold a NUL byte, as every picture
// and every binary file does and no text file.
bool LooksBinary(std::string_view text);

}  // namespace quillmere
