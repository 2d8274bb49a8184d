// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --make-thumbnails: each thumbnail made again from its picture where it is out of date.
#include "album/commands/make_thumbnails.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <new>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/pictures/decode_cost.h"
#include "album/steps/album_work.h"
#include "album/steps/held_album.h"
#include "album/steps/picture_work.h"
#include "paths/paths.h"
#include "site/album_entries.h"
#include "site/jpeg_shape.h"
#include "site/page_output.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

// How many thumbnails wait for one flush of their data before they take their names.
constexpr std::size_t kThumbnailsPerFlush = 64;

// The shape of the JPEG `name` in `folder` (or at the path `name` when there is none); none
// when it is no JPEG or cannot be read.
std::optional<JpegShape> ShapeOf(Folder* folder, const std::string& name, FileSystem& fs) {
  Result<std::unique_ptr<ReadableFile>> file =
      folder != nullptr ? folder->OpenForReading(name) : fs.OpenForReading(name);
  if (!file) return std::nullopt;
  Result<EntryInfo> info = file.value()->Describe();
  if (!info) return std::nullopt;
  Result<std::optional<JpegShape>> shape = ReadJpegShape(*file.value(), info.value().size);
  return shape ? shape.value() : std::nullopt;
}

// Tells whether the thumbnail `name` (described by `thumbnail`) of the picture at `picture`
// (described by `source`) stands as it is: not older than its picture, not empty, not a JPEG cut
// short, and, when a size was asked for, a JPEG of the size it gives for its picture, give or
// take the pixel that rounding may make.
bool ThumbnailStands(const EntryInfo& thumbnail, const EntryInfo& source, const std::string& name,
                     const std::string& picture, ImageFolder& thumbnails, AlbumWork& work) {
  const AlbumOptions& options = work.options;
  if (thumbnail.kind != EntryInfo::Kind::kRegular || thumbnail.modified < source.modified ||
      thumbnail.size == 0) {
    return false;
  }
  const std::optional<JpegShape> shape = ShapeOf(thumbnails.folder.get(), name, work.fs);
  if (shape && !shape->complete) return false;
  if (!options.thumbnailSizeAsked) return true;
  const std::optional<JpegShape> original = ShapeOf(nullptr, picture, work.fs);
  if (!shape || !original) return false;
  const FitBox expected =
      FittedSize(static_cast<std::uint64_t>(original->UprightWidth()),
                 static_cast<std::uint64_t>(original->UprightHeight()), options.thumbnailSize);
  return std::abs(shape->width - expected.width) <= 1 &&
         std::abs(shape->height - expected.height) <= 1;
}

// Decides which pictures of the index need a thumbnail, listing those that are missing.
std::vector<std::size_t> ThumbnailsToMake(const std::string& siteFolder, const ChosenIndex& index,
                                          const PictureLineNumbers& numbers,
                                          ImageFolder& thumbnails, AlbumWork& work) {
  AlbumOutcome& outcome = work.outcome;
  std::vector<std::size_t> toMake;
  for (std::size_t i = 0; i < numbers.lines.size(); ++i) {
    const auto n = static_cast<std::int64_t>(i + 1);
    const std::string picture = PathOnDisk(siteFolder, PictureFileName(index.head.ImagePrefix, n));
    Result<EntryInfo> source = work.fs.Inspect(picture, /*follow=*/true);
    if (!source || source.value().kind != EntryInfo::Kind::kRegular) {
      PictureProblem& missing = outcome.problems.emplace_back();
      missing.kind = PictureProblem::Kind::kMissing;
      missing.file = picture;
      missing.line = numbers.lines[i];
      missing.error = source.error();
      continue;
    }
    const std::string name = thumbnails.FileName(n);
    // Without its folder, no thumbnail is there yet.
    Result<EntryInfo> thumbnail =
        thumbnails.folder ? thumbnails.folder->Inspect(name) : Result<EntryInfo>(EntryInfo{});
    if (!work.options.remake && thumbnail &&
        ThumbnailStands(thumbnail.value(), source.value(), name, picture, thumbnails, work)) {
      ++outcome.thumbnailsUpToDate;
      continue;
    }
    toMake.push_back(i);
  }
  return toMake;
}

// Makes the thumbnail `n` of `thumbnails`, fitted within `size` and with `mark` drawn on it,
// from the picture at `picture`, and hands it to `batch`; the problem when it cannot be made or
// written.
Result<void, PictureProblem> MakeOneThumbnail(PictureWork& work, FileBatch& batch,
                                              const std::string& picture, ImageFolder& thumbnails,
                                              std::int64_t n, FitBox size, ThumbnailMark mark) {
  Result<std::unique_ptr<ReadableFile>> file = work.files().Open(picture);
  MadeOrNot made = file ? work.maker().MakeThumbnail(*file.value(), size, mark)
                        : MadeOrNot(Unreadable(file.error()));
  if (auto* error = made.failure()) {
    return PictureProblem{
        .kind = PictureProblem::Kind::kNotAPicture, .file = picture, .picture = std::move(*error)};
  }
  const std::string name = thumbnails.FileName(n);
  if (std::error_code error =
          work.files().Replace(batch, *thumbnails.folder, name, made.value().thumbnail).error()) {
    return PictureProblem{
        .kind = PictureProblem::Kind::kNotWritten, .file = thumbnails.path + name, .error = error};
  }
  return {};
}

// Makes the thumbnails of the album `held`, whose lock is held, that are out of date, and writes
// its site.
Result<void, AlbumFailure> RemakeThumbnails(HeldAlbum& held, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  const AlbumOptions& options = work.options;
  AlbumOutcome& outcome = work.outcome;
  AlbumFolder& album = held.album;
  const ChosenIndex& index = held.index;
  if (NamesAnotherPlace(index.head.ImagePrefix)) {
    return AlbumFailure::PicturesElsewhere{indexPath};
  }
  auto found = FindImageFolder(album, index.head.ThumbPrefix, indexPath);
  if (auto* failure = found.failure()) return std::move(*failure);
  ImageFolder& thumbnails = found.value();
  const PictureLineNumbers numbers = PictureLinesOf(index);
  const std::vector<std::size_t> toMake =
      ThumbnailsToMake(album.path, index, numbers, thumbnails, work);
  // The thumbnail of an entry that is a video, or an album, carries the mark that says so.
  const auto count = static_cast<std::int64_t>(numbers.lines.size());
  const VideoEntries videos =
      toMake.empty() ? VideoEntries() : FindVideoEntries(index.head, count, *album.folder);
  const AlbumEntries albums =
      toMake.empty() ? AlbumEntries() : FindAlbumEntries(index.head, count, *album.folder);
  const auto markOf = [&](std::int64_t n) {
    if (albums.Of(n) != nullptr) return ThumbnailMark::kAlbum;
    return videos.Of(n) != nullptr ? ThumbnailMark::kPlay : ThumbnailMark::kNone;
  };

  PictureWork pictureWork(work.fs, options, toMake.size());
  if (!toMake.empty()) {
    if (auto done = pictureWork.Start(); !done) return std::move(*done.failure());
    if (auto done = MakeImageFolder(thumbnails, nullptr); !done) return std::move(*done.failure());
  }
  std::mutex resultLock;
  // A thumbnail that cannot take its name is listed with its picture's line.
  FileBatch batch(kThumbnailsPerFlush, [&](const std::string& name, std::error_code error) {
    const std::int64_t n = NumberInName(name, thumbnails.namePrefix, kPictureFileExtension);
    const std::lock_guard<std::mutex> hold(resultLock);
    --outcome.thumbnailsWritten;
    outcome.problems.push_back({.kind = PictureProblem::Kind::kNotWritten,
                                .file = thumbnails.path + name,
                                .line = n > 0 ? numbers.lines[static_cast<std::size_t>(n - 1)] : 0,
                                .error = error});
  });
  pictureWork.ForEach(toMake.size(), [&](std::size_t k) {
    const std::size_t i = toMake[k];
    const auto n = static_cast<std::int64_t>(i + 1);
    const std::string picture = PathOnDisk(album.path, PictureFileName(index.head.ImagePrefix, n));
    Result<void, PictureProblem> made = MakeOneThumbnail(pictureWork, batch, picture, thumbnails, n,
                                                         options.thumbnailSize, markOf(n));
    if (PictureProblem* problem = made.failure()) problem->line = numbers.lines[i];
    {
      const std::lock_guard<std::mutex> hold(resultLock);
      if (PictureProblem* problem = made.failure()) {
        outcome.problems.push_back(std::move(*problem));
      } else {
        ++outcome.thumbnailsWritten;
      }
    }
    pictureWork.count().Done(k);
  });
  // The thumbnails made before a stop or a failure take their place too.
  if (std::error_code error = pictureWork.files().Finish(batch).error()) {
    return AlbumFailure::NotWritten{thumbnails.path, error};
  }
  std::sort(outcome.problems.begin(), outcome.problems.end(),
            [](const PictureProblem& a, const PictureProblem& b) { return a.line < b.line; });
  if (StopRequested(options)) {
    return Stopped(options, "the thumbnails not made yet were left as they were.");
  }
  return FinishSite(album, work);
}

}  // namespace

AlbumOutcome MakeThumbnails(const std::string& indexPath, FileSystem& fs,
                            const AlbumOptions& options) {
  return WorkOnHeldAlbum(indexPath, fs, options, RemakeThumbnails);
}

}  // namespace quillmere
