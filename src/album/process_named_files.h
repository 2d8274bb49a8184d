// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Files named after the process that made them, which the next run removes once it has ended.
#pragma once

#include <charconv>
#include <cstdint>
#include <string_view>
#include <system_error>

namespace quillmere {

// The number of the process in `name`, a prefix `prefix` and that number; 0 when it is not so.
inline std::int64_t ProcessInName(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix)) return 0;
  name.remove_prefix(prefix.size());
  std::int64_t pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  return error == std::errc() && end == name.data() + name.size() ? pid : 0;
}

}  // namespace quillmere
