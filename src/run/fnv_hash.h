// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The 64-bit FNV-1a hash, by which the journal knows an index file and a moved file, and the album
// its pictures. Journals on disk hold its values: neither form may change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quillmere {

// The hash of no bytes, where every hash starts.
inline constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325u;

// The hash of `bytes` following `hash`, the hash of the bytes before them, a byte at a time.
inline std::uint64_t FnvHash(std::string_view bytes, std::uint64_t hash = kFnvStart) {
  constexpr std::uint64_t kFnvFactor = 0x100000001b3u;
  for (unsigned char c : bytes) hash = (hash ^ c) * kFnvFactor;
  return hash;
}

// The hash of `bytes` taken eight bytes at a time (each eight as a little-endian number), so that
// it costs little; the bytes past the last whole eight are taken one by one.
inline std::uint64_t WordWiseFnvHash(std::string_view bytes) {
  constexpr std::uint64_t kWordFactor = 0x100000001b3u;
  std::uint64_t hash = kFnvStart;
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word = 0;
    for (std::size_t b = 0; b < 8; ++b) {
      word |= std::uint64_t{static_cast<unsigned char>(bytes[i + b])} << (8 * b);
    }
    hash = (hash ^ word) * kWordFactor;
  }
  return FnvHash(bytes.substr(i), hash);
}

}  // namespace quillmere
