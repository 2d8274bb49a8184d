// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Making the pictures of an album command and numbering them: each picture is recognised as one
// the album holds (from the pictures made before, without decoding it) or made on one of the
// work's threads, then handed on in its order to be left out as a duplicate or written under its
// number.
#include "album/steps/numbering.h"

#include <algorithm>
#include <new>

#include "album/steps/picture_work.h"
#include "album/steps/work_count.h"
#include "index/picture_section.h"

namespace quillmere {
namespace {

using PKind = PictureProblem::Kind;

// How many made pictures may wait, per thread, for an earlier one to be written.
constexpr std::size_t kWaitingPerThread = 4;

// The pair of lines a picture gets: its caption from its sidecar's title, else its name; its
// description as recorded, else the date it was taken, else its caption.
PicturePair PairOf(const FoundPicture& picture) {
  PicturePair pair;
  pair.caption = MarkupText(picture.facts.title);
  // A title that would make the pair a comment, or leave its first line empty, gives way.
  if (PairDropOf(pair.caption) != PairDrop::kNone) {
    pair.caption = CaptionFromFileName(picture.name);
  }
  pair.description = MarkupText(picture.facts.description);
  if (pair.description.empty()) pair.description = DateTakenText(picture.facts.dateTaken);
  if (pair.description.empty()) pair.description = pair.caption;
  return pair;
}

// The picture and thumbnail made of `picture` from its opened `file`, or why they could not be;
// memory that runs out fails only this picture.
MadeOrNot MakeImagesOf(const FoundPicture& picture, ReadableFile& file, PictureWork& work,
                       const AlbumOptions& options) {
  try {
    const bool copyAsItIs = !options.pictureSize && picture.facts.jpeg;
    std::optional<FitBox> box = options.pictureSize;
    if (!box && !copyAsItIs) box = FitBox{kLargestSide, kLargestSide};
    return work.maker().MakePictureAndThumbnail(file, box, options.thumbnailSize,
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

// The pictures made before, as the work's threads share them.
class SharedMadePictures {
 public:
  explicit SharedMadePictures(MadePicturesCache* cache) : cache_(cache) {}

  // Whether there are any to look up and add to.
  bool on() const { return cache_ != nullptr; }

  std::optional<MadeMark> Lookup(const ContentHash& original) {
    const std::lock_guard<std::mutex> hold(lock_);
    return cache_->Lookup(original);
  }

  void Remember(const ContentHash& original, const MadeMark& made) {
    const std::lock_guard<std::mutex> hold(lock_);
    cache_->Remember(original, made);
  }

 private:
  MadePicturesCache* cache_;
  std::mutex lock_;
};

// What became of one picture on its thread: known as one the album holds, or made (or not), and
// the hash of its original where it was read; for a video, its file written but not yet named,
// and that file's size and hash.
struct PictureOutcome {
  std::optional<KnownPictures::Same> known;
  // Whether `known` is the album's own file, given back byte for byte.
  bool own = false;
  std::optional<ContentHash> original;
  MadeOrNot made = PictureError{};
  std::unique_ptr<NewFile> video;
  MadeMark videoMade{};
};

// A video's new file, measured as it is written so that it can be read back whole.
class MeasuredNewFile final : public NewFile {
 public:
  explicit MeasuredNewFile(std::unique_ptr<NewFile> inner) : inner_(std::move(inner)) {}

  // How many bytes the file holds.
  std::uint64_t size() const { return size_; }

  Result<void> Write(const char* data, std::size_t size) override {
    Result<void> written = inner_->Write(data, size);
    if (written) size_ += size;
    return written;
  }
  Result<void> WriteAt(const char* data, std::size_t size, std::uint64_t offset) override {
    Result<void> written = inner_->WriteAt(data, size, offset);
    if (written) size_ = std::max(size_, offset + size);
    return written;
  }
  Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) override {
    return inner_->ReadAt(data, size, offset);
  }
  Result<void> PutInPlace(std::string_view name, const Placement& placement) override {
    return inner_->PutInPlace(name, placement);
  }

 private:
  std::unique_ptr<NewFile> inner_;
  std::uint64_t size_ = 0;
};

// The progress of picture `i`, a video: counted as it goes, and going as long as the work is not
// asked to stop.
class VideoGoing final : public VideoProgress {
 public:
  VideoGoing(const AlbumOptions& options, WorkCount& count, std::size_t i)
      : options_(options), count_(count), i_(i) {}
  bool Going(double done) override {
    count_.Partly(i_, done);
    return !StopRequested(options_);
  }

 private:
  const AlbumOptions& options_;
  WorkCount& count_;
  std::size_t i_;
};

// The work each of `pictures` takes, its videos weighed by their length; none where there is no
// video, and each picture takes the same.
std::vector<double> WeightsOf(const std::vector<FoundPicture>& pictures, FitBox videoSize) {
  std::vector<double> weights;
  if (std::none_of(pictures.begin(), pictures.end(), [](const auto& p) { return p.video; })) {
    return weights;
  }
  weights.reserve(pictures.size());
  for (const FoundPicture& picture : pictures) {
    weights.push_back(picture.video ? VideoWeight(*picture.video, videoSize) : 1.0);
  }
  return weights;
}

// Makes the pictures of one command and numbers them, as MakeAndNumber does.
class Numbering {
 public:
  Numbering(const PicturesToNumber& toNumber, ImageFolders& folders, AlbumChange& change,
            AlbumWork& work)
      : toNumber_(toNumber),
        folders_(folders),
        change_(change),
        work_(work),
        pictureWork_(work.fs, work.options, toNumber.pictures.size()),
        remembered_(work.remembered) {}

  Result<NumberedPictures, AlbumFailure> Run();

 private:
  // What becomes of picture `i`, on one of the work's threads.
  PictureOutcome Recognise(std::size_t i);
  // The album's entry whose own file picture `i`'s opened `file` is byte for byte, or none; the
  // file is hashed (into `outcome`) only where the album has a file of its size.
  std::optional<KnownPictures::Same> OwnFileOf(std::size_t i, ReadableFile& file,
                                               PictureOutcome& outcome);
  // Hands on picture `i`'s outcome, in the pictures' order.
  void HandOn(std::size_t i, PictureOutcome& outcome);
  // Leaves picture `i`, made as `outcome` says, out where it repeats a picture of the album or
  // one made before it (a video where it repeats a video); tells whether it did.
  bool LeftOutAsDuplicate(std::size_t i, const PictureOutcome& outcome);
  // Writes picture `i`, made as `outcome` says (and its video, where it is one), under the next
  // number.
  void Write(std::size_t i, PictureOutcome& outcome);
  // Makes the poster, thumbnail and video of picture `i`, a video, from its opened `file`.
  MadeOrNot MakeVideoEntry(std::size_t i, ReadableFile& file, PictureOutcome& outcome);
  // The hash of the album's file `name` in its pictures' folder, read in parts.
  Result<ContentHash> HashKnown(const std::string& name) {
    return pictureWork_.files().HashFile(*folders_.pictures.folder, name);
  }
  // Reads the album's picture `number` whole.
  Result<std::string> ReadKnown(std::int64_t number) {
    return pictureWork_.files().ReadWhole(*folders_.pictures.folder,
                                          folders_.pictures.FileName(number));
  }

  const PicturesToNumber& toNumber_;
  ImageFolders& folders_;
  AlbumChange& change_;
  AlbumWork& work_;
  PictureWork pictureWork_;
  SharedMadePictures remembered_;
  NumberedPictures numbered_;
  // The picture each pair was made of.
  std::vector<std::size_t>& sources_ = numbered_.sources;
  std::optional<AlbumFailure> writeFailure_;
};

PictureOutcome Numbering::Recognise(std::size_t i) {
  const FoundPicture& picture = toNumber_.pictures[i];
  PictureOutcome outcome;
  // One opening of the original serves its hash and its making.
  Result<std::unique_ptr<ReadableFile>> file = pictureWork_.files().Open(picture.path);
  if (!file) {
    outcome.made = Unreadable(file.error());
    return outcome;
  }
  // A video is told from others by its original's content.
  if (remembered_.on() || picture.video) {
    Result<ContentHash> original = pictureWork_.files().HashOriginal(*file.value());
    if (original) outcome.original = original.value();
  }
  outcome.known = OwnFileOf(i, *file.value(), outcome);
  if (outcome.known) {
    outcome.own = true;
    return outcome;
  }
  if (outcome.original && toNumber_.known != nullptr) {
    if (std::optional<MadeMark> made = remembered_.Lookup(*outcome.original)) {
      outcome.known = picture.video
                          ? toNumber_.known->HoldsVideo(
                                *made, [&](const std::string& name) { return HashKnown(name); })
                          : toNumber_.known->HoldsMade(
                                *made, [&](std::int64_t number) { return ReadKnown(number); });
      if (outcome.known) return outcome;
    }
  }
  // A video is remembered by its file, a picture by itself.
  outcome.made = picture.video ? MakeVideoEntry(i, *file.value(), outcome)
                               : MakeImagesOf(picture, *file.value(), pictureWork_, work_.options);
  return outcome;
}

std::optional<KnownPictures::Same> Numbering::OwnFileOf(std::size_t i, ReadableFile& file,
                                                        PictureOutcome& outcome) {
  const bool video = toNumber_.pictures[i].video.has_value();
  const std::uint64_t size = file.AsOpened().size;
  if (toNumber_.own == nullptr || !toNumber_.own->HoldsFileSized(size, video)) return std::nullopt;
  if (!outcome.original) {
    Result<ContentHash> original = pictureWork_.files().HashOriginal(file);
    if (!original) return std::nullopt;
    outcome.original = original.value();
  }
  const MadeMark mark{size, *outcome.original};
  return video ? toNumber_.own->HoldsVideo(mark,
                                           [&](const std::string& name) { return HashKnown(name); })
               : toNumber_.own->HoldsMade(mark,
                                          [&](std::int64_t number) { return ReadKnown(number); });
}

MadeOrNot Numbering::MakeVideoEntry(std::size_t i, ReadableFile& file, PictureOutcome& outcome) {
  const FoundPicture& picture = toNumber_.pictures[i];
  const AlbumOptions& options = work_.options;
  Result<VideoMaker*, PictureError> videos = pictureWork_.Videos();
  if (!videos) return videos.error();
  Result<std::unique_ptr<NewFile>> created = pictureWork_.files().CreateFile(folders_.pictures);
  if (!created) return Unreadable(created.error());
  auto video = std::make_unique<MeasuredNewFile>(std::move(created.value()));
  VideoGoing going(options, pictureWork_.count(), i);
  Result<VideoFrame, PictureError> poster =
      videos.value()->Make(file, *picture.video, *video, going);
  if (!poster) return poster.error();
  Result<MadeMark> mark = pictureWork_.files().MarkOfNew(*video, video->size());
  if (!mark) return Unreadable(mark.error());
  outcome.videoMade = mark.value();
  MadeOrNot made = pictureWork_.maker().MakeFromPixels(
      poster.value().rgb, poster.value().width, poster.value().height,
      options.pictureSize.value_or(FitBox{kLargestSide, kLargestSide}), options.thumbnailSize);
  if (made) outcome.video = std::move(video);
  return made;
}

void Numbering::HandOn(std::size_t i, PictureOutcome& outcome) {
  const FoundPicture& picture = toNumber_.pictures[i];
  const std::string& picturesPath = folders_.pictures.path;
  if (outcome.known) {
    work_.problems().push_back(
        {.kind = outcome.own ? PKind::kOwnFile : PKind::kInAlbum,
         .file = picture.path,
         .line = outcome.known->line,
         .same = picturesPath + folders_.pictures.FileName(outcome.known->number),
         .video = picture.video.has_value()});
    ++numbered_.duplicates;
    return;
  }
  if (const PictureError* error = outcome.made.failure()) {
    work_.problems().push_back({.kind = picture.video ? PKind::kNotAVideo : PKind::kNotAPicture,
                                .file = picture.path,
                                .picture = *error});
    return;
  }
  if (writeFailure_) return;
  const MadeImages& made = outcome.made.value();
  if (outcome.original && remembered_.on()) {
    remembered_.Remember(*outcome.original, picture.video ? outcome.videoMade
                                                          : MadeMark{made.picture.size(),
                                                                     HashOfContent(made.picture)});
  }
  if (!LeftOutAsDuplicate(i, outcome)) Write(i, outcome);
}

bool Numbering::LeftOutAsDuplicate(std::size_t i, const PictureOutcome& outcome) {
  if (toNumber_.known == nullptr) return false;
  std::optional<KnownPictures::Same> same =
      toNumber_.pictures[i].video
          ? toNumber_.known->SameVideoAs({outcome.original, outcome.videoMade},
                                         [&](const std::string& name) { return HashKnown(name); })
          : toNumber_.known->SameAs(outcome.made.value().picture,
                                    [&](std::int64_t number) { return ReadKnown(number); });
  if (!same) return false;
  const std::vector<FoundPicture>& pictures = toNumber_.pictures;
  const std::string samePath = folders_.pictures.path + folders_.pictures.FileName(same->number);
  const bool video = pictures[i].video.has_value();
  if (same->line != 0) {
    work_.problems().push_back({.kind = PKind::kInAlbum,
                                .file = pictures[i].path,
                                .line = same->line,
                                .same = samePath,
                                .video = video});
    ++numbered_.duplicates;
    return true;
  }
  // Of two files made in this run into one picture, the original gives the pair.
  const auto k = static_cast<std::size_t>(same->number - toNumber_.first);
  const bool takesOver = KeepsOver(pictures[i], pictures[sources_[k]]);
  work_.problems().push_back({.kind = PKind::kDuplicate,
                              .file = pictures[takesOver ? sources_[k] : i].path,
                              .same = samePath,
                              .video = video});
  if (takesOver) {
    numbered_.pairs[k] = PairOf(pictures[i]);
    sources_[k] = i;
  }
  ++numbered_.duplicates;
  return true;
}

void Numbering::Write(std::size_t i, PictureOutcome& outcome) {
  const FoundPicture& picture = toNumber_.pictures[i];
  const MadeImages& made = outcome.made.value();
  std::unique_ptr<NewFile> video = std::move(outcome.video);
  const std::int64_t n = toNumber_.first + static_cast<std::int64_t>(numbered_.pairs.size());
  // The picture first, so that its thumbnail is never older than it.
  for (auto [image, bytes] : {std::pair{&folders_.pictures, &made.picture},
                              std::pair{&folders_.thumbnails, &made.thumbnail}}) {
    if (std::error_code error =
            pictureWork_.files().WriteNew(change_, *image, image->FileName(n), *bytes).error()) {
      writeFailure_ = AlbumFailure::NotWritten{image->path + image->FileName(n), error};
      return;
    }
  }
  if (video) {
    ImageFolder& pictures = folders_.pictures;
    std::string name = pictures.FileName(n, picture.video->extension);
    const std::error_code error =
        pictureWork_.files().AddFile(change_, std::move(video), pictures, name).error();
    if (error) {
      writeFailure_ = AlbumFailure::NotWritten{pictures.path + name, error};
      return;
    }
    ++numbered_.videos;
  }
  numbered_.pairs.push_back(PairOf(picture));
  sources_.push_back(i);
  if (picture.facts.animated) {
    work_.problems().push_back({.kind = PKind::kFirstFrame, .file = picture.path});
  }
  if (toNumber_.known != nullptr && picture.video) {
    toNumber_.known->AddVideo(n, {outcome.original, outcome.videoMade});
  } else if (toNumber_.known != nullptr) {
    toNumber_.known->Add(n, made.picture);
  }
}

Result<NumberedPictures, AlbumFailure> Numbering::Run() {
  const AlbumOptions& options = work_.options;
  if (auto done = pictureWork_.Start(); !done) return std::move(*done.failure());
  pictureWork_.count().Weigh(WeightsOf(toNumber_.pictures, options.videoSize));
  for (ImageFolder* image : {&folders_.pictures, &folders_.thumbnails}) {
    if (auto done = MakeImageFolder(*image, &change_); !done) return std::move(*done.failure());
  }
  InOrder<PictureOutcome> inOrder(
      kWaitingPerThread * ThreadsFor(options),
      [&](std::size_t i, PictureOutcome& outcome) { HandOn(i, outcome); });
  pictureWork_.ForEach(toNumber_.pictures.size(), [&](std::size_t i) {
    if (!inOrder.WaitForTurn(i)) return;
    inOrder.Deliver(i, Recognise(i));
    pictureWork_.count().Done(i);
  });
  if (writeFailure_) return std::move(*writeFailure_);
  if (StopRequested(options)) return Stopped(options, "nothing was written.");
  if (numbered_.pairs.empty() && numbered_.duplicates == 0) {
    return AlbumFailure::NoPictures{toNumber_.givenAs};
  }
  if (std::error_code error = change_.FinishFiles().error()) {
    return AlbumFailure::NotWritten{folders_.pictures.path, error};
  }
  return std::move(numbered_);
}

}  // namespace

Result<NumberedPictures, AlbumFailure> MakeAndNumber(const PicturesToNumber& toNumber,
                                                     ImageFolders& folders, AlbumChange& change,
                                                     AlbumWork& work) {
  return Numbering(toNumber, folders, change, work).Run();
}

std::optional<MadePicturesCache> LoadMadePictures(const AlbumOptions& options, FileSystem& fs) {
  if (!options.rememberPictures) return std::nullopt;
  std::optional<std::string> home = UserCacheFolder();
  if (!home) return std::nullopt;
  return MadePicturesCache::Load(fs, *home);
}

void UseMadePictures(AlbumWork& work, std::optional<MadePicturesCache>& own) {
  if (work.options.sharedMadePictures != nullptr) {
    work.remembered = work.options.sharedMadePictures;
    return;
  }
  own = LoadMadePictures(work.options, work.fs);
  work.remembered = own ? &*own : nullptr;
}

void WithSharedMadePictures(const AlbumOptions& options, FileSystem& fs, AlbumOutcome& outcome,
                            const std::function<void(const AlbumOptions&)>& work) {
  std::optional<MadePicturesCache> remembered;
  WithinMemory(outcome, [&] { remembered = LoadMadePictures(options, fs); });
  if (!outcome.ok()) return;
  AlbumOptions sharing = options;
  sharing.sharedMadePictures = remembered ? &*remembered : nullptr;
  work(sharing);
  SaveMadePictures(remembered, fs);
}

void SaveMadePictures(std::optional<MadePicturesCache>& remembered, FileSystem& fs) {
  if (remembered) static_cast<void>(remembered->Save(fs));
}

}  // namespace quillmere
