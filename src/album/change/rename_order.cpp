// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/change/rename_order.h"

#include <algorithm>

namespace quillmere {
RenamePhases RenameOrder(const std::vector<std::int64_t>& newNumbers,
                         const std::vector<bool>& present) {
  RenamePhases phases;
  for (std::size_t i = 0; i < newNumbers.size(); ++i) {
    const auto n = static_cast<std::int64_t>(i + 1);
    if (!present[i] || newNumbers[i] == n) continue;
    phases.aside.push_back({{n, false}, {n, true}});
    if (newNumbers[i] != 0) phases.home.push_back({{n, true}, {newNumbers[i], false}});
  }
  return phases;
}

}  // namespace quillmere
