// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/text/caption_text.h"

namespace quillmere {
namespace {

// `typed` with each line end (LF, CR LF or CR) replaced by `replacement`.
std::string ReplaceLineEnds(std::string_view typed, std::string_view replacement) {
  std::string line;
  for (std::size_t i = 0; i < typed.size(); ++i) {
    if (typed[i] == '\r' && i + 1 < typed.size() && typed[i + 1] == '\n') continue;
    if (typed[i] == '\r' || typed[i] == '\n') {
      line += replacement;
    } else {
      line += typed[i];
    }
  }
  return line;
}

}  // namespace

std::string CaptionLine(std::string_view typed, bool markup) {
  const std::string oneLine = ReplaceLineEnds(typed, "");
  return markup ? oneLine : EscapeMarkup(oneLine);
}

std::string DescriptionLine(std::string_view typed, bool markup) {
  if (markup) return ReplaceLineEnds(typed, "<BR>");
  return ReplaceLineEnds(EscapeMarkup(typed), "<BR>");
}

}  // namespace quillmere
