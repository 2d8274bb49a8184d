// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The pictures an album holds, known by their sizes, so that a new picture that repeats one of
// them byte for byte is found without reading the others.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "album/cache/made_pictures_cache.h"
#include "album/change/album_folder.h"
#include "platform/file_system.h"

namespace quillmere {

class KnownPictures {
 public:
  // The album's picture that a new one repeats: its number, and the line of its caption (0 for
  // one added in this run).
  struct Same {
    std::int64_t number = 0;
    std::uint64_t line = 0;
  };

  // A video as the album knows it: the hash of its original where it was read, and the size and
  // hash of the album's video file made of it.
  struct VideoMark {
    std::optional<ContentHash> original;
    MadeMark made;
  };

  // Reads the whole file of the album's picture `number`.
  using ReadPicture = std::function<Result<std::string>(std::int64_t number)>;

  // The hash of the album's file `name` in its pictures' folder.
  using HashFile = std::function<Result<ContentHash>(const std::string& name)>;

  // Learns the sizes of the pictures of `pictures` whose captions stand at `lines` (picture n at
  // lines[n - 1]); a picture that is missing or no regular file is left out.
  KnownPictures(ImageFolder& pictures, const std::vector<std::uint64_t>& lines);

  // The picture whose bytes are `bytes`, or none; the album's own are read by `read`, those added
  // since are told by two hashes of theirs.
  std::optional<Same> SameAs(std::string_view bytes, const ReadPicture& read) const;

  // The album's picture whose size and hash are `made`, or none; the album's pictures of that size
  // are read by `read` and hashed once each. Safe to call from any thread.
  std::optional<Same> HoldsMade(const MadeMark& made, const ReadPicture& read);

  // Learns the picture `number` that was just made of `bytes`.
  void Add(std::int64_t number, std::string_view bytes);

  // The album's entry whose video file is `made`, or none; the album's video files of its size
  // are hashed by `hash`, once each. Safe to call from any thread.
  std::optional<Same> HoldsVideo(const MadeMark& made, const HashFile& hash);

  // The entry whose video is the same as `video`: the album's whose file is its made file, or
  // one added since whose original or made file is its own; none otherwise. Videos are told
  // apart by their content, never by their posters.
  std::optional<Same> SameVideoAs(const VideoMark& video, const HashFile& hash);

  // Learns the entry `number` whose video was just made as `video`.
  void AddVideo(std::int64_t number, const VideoMark& video);

  // Whether the album has a picture (a video file, where `video`) of `size` bytes, which a file
  // of that size may be byte for byte; tells without reading any file. Safe from any thread.
  bool HoldsFileSized(std::uint64_t size, bool video);

 private:
  // A picture added in this run, told by its number and two hashes of its bytes.
  struct Added {
    std::int64_t number;
    std::uint64_t fnv;
    std::size_t hash;
  };

  // Learns, once, the names and sizes of the album's video files; under the hashes' lock.
  void LearnVideos();

  ImageFolder* pictures_ = nullptr;
  std::vector<std::uint64_t> lines_;
  // The hashes of the album's pictures read so far, by number; under its lock.
  std::mutex hashesLock_;
  std::map<std::int64_t, ContentHash> hashes_;
  std::multimap<std::uint64_t, std::int64_t> bySize_;
  std::multimap<std::uint64_t, Added> addedBySize_;
  // The album's video files by their size, with their numbers and names, once learnt.
  bool videosLearnt_ = false;
  std::multimap<std::uint64_t, std::pair<std::int64_t, std::string>> videosBySize_;
  // The hashes of the album's video files read so far, by name.
  std::map<std::string, ContentHash> videoHashes_;
  // The entries made in this run whose video is one, with their marks.
  std::vector<std::pair<std::int64_t, VideoMark>> addedVideos_;
};

}  // namespace quillmere
