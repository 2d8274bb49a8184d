// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The 64-bit FNV-1a hash, by which the journal knows an index file and the album its pictures.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillmere {

// The hash of no bytes, where every hash starts.
inline constexpr std::uint64_t kFnvStart = 0xcbf29ce484222325u;

// The hash of `bytes` following `hash`, the hash of the bytes before them.
inline std::uint64_t FnvHash(std::string_view bytes, std::uint64_t hash = kFnvStart) {
  constexpr std::uint64_t kFnvFactor = 0x100000001b3u;
  for (unsigned char c : bytes) hash = (hash ^ c) * kFnvFactor;
  return hash;
}

}  // namespace quillmere
