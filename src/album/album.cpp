// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <new>
#include <variant>

#include "album/album_files.h"
#include "album/album_index.h"
#include "album/album_steps.h"
#include "album/album_text.h"
#include "album/decode_cost.h"
#include "album/parallel.h"
#include "paths/paths.h"
#include "platform/signals.h"
#include "site/jpeg_shape.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// How many made pictures may wait, per thread, for an earlier one to be written.
constexpr std::size_t kWaitingPerThread = 4;

// How many thumbnails wait for one flush of their data before they take their names.
constexpr std::size_t kThumbnailsPerFlush = 64;

// The number n of the file name `prefix` n ".jpg", or 0 when `name` is no such name.
std::int64_t PictureNumberOf(std::string_view name, std::string_view prefix) {
  if (!name.starts_with(prefix) || !name.ends_with(kPictureFileExtension)) return 0;
  name.remove_prefix(prefix.size());
  name.remove_suffix(kPictureFileExtension.size());
  std::int64_t n = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), n);
  return error == std::errc() && end == name.data() + name.size() ? n : 0;
}

AlbumFailure RunFailed(Kind kind, RunFailure run) {
  AlbumFailure failure;
  failure.kind = kind;
  failure.run = std::move(run);
  return failure;
}

bool StopRequested(const AlbumOptions& options) {
  return options.run.stop != nullptr && options.run.stop->requested();
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

  // Reads the file `name` of `folder` whole.
  Result<std::string> ReadWhole(Folder& folder, const std::string& name) {
    const std::lock_guard<std::mutex> hold(fileLock_);
    Result<std::unique_ptr<ReadableFile>> file = folder.OpenForReading(name);
    if (!file) return file.error();
    std::string bytes;
    char block[1 << 16];
    for (;;) {
      Result<std::size_t> got = file.value()->Read(block, sizeof block);
      if (!got) return got.error();
      if (got.value() == 0) return bytes;
      bytes.append(block, got.value());
    }
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
    // Without its folder, no thumbnail is there yet.
    Result<EntryInfo> thumbnail =
        thumbnails.folder ? thumbnails.folder->Inspect(name) : Result<EntryInfo>(EntryInfo{});
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

// Up to kNamesShown of `names`, then how many more there are: "a, b and 3 more".
std::string NamesText(const std::vector<std::string>& names) {
  constexpr std::size_t kNamesShown = 4;
  std::string text;
  const std::size_t shown = std::min(names.size(), kNamesShown);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) text += i + 1 == shown && shown == names.size() ? " and " : ", ";
    text += names[i];
  }
  if (names.size() > shown) text += " and " + std::to_string(names.size() - shown) + " more";
  return text;
}

std::string NamesTakenText(const AlbumFailure& failure) {
  const std::string names = NamesText(failure.names);
  const bool one = failure.names.size() == 1;
  const std::string verb = one ? " already exists" : " already exist";
  const std::string it = one ? "it" : "them";
  const std::string number = one ? "its number" : "their numbers";
  if (failure.line == 0) {
    return names + verb + ", though no line of " + failure.subject + " names " + it +
           ", and the pictures to add would take " + number + "; nothing was written. Move " + it +
           " out of the album first.";
  }
  const std::string line = std::to_string(failure.line);
  return names + verb + ", and the pictures to add would take " + number + ": the pair that line " +
         line + " of " + failure.subject +
         " drops has moved every picture after it onto the files of the one before, which no "
         "added picture must write over. Put lines and files in step first: make line " +
         line + " a caption again, then quillmere-cli --remove-pictures " + failure.subject + " " +
         failure.detail +
         " leaves that picture out and renumbers the files after it. Nothing "
         "was written.";
}

}  // namespace

AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas) {
  AlbumFailure failure = AlbumFailed(Kind::kStopped, {}, std::move(leftAsItWas));
  failure.run.stopReason = options.run.stop != nullptr ? options.run.stop->reason() : 0;
  return failure;
}

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

std::variant<ImageFolders, AlbumFailure> FindImageFolders(AlbumFolder& album,
                                                          std::string_view picturePrefix,
                                                          std::string_view thumbPrefix,
                                                          const std::string& indexPath) {
  auto pictures = FindImageFolder(album, picturePrefix, indexPath);
  if (auto* failure = std::get_if<AlbumFailure>(&pictures)) return std::move(*failure);
  auto thumbnails = FindImageFolder(album, thumbPrefix, indexPath);
  if (auto* failure = std::get_if<AlbumFailure>(&thumbnails)) return std::move(*failure);
  return ImageFolders{std::move(std::get<ImageFolder>(pictures)),
                      std::move(std::get<ImageFolder>(thumbnails))};
}

void PlanImages(const ImageFolders& folders, std::int64_t first, std::int64_t last,
                std::vector<JournalStep>& plan) {
  PlanFolders(folders.pictures, plan);
  PlanFolders(folders.thumbnails, plan);
  for (std::int64_t n = first; n <= last; ++n) {
    plan.push_back({JournalStep::Kind::kMakeFile, folders.pictures.RelativeName(n), {}});
    plan.push_back({JournalStep::Kind::kMakeFile, folders.thumbnails.RelativeName(n), {}});
  }
}

Result<std::vector<std::string>> TakenImageNames(ImageFolders& folders, std::int64_t first,
                                                 std::int64_t last) {
  Result<std::vector<std::string>> taken = TakenNames(folders.pictures, first, last);
  if (!taken) return taken;
  Result<std::vector<std::string>> thumbnails = TakenNames(folders.thumbnails, first, last);
  if (!thumbnails) return thumbnails;
  for (std::string& name : thumbnails.value()) taken.value().push_back(std::move(name));
  return taken;
}

NumberedPictures MakeAndNumber(const std::vector<FoundPicture>& pictures, std::int64_t firstNumber,
                               ImageFolders& folders, AlbumChange& change, FileSystem& fs,
                               const AlbumOptions& options, std::vector<PictureProblem>& problems,
                               const std::string& givenAs, KnownPictures* known) {
  PictureWork work(fs, options, pictures.size());
  NumberedPictures numbered{{}, 0, work.Start()};
  if (numbered.failure) return numbered;
  for (ImageFolder* image : {&folders.pictures, &folders.thumbnails}) {
    numbered.failure = MakeImageFolder(*image, &change);
    if (numbered.failure) return numbered;
  }
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
    if (known != nullptr) {
      const auto readKnown = [&](std::int64_t k) {
        return work.ReadWhole(*folders.pictures.folder, folders.pictures.FileName(k));
      };
      if (std::optional<KnownPictures::Same> same = known->SameAs(made.picture, readKnown)) {
        problems.push_back(
            {.kind = PictureProblem::Kind::kDuplicate,
             .file = picture.path,
             .line = same->line,
             .same = folders.pictures.path + folders.pictures.FileName(same->number)});
        ++numbered.duplicates;
        return;
      }
    }
    const std::int64_t n = firstNumber + static_cast<std::int64_t>(pairs.size());
    // The picture first, so that its thumbnail is never older than it.
    for (auto [image, bytes] : {std::pair{&folders.pictures, &made.picture},
                                std::pair{&folders.thumbnails, &made.thumbnail}}) {
      if (std::error_code error = work.WriteNew(change, *image, image->FileName(n), *bytes)) {
        writeFailure = AlbumFailed(Kind::kNotWritten, image->path + image->FileName(n), {}, error);
        return;
      }
    }
    pairs.push_back(PairOf(picture));
    if (known != nullptr) known->Add(n, made.picture);
  };
  const unsigned threads = ThreadsFor(options);
  InOrder<MadeImages> inOrder(kWaitingPerThread * threads, write);
  work.ForEach(pictures.size(), [&](std::size_t i) {
    if (!inOrder.WaitForTurn(i)) return;
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
    writeFailure = Stopped(options, "nothing was written.");
  } else if (pairs.empty() && numbered.duplicates == 0) {
    writeFailure = AlbumFailed(Kind::kNoPictures, givenAs);
  } else if (std::error_code error = change.FinishFiles()) {
    writeFailure = AlbumFailed(Kind::kNotWritten, folders.pictures.path, {}, error);
  }
  return numbered;
}

AlbumFailure FinishSite(const std::string& indexPath, AlbumFolder& album, FileSystem& fs,
                        const AlbumOptions& options, AlbumOutcome& outcome) {
  outcome.site = GenerateSiteInLockedFolder(indexPath, *album.folder, fs, options.run);
  if (!outcome.site.ok()) return RunFailed(Kind::kSite, outcome.site);
  return {};
}

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
    case PKind::kDuplicate:
      return "makes the same picture as " + problem.same +
             ", which the album holds already: left out";
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
      return "The folder " + subject + " already holds " + NamesText(failure.names) +
             ", which a new album would write; nothing was written. Choose an empty or a new "
             "folder.";
    case Kind::kNamesTaken:
      return NamesTakenText(failure);
    case Kind::kAlbumFolder:
      return Describe(failure.run);
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
    case Kind::kNoSuchPicture:
      return "There is no picture " + failure.detail + " in " + subject + ", which has " +
             std::to_string(failure.line) + (failure.line == 1 ? " picture" : " pictures") +
             "; nothing was changed.";
    case Kind::kNotAFile:
      return subject +
             " is not a regular file, so the pictures cannot be renumbered; nothing was changed.";
    case Kind::kNoTrash:
      return subject + " cannot be moved to the desktop's trash: " + ErrorText(failure.error) +
             "; nothing was changed.";
    case Kind::kNotRenamed:
      return "Could not rename " + subject + " to " + failure.detail + ": " +
             ErrorText(failure.error) + "; what was renamed was renamed back.";
    case Kind::kLinesWouldJoin:
      return "Index file " + subject +
             " has a line that ends in CR alone before one that ends in LF, and moving its pairs "
             "would join them; nothing was changed. Give its lines one kind of end first.";
    case Kind::kNotFinished:
      return failure.detail + " holds the change, but " + subject +
             " could not be moved away: " + ErrorText(failure.error) +
             ". The next album command on it finishes the change; --remove-pictures --delete "
             "finishes it by deleting.";
  }
  return "";
}

AlbumOutcome MakeThumbnails(const std::string& indexPath, FileSystem& fs,
                            const AlbumOptions& options) {
  AlbumOutcome outcome;
  outcome.indexPath = indexPath;
  try {
    auto opened = OpenAlbumFolder(FolderAsGiven(indexPath), fs, options);
    if (auto* failure = std::get_if<AlbumFailure>(&opened)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    AlbumFolder& album = std::get<AlbumFolder>(opened);
    std::variant<ChosenIndex, AlbumFailure> loaded = LoadAlbumIndex(indexPath, album, fs);
    if (auto* failure = std::get_if<AlbumFailure>(&loaded)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    const ChosenIndex& index = std::get<ChosenIndex>(loaded);
    if (NamesAnotherPlace(index.head.ImagePrefix)) {
      outcome.failure = AlbumFailed(Kind::kPicturesElsewhere, indexPath);
      return outcome;
    }
    auto found = FindImageFolder(album, index.head.ThumbPrefix, indexPath);
    if (auto* failure = std::get_if<AlbumFailure>(&found)) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    ImageFolder& thumbnails = std::get<ImageFolder>(found);
    const PictureLineNumbers numbers = PictureLinesOf(index);
    const std::vector<std::size_t> toMake =
        ThumbnailsToMake(album.path, index, numbers, thumbnails, fs, options, outcome);

    PictureWork work(fs, options, toMake.size());
    std::optional<AlbumFailure> failure;
    if (!toMake.empty()) failure = work.Start();
    if (!failure && !toMake.empty()) failure = MakeImageFolder(thumbnails, nullptr);
    if (failure) {
      outcome.failure = std::move(*failure);
      return outcome;
    }
    std::mutex resultLock;
    // A thumbnail that cannot take its name is listed with its picture's line.
    FileBatch batch(kThumbnailsPerFlush, [&](const std::string& name, std::error_code error) {
      const std::int64_t n = PictureNumberOf(name, thumbnails.namePrefix);
      const std::lock_guard<std::mutex> hold(resultLock);
      --outcome.thumbnailsWritten;
      outcome.problems.push_back(
          {.kind = PictureProblem::Kind::kNotWritten,
           .file = thumbnails.path + name,
           .line = n > 0 ? numbers.lines[static_cast<std::size_t>(n - 1)] : 0,
           .error = error});
    });
    work.ForEach(toMake.size(), [&](std::size_t k) {
      const std::size_t i = toMake[k];
      const auto n = static_cast<std::int64_t>(i + 1);
      const std::string picture =
          PathOnDisk(album.path, PictureFileName(index.head.ImagePrefix, n));
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
                work.Replace(batch, *thumbnails.folder, thumbnails.FileName(n), made.thumbnail)) {
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
    // The thumbnails made before a stop or a failure take their place too.
    if (std::error_code error = work.Finish(batch)) {
      outcome.failure = AlbumFailed(Kind::kNotWritten, thumbnails.path, {}, error);
      return outcome;
    }
    std::sort(outcome.problems.begin(), outcome.problems.end(),
              [](const PictureProblem& a, const PictureProblem& b) { return a.line < b.line; });
    if (StopRequested(options)) {
      outcome.failure = Stopped(options, "the thumbnails not made yet were left as they were.");
      return outcome;
    }
    outcome.failure = FinishSite(indexPath, album, fs, options, outcome);
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, indexPath, {}, SystemError(ENOMEM));
  }
  return outcome;
}

}  // namespace quillmere
