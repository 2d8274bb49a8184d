// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The file layer as the threads of the work on pictures share it: one lock around every step.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "album/cache/content_hash.h"
#include "album/cache/made_pictures_cache.h"
#include "album/change/album_change.h"
#include "album/change/album_folder.h"
#include "album/pictures/file_kind.h"
#include "platform/file_batch.h"
#include "platform/file_system.h"

namespace quillmere {

// The file layer behind one lock, which every step of it holds, so that the work's threads take
// turns on it.
class LockedFiles {
 public:
  explicit LockedFiles(FileSystem& fs) : fs_(fs) {}

  // The lock every step holds; the libraries' loaders take it too, since they read files.
  std::mutex& lock() { return lock_; }

  // A new file in `image`'s folder, which exists, for a video to be written into.
  Result<std::unique_ptr<NewFile>> CreateFile(ImageFolder& image) {
    const std::lock_guard<std::mutex> hold(lock_);
    return image.folder->CreateFile();
  }

  // Opens the picture at `path` for reading.
  Result<std::unique_ptr<ReadableFile>> Open(const std::string& path) {
    const std::lock_guard<std::mutex> hold(lock_);
    return fs_.OpenForReading(path);
  }

  // The first bytes of `file`, just opened, that tell what it is; fewer where it is shorter.
  Result<std::string> ReadHead(ReadableFile& file) {
    const std::lock_guard<std::mutex> hold(lock_);
    std::string head(kFileKindBytes, '\0');
    Result<std::size_t> got = ReadFully(file, head.data(), head.size());
    if (!got) return got.error();
    head.resize(got.value());
    return head;
  }

  // The bytes of the sidecar at `path`; empty when it cannot be read or is too large to be one.
  std::string ReadSidecar(const std::string& path) {
    constexpr std::uint64_t kLargestSidecar = std::uint64_t{1} << 20;
    const std::lock_guard<std::mutex> hold(lock_);
    Result<std::unique_ptr<ReadableFile>> file = fs_.OpenForReading(path);
    if (!file) return "";
    Result<WholeFile> whole = quillmere::ReadWhole(*file.value(), kLargestSidecar);
    return whole ? std::move(whole.value().bytes) : std::string();
  }

  // The hash of the original `file`, just opened, read in parts so that a large video is never
  // held whole; the error when it cannot be read or no longer holds what its opening found.
  Result<ContentHash> HashOriginal(ReadableFile& file) {
    return HashInParts(file.AsOpened().size, [&](char* data, std::size_t size, std::uint64_t at) {
      return ReadFullyAt(file, data, size, at);
    });
  }

  // The hash of the file `name` of `folder`, read in parts; the error when it cannot be read.
  Result<ContentHash> HashFile(Folder& folder, const std::string& name) {
    Result<std::unique_ptr<ReadableFile>> file = [&] {
      const std::lock_guard<std::mutex> hold(lock_);
      return folder.OpenForReading(name);
    }();
    if (!file) return file.error();
    return HashOriginal(*file.value());
  }

  // The size and hash of the new `file`, of `size` bytes, read back in parts.
  Result<MadeMark> MarkOfNew(NewFile& file, std::uint64_t size) {
    Result<ContentHash> hash =
        HashInParts(size, [&](char* data, std::size_t wanted, std::uint64_t at) {
          return file.ReadAt(data, wanted, at);
        });
    if (!hash) return hash.error();
    return MadeMark{size, hash.value()};
  }

  // Reads the file `name` of `folder` whole.
  Result<std::string> ReadWhole(Folder& folder, const std::string& name) {
    const std::lock_guard<std::mutex> hold(lock_);
    Result<WholeFile> file = ReadWholeFile(folder, name);
    if (!file) return file.error();
    return std::move(file.value().bytes);
  }

  // Writes `bytes` to a new file that `change` puts in place as `name` of `image`'s folder.
  Result<void> WriteNew(AlbumChange& change, ImageFolder& image, std::string name,
                        std::string_view bytes) {
    const std::lock_guard<std::mutex> hold(lock_);
    Result<std::unique_ptr<NewFile>> file = image.folder->CreateFile();
    if (!file) return file.error();
    if (std::error_code error = file.value()->Write(bytes.data(), bytes.size()).error())
      return error;
    return change.AddFile(std::move(file.value()), *image.folder, image.relative, std::move(name));
  }

  // Has `change` put `file`, written whole, in place as `name` of `image`'s folder.
  Result<void> AddFile(AlbumChange& change, std::unique_ptr<NewFile> file, ImageFolder& image,
                       std::string name) {
    const std::lock_guard<std::mutex> hold(lock_);
    return change.AddFile(std::move(file), *image.folder, image.relative, std::move(name));
  }

  // Writes `bytes` to a new file that `batch` puts in place as `name` of `folder`, replacing
  // what is there in one step with its owner and permission bits kept.
  Result<void> Replace(FileBatch& batch, Folder& folder, const std::string& name,
                       std::string_view bytes) {
    const std::lock_guard<std::mutex> hold(lock_);
    Placement placement;
    if (Result<EntryInfo> old = folder.Inspect(name);
        old && old.value().kind == EntryInfo::Kind::kRegular) {
      placement = KeepingModeAndOwner(old.value());
    }
    Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
    if (!file) return file.error();
    if (std::error_code error = file.value()->Write(bytes.data(), bytes.size()).error())
      return error;
    return batch.Add(std::move(file.value()), folder, name, placement);
  }

  // Puts what `batch` holds in place and flushes its folders.
  Result<void> Finish(FileBatch& batch) {
    const std::lock_guard<std::mutex> hold(lock_);
    return batch.Finish();
  }

 private:
  // The hash of `size` bytes that `read` (data, size, offset) reads under the lock, a part at a
  // time; the error when they cannot be read whole.
  template <class Read>
  Result<ContentHash> HashInParts(std::uint64_t size, const Read& read) {
    constexpr std::size_t kPart = std::size_t{1} << 20;
    static_assert(kPart % ContentHasher::kPartMultiple == 0);
    ContentHasher hasher(size);
    std::string part(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPart)), '\0');
    for (std::uint64_t at = 0; at < size;) {
      const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(size - at, kPart));
      Result<std::size_t> got = [&] {
        const std::lock_guard<std::mutex> hold(lock_);
        return read(part.data(), wanted, at);
      }();
      if (!got) return got.error();
      if (got.value() != wanted) return std::make_error_code(std::errc::io_error);
      hasher.Add(std::string_view(part.data(), wanted));
      at += wanted;
    }
    return hasher.Finish();
  }

  FileSystem& fs_;
  std::mutex lock_;
};

}  // namespace quillmere
