// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <variant>

#include "album/album_files.h"
#include "album/album_text.h"
#include "album/decode_cost.h"
#include "album/parallel.h"
#include "check/jpeg_shape.h"
#include "check/site_names.h"
#include "index/picture_section.h"
#include "paths/paths.h"
#include "platform/signals.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// How many made pictures may wait, per thread, for an earlier one to be written.
constexpr std::size_t kWaitingPerThread = 4;

AlbumFailure RunFailed(Kind kind, RunFailure run) {
  AlbumFailure failure;
  failure.kind = kind;
  failure.run = std::move(run);
  return failure;
}

bool StopRequested(const AlbumOptions& options) {
  return options.run.stop != nullptr && options.run.stop->requested();
}

AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas) {
  AlbumFailure failure = AlbumFailed(Kind::kStopped, {}, std::move(leftAsItWas));
  failure.run.stopReason = options.run.stop != nullptr ? options.run.stop->reason() : 0;
  return failure;
}

unsigned ThreadsFor(const AlbumOptions& options) {
  return options.threads != 0 ? options.threads : CoresToUse();
}

// What the work on pictures shares between its threads: one lock around every step of the file
// layer, the library that makes the pictures, and the count of pictures done.
class PictureWork {
 public:
  PictureWork(FileSystem& fs, const AlbumOptions& options, std::uint64_t total)
      : fs_(fs), options_(options), total_(total) {}

  // Loads the image library, where it was not yet; the failure when it cannot be.
  std::optional<AlbumFailure> Start() {
    if (maker_) return std::nullopt;
    auto loaded = LoadPictureMaker(fileLock_, {options_.limits, options_.libraryText});
    if (auto* error = std::get_if<PictureError>(&loaded)) {
      AlbumFailure failure = AlbumFailed(Kind::kImageLibrary, {});
      failure.picture = std::move(*error);
      return failure;
    }
    maker_ = std::move(std::get<std::unique_ptr<PictureMaker>>(loaded));
    return std::nullopt;
  }

  // The maker of pictures; only after Start succeeded.
  PictureMaker& maker() { return *maker_; }

  // Opens the picture at `path` for reading.
  Result<std::unique_ptr<ReadableFile>> Open(const std::string& path) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    return fs_.OpenForReading(path);
  }

  // Writes `bytes` whole as `name` in `folder`.
  std::error_code Write(Folder& folder, std::string_view name, std::string_view bytes) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    return WriteWhole(folder, name, bytes);
  }

  // Counts a picture as done and tells the progress.
  void Done() {
    const std::lock_guard<std::mutex> hold(progressLock_);
    ++done_;
    if (options_.progress != nullptr) options_.progress->PicturesDone(done_, total_);
  }

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
  std::mutex progressLock_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
};

// Reads what each of `found` tells about itself; those that are no pictures become problems.
// Returns the pictures in their order, or why nothing can be made of them: the image library
// cannot be loaded, the work was asked to stop, or there is no picture among what was
// `givenAs`.
std::variant<std::vector<FoundPicture>, AlbumFailure> ProbePictures(
    std::vector<FoundPicture> found, const std::string& givenAs, FileSystem& fs,
    const AlbumOptions& options, std::vector<PictureProblem>& problems) {
  PictureWork work(fs, options, 0);
  if (!found.empty()) {
    if (std::optional<AlbumFailure> failure = work.Start()) return std::move(*failure);
  }
  work.ForEach(found.size(), [&](std::size_t i) {
    FoundPicture& picture = found[i];
    Result<std::unique_ptr<ReadableFile>> file = work.Open(picture.path);
    if (!file) {
      picture.facts.error = Unreadable(file.error());
      return;
    }
    picture.facts = work.maker().Probe(*file.value());
    // A date that is no date (a camera without a clock) orders like none.
    if (DateTakenText(picture.facts.dateTaken).empty()) picture.facts.dateTaken.clear();
  });
  std::vector<FoundPicture> pictures;
  for (FoundPicture& picture : found) {
    if (!picture.facts.error) {
      pictures.push_back(std::move(picture));
    } else {
      problems.push_back({.kind = PictureProblem::Kind::kNotAPicture,
                          .file = picture.path,
                          .picture = std::move(*picture.facts.error)});
    }
  }
  if (StopRequested(options)) return Stopped(options, "nothing was written.");
  if (pictures.empty()) return AlbumFailed(Kind::kNoPictures, givenAs);
  OrderPictures(pictures);
  return pictures;
}

// The pair of lines a picture gets: its caption from its name, its description as recorded,
// else the date it was taken, else its caption.
PicturePair PairOf(const FoundPicture& picture) {
  PicturePair pair;
  pair.caption = CaptionFromFileName(picture.name);
  pair.description = MarkupText(picture.facts.description);
  if (pair.description.empty()) pair.description = DateTakenText(picture.facts.dateTaken);
  if (pair.description.empty()) pair.description = pair.caption;
  return pair;
}

// Where a made picture and its thumbnail go.
struct ImageFolders {
  ImageFolder pictures;
  ImageFolder thumbnails;
};

std::variant<ImageFolders, AlbumFailure> OpenImageFolders(const std::string& siteFolder,
                                                          std::string_view thumbPrefix,
                                                          std::string_view picturePrefix,
                                                          const std::string& indexPath,
                                                          FileSystem& fs) {
  auto pictures = OpenImageFolder(siteFolder, picturePrefix, indexPath, fs);
  if (auto* failure = std::get_if<AlbumFailure>(&pictures)) return std::move(*failure);
  auto thumbnails = OpenImageFolder(siteFolder, thumbPrefix, indexPath, fs);
  if (auto* failure = std::get_if<AlbumFailure>(&thumbnails)) return std::move(*failure);
  return ImageFolders{std::move(std::get<ImageFolder>(pictures)),
                      std::move(std::get<ImageFolder>(thumbnails))};
}

// What MakeAndNumber made: the pairs of the pictures written, and why the work cannot go on.
struct NumberedPictures {
  std::vector<PicturePair> pairs;
  std::optional<AlbumFailure> failure;
};

// Makes the pictures and thumbnails of `pictures` and writes them, numbered from `firstNumber`
// on in their order; a picture that cannot be made is left out of the numbering and becomes a
// problem. A stop says what was `leftWhenStopped`; none made says nothing of what was `givenAs`
// was a picture.
NumberedPictures MakeAndNumber(const std::vector<FoundPicture>& pictures, std::int64_t firstNumber,
                               ImageFolders& folders, FileSystem& fs, const AlbumOptions& options,
                               std::vector<PictureProblem>& problems,
                               const std::string& leftWhenStopped, const std::string& givenAs) {
  PictureWork work(fs, options, pictures.size());
  NumberedPictures numbered{{}, work.Start()};
  if (numbered.failure) return numbered;
  std::vector<PicturePair>& pairs = numbered.pairs;
  std::optional<AlbumFailure>& writeFailure = numbered.failure;
  auto write = [&](std::size_t i, MadeImages& made) {
    const FoundPicture& picture = pictures[i];
    if (made.error || writeFailure) {
      if (made.error) {
        problems.push_back({.kind = PictureProblem::Kind::kNotAPicture,
                            .file = picture.path,
                            .picture = *made.error});
      }
      return;
    }
    const std::int64_t n = firstNumber + static_cast<std::int64_t>(pairs.size());
    // The picture first, so that its thumbnail is never older than it.
    const std::string pictureName = folders.pictures.FileName(n);
    const std::string thumbnailName = folders.thumbnails.FileName(n);
    if (std::error_code error = work.Write(*folders.pictures.folder, pictureName, made.picture)) {
      writeFailure = AlbumFailed(Kind::kNotWritten, folders.pictures.path + pictureName, {}, error);
    } else if (std::error_code thumbError =
                   work.Write(*folders.thumbnails.folder, thumbnailName, made.thumbnail)) {
      writeFailure =
          AlbumFailed(Kind::kNotWritten, folders.thumbnails.path + thumbnailName, {}, thumbError);
    } else {
      pairs.push_back(PairOf(picture));
    }
  };
  const unsigned threads = ThreadsFor(options);
  InOrder<MadeImages> inOrder(kWaitingPerThread * threads, write);
  work.ForEach(pictures.size(), [&](std::size_t i) {
    inOrder.WaitForTurn(i);
    MadeImages made;
    try {
      const FoundPicture& picture = pictures[i];
      Result<std::unique_ptr<ReadableFile>> file = work.Open(picture.path);
      if (!file) {
        made.error = Unreadable(file.error());
      } else {
        const bool copyAsItIs = !options.pictureSize && picture.facts.jpeg;
        std::optional<FitBox> box = options.pictureSize;
        if (!box && !copyAsItIs) box = FitBox{kLargestSide, kLargestSide};
        made = work.maker().MakePictureAndThumbnail(*file.value(), box, options.thumbnailSize,
                                                    options.keepMetadata);
      }
    } catch (const std::bad_alloc&) {
      made = MadeImages{};
      made.error = PictureError{.kind = PictureError::Kind::kOutOfMemory};
    }
    inOrder.Deliver(i, std::move(made));
    work.Done();
  });
  if (writeFailure) return numbered;
  if (StopRequested(options)) {
    writeFailure = Stopped(options, leftWhenStopped);
  } else if (pairs.empty()) {
    writeFailure = AlbumFailed(Kind::kNoPictures, givenAs);
  }
  return numbered;
}

// Refuses an album folder that holds an index file or pages; fine when it does not exist.
std::optional<AlbumFailure> CheckAlbumFolder(const std::string& albumFolder, FileSystem& fs) {
  Result<EntryInfo> entry = fs.Inspect(albumFolder, /*follow=*/true);
  if (!entry) return AlbumFailed(Kind::kFolderNotMade, albumFolder, {}, entry.error());
  if (entry.value().kind == EntryInfo::Kind::kMissing) return std::nullopt;
  if (entry.value().kind != EntryInfo::Kind::kFolder)
    return AlbumFailed(Kind::kNotAFolder, albumFolder);
  Result<std::vector<std::string>> names = fs.ListFolder(albumFolder);
  if (!names) return AlbumFailed(Kind::kFolderNotMade, albumFolder, {}, names.error());
  std::sort(names.value().begin(), names.value().end(), NameOrderLess);
  for (const std::string& name : names.value()) {
    if (name == kAlbumIndexName || name == kIndexPageName || PicturePageNumber(name) != 0) {
      return AlbumFailed(Kind::kAlbumInUse, albumFolder, name);
    }
  }
  return std::nullopt;
}

// The name a folder goes by, also when given as "." or with a trailing "/".
std::string FolderTitle(const std::string& folder) {
  std::error_code error;
  std::filesystem::path path = std::filesystem::absolute(folder, error).lexically_normal();
  if (error) path = std::filesystem::path(folder).lexically_normal();
  std::string name = path.filename().string();
  if (name.empty()) name = path.parent_path().filename().string();
  return TitleFromFolderName(name);
}

// Copies the support images and writes the site of the index file at `indexPath`.
AlbumFailure FinishSite(const std::string& indexPath, const std::string& supportFolder,
                        FileSystem& fs, const AlbumOptions& options, AlbumOutcome& outcome) {
  if (!supportFolder.empty()) {
    SupportCopy copy = CopySupportImages(FolderName(indexPath), supportFolder, fs);
    if (copy.failure) {
      AlbumFailure failure = AlbumFailed(Kind::kSupport, {});
      failure.support = std::move(*copy.failure);
      return failure;
    }
  }
  outcome.site = GenerateSite(indexPath, fs, options.run);
  if (!outcome.site.ok()) return RunFailed(Kind::kSite, outcome.site);
  return {};
}

// The index file's text and head, or why they cannot be used.
struct ChosenIndex {
  IndexText text;
  IndexHead head;
};

std::variant<ChosenIndex, AlbumFailure> LoadIndex(const std::string& indexPath, FileSystem& fs) {
  std::variant<IndexText, RunFailure> loaded = LoadChosenIndexFile(indexPath, fs);
  if (auto* failure = std::get_if<RunFailure>(&loaded)) {
    return RunFailed(Kind::kIndex, std::move(*failure));
  }
  ChosenIndex chosen{std::get<IndexText>(std::move(loaded)), {}};
  std::variant<IndexHead, IndexError> head = ParseIndexHead(chosen.text.bytes());
  if (auto* error = std::get_if<IndexError>(&head)) {
    return RunFailed(Kind::kIndex, IndexFailure(indexPath, *error));
  }
  chosen.head = std::get<IndexHead>(head);
  return chosen;
}

// The numbers of the lines that name the pictures, in order, and whether the last pair lacks
// its second line.
struct PictureLineNumbers {
  std::vector<std::uint64_t> lines;
  bool lastPairOpen = false;
};

PictureLineNumbers PictureLinesOf(const ChosenIndex& index) {
  PictureLineNumbers numbers;
  PairReader pairs(PictureLines(index.text.bytes(), index.head));
  for (LinePair pair; pairs.Next(pair);) {
    if (!pair.dropped()) numbers.lines.push_back(pair.firstLineNumber);
    numbers.lastPairOpen = pair.secondLineNumber == 0;
  }
  return numbers;
}

// The pictures given to --add-pictures: files as they are, folders by their pictures.
std::vector<FoundPicture> GivenPictures(const std::vector<std::string>& sources, FileSystem& fs,
                                        std::vector<PictureProblem>& problems) {
  std::vector<FoundPicture> found;
  for (const std::string& source : sources) {
    Result<EntryInfo> entry = fs.Inspect(source, /*follow=*/true);
    if (entry && entry.value().kind == EntryInfo::Kind::kFolder) {
      Result<std::vector<FoundPicture>> inFolder = FilesIn(source, fs, problems);
      if (!inFolder) {
        problems.push_back({.kind = PictureProblem::Kind::kNotAPicture,
                            .file = source,
                            .picture = Unreadable(inFolder.error())});
        continue;
      }
      for (FoundPicture& picture : inFolder.value()) found.push_back(std::move(picture));
    } else if (entry && entry.value().kind == EntryInfo::Kind::kRegular) {
      found.push_back({source, std::filesystem::path(source).filename().string(), {}});
    } else {
      problems.push_back(
          {.kind = PictureProblem::Kind::kMissing, .file = source, .error = entry.error()});
    }
  }
  return found;
}

// Puts the index file's old bytes and `added` in its place, whole, keeping its permission bits.
std::optional<AlbumFailure> RewriteIndex(const std::string& indexPath, const ChosenIndex& index,
                                         const std::string& added, FileSystem& fs) {
  const std::string folderPath = FolderName(indexPath);
  const std::string name = indexPath.substr(indexPath.rfind(kSeparator) + 1);
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(folderPath);
  if (!folder) return AlbumFailed(Kind::kNotWritten, indexPath, {}, folder.error());
  std::string text(index.text.bytes());
  text += added;
  if (std::error_code error = WriteWhole(*folder.value(), name, text, index.text.source.mode)) {
    return AlbumFailed(Kind::kNotWritten, indexPath, {}, error);
  }
  return std::nullopt;
}

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
                     const std::string& picture, ImageFolder& thumbnails, FileSystem& fs,
                     const AlbumOptions& options) {
  if (thumbnail.kind != EntryInfo::Kind::kRegular || thumbnail.modified < source.modified ||
      thumbnail.size == 0) {
    return false;
  }
  const std::optional<JpegShape> shape = ShapeOf(thumbnails.folder.get(), name, fs);
  if (shape && !shape->complete) return false;
  if (!options.thumbnailSizeAsked) return true;
  const std::optional<JpegShape> original = ShapeOf(nullptr, picture, fs);
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
                                          ImageFolder& thumbnails, FileSystem& fs,
                                          const AlbumOptions& options, AlbumOutcome& outcome) {
  std::vector<std::size_t> toMake;
  for (std::size_t i = 0; i < numbers.lines.size(); ++i) {
    const auto n = static_cast<std::int64_t>(i + 1);
    const std::string picture = PathOnDisk(siteFolder, PictureFileName(index.head.ImagePrefix, n));
    Result<EntryInfo> source = fs.Inspect(picture, /*follow=*/true);
    if (!source || source.value().kind != EntryInfo::Kind::kRegular) {
      outcome.problems.push_back({.kind = PictureProblem::Kind::kMissing,
                                  .file = picture,
                                  .line = numbers.lines[i],
                                  .error = source.error()});
      continue;
    }
    const std::string name = thumbnails.FileName(n);
    Result<EntryInfo> thumbnail = thumbnails.folder->Inspect(name);
    if (!options.remake && thumbnail &&
        ThumbnailStands(thumbnail.value(), source.value(), name, picture, thumbnails, fs,
                        options)) {
      ++outcome.thumbnailsUpToDate;
      continue;
    }
    toMake.push_back(i);
  }
  return toMake;
}

// Tells whether `error` refuses a picture for the limits, rather than finding it unreadable.
bool IsRefusal(const PictureError& error) {
  return error.kind == PictureError::Kind::kTooManyPixels ||
         error.kind == PictureError::Kind::kTooMuchMemory;
}

}  // namespace

std::string Describe(const PictureProblem& problem) {
  using PKind = PictureProblem::Kind;
  switch (problem.kind) {
    case PKind::kNotAPicture:
      return (IsRefusal(problem.picture) ? "is refused: " : "cannot be read as a picture: ") +
             Describe(problem.picture);
    case PKind::kMissing:
      return problem.error ? "is missing: " + ErrorText(problem.error) : "is missing";
    case PKind::kNotWritten:
      return "could not be written: " + ErrorText(problem.error);
    case PKind::kFolderSkipped:
      return "is a folder and was skipped: pictures in sub-folders are not taken";
    case PKind::kDanglingLink:
      return "is a symbolic link that leads to no file: left out";
    case PKind::kNotAFile:
      return "is neither a file nor a folder: skipped";
  }
  return "";
}

std::string Describe(const AlbumFailure& failure) {
  const std::string& subject = failure.subject;
  switch (failure.kind) {
    case Kind::kDone:
      return "";
    case Kind::kPicturesUnreadable:
      return "Could not read the folder of pictures " + subject + ": " + ErrorText(failure.error) +
             ".";
    case Kind::kNoPictures:
      return "No picture could be read from " + subject + "; nothing was written.";
    case Kind::kAlbumInUse:
      return "The folder " + subject + " already holds " + failure.detail +
             ", so it is no place for a new album; nothing was written.";
    case Kind::kNotAFolder:
      return subject + " is not a folder; nothing was written.";
    case Kind::kFolderNotMade:
      return "Could not make the folder " + subject + ": " + ErrorText(failure.error) + ".";
    case Kind::kOutsideTheAlbum:
      return "The prefix \"" + subject + "\" of " + failure.detail +
             " names files outside its folder, where pictures are never written; nothing was "
             "written.";
    case Kind::kLinkedFolder:
      return "The folder " + subject +
             " is a symbolic link, and pictures are never written through one; nothing was "
             "written.";
    case Kind::kPicturesElsewhere:
      return "The pictures of " + subject +
             " are named by a URL, so their thumbnails cannot be made here.";
    case Kind::kIndex:
    case Kind::kSite:
      return Describe(failure.run);
    case Kind::kIndexIsLink:
      return "Index file " + subject +
             " is a symbolic link, which writing it anew would replace; give the file it leads "
             "to.";
    case Kind::kHeadIncomplete:
      return "Index file " + subject +
             " has fewer than five head values, so added pictures would be read as head values; "
             "nothing was written.";
    case Kind::kNotWritten:
      return "Could not write " + subject + ": " + ErrorText(failure.error) + ".";
    case Kind::kSupport:
      return Describe(failure.support);
    case Kind::kImageLibrary:
      return "The image library could not be loaded: " + Describe(failure.picture) + ".";
    case Kind::kStopped: {
      const int reason = failure.run.stopReason;
      const std::string by = reason > 0 ? " by " + SignalName(reason) : std::string();
      return "The work was stopped" + by + ": " + failure.detail;
    }
  }
  return "";
}

AlbumOutcome MakeNewAlbum(const std::string& picturesFolder, const std::string& albumFolder,
                          FileSystem& fs, const AlbumOptions& options) {
  AlbumOutcome outcome;
  const std::string album = TidyFolderPath(albumFolder);
  const std::string siteFolder = album + kSeparator;
  outcome.indexPath = siteFolder + std::string(kAlbumIndexName);
  try {
    if (auto refused = CheckAlbumFolder(album, fs)) {
      outcome.failure = std::move(*refused);
      return outcome;
    }
    Result<std::vector<FoundPicture>> found = FilesIn(picturesFolder, fs, outcome.problems);
    if (!found) {
      outcome.failure = AlbumFailed(Kind::kPicturesUnreadable, picturesFolder, {}, found.error());
      return outcome;
    }
    auto probed =
        ProbePictures(std::move(found.value()), picturesFolder, fs, options, outcome.problems);
    if (auto* failure = std::get_if<AlbumFailure>(&probed)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    if (std::error_code error = fs.CreateFolders(album)) {
      outcome.failure = AlbumFailed(Kind::kFolderNotMade, album, {}, error);
      return outcome;
    }
    auto folders =
        OpenImageFolders(siteFolder, kAlbumThumbPrefix, kAlbumPicturePrefix, outcome.indexPath, fs);
    if (auto* failure = std::get_if<AlbumFailure>(&folders)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    NumberedPictures made = MakeAndNumber(
        std::get<std::vector<FoundPicture>>(probed), 1, std::get<ImageFolders>(folders), fs,
        options, outcome.problems, "the album has no index file yet.", picturesFolder);
    outcome.picturesAdded = made.pairs.size();
    outcome.thumbnailsWritten = made.pairs.size();
    if (made.failure) {
      outcome.failure = std::move(*made.failure);
      return outcome;
    }

    const AlbumHead head{FolderTitle(picturesFolder), std::string(kAlbumThumbPrefix),
                         std::string(kAlbumPicturePrefix), std::string(kAlbumSupportFolder),
                         kNewAlbumPicsPerRow};
    Result<std::unique_ptr<Folder>> albumDir = fs.OpenFolder(album);
    std::error_code error =
        albumDir ? WriteWhole(*albumDir.value(), kAlbumIndexName, NewIndexText(head, made.pairs))
                 : albumDir.error();
    if (error) {
      outcome.failure = AlbumFailed(Kind::kNotWritten, outcome.indexPath, {}, error);
      return outcome;
    }
    outcome.failure = FinishSite(outcome.indexPath, head.supportFolder, fs, options, outcome);
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, outcome.indexPath, {}, SystemError(ENOMEM));
  }
  return outcome;
}

AlbumOutcome AddPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                         FileSystem& fs, const AlbumOptions& options) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  try {
    std::variant<ChosenIndex, AlbumFailure> loaded = LoadIndex(indexPath, fs);
    if (auto* failure = std::get_if<AlbumFailure>(&loaded)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    const ChosenIndex& index = std::get<ChosenIndex>(loaded);
    Result<EntryInfo> self = fs.Inspect(indexPath, /*follow=*/false);
    if (self && self.value().kind == EntryInfo::Kind::kSymlink) {
      outcome.failure = AlbumFailed(Kind::kIndexIsLink, indexPath);
      return outcome;
    }
    if (index.head.fifthValueLine == 0) {
      outcome.failure = AlbumFailed(Kind::kHeadIncomplete, indexPath);
      return outcome;
    }
    const PictureLineNumbers numbers = PictureLinesOf(index);
    const std::string givenAs = "the files given";
    auto probed = ProbePictures(GivenPictures(sources, fs, outcome.problems), givenAs, fs, options,
                                outcome.problems);
    if (auto* failure = std::get_if<AlbumFailure>(&probed)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    const std::string siteFolder = FolderName(indexPath);
    auto folders =
        OpenImageFolders(siteFolder, index.head.ThumbPrefix, index.head.ImagePrefix, indexPath, fs);
    if (auto* failure = std::get_if<AlbumFailure>(&folders)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    NumberedPictures made = MakeAndNumber(
        std::get<std::vector<FoundPicture>>(probed),
        static_cast<std::int64_t>(numbers.lines.size()) + 1, std::get<ImageFolders>(folders), fs,
        options, outcome.problems, "the index file was left as it was.", givenAs);
    if (made.failure) {
      outcome.failure = std::move(*made.failure);
      return outcome;
    }
    const std::string added = PairsToAppend(index.text.bytes(), numbers.lastPairOpen, made.pairs);
    if (auto failure = RewriteIndex(indexPath, index, added, fs)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    outcome.picturesAdded = made.pairs.size();
    outcome.thumbnailsWritten = made.pairs.size();
    outcome.failure = FinishSite(indexPath, {}, fs, options, outcome);
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, indexPath, {}, SystemError(ENOMEM));
  }
  return outcome;
}

AlbumOutcome MakeThumbnails(const std::string& indexPath, FileSystem& fs,
                            const AlbumOptions& options) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  try {
    std::variant<ChosenIndex, AlbumFailure> loaded = LoadIndex(indexPath, fs);
    if (auto* failure = std::get_if<AlbumFailure>(&loaded)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    const ChosenIndex& index = std::get<ChosenIndex>(loaded);
    if (NamesAnotherPlace(index.head.ImagePrefix)) {
      outcome.failure = AlbumFailed(Kind::kPicturesElsewhere, indexPath);
      return outcome;
    }
    const std::string siteFolder = FolderName(indexPath);
    auto opened = OpenImageFolder(siteFolder, index.head.ThumbPrefix, indexPath, fs);
    if (auto* failure = std::get_if<AlbumFailure>(&opened)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    ImageFolder& thumbnails = std::get<ImageFolder>(opened);
    const PictureLineNumbers numbers = PictureLinesOf(index);
    const std::vector<std::size_t> toMake =
        ThumbnailsToMake(siteFolder, index, numbers, thumbnails, fs, options, outcome);

    PictureWork work(fs, options, toMake.size());
    if (std::optional<AlbumFailure> failure = toMake.empty() ? std::nullopt : work.Start()) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    std::mutex resultLock;
    work.ForEach(toMake.size(), [&](std::size_t k) {
      const std::size_t i = toMake[k];
      const auto n = static_cast<std::int64_t>(i + 1);
      const std::string picture =
          PathOnDisk(siteFolder, PictureFileName(index.head.ImagePrefix, n));
      std::optional<PictureProblem> problem;
      Result<std::unique_ptr<ReadableFile>> file = work.Open(picture);
      MadeImages made;
      if (!file) {
        made.error = Unreadable(file.error());
      } else {
        made = work.maker().MakeThumbnail(*file.value(), options.thumbnailSize);
      }
      if (!made.error) {
        if (std::error_code error =
                work.Write(*thumbnails.folder, thumbnails.FileName(n), made.thumbnail)) {
          problem = PictureProblem{.kind = PictureProblem::Kind::kNotWritten,
                                   .file = thumbnails.path + thumbnails.FileName(n),
                                   .line = numbers.lines[i],
                                   .error = error};
        }
      } else {
        problem = PictureProblem{.kind = PictureProblem::Kind::kNotAPicture,
                                 .file = picture,
                                 .line = numbers.lines[i],
                                 .picture = std::move(*made.error)};
      }
      {
        const std::lock_guard<std::mutex> hold(resultLock);
        if (!problem) {
          ++outcome.thumbnailsWritten;
        } else {
          outcome.problems.push_back(std::move(*problem));
        }
      }
      work.Done();
    });
    std::sort(outcome.problems.begin(), outcome.problems.end(),
              [](const PictureProblem& a, const PictureProblem& b) { return a.line < b.line; });
    if (StopRequested(options)) {
      outcome.failure = Stopped(options, "the thumbnails not made yet were left as they were.");
      return outcome;
    }
    outcome.failure = FinishSite(indexPath, {}, fs, options, outcome);
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, indexPath, {}, SystemError(ENOMEM));
  }
  return outcome;
}

}  // namespace quillmere
