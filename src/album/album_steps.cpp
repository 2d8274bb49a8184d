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
  return AlbumFailedFor(kind, std::move(run));
}

// The pair of lines a picture gets: its caption from its sidecar's title, else its name; its
// description as recorded, else the date it was taken, else its caption.
PicturePair PairOf(const FoundPicture& picture) {
  PicturePair pair;
  pair.caption = MarkupText(picture.facts.title);
  // A title that would make the pair a comment, or leave its first line empty, gives way.
  if (pair.caption.empty() || pair.caption.starts_with(';')) {
    pair.caption = CaptionFromFileName(picture.name);
  }
  pair.description = MarkupText(picture.facts.description);
  if (pair.description.empty()) pair.description = DateTakenText(picture.facts.dateTaken);
  if (pair.description.empty()) pair.description = pair.caption;
  return pair;
}

// The picture and thumbnail made of `picture`, or why they could not be; memory that runs out
// fails only this picture.
MadeOrNot MakeImagesOf(const FoundPicture& picture, PictureWork& work,
                       const AlbumOptions& options) {
  try {
    Result<std::unique_ptr<ReadableFile>> file = work.Open(picture.path);
    if (!file) return Unreadable(file.error());
    const bool copyAsItIs = !options.pictureSize && picture.facts.jpeg;
    std::optional<FitBox> box = options.pictureSize;
    if (!box && !copyAsItIs) box = FitBox{kLargestSide, kLargestSide};
    return work.maker().MakePictureAndThumbnail(*file.value(), box, options.thumbnailSize,
                                                options.keepMetadata);
  } catch (const std::bad_alloc&) {
    return PictureError{.kind = PictureError::Kind::kOutOfMemory};
  }
}

// Tells whether `candidate`, which makes the same picture as `kept`, is the original of the two
// and gives the pair: it has a sidecar and `kept` has none, or its name without the extension
// starts `kept`'s ("IMG_0001" and "IMG_0001 copy").
bool KeepsOver(const FoundPicture& candidate, const FoundPicture& kept) {
  if (candidate.sidecar.empty() != kept.sidecar.empty()) return kept.sidecar.empty();
  const auto stem = [](const std::string& name) {
    return std::string_view(name).substr(0, name.rfind('.'));
  };
  return stem(kept.name).size() > stem(candidate.name).size() &&
         stem(kept.name).starts_with(stem(candidate.name));
}

// What `found` is when it is no picture, by its name and first bytes: a failure when it is a
// picture that cannot be read, a note otherwise. Reads its facts when it is a picture.
std::optional<PictureProblem> SortOut(FoundPicture& found, PictureWork& work) {
  using PKind = PictureProblem::Kind;
  using EKind = PictureError::Kind;
  const auto other = [&] { return PictureProblem{.kind = PKind::kOtherFile, .file = found.path}; };
  const auto failed = [&](PictureError error) {
    return PictureProblem{.kind = PKind::kNotAPicture, .file = found.path, .picture = error};
  };
  if (IsSidecarName(found.name)) return other();
  Result<std::unique_ptr<ReadableFile>> file = work.Open(found.path);
  if (!file) return failed(Unreadable(file.error()));
  Result<std::string> head = work.ReadHead(*file.value());
  if (!head) return failed(Unreadable(head.error()));
  // Only a file named as a picture is one that failed when its bytes are none.
  const bool named = HasPictureExtension(found.name);
  if (head.value().empty()) return named ? failed({.kind = EKind::kEmpty}) : other();
  const FileKind kind = KindOfFile(head.value());
  if (kind.kind == FileKind::Kind::kVideo) {
    return PictureProblem{
        .kind = PKind::kVideo, .file = found.path, .picture = {.format = std::string(kind.format)}};
  }
  if (kind.kind == FileKind::Kind::kOther) {
    return named ? failed({.kind = EKind::kUnknownFormat}) : other();
  }
  const std::string sidecar = found.sidecar.empty() ? "" : work.ReadSidecar(found.sidecar);
  ProbedOrNot probed = work.maker().Probe(*file.value(), sidecar);
  if (PictureError* error = probed.failure()) {
    // The library reads none of the pictures this system has no decoder for.
    if (error->kind == EKind::kUnknownFormat) {
      error->kind = EKind::kNoDecoder;
      error->format = kind.format;
    }
    return failed(std::move(*error));
  }
  found.facts = std::move(probed.value());
  // A date that is no date (a camera without a clock) orders like none.
  if (DateTakenText(found.facts.dateTaken).empty()) found.facts.dateTaken.clear();
  return std::nullopt;
}

}  // namespace

AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas) {
  const int reason = options.run.stop != nullptr ? options.run.stop->reason() : 0;
  return AlbumFailedFor(Kind::kStopped, AlbumFailure::StoppedWork{reason, std::move(leftAsItWas)});
}

Result<std::vector<FoundPicture>, AlbumFailure> ProbePictures(std::vector<FoundPicture> found,
                                                              const std::string& givenAs,
                                                              AlbumWork& work) {
  const AlbumOptions& options = work.options;
  PictureWork pictureWork(work.fs, options, 0);
  if (!found.empty()) {
    if (std::optional<AlbumFailure> failure = pictureWork.Start()) return std::move(*failure);
  }
  // What each file is other than a picture, or why it cannot be read as one; none for those that
  // are pictures, or were not reached.
  std::vector<std::optional<PictureProblem>> sorted(found.size());
  pictureWork.ForEach(found.size(),
                      [&](std::size_t i) { sorted[i] = SortOut(found[i], pictureWork); });
  std::vector<FoundPicture> pictures;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (!sorted[i]) {
      pictures.push_back(std::move(found[i]));
    } else {
      work.problems().push_back(std::move(*sorted[i]));
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
                AlbumChange& change) {
  PlanFolders(folders.pictures, change);
  PlanFolders(folders.thumbnails, change);
  for (std::int64_t n = first; n <= last; ++n) {
    change.PlanFile(folders.pictures.RelativeName(n));
    change.PlanFile(folders.thumbnails.RelativeName(n));
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

Result<NumberedPictures, AlbumFailure> MakeAndNumber(const PicturesToNumber& toNumber,
                                                     ImageFolders& folders, AlbumChange& change,
                                                     AlbumWork& work) {
  const std::vector<FoundPicture>& pictures = toNumber.pictures;
  const AlbumOptions& options = work.options;
  std::vector<PictureProblem>& problems = work.problems();
  PictureWork pictureWork(work.fs, options, pictures.size());
  if (auto failure = pictureWork.Start()) return std::move(*failure);
  for (ImageFolder* image : {&folders.pictures, &folders.thumbnails}) {
    if (auto failure = MakeImageFolder(*image, &change)) return std::move(*failure);
  }
  NumberedPictures numbered;
  std::vector<PicturePair>& pairs = numbered.pairs;
  // The picture each pair was made of.
  std::vector<std::size_t> sources;
  std::optional<AlbumFailure> writeFailure;
  auto write = [&](std::size_t i, MadeOrNot& madeOrNot) {
    const FoundPicture& picture = pictures[i];
    if (const PictureError* error = madeOrNot.failure()) {
      problems.push_back(
          {.kind = PictureProblem::Kind::kNotAPicture, .file = picture.path, .picture = *error});
      return;
    }
    if (writeFailure) return;
    const MadeImages& made = madeOrNot.value();
    if (toNumber.known != nullptr) {
      const auto readKnown = [&](std::int64_t k) {
        return pictureWork.ReadWhole(*folders.pictures.folder, folders.pictures.FileName(k));
      };
      if (auto same = toNumber.known->SameAs(made.picture, readKnown)) {
        const std::string samePath =
            folders.pictures.path + folders.pictures.FileName(same->number);
        const auto k = static_cast<std::size_t>(same->number - toNumber.first);
        // Of two files made in this run into one picture, the original gives the pair.
        const bool takesOver = same->line == 0 && KeepsOver(picture, pictures[sources[k]]);
        problems.push_back({.kind = PictureProblem::Kind::kDuplicate,
                            .file = takesOver ? pictures[sources[k]].path : picture.path,
                            .line = same->line,
                            .same = samePath});
        if (takesOver) {
          pairs[k] = PairOf(picture);
          sources[k] = i;
        }
        ++numbered.duplicates;
        return;
      }
    }
    const std::int64_t n = toNumber.first + static_cast<std::int64_t>(pairs.size());
    // The picture first, so that its thumbnail is never older than it.
    for (auto [image, bytes] : {std::pair{&folders.pictures, &made.picture},
                                std::pair{&folders.thumbnails, &made.thumbnail}}) {
      if (std::error_code error =
              pictureWork.WriteNew(change, *image, image->FileName(n), *bytes)) {
        writeFailure = AlbumFailed(Kind::kNotWritten, image->path + image->FileName(n), error);
        return;
      }
    }
    pairs.push_back(PairOf(picture));
    sources.push_back(i);
    if (picture.facts.animated) {
      problems.push_back({.kind = PictureProblem::Kind::kFirstFrame, .file = picture.path});
    }
    if (toNumber.known != nullptr) toNumber.known->Add(n, made.picture);
  };
  const unsigned threads = ThreadsFor(options);
  InOrder<MadeOrNot> inOrder(kWaitingPerThread * threads, write);
  pictureWork.ForEach(pictures.size(), [&](std::size_t i) {
    if (!inOrder.WaitForTurn(i)) return;
    inOrder.Deliver(i, MakeImagesOf(pictures[i], pictureWork, options));
    pictureWork.Done();
  });
  if (writeFailure) return std::move(*writeFailure);
  if (StopRequested(options)) return Stopped(options, "nothing was written.");
  if (pairs.empty() && numbered.duplicates == 0) {
    return AlbumFailed(Kind::kNoPictures, toNumber.givenAs);
  }
  if (std::error_code error = change.FinishFiles()) {
    return AlbumFailed(Kind::kNotWritten, folders.pictures.path, error);
  }
  return numbered;
}

std::optional<AlbumFailure> FinishSite(AlbumFolder& album, AlbumWork& work) {
  AlbumOutcome& outcome = work.outcome;
  outcome.site =
      GenerateSiteInLockedFolder(outcome.indexPath, *album.folder, work.fs, work.options.run);
  if (!outcome.site.ok()) return RunFailed(Kind::kSite, *outcome.site.failure);
  return std::nullopt;
}
void WithinMemory(AlbumOutcome& outcome, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, outcome.indexPath, SystemError(ENOMEM));
  }
}

}  // namespace quillmere
