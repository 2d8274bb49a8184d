// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/sub_album_entries.h"

#include <cerrno>
#include <tuple>

#include "album/album_options.h"
#include "album/steps/picture_work.h"
#include "run/message_text.h"
#include "site/album_entries.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The day of a date as DateTakenText writes it ("2024-06-01").
std::string_view DayOf(std::string_view date) {
  return date.substr(0, date.find(' '));
}

// The cover of the album in `folder` of `album`: its picture 1, opened for reading.
Result<std::unique_ptr<ReadableFile>> OpenCover(Folder& album, const std::string& folder) {
  const std::string cover = PictureFileName(kAlbumPicturePrefix, 1);
  const std::size_t slash = cover.rfind('/');
  Result<std::unique_ptr<Folder>> subAlbum = album.OpenFolder(folder);
  if (!subAlbum) return subAlbum.error();
  Result<std::unique_ptr<Folder>> pictures = subAlbum.value()->OpenFolder(cover.substr(0, slash));
  if (!pictures) return pictures.error();
  return pictures.value()->OpenForReading(cover.substr(slash + 1));
}

// The picture and thumbnail of entry `n` of `folders`, made from the cover of the album in
// `folder` of `album`; a cover that cannot be read fails the entry's picture.
Result<MadeImages, AlbumFailure> EntryImages(Folder& album, const std::string& folder,
                                             std::int64_t n, const ImageFolders& folders,
                                             PictureWork& pictureWork, const AlbumWork& work) {
  const std::string picturePath = folders.pictures.path + folders.pictures.FileName(n);
  Result<std::unique_ptr<ReadableFile>> cover = OpenCover(album, folder);
  if (!cover) return AlbumFailure::NotWritten{picturePath, cover.error()};
  MadeOrNot made = pictureWork.maker().MakeThumbnail(*cover.value(), work.options.thumbnailSize,
                                                     ThumbnailMark::kAlbum);
  if (const PictureError* error = made.failure()) {
    const bool memory = error->kind == PictureError::Kind::kOutOfMemory;
    return AlbumFailure::NotWritten{folders.thumbnails.path + folders.thumbnails.FileName(n),
                                    SystemError(memory ? ENOMEM : EIO)};
  }
  // Opened again, to be read whole from its start.
  cover = OpenCover(album, folder);
  Result<WholeFile> bytes = cover ? ReadWhole(*cover.value()) : Result<WholeFile>(cover.error());
  if (!bytes) return AlbumFailure::NotWritten{picturePath, bytes.error()};
  made.value().picture = std::move(bytes.value().bytes);
  return std::move(made.value());
}

}  // namespace

void AlbumSummary::AddDate(std::string_view recorded, std::string_view zone) {
  const std::optional<std::int64_t> at = SecondsTaken(recorded, zone);
  if (!at) return;
  if (!firstAt || *at < *firstAt) {
    firstAt = at;
    first = DateTakenText(recorded);
  }
  if (!lastAt || *at > *lastAt) {
    lastAt = at;
    last = DateTakenText(recorded);
  }
}

void AlbumSummary::Add(const AlbumSummary& other) {
  pictures += other.pictures;
  videos += other.videos;
  if (other.firstAt && (!firstAt || *other.firstAt < *firstAt)) {
    firstAt = other.firstAt;
    first = other.first;
  }
  if (other.lastAt && (!lastAt || *other.lastAt > *lastAt)) {
    lastAt = other.lastAt;
    last = other.last;
  }
}

std::string SummaryText(const AlbumSummary& summary) {
  std::string text = PicturesAndVideos(summary.pictures, summary.videos);
  if (summary.first.empty()) return text;
  text.append(", ").append(DayOf(summary.first));
  if (DayOf(summary.last) != DayOf(summary.first)) text.append(" to ").append(DayOf(summary.last));
  return text;
}

Result<std::vector<PicturePair>, AlbumFailure> MakeSubAlbumEntries(
    const std::vector<SubAlbumEntry>& entries, std::int64_t first, Folder& album,
    ImageFolders& folders, AlbumChange& change, AlbumWork& work) {
  std::vector<PicturePair> pairs;
  if (entries.empty()) return pairs;
  PictureWork pictureWork(work.fs, work.options, entries.size());
  if (auto done = pictureWork.Start(); !done) return std::move(*done.failure());
  for (ImageFolder* image : {&folders.pictures, &folders.thumbnails}) {
    if (auto done = MakeImageFolder(*image, &change); !done) return std::move(*done.failure());
  }
  LockedFiles& files = pictureWork.files();
  for (const SubAlbumEntry& entry : entries) {
    const std::int64_t n = first + static_cast<std::int64_t>(pairs.size());
    auto made = EntryImages(album, entry.folder, n, folders, pictureWork, work);
    if (auto* failure = made.failure()) return std::move(*failure);
    const std::string albumFile = folders.pictures.FileName(n, kAlbumEntryExtension);
    // The cover first, then its thumbnail, then the file that makes the entry an album.
    for (auto [image, name, bytes] :
         {std::tuple{&folders.pictures, folders.pictures.FileName(n), made.value().picture},
          std::tuple{&folders.thumbnails, folders.thumbnails.FileName(n), made.value().thumbnail},
          std::tuple{&folders.pictures, albumFile, AlbumEntryText(entry.folder)}}) {
      if (std::error_code error = files.WriteNew(change, *image, name, bytes).error()) {
        return AlbumFailure::NotWritten{image->path + name, error};
      }
    }
    pairs.push_back({TitleFromFolderName(entry.folder), SummaryText(entry.summary)});
  }
  if (std::error_code error = change.FinishFiles().error()) {
    return AlbumFailure::NotWritten{folders.pictures.path, error};
  }
  return pairs;
}

}  // namespace quillmere
