// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/page_signature.h"

#include <algorithm>

namespace quillmere {
namespace {

constexpr std::size_t kLongestStart = std::max(kPageStart.size(), kUtf8PicturePageStart.size());
constexpr std::size_t kLongestEnd = std::max(kIndexPageEnd.size(), kPicturePageEnd.size());

// Reads `size` bytes from `offset`, or fewer when the file ends first; returns how many came.
Result<std::size_t> ReadFullyAt(ReadableFile& file, char* data, std::size_t size,
                                std::uint64_t offset) {
  std::size_t got = 0;
  while (got < size) {
    Result<std::size_t> part = file.ReadAt(data + got, size - got, offset + got);
    if (!part) return part.error();
    if (part.value() == 0) break;
    got += part.value();
  }
  return got;
}

}  // namespace

bool HasPageSignature(std::string_view start, std::string_view end) {
  return (start.starts_with(kPageStart) || start.starts_with(kUtf8PicturePageStart)) &&
         (end.ends_with(kIndexPageEnd) || end.ends_with(kPicturePageEnd));
}

Result<bool> LooksLikeWrittenPage(ReadableFile& page, std::uint64_t size) {
  if (size < kPageStart.size() + kIndexPageEnd.size()) return false;
  const std::size_t startSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(size, kLongestStart));
  char start[kLongestStart];
  Result<std::size_t> gotStart = ReadFullyAt(page, start, startSize, 0);
  if (!gotStart) return gotStart.error();
  const std::size_t endSize = static_cast<std::size_t>(std::min<std::uint64_t>(size, kLongestEnd));
  char end[kLongestEnd];
  Result<std::size_t> gotEnd = ReadFullyAt(page, end, endSize, size - endSize);
  if (!gotEnd) return gotEnd.error();
  return HasPageSignature({start, gotStart.value()}, {end, gotEnd.value()});
}

}  // namespace quillmere
