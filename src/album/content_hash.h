// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A fast 128-bit hash of a file's bytes, by which the album knows a file it has seen before
// without keeping it; it guards against chance, not against someone who means to collide.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

// The 128-bit hash of some bytes, in two halves.
struct ContentHash {
  std::uint64_t high = 0;
  std::uint64_t low = 0;

  bool operator==(const ContentHash&) const = default;
  // Ordered by the high half first.
  std::strong_ordering operator<=>(const ContentHash& other) const {
    return high != other.high ? high <=> other.high : low <=> other.low;
  }
};

// The hash of `bytes`, their length included, read eight bytes at a time in two lanes.
ContentHash HashOfContent(std::string_view bytes);

// The 32 lowercase hex digits of `hash`, its high half first.
std::string HexText(const ContentHash& hash);

// The hash whose hex digits `text` is (32 of them, in either case), or none.
std::optional<ContentHash> ContentHashFromHex(std::string_view text);

}  // namespace quillmere
