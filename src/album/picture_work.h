// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The work on pictures that the album's commands share: its threads, the image library, one lock
// around every step of the file layer, and the count of pictures done.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "album/album.h"
#include "album/album_files.h"
#include "album/change/album_change.h"
#include "album/change/album_folder.h"
#include "album/content_hash.h"
#include "album/parallel.h"
#include "album/pictures/file_kind.h"
#include "album/pictures/picture_maker.h"
#include "album/pictures/video_maker.h"
#include "album/work_count.h"
#include "platform/file_batch.h"
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

// What the work on pictures shares between its threads: one lock around every step of the file
// layer, the library that makes the pictures, and the count of pictures done.
class PictureWork {
 public:
  PictureWork(FileSystem& fs, const AlbumOptions& options, std::uint64_t total)
      : fs_(fs), options_(options), count_(options.progress, total) {}

  // Loads the image library, where it was not yet; the failure when it cannot be.
  std::optional<AlbumFailure> Start() {
    if (maker_) return std::nullopt;
    auto loaded = LoadPictureMaker(fileLock_, {options_.limits, options_.libraryText});
    if (auto* error = loaded.failure()) {
      return AlbumFailedFor(AlbumFailure::Kind::kImageLibrary, std::move(*error));
    }
    maker_ = std::move(loaded.value());
    return std::nullopt;
  }

  // The maker of pictures; only after Start succeeded.
  PictureMaker& maker() { return *maker_; }

  // The maker of videos, its libraries loaded at the first call from any thread; why there is
  // none when they cannot be.
  Result<VideoMaker*, PictureError> Videos() {
    const std::lock_guard<std::mutex> hold(videoLock_);
    if (!videoMaker_ && !videoError_) {
      const VideoRules rules{options_.videoSize,   options_.maxVideoMilliseconds,
                             options_.limits,      !options_.pictureSize,
                             options_.libraryText, options_.keepMetadata};
      auto loaded = LoadVideoMaker(fileLock_, rules);
      if (loaded) {
        videoMaker_ = std::move(loaded.value());
      } else {
        videoError_ = std::move(loaded.error());
      }
    }
    if (videoError_) return *videoError_;
    return videoMaker_.get();
  }

  // A new file in `image`'s folder, which exists, for a video to be written into.
  Result<std::unique_ptr<NewFile>> CreateFile(ImageFolder& image) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    return image.folder->CreateFile();
  }

  // Opens the picture at `path` for reading.
  Result<std::unique_ptr<ReadableFile>> Open(const std::string& path) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    return fs_.OpenForReading(path);
  }

  // The first bytes of `file`, just opened, that tell what it is; fewer where it is shorter.
  Result<std::string> ReadHead(ReadableFile& file) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    std::string head(kFileKindBytes, '\0');
    Result<std::size_t> got = ReadFully(file, head.data(), head.size());
    if (!got) return got.error();
    head.resize(got.value());
    return head;
  }

  // The bytes of the sidecar at `path`; empty when it cannot be read or is too large to be one.
  std::string ReadSidecar(const std::string& path) {
    constexpr std::uint64_t kLargestSidecar = std::uint64_t{1} << 20;
    const std::lock_guard<std::mutex> hold(fileLock_);
    Result<std::unique_ptr<ReadableFile>> file = fs_.OpenForReading(path);
    if (!file) return "";
    Result<WholeFile> whole = quillmere::ReadWhole(*file.value(), kLargestSidecar);
    return whole ? std::move(whole.value().bytes) : std::string();
  }

  // The hash of the original `file`, just opened, read in parts so that a large video is never
  // held whole; the error when it cannot be read or no longer holds what its opening found.
  Result<ContentHash> HashOriginal(ReadableFile& file) {
    constexpr std::size_t kPart = std::size_t{1} << 20;
    static_assert(kPart % ContentHasher::kPartMultiple == 0);
    const std::uint64_t size = file.AsOpened().size;
    ContentHasher hasher(size);
    std::string part(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPart)), '\0');
    for (std::uint64_t at = 0; at < size;) {
      const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, kPart));
      Result<std::size_t> got = [&] {
        const std::lock_guard<std::mutex> hold(fileLock_);
        return ReadFullyAt(file, part.data(), wanted, at);
      }();
      if (!got) return got.error();
      if (got.value() != wanted) return std::make_error_code(std::errc::io_error);
      hasher.Add(std::string_view(part.data(), wanted));
      at += wanted;
    }
    return hasher.Finish();
  }

  // Reads the file `name` of `folder` whole.
  Result<std::string> ReadWhole(Folder& folder, const std::string& name) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    Result<WholeFile> file = ReadWholeFile(folder, name);
    if (!file) return file.error();
    return std::move(file.value().bytes);
  }

  // Writes `bytes` to a new file that `change` puts in place as `name` of `image`'s folder.
  std::error_code WriteNew(AlbumChange& change, ImageFolder& image, std::string name,
                           std::string_view bytes) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    Result<std::unique_ptr<NewFile>> file = image.folder->CreateFile();
    if (!file) return file.error();
    if (std::error_code error = file.value()->Write(bytes.data(), bytes.size())) return error;
    return change.AddFile(std::move(file.value()), *image.folder, image.relative, std::move(name));
  }

  // Has `change` put `file`, written whole, in place as `name` of `image`'s folder.
  std::error_code AddFile(AlbumChange& change, std::unique_ptr<NewFile> file, ImageFolder& image,
                          std::string name) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    return change.AddFile(std::move(file), *image.folder, image.relative, std::move(name));
  }

  // Writes `bytes` to a new file that `batch` puts in place as `name` of `folder`, replacing
  // what is there in one step with its owner and permission bits kept.
  std::error_code Replace(FileBatch& batch, Folder& folder, const std::string& name,
                          std::string_view bytes) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    Placement placement;
    if (Result<EntryInfo> old = folder.Inspect(name);
        old && old.value().kind == EntryInfo::Kind::kRegular) {
      placement.mode = old.value().mode & 0777;
      placement.owner = Owner{old.value().user, old.value().group};
    }
    Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
    if (!file) return file.error();
    if (std::error_code error = file.value()->Write(bytes.data(), bytes.size())) return error;
    return batch.Add(std::move(file.value()), folder, name, placement);
  }

  // Puts what `batch` holds in place and flushes its folders.
  std::error_code Finish(FileBatch& batch) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    return batch.Finish();
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
  FileSystem& fs_;
  const AlbumOptions& options_;
  std::mutex fileLock_;
  std::unique_ptr<PictureMaker> maker_;
  std::mutex videoLock_;
  std::unique_ptr<VideoMaker> videoMaker_;
  std::optional<PictureError> videoError_;
  WorkCount count_;
};

}  // namespace quillmere
