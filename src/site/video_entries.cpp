// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/video_entries.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "site/jpeg_shape.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The poster's size, upright, from its JPEG header; 0 by 0 when it cannot be read.
void ReadPosterSize(Folder& folder, const std::string& poster, VideoEntry& entry) {
  Result<std::unique_ptr<ReadableFile>> file = folder.OpenForReading(poster);
  if (!file) return;
  ReadableFile& opened = *file.value();
  Result<std::optional<JpegShape>> shape = ReadJpegShape(opened, opened.AsOpened().size);
  if (!shape || !shape.value()) return;
  entry.width = shape.value()->UprightWidth();
  entry.height = shape.value()->UprightHeight();
}

}  // namespace

const VideoEntry* VideoEntries::Of(std::int64_t n) const {
  return EntryNumbered(entries_, n);
}

VideoEntries FindVideoEntries(const IndexHead& head, std::int64_t pictureCount, Folder& site) {
  if (!head.videos || pictureCount == 0) return {};
  std::optional<PictureFolder> pictures = ListPictureFolder(head, site);
  return pictures ? FindVideoEntries(*pictures, pictureCount) : VideoEntries();
}

VideoEntries FindVideoEntries(PictureFolder& pictures, std::int64_t pictureCount) {
  VideoEntries videos;
  const std::string_view namePrefix = pictures.namePrefix;
  Folder& folder = *pictures.folder;
  // Each entry's video, the preferred extension first, and which entries have their poster.
  std::unordered_map<std::int64_t, std::size_t> found;
  std::vector<std::int64_t> posters;
  for (const std::string& name : pictures.names) {
    if (const std::int64_t n = EntryNumber(name, namePrefix, kPictureFileExtension, pictureCount)) {
      posters.push_back(n);
      continue;
    }
    for (std::size_t e = 0; e < kVideoFileExtensions.size(); ++e) {
      const std::int64_t n = EntryNumber(name, namePrefix, kVideoFileExtensions[e], pictureCount);
      if (n != 0 && IsRegularFile(folder, name)) {
        auto [at, added] = found.try_emplace(n, e);
        if (!added) at->second = std::min(at->second, e);
      }
    }
  }
  if (found.empty()) return videos;
  std::sort(posters.begin(), posters.end());
  for (std::int64_t n : posters) {
    auto video = found.find(n);
    if (video == found.end()) continue;
    VideoEntry entry{n, kVideoFileExtensions[video->second]};
    ReadPosterSize(folder, PictureFileName(namePrefix, n), entry);
    videos.Add(entry);
  }
  return videos;
}

}  // namespace quillmere
