// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/text_encoding.h"

#include <algorithm>
#include <cstring>

namespace quillmere {

bool LooksBinary(std::string_view text) {
  const std::size_t probe = std::min(text.size(), kTextProbeLength);
  return probe > 0 && std::memchr(text.data(), '\0', probe) != nullptr;
}

}  // namespace quillmere
