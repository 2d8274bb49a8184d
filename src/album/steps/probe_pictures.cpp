// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/probe_pictures.h"

#include <map>
#include <optional>

#include "album/pictures/file_kind.h"
#include "album/steps/picture_work.h"
#include "album/text/album_text.h"
#include "site/video_container.h"

namespace quillmere {
namespace {

// The longest video that a Live Photo holds beside its still.
constexpr std::uint64_t kLivePhotoMilliseconds = 3000;

// The length of the video `file` of `kind` in milliseconds, where its header tells; 0 otherwise.
std::uint64_t LengthOf(ReadableFile& file, const FileKind& kind) {
  if (kind.format != "QuickTime" && kind.format != "MP4") return 0;
  Result<std::optional<std::uint64_t>> length = ReadMp4Milliseconds(file, file.AsOpened().size);
  return length && length.value() ? *length.value() : 0;
}

// The folder and the name without its extension of `path`, in lower case: what a Live Photo's
// still and video share.
std::string LivePhotoKey(const std::string& path) {
  const std::size_t slash = path.rfind('/') + 1;
  const std::size_t dot = path.rfind('.');
  const std::size_t end = dot != std::string::npos && dot > slash ? dot : path.size();
  return path.substr(0, slash) + LowerCaseName(path.substr(slash, end - slash));
}

// Names the short videos among `problems` that stand beside a still of `found` with their name
// as the videos of Live Photos; the stills are the files of `found` without a problem.
void FindLivePhotos(const std::vector<FoundPicture>& found,
                    std::vector<std::optional<PictureProblem>>& problems) {
  std::map<std::string, const std::string*> stills;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (!problems[i]) stills.emplace(LivePhotoKey(found[i].path), &found[i].path);
  }
  for (std::optional<PictureProblem>& problem : problems) {
    if (!problem || problem->kind != PictureProblem::Kind::kVideo || problem->milliseconds == 0 ||
        problem->milliseconds > kLivePhotoMilliseconds) {
      continue;
    }
    if (auto still = stills.find(LivePhotoKey(problem->file)); still != stills.end()) {
      problem->kind = PictureProblem::Kind::kLivePhotoVideo;
      problem->same = *still->second;
    }
  }
}

// Reads what the video `found` tells about itself, where this system has the video libraries;
// `left` (a note that it is a video) becomes none when it is an entry, or the failure when it
// cannot be one.
void SortOutVideo(FoundPicture& found, std::optional<PictureProblem>& left, PictureWork& work) {
  Result<VideoMaker*, PictureError> videos = work.Videos();
  if (!videos) {
    left->picture.libraryText = Describe(videos.error(), WordsWithoutSteps());
    return;
  }
  Result<std::unique_ptr<ReadableFile>> file = work.files().Open(found.path);
  Result<VideoFacts, PictureError> facts =
      file ? videos.value()->Probe(*file.value()) : Unreadable(file.error());
  if (PictureError* error = facts.failure()) {
    // A file of a video's container that holds no video (a voice memo, a song with its cover) is
    // another file.
    if (error->kind == PictureError::Kind::kUnknownFormat) {
      left = PictureProblem{.kind = PictureProblem::Kind::kOtherFile, .file = found.path};
      return;
    }
    if (error->format.empty()) error->format = left->picture.format;
    left = PictureProblem{
        .kind = PictureProblem::Kind::kNotAVideo, .file = found.path, .picture = *error};
    return;
  }
  // A video is dated and described by the time it was recorded, as a picture by its EXIF date.
  found.facts.dateTaken = facts.value().dateTaken;
  found.facts.zoneTaken = facts.value().zoneTaken;
  found.video = std::move(facts.value());
  left.reset();
}

// What `found` is when it is no picture, by its name and first bytes: a failure when it is a
// picture that cannot be read, a note otherwise. Reads its facts when it is a picture.
std::optional<PictureProblem> SortOut(FoundPicture& found, PictureWork& work) {
  using PKind = PictureProblem::Kind;
  using EKind = PictureError::Kind;
  const auto other = [&] { return PictureProblem{.kind = PKind::kOtherFile, .file = found.path}; };
  const auto failed = [&](PictureError error) {
    return PictureProblem{
        .kind = PKind::kNotAPicture, .file = found.path, .picture = std::move(error)};
  };
  if (IsSidecarName(found.name)) return other();
  Result<std::unique_ptr<ReadableFile>> file = work.files().Open(found.path);
  if (!file) return failed(Unreadable(file.error()));
  Result<std::string> head = work.files().ReadHead(*file.value());
  if (!head) return failed(Unreadable(head.error()));
  // Only a file named as a picture is one that failed when its bytes are none.
  const bool named = HasPictureExtension(found.name);
  if (head.value().empty()) return named ? failed({.kind = EKind::kEmpty}) : other();
  const FileKind kind = KindOfFile(head.value());
  if (kind.kind == FileKind::Kind::kVideo) {
    return PictureProblem{.kind = PKind::kVideo,
                          .file = found.path,
                          .picture = {.format = std::string(kind.format)},
                          .milliseconds = LengthOf(*file.value(), kind)};
  }
  if (kind.kind == FileKind::Kind::kOther) {
    return named ? failed({.kind = EKind::kUnknownFormat}) : other();
  }
  const std::string sidecar = found.sidecar.empty() ? "" : work.files().ReadSidecar(found.sidecar);
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

Result<std::vector<FoundPicture>, AlbumFailure> ProbePictures(std::vector<FoundPicture> found,
                                                              const std::string& givenAs,
                                                              AlbumWork& work) {
  const AlbumOptions& options = work.options;
  PictureWork pictureWork(work.fs, options, 0);
  if (!found.empty()) {
    if (auto done = pictureWork.Start(); !done) return std::move(*done.failure());
  }
  // What each file is other than a picture, or why it cannot be read as one; none for those that
  // are pictures, or were not reached.
  std::vector<std::optional<PictureProblem>> sorted(found.size());
  pictureWork.ForEach(found.size(),
                      [&](std::size_t i) { sorted[i] = SortOut(found[i], pictureWork); });
  // A Live Photo's video is left out before it is read as a video.
  FindLivePhotos(found, sorted);
  std::vector<std::size_t> videos;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (sorted[i] && sorted[i]->kind == PictureProblem::Kind::kVideo) videos.push_back(i);
  }
  pictureWork.ForEach(videos.size(), [&](std::size_t v) {
    SortOutVideo(found[videos[v]], sorted[videos[v]], pictureWork);
  });
  std::vector<FoundPicture> pictures;
  for (std::size_t i = 0; i < found.size(); ++i) {
    if (!sorted[i]) {
      pictures.push_back(std::move(found[i]));
    } else {
      work.problems().push_back(std::move(*sorted[i]));
    }
  }
  if (StopRequested(options)) return Stopped(options, "nothing was written.");
  if (pictures.empty()) return AlbumFailure::NoPictures{givenAs};
  OrderPictures(pictures);
  return pictures;
}

}  // namespace quillmere
