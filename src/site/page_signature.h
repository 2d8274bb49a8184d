// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How a page that this program wrote can be told from any other file: every page it writes, from
// any index file, starts and ends with these bytes, and hand-written pages almost never do.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/file_system.h"

namespace quillmere {

// The start of every page: the title element comes first, in upper case, on the first line.
inline constexpr std::string_view kPageStart = "<HTML><HEAD><TITLE>";
// The start of a picture page of a UTF-8 index file: the character set is declared before the
// title.
inline constexpr std::string_view kUtf8PicturePageStart =
    "<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; charset=utf-8\"><TITLE>";
// The end of every index page: the last table, the centred block and the page, each line ended
// with CR LF.
inline constexpr std::string_view kIndexPageEnd = "</TABLE>\r\n</CENTER>\r\n</BODY></HTML>\r\n";
// The end of every picture page: the shadow's corner image closes its last line.
inline constexpr std::string_view kPicturePageEnd =
    "/s9.gif\" width=9></TD></TR></TBODY></TABLE></BODY></HTML>\r\n";

// Tells whether `start` and `end`, the first and the last bytes of a page, are those of a page
// that this program writes.
bool HasPageSignature(std::string_view start, std::string_view end);

// Tells whether the open file `page`, `size` bytes long, is a page that this program writes.
Result<bool> LooksLikeWrittenPage(ReadableFile& page, std::uint64_t size);

}  // namespace quillmere
