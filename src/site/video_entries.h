// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The entries of a site that are videos: a video file beside the picture, which is its poster.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "site/picture_folder.h"

namespace quillmere {

// The extensions of the videos a picture page may show, the one it prefers first.
inline constexpr std::array<std::string_view, 2> kVideoFileExtensions = {".mp4", ".webm"};

// The video of one entry: its file's extension and its poster's size as the page shows it.
struct VideoEntry {
  std::int64_t number = 0;
  std::string_view extension;
  // The poster's upright size in pixels; 0 when its header does not tell.
  int width = 0;
  int height = 0;
};

// The entries of one run that are videos, by number.
class VideoEntries {
 public:
  // The video of entry `n`, or none when entry `n` is a picture.
  const VideoEntry* Of(std::int64_t n) const;

  // Records the video of an entry numbered above every entry recorded before it.
  void Add(const VideoEntry& entry) { entries_.push_back(entry); }

  // Whether no entry is a video.
  bool empty() const { return entries_.empty(); }

 private:
  std::vector<VideoEntry> entries_;
};

// Finds the entries 1 to `pictureCount` of the index file with `head` whose picture has a video
// beside it (a regular file, never a folder or a pipe of that name), from one listing of the
// pictures' folder inside `site`: none unless the head says that the site has videos and the
// picture prefix stays inside the site. A folder that cannot be read has no videos.
VideoEntries FindVideoEntries(const IndexHead& head, std::int64_t pictureCount, Folder& site);

// Finds the entries 1 to `pictureCount` whose picture has a video beside it in `pictures`, the
// pictures' folder as one listing saw it.
VideoEntries FindVideoEntries(PictureFolder& pictures, std::int64_t pictureCount);

}  // namespace quillmere
