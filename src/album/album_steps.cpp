// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/album_steps.h"

#include <new>

#include "album/picture_work.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// How many made pictures may wait, per thread, for an earlier one to be written.
constexpr std::size_t kWaitingPerThread = 4;

AlbumFailure RunFailed(Kind kind, RunFailure run) {
  AlbumFailure failure;
  failure.kind = kind;
  failure.cause = std::move(run);
  return failure;
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

}  // namespace

AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas) {
  AlbumFailure failure = AlbumFailed(Kind::kStopped, {}, std::move(leftAsItWas));
  failure.stopReason = options.run.stop != nullptr ? options.run.stop->reason() : 0;
  return failure;
}

Result<std::vector<FoundPicture>, AlbumFailure> ProbePictures(
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

Result<ImageFolders, AlbumFailure> FindImageFolders(AlbumFolder& album,
                                                    std::string_view picturePrefix,
                                                    std::string_view thumbPrefix,
                                                    const std::string& indexPath) {
  auto pictures = FindImageFolder(album, picturePrefix, indexPath);
  if (auto* failure = pictures.failure()) return std::move(*failure);
  auto thumbnails = FindImageFolder(album, thumbPrefix, indexPath);
  if (auto* failure = thumbnails.failure()) return std::move(*failure);
  return ImageFolders{std::move(pictures.value()), std::move(thumbnails.value())};
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

std::optional<AlbumFailure> FinishSite(const std::string& indexPath, AlbumFolder& album,
                                       FileSystem& fs, const AlbumOptions& options,
                                       AlbumOutcome& outcome) {
  outcome.site = GenerateSiteInLockedFolder(indexPath, *album.folder, fs, options.run);
  if (!outcome.site.ok()) return RunFailed(Kind::kSite, *outcome.site.failure);
  return std::nullopt;
}

void WithinMemory(AlbumOutcome& outcome, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, outcome.indexPath, {}, SystemError(ENOMEM));
  }
}

}  // namespace quillmere
