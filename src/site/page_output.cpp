// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/page_output.h"

#include <charconv>
#include <limits>

namespace quillmere {

std::int64_t PicturePageNumber(std::string_view name) {
  return NumberInName(name, kPicturePagePrefix, kPageExtension);
}

std::int64_t NumberInName(std::string_view name, std::string_view prefix,
                          std::string_view extension) {
  if (name.size() < prefix.size() + extension.size() || !name.starts_with(prefix) ||
      !name.ends_with(extension)) {
    return 0;
  }
  std::string_view digits =
      name.substr(prefix.size(), name.size() - prefix.size() - extension.size());
  if (digits.empty() || digits.front() == '0' ||
      digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return 0;
  }
  std::int64_t number = 0;
  auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error == std::errc::result_out_of_range) return std::numeric_limits<std::int64_t>::max();
  return number;
}

}  // namespace quillmere
