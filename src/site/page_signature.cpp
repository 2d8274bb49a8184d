// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/page_signature.h"

#include <algorithm>
#include <span>
#include <string>

namespace quillmere {
namespace {

// The length of the longest of `pieces`.
std::size_t Longest(std::span<const std::string_view> pieces) {
  std::size_t longest = 0;
  for (std::string_view piece : pieces) longest = std::max(longest, piece.size());
  return longest;
}

// The length of the shortest of `pieces`.
std::size_t Shortest(std::span<const std::string_view> pieces) {
  std::size_t shortest = pieces.empty() ? 0 : pieces.front().size();
  for (std::string_view piece : pieces) shortest = std::min(shortest, piece.size());
  return shortest;
}

}  // namespace

bool HasPageSignature(std::string_view start, std::string_view end, const PageDesign& design) {
  auto startsWithOne = [&](std::string_view piece) { return start.starts_with(piece); };
  auto endsWithOne = [&](std::string_view piece) { return end.ends_with(piece); };
  return std::any_of(design.starts.begin(), design.starts.end(), startsWithOne) &&
         std::any_of(design.ends.begin(), design.ends.end(), endsWithOne);
}

Result<bool> IsOpenedWrittenPage(ReadableFile& page, const PageDesign& design) {
  const EntryInfo& opened = page.AsOpened();
  if (opened.kind != EntryInfo::Kind::kRegular) return false;
  return LooksLikeWrittenPage(page, opened.size, design);
}

Result<bool> LooksLikeWrittenPage(ReadableFile& page, std::uint64_t size,
                                  const PageDesign& design) {
  if (size < Shortest(design.starts) + Shortest(design.ends)) return false;
  std::string start(static_cast<std::size_t>(std::min<std::uint64_t>(size, Longest(design.starts))),
                    '\0');
  Result<std::size_t> gotStart = ReadFullyAt(page, start.data(), start.size(), 0);
  if (!gotStart) return gotStart.error();
  std::string end(static_cast<std::size_t>(std::min<std::uint64_t>(size, Longest(design.ends))),
                  '\0');
  Result<std::size_t> gotEnd = ReadFullyAt(page, end.data(), end.size(), size - end.size());
  if (!gotEnd) return gotEnd.error();
  return HasPageSignature(std::string_view(start).substr(0, gotStart.value()),
                          std::string_view(end).substr(0, gotEnd.value()), design);
}

}  // namespace quillmere
