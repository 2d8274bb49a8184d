// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/line_reader.h"

#include <algorithm>
#include <cstring>

namespace quillmere {

std::size_t LineReader::FindFrom(char c, std::size_t& cached) const {
  if (cached == kUnknown || cached < pos_) {
    const void* hit = std::memchr(text_.data() + pos_, c, text_.size() - pos_);
    cached =
        hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text_.data()) : text_.size();
  }
  return cached;
}

std::string_view LineReader::Next() {
  std::size_t end = std::min(FindFrom('\r', nextCr_), FindFrom('\n', nextLf_));
  std::string_view line = text_.substr(pos_, end - pos_);
  ++lineNumber_;
  if (end >= text_.size()) {
    pos_ = text_.size();
  } else if (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') {
    pos_ = end + 2;
  } else {
    pos_ = end + 1;
  }
  return line;
}

}  // namespace quillmere
