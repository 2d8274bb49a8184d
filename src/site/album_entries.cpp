// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/album_entries.h"

#include <algorithm>

namespace quillmere {

const AlbumEntry* AlbumEntries::Of(std::int64_t n) const {
  auto found = std::lower_bound(
      entries_.begin(), entries_.end(), n,
      [](const AlbumEntry& entry, std::int64_t number) { return entry.number < number; });
  return found != entries_.end() && found->number == n ? &*found : nullptr;
}

std::string AlbumEntryText(std::string_view folder) {
  return std::string(folder) + "\n";
}

std::string AlbumEntryFolder(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  return std::string(text);
}

std::string AlbumEntryLink(std::string_view folder) {
  return std::string(folder) + "/index.html";
}

AlbumEntries FindAlbumEntries(const IndexHead& /*head*/, std::int64_t /*pictureCount*/,
                              Folder& /*site*/) {
  return {};
}

}  // namespace quillmere
