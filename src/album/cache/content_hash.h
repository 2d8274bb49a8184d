// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A fast 128-bit hash of a file's bytes, by which the album knows a file it has seen before
// without keeping it; it guards against chance, not against someone who means to collide.
#pragma once

#include <compare>
#include <cstddef>
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

// The same hash of bytes whose length is known before they come, taken in parts, so that a large
// file need not be held whole.
class ContentHasher {
 public:
  // The part sizes that keep the hash the same: every part but the last a multiple of it.
  static constexpr std::size_t kPartMultiple = 16;

  explicit ContentHasher(std::uint64_t length);

  // Takes the next `part` of the bytes; every part but the last holds a multiple of
  // kPartMultiple bytes.
  void Add(std::string_view part);

  // The hash of all the parts, which must be `length` bytes in all.
  ContentHash Finish();

 private:
  std::uint64_t length_;
  std::uint64_t a_;
  std::uint64_t b_;
  std::string tail_;
};

// The 32 lowercase hex digits of `hash`, its high half first.
std::string HexText(const ContentHash& hash);

// The hash whose hex digits `text` is (32 of them, in either case), or none.
std::optional<ContentHash> ContentHashFromHex(std::string_view text);

}  // namespace quillmere
