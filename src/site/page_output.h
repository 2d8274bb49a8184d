// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What every page writer shares: names of pages and pictures, numbers as text, line ends.
#pragma once

#include <charconv>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "site/page_design.h"

namespace quillmere {

// The double quote that encloses attribute values taken from the index file or from numbers.
inline constexpr std::string_view Q = "\"";

// The end of every line of every page.
inline constexpr std::string_view kLineEnd = "\r\n";

// The index page's file name inside the site folder.
inline constexpr std::string_view kIndexPageName = kPageDesign.indexPageName;

// The twelve support images the pages name, each written right after the support folder.
inline constexpr std::span<const std::string_view> SupportImages = kPageDesign.supportImages;

// A picture number as decimal digits without sign, spaces or leading zeros.
class PageNumber {
 public:
  explicit PageNumber(std::int64_t n) {
    length_ =
        static_cast<std::size_t>(std::to_chars(digits_, digits_ + sizeof digits_, n).ptr - digits_);
  }
  std::string_view text() const { return {digits_, length_}; }
  operator std::string_view() const { return text(); }

 private:
  char digits_[24];
  std::size_t length_;
};

// A picture page's file name is this prefix, the picture's number and the extension of pages.
inline constexpr std::string_view kPicturePagePrefix = kPageDesign.picturePagePrefix;
inline constexpr std::string_view kPageExtension = kPageDesign.pageExtension;

// The file name of picture page `n`: "Image" followed by the number and ".html".
inline std::string PicturePageName(std::int64_t n) {
  std::string name(kPicturePagePrefix);
  name += PageNumber(n).text();
  name += kPageExtension;
  return name;
}

// The extension of every thumbnail and picture that the pages name.
inline constexpr std::string_view kPictureFileExtension = ".jpg";

// The name of file `n` of a numbered kind: `prefix`, the number and `extension`.
inline std::string NumberedFileName(std::string_view prefix, std::int64_t n,
                                    std::string_view extension) {
  std::string name(prefix);
  name += PageNumber(n).text();
  name += extension;
  return name;
}

// The name that the pages give the thumbnail or picture of picture `n`: the prefix from the index
// file, the number and ".jpg".
inline std::string PictureFileName(std::string_view prefix, std::int64_t n) {
  return NumberedFileName(prefix, n, kPictureFileExtension);
}

// The number n of the name `prefix` n `extension`, or 0 when `name` is no such name (the number
// has no leading zeros; one too large for a number is taken as the largest).
std::int64_t NumberInName(std::string_view name, std::string_view prefix,
                          std::string_view extension);

// The number of the picture page named `name`, or 0 when no picture page has that name (the
// number has no leading zeros; one too large for a page number is taken as the largest).
std::int64_t PicturePageNumber(std::string_view name);

// Tells whether a run over `pictureCount` pictures writes a page named `name`.
inline bool IsPageOfRun(std::string_view name, std::int64_t pictureCount) {
  if (name == kIndexPageName) return true;
  const std::int64_t n = PicturePageNumber(name);
  return n >= 1 && n <= pictureCount;
}

}  // namespace quillmere
