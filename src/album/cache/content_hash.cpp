// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/cache/content_hash.h"

#include <bit>
#include <cstring>

#include "run/record_words.h"

namespace quillmere {
namespace {

// Odd constants with bits spread evenly, by which the lanes multiply.
constexpr std::uint64_t kSpread1 = 0x9e3779b97f4a7c15u;
constexpr std::uint64_t kSpread2 = 0xc2b2ae3d27d4eb4fu;
constexpr std::uint64_t kSpread3 = 0x94d049bb133111ebu;
constexpr std::uint64_t kSpread4 = 0xd6e8feb86659fd93u;

// The eight bytes at `at` as a number, in the machine's own order.
std::uint64_t WordAt(const char* at) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, sizeof word);
  return word;
}

// The up to seven bytes from `at` to `end` as a number, the missing ones zero.
std::uint64_t PartWordAt(const char* at, const char* end) {
  std::uint64_t word = 0;
  std::memcpy(&word, at, static_cast<std::size_t>(end - at));
  return word;
}

// One lane's state after taking in `word`.
std::uint64_t Take(std::uint64_t lane, std::uint64_t word, std::uint64_t factor) {
  return std::rotl(lane ^ (word * factor), 29) * kSpread1;
}

// `value` with every bit of it made to reach every other.
std::uint64_t Avalanche(std::uint64_t value) {
  value ^= value >> 32;
  value *= kSpread3;
  value ^= value >> 29;
  value *= kSpread4;
  value ^= value >> 32;
  return value;
}

}  // namespace

ContentHash HashOfContent(std::string_view bytes) {
  ContentHasher hasher(bytes.size());
  hasher.Add(bytes);
  return hasher.Finish();
}

ContentHasher::ContentHasher(std::uint64_t length)
    : length_(length), a_(kSpread3 ^ length), b_(kSpread4 + length) {}

void ContentHasher::Add(std::string_view part) {
  const char* at = part.data();
  const char* end = at + part.size();
  for (; end - at >= 16; at += 16) {
    a_ = Take(a_, WordAt(at), kSpread2);
    b_ = Take(b_, WordAt(at + 8), kSpread3);
  }
  // Only the last part leaves bytes over.
  tail_.assign(at, end);
}

ContentHash ContentHasher::Finish() {
  const char* at = tail_.data();
  const char* end = at + tail_.size();
  if (end - at >= 8) {
    a_ = Take(a_, WordAt(at), kSpread2);
    at += 8;
  }
  b_ = Take(b_, PartWordAt(at, end) ^ (static_cast<std::uint64_t>(end - at) << 59), kSpread3);
  a_ += b_;
  b_ += a_;
  return {Avalanche(a_ ^ std::rotl(length_, 17)), Avalanche(b_ * kSpread2)};
}

std::string HexText(const ContentHash& hash) {
  return Hex16(hash.high) + Hex16(hash.low);
}

std::optional<ContentHash> ContentHashFromHex(std::string_view text) {
  if (text.size() != 32) return std::nullopt;
  const std::optional<std::uint64_t> high = ParseHex16(text.substr(0, 16));
  const std::optional<std::uint64_t> low = ParseHex16(text.substr(16));
  if (!high || !low) return std::nullopt;
  return ContentHash{*high, *low};
}

}  // namespace quillmere
