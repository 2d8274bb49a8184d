// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The files beside an entry's picture that belong to the entry: its video and its album file, which
// go with it wherever its picture is renumbered, removed or moved.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

#include "site/album_entries.h"
#include "site/video_entries.h"

namespace quillmere {

// The extensions of the files beside picture n (`pictures/p3.mp4`, `pictures/p3.album`) that are
// entry n's own: its videos, in the order a page prefers them, then its album file.
inline constexpr auto kEntryCompanionExtensions = [] {
  std::array<std::string_view, kVideoFileExtensions.size() + 1> all{};
  std::copy(kVideoFileExtensions.begin(), kVideoFileExtensions.end(), all.begin());
  all.back() = kAlbumEntryExtension;
  return all;
}();

// Whether a file of `extension` beside an entry's picture is its video.
constexpr bool IsVideoFileExtension(std::string_view extension) {
  return std::find(kVideoFileExtensions.begin(), kVideoFileExtensions.end(), extension) !=
         kVideoFileExtensions.end();
}

}  // namespace quillmere
