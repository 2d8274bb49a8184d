// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/text/caption_text.h"

namespace quillmere {

std::string CaptionLine(std::string_view typed, bool markup) {
  return markup ? LineEndsAs(typed, "") : PlainLine(typed);
}

std::string DescriptionLine(std::string_view typed, bool markup) {
  return markup ? LineEndsAs(typed, "<BR>") : PlainLine(typed);
}

}  // namespace quillmere
