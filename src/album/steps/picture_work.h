// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The work on pictures that the album's commands share: its threads, the libraries that make
// pictures and videos, the file layer one step at a time, and the count of pictures done.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/pictures/picture_maker.h"
#include "album/steps/found_pictures.h"
#include "album/steps/locked_files.h"
#include "album/steps/parallel.h"
#include "album/steps/work_count.h"
#include "album/videos/video_maker.h"
#include "platform/file_system.h"

namespace quillmere {

// Tells whether the work was asked to stop.
inline bool StopRequested(const AlbumOptions& options) {
  return options.run.stop != nullptr && options.run.stop->requested();
}

// How many pictures are made at once.
inline unsigned ThreadsFor(const AlbumOptions& options) {
  return options.threads != 0 ? options.threads : CoresToUse();
}

// What the work on pictures shares between its threads: the file layer behind one lock, the
// libraries that make pictures and videos, and the count of pictures done.
class PictureWork {
 public:
  PictureWork(FileSystem& fs, const AlbumOptions& options, std::uint64_t total)
      : files_(fs), options_(options), total_(total), count_(options.progress, total) {}

  // Loads the image library, where it was not yet; the failure when it cannot be.
  Result<void, AlbumFailure> Start() {
    if (maker_) return {};
    auto loaded = LoadPictureMaker(files_.lock(), {options_.limits, options_.libraryText});
    if (auto* error = loaded.failure()) {
      return AlbumFailure::NoImageLibrary{std::move(*error)};
    }
    maker_ = std::move(loaded.value());
    return {};
  }

  // The maker of pictures; only after Start succeeded.
  PictureMaker& maker() { return *maker_; }

  // The maker of videos, its libraries loaded at the first call from any thread; why there is
  // none when they cannot be.
  Result<VideoMaker*, PictureError> Videos() {
    const std::lock_guard<std::mutex> hold(videoLock_);
    if (!videoMaker_ && !videoError_) {
      VideoRules rules{options_.videoSize,    options_.maxVideoMilliseconds, options_.limits,
                       !options_.pictureSize, options_.libraryText,          options_.keepMetadata};
      rules.threads = VideoThreads();
      auto loaded = LoadVideoMaker(files_.lock(), rules);
      if (loaded) {
        videoMaker_ = std::move(loaded.value());
      } else {
        videoError_ = std::move(loaded.error());
      }
    }
    if (videoError_) return *videoError_;
    return videoMaker_.get();
  }

  // The file layer, one step at a time.
  LockedFiles& files() { return files_; }

  // How many threads each video made takes: the cores shared by the pictures made at once.
  int VideoThreads() const {
    std::uint64_t atOnce = ThreadsFor(options_);
    if (total_ != 0) atOnce = std::min(atOnce, total_);
    return static_cast<int>(
        std::max<std::uint64_t>(CoresToUse() / std::max<std::uint64_t>(atOnce, 1), 1));
  }

  // The count of pictures done, which tells the progress.
  WorkCount& count() { return count_; }

  // Runs `work(i)` for each of `count` pictures on the threads of the work.
  void ForEach(std::size_t count, const std::function<void(std::size_t)>& work) {
    ParallelFor(count, ThreadsFor(options_), options_.run.stop, work, [&] {
      if (maker_) maker_->EndOfThread();
    });
  }

 private:
  LockedFiles files_;
  const AlbumOptions& options_;
  // How many pictures the work makes; 0 where it does not know.
  std::uint64_t total_;
  std::unique_ptr<PictureMaker> maker_;
  std::mutex videoLock_;
  std::unique_ptr<VideoMaker> videoMaker_;
  std::optional<PictureError> videoError_;
  WorkCount count_;
};

}  // namespace quillmere
