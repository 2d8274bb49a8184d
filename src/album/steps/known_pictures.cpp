// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/known_pictures.h"

#include "run/fnv_hash.h"
#include "site/video_entries.h"

namespace quillmere {

KnownPictures::KnownPictures(ImageFolder& pictures, const std::vector<std::uint64_t>& lines)
    : pictures_(&pictures), lines_(lines) {
  if (!pictures.folder) return;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto number = static_cast<std::int64_t>(i + 1);
    Result<EntryInfo> entry = pictures.folder->Inspect(pictures.FileName(number));
    if (entry && entry.value().kind == EntryInfo::Kind::kRegular) {
      bySize_.emplace(entry.value().size, number);
    }
  }
}

std::optional<KnownPictures::Same> KnownPictures::SameAs(std::string_view bytes,
                                                         const ReadPicture& read) const {
  const auto [first, last] = bySize_.equal_range(bytes.size());
  for (auto it = first; it != last; ++it) {
    Result<std::string> known = read(it->second);
    if (known && known.value() == bytes) {
      return Same{it->second, lines_[static_cast<std::size_t>(it->second - 1)]};
    }
  }
  const auto [firstAdded, lastAdded] = addedBySize_.equal_range(bytes.size());
  if (firstAdded == lastAdded) return std::nullopt;
  const std::uint64_t fnv = FnvHash(bytes);
  const std::size_t hash = std::hash<std::string_view>{}(bytes);
  for (auto it = firstAdded; it != lastAdded; ++it) {
    if (it->second.fnv == fnv && it->second.hash == hash) return Same{it->second.number, 0};
  }
  return std::nullopt;
}

std::optional<KnownPictures::Same> KnownPictures::HoldsMade(const MadeMark& made,
                                                            const ReadPicture& read) {
  const auto [first, last] = bySize_.equal_range(made.size);
  for (auto it = first; it != last; ++it) {
    const std::int64_t number = it->second;
    std::optional<ContentHash> hash;
    {
      const std::lock_guard<std::mutex> hold(hashesLock_);
      const auto known = hashes_.find(number);
      if (known != hashes_.end()) hash = known->second;
    }
    if (!hash) {
      Result<std::string> bytes = read(number);
      if (!bytes) continue;
      hash = HashOfContent(bytes.value());
      const std::lock_guard<std::mutex> hold(hashesLock_);
      hashes_[number] = *hash;
    }
    if (*hash == made.hash) return Same{number, lines_[static_cast<std::size_t>(number - 1)]};
  }
  return std::nullopt;
}

void KnownPictures::Add(std::int64_t number, std::string_view bytes) {
  addedBySize_.emplace(bytes.size(),
                       Added{number, FnvHash(bytes), std::hash<std::string_view>{}(bytes)});
}

void KnownPictures::LearnVideos() {
  if (videosLearnt_) return;
  videosLearnt_ = true;
  if (!pictures_->folder) return;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto number = static_cast<std::int64_t>(i + 1);
    for (std::string_view extension : kVideoFileExtensions) {
      std::string name = pictures_->FileName(number, extension);
      Result<EntryInfo> entry = pictures_->folder->Inspect(name);
      if (entry && entry.value().kind == EntryInfo::Kind::kRegular) {
        videosBySize_.emplace(entry.value().size, std::pair{number, std::move(name)});
      }
    }
  }
}

std::optional<KnownPictures::Same> KnownPictures::HoldsVideo(const MadeMark& made,
                                                             const HashFile& hash) {
  std::vector<std::pair<std::int64_t, std::string>> sized;
  {
    const std::lock_guard<std::mutex> hold(hashesLock_);
    LearnVideos();
    const auto [first, last] = videosBySize_.equal_range(made.size);
    for (auto it = first; it != last; ++it) sized.push_back(it->second);
  }
  for (const auto& [number, name] : sized) {
    std::optional<ContentHash> known;
    {
      const std::lock_guard<std::mutex> hold(hashesLock_);
      if (const auto it = videoHashes_.find(name); it != videoHashes_.end()) known = it->second;
    }
    if (!known) {
      Result<ContentHash> read = hash(name);
      if (!read) continue;
      known = read.value();
      const std::lock_guard<std::mutex> hold(hashesLock_);
      videoHashes_[name] = *known;
    }
    if (*known == made.hash) return Same{number, lines_[static_cast<std::size_t>(number - 1)]};
  }
  return std::nullopt;
}

std::optional<KnownPictures::Same> KnownPictures::SameVideoAs(const VideoMark& video,
                                                              const HashFile& hash) {
  if (std::optional<Same> held = HoldsVideo(video.made, hash)) return held;
  for (const auto& [number, added] : addedVideos_) {
    const bool sameOriginal = video.original && added.original == video.original;
    if (sameOriginal || added.made == video.made) return Same{number, 0};
  }
  return std::nullopt;
}

void KnownPictures::AddVideo(std::int64_t number, const VideoMark& video) {
  addedVideos_.emplace_back(number, video);
}

bool KnownPictures::HoldsFileSized(std::uint64_t size, bool video) {
  if (!video) return bySize_.contains(size);
  const std::lock_guard<std::mutex> hold(hashesLock_);
  LearnVideos();
  return videosBySize_.contains(size);
}

}  // namespace quillmere
