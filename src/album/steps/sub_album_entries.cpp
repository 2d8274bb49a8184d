// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/sub_album_entries.h"

#include <cerrno>
#include <tuple>

#include "album/album_options.h"
#include "album/change/album_change.h"
#include "album/steps/picture_work.h"
#include "run/journal.h"
#include "run/message_text.h"
#include "site/album_entries.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The day of a date as DateTakenText writes it ("2024-06-01").
std::string_view DayOf(std::string_view date) {
  return date.substr(0, date.find(' '));
}

// The minutes from the year 0 to `date`, "YYYY-MM-DD" or "YYYY-MM-DD HH:MM", counting each month
// as 31 days, which keeps the order of the dates' texts; none for any other text.
std::optional<std::int64_t> WrittenDateKey(std::string_view date) {
  static constexpr std::string_view kShape = "dddd-dd-dd dd:dd";
  if (date.size() != 10 && date.size() != kShape.size()) return std::nullopt;
  std::int64_t digits = 0;
  for (std::size_t i = 0; i < date.size(); ++i) {
    if (kShape[i] != 'd') {
      if (date[i] != kShape[i]) return std::nullopt;
      continue;
    }
    if (date[i] < '0' || date[i] > '9') return std::nullopt;
    digits = digits * 10 + (date[i] - '0');
  }
  if (date.size() == 10) digits *= 10'000;
  const std::int64_t minute = digits % 100, hour = digits / 100 % 100;
  const std::int64_t day = digits / 10'000 % 100, month = digits / 1'000'000 % 100;
  const std::int64_t year = digits / 100'000'000;
  return (((year * 12 + month) * 31 + day) * 24 + hour) * 60 + minute;
}

// Reads the whole number at the start of `text` and the space after it, as Counted writes it.
std::optional<std::uint64_t> TakeCount(std::string_view& text) {
  std::uint64_t count = 0;
  std::size_t i = 0;
  for (; i < text.size() && i < 18 && text[i] >= '0' && text[i] <= '9'; ++i) {
    count = count * 10 + static_cast<std::uint64_t>(text[i] - '0');
  }
  if (i == 0 || i >= text.size() || text[i] != ' ') return std::nullopt;
  text.remove_prefix(i + 1);
  return count;
}

// Reads "N word" or "N words" at the start of `text`, as Counted writes it.
std::optional<std::uint64_t> TakeCounted(std::string_view& text, std::string_view word) {
  std::string_view rest = text;
  const std::optional<std::uint64_t> count = TakeCount(rest);
  if (!count || !rest.starts_with(word)) return std::nullopt;
  rest.remove_prefix(word.size());
  if (rest.starts_with("s")) rest.remove_prefix(1);
  text = rest;
  return count;
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

// One file of an entry whose cover is replaced: its folder, its name, the name its new bytes are
// written under and the name the old file is held aside under while the change is made.
struct CoverFile {
  ImageFolder* image = nullptr;
  std::string name;
  std::string fresh;
  std::string aside;
  // Whether the old file is there to be held aside.
  bool present = false;
};

// The name of image `n` of `image` with `tag` after its number ("p3 (new cover).jpg").
std::string TaggedName(const ImageFolder& image, std::int64_t n, std::string_view tag) {
  return image.namePrefix + std::string(PageNumber(n).text()) + " (" + std::string(tag) + ")" +
         std::string(image.extension);
}

// The files of the entries `covers` in `folders`: the picture and, where thumbnails are files of
// their own, the thumbnail of each.
std::vector<CoverFile> CoverFilesOf(const std::vector<CoverToReplace>& covers,
                                    ImageFolders& folders) {
  const bool ownThumbnails = folders.thumbnails.relative + folders.thumbnails.namePrefix !=
                             folders.pictures.relative + folders.pictures.namePrefix;
  std::vector<CoverFile> files;
  for (const CoverToReplace& cover : covers) {
    for (ImageFolder* image : {&folders.pictures, &folders.thumbnails}) {
      if (image == &folders.thumbnails && !ownThumbnails) continue;
      files.push_back({image, image->FileName(cover.number),
                       TaggedName(*image, cover.number, "new cover"),
                       TaggedName(*image, cover.number, "old cover")});
    }
  }
  return files;
}

// Plans in `change` the new file of `file` and the renames that hold the old one aside and give
// the new one its name; refuses names of the change's own that some file has already.
Result<void, AlbumFailure> PlanCoverFile(CoverFile& file, AlbumChange& change) {
  ImageFolder& image = *file.image;
  if (!image.folder) {
    return AlbumFailure::NotWritten{image.path, std::make_error_code(std::errc::not_a_directory)};
  }
  for (const std::string* name : {&file.fresh, &file.aside}) {
    Result<EntryInfo> there = image.folder->Inspect(*name);
    if (there && there.value().kind != EntryInfo::Kind::kMissing) {
      return AlbumFailure::NotWritten{image.path + *name,
                                      std::make_error_code(std::errc::file_exists)};
    }
  }
  Result<std::unique_ptr<ReadableFile>> old = image.folder->OpenForReading(file.name);
  Result<MarkedFile> marked = old ? MarkFile(*old.value()) : Result<MarkedFile>(old.error());
  if (marked) {
    file.present = true;
    change.PlanRename({JournalStep::Kind::kRename, image.relative + file.name,
                       image.relative + file.aside, marked.value().entry.device,
                       marked.value().entry.inode, marked.value().mark});
    change.PlanAfterIndex({JournalStep::Kind::kDiscard, image.relative + file.aside, {}});
  } else if (marked.error() != std::errc::no_such_file_or_directory) {
    return AlbumFailure::NotWritten{image.path + file.name, marked.error()};
  }
  change.PlanFile(image.relative + file.fresh);
  return {};
}

// Renames `files` as a change of covers takes them: every old file aside, flushed, then every new
// one to its name.
Result<void, AlbumFailure> RenameCoverFiles(const std::vector<CoverFile>& files,
                                            AlbumChange& change, const std::string& albumPath) {
  for (const CoverFile& file : files) {
    if (!file.present) continue;
    ImageFolder& image = *file.image;
    if (std::error_code error =
            change.Rename(*image.folder, image.relative, file.name, file.aside).error()) {
      return AlbumFailure::NotRenamed{image.path + file.name, file.aside, error};
    }
  }
  if (std::error_code error = change.SyncRenames().error()) {
    return AlbumFailure::NotWritten{albumPath, error};
  }
  for (const CoverFile& file : files) {
    ImageFolder& image = *file.image;
    if (std::error_code error =
            change.Rename(*image.folder, image.relative, file.fresh, file.name).error()) {
      return AlbumFailure::NotRenamed{image.path + file.fresh, file.name, error};
    }
  }
  return {};
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

void AlbumSummary::AddWrittenDate(std::string_view date) {
  const std::optional<std::int64_t> at = WrittenDateKey(date);
  if (!at) return;
  if (!firstAt || *at < *firstAt) {
    firstAt = at;
    first = date;
  }
  if (!lastAt || *at > *lastAt) {
    lastAt = at;
    last = date;
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

std::optional<AlbumSummary> SummaryOfText(std::string_view text) {
  AlbumSummary summary;
  std::string_view rest = text;
  std::optional<std::uint64_t> stills = TakeCounted(rest, "picture");
  if (stills && rest.starts_with(" and ")) rest.remove_prefix(5);
  const std::optional<std::uint64_t> videos = TakeCounted(rest, "video");
  if (!stills && !videos) return std::nullopt;
  summary.videos = videos.value_or(0);
  summary.pictures = stills.value_or(0) + summary.videos;
  if (rest.starts_with(", ")) {
    const std::size_t to = rest.find(" to ");
    summary.AddWrittenDate(rest.substr(2, to == std::string_view::npos ? rest.npos : to - 2));
    if (to != std::string_view::npos) summary.AddWrittenDate(rest.substr(to + 4));
  }
  // Only the text SummaryText would write for what was read is its own.
  if (SummaryText(summary) != text) return std::nullopt;
  return summary;
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

namespace quillmere {

Result<void, AlbumFailure> ReplaceCovers(OpenAlbum& open, const std::vector<CoverToReplace>& covers,
                                         const std::string& text, AlbumWork& work) {
  const std::string& indexPath = work.outcome.indexPath;
  const AlbumOptions& options = work.options;
  if (StopRequested(options)) return Stopped(options, "the album was left as it was.");
  if (covers.empty()) return {};
  const IndexHead& head = open.index.head;
  auto found = FindImageFolders(open.album, head.ImagePrefix, head.ThumbPrefix, indexPath);
  if (auto* failure = found.failure()) return std::move(*failure);
  ImageFolders& folders = found.value();
  std::vector<CoverFile> files = CoverFilesOf(covers, folders);
  // Undone by its destructor, unless committed.
  AlbumChange change(*open.album.folder, open.album.path, ChangeKind::kEdit, open.index.name,
                     StateOf(open.index.text.bytes()), open.album.trash);
  for (CoverFile& file : files) {
    if (auto done = PlanCoverFile(file, change); !done) return done;
  }
  for (const CoverFile& file : files) {
    change.PlanRename({JournalStep::Kind::kRename, file.image->relative + file.fresh,
                       file.image->relative + file.name, 0, 0, std::nullopt});
  }
  if (auto done = change.Begin(); !done) return std::move(*done.failure());
  PictureWork pictureWork(work.fs, options, covers.size());
  if (auto done = pictureWork.Start(); !done) return std::move(*done.failure());
  // Each entry has the same files, its picture first.
  const std::size_t perCover = files.size() / covers.size();
  for (std::size_t i = 0; i < covers.size(); ++i) {
    auto made = EntryImages(*open.album.folder, covers[i].folder, covers[i].number, folders,
                            pictureWork, work);
    if (auto* failure = made.failure()) return std::move(*failure);
    for (std::size_t k = i * perCover; k < (i + 1) * perCover; ++k) {
      CoverFile& file = files[k];
      const std::string& bytes =
          file.image == &folders.pictures ? made.value().picture : made.value().thumbnail;
      if (std::error_code error =
              pictureWork.files().WriteNew(change, *file.image, file.fresh, bytes).error()) {
        return AlbumFailure::NotWritten{file.image->path + file.fresh, error};
      }
    }
  }
  if (std::error_code error = change.FinishFiles().error()) {
    return AlbumFailure::NotWritten{open.album.path, error};
  }
  if (StopRequested(options)) return Stopped(options, "the album was left as it was.");
  if (auto done = RenameCoverFiles(files, change, open.album.path); !done) return done;
  if (std::error_code error =
          change.Commit(text, KeepingModeAndOwner(open.index.text.source)).error()) {
    if (!change.committed()) return AlbumFailure::NotWritten{indexPath, error};
    return AlbumFailure::NotFinished{open.album.path + change.failedStep(), indexPath, error};
  }
  return {};
}

}  // namespace quillmere
