// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The pictures made before, remembered outside any album in the user's cache folder: the hash of
// an original file's bytes tells the size and the hash of the picture made of it, so that an
// original added again is known without decoding it. Only hashes, sizes and times are kept, never
// a name or a path; a cache that cannot be read is an empty one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <system_error>

#include "album/cache/content_hash.h"
#include "platform/file_system.h"

namespace quillmere {

// The most pictures the cache remembers; beyond them, those used longest ago are forgotten.
inline constexpr std::size_t kMostMadePictures = 50'000;

// What the picture made of an original was: its size in bytes and the hash of its bytes.
struct MadeMark {
  std::uint64_t size = 0;
  ContentHash hash;

  bool operator==(const MadeMark&) const = default;
};

// The time now, in seconds since 1970.
using SecondsClock = std::function<std::int64_t()>;

// The time now by the system's clock, in seconds since 1970.
std::int64_t SecondsNow();

// The folder of the user's caches: $XDG_CACHE_HOME where it is an absolute path, else
// $HOME/.cache where HOME is one; none when neither is.
std::optional<std::string> UserCacheFolder();

// How the cache of pictures made before counts time and how much it keeps.
struct MadePicturesSettings {
  std::size_t most = kMostMadePictures;
  SecondsClock now = SecondsNow;
};

// The pictures made before, as one run holds them from loading them to saving them; one thread at
// a time uses it.
class MadePicturesCache {
 public:
  // The cache kept under the folder of caches `cacheHome`, empty where its file is missing,
  // unreadable, too large or of another version.
  static MadePicturesCache Load(FileSystem& fs, const std::string& cacheHome,
                                MadePicturesSettings settings = {});

  // What was made of the original whose hash is `original`, or none; marks it as used now.
  std::optional<MadeMark> Lookup(const ContentHash& original);

  // Remembers that `made` was made of the original whose hash is `original`, as used now.
  void Remember(const ContentHash& original, const MadeMark& made);

  // Writes the cache back, with what other runs saved meanwhile merged in, the entries used
  // longest ago dropped beyond the most it keeps; its folder is made where it is missing. A
  // failure leaves the cache file as it was and is only for the caller to note.
  Result<void> Save(FileSystem& fs);

 private:
  // What an original's entry holds: the picture made of it and when it was last used.
  struct Entry {
    MadeMark made;
    std::int64_t used = 0;
  };
  using Entries = std::map<ContentHash, Entry>;

  MadePicturesCache(std::string cacheHome, MadePicturesSettings settings)
      : cacheHome_(std::move(cacheHome)), settings_(std::move(settings)) {}

  // Reads the entries of the cache file in `folder`; none where it cannot be read.
  Entries ReadEntries(Folder& folder) const;

  // Takes in the entries `saved`, keeping of each original the entry used last.
  void Merge(const Entries& saved);

  // Forgets the entries used longest ago until no more than the most are left.
  void Prune();

  // Writes the entries as the cache file of `folder`, in place of the one there.
  Result<void> Write(Folder& folder) const;

  std::string cacheHome_;
  MadePicturesSettings settings_;
  Entries entries_;
  bool changed_ = false;
};

}  // namespace quillmere
