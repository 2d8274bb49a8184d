// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How a page that this program wrote can be told from any other file: by the bytes that start
// and end every page of its design.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/file_system.h"
#include "site/page_design.h"

namespace quillmere {

// Tells whether `start` and `end`, the first and the last bytes of a page, are those of a page
// of `design`.
bool HasPageSignature(std::string_view start, std::string_view end,
                      const PageDesign& design = kPageDesign);

// Tells whether the open file `page`, `size` bytes long, is a page of `design`.
Result<bool> LooksLikeWrittenPage(ReadableFile& page, std::uint64_t size,
                                  const PageDesign& design = kPageDesign);

// Tells whether the just opened `page` is a regular file and a page of `design`, by the look its
// opening took.
Result<bool> IsOpenedWrittenPage(ReadableFile& page, const PageDesign& design = kPageDesign);

}  // namespace quillmere
