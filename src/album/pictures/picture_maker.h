// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures and thumbnails made with the image library: read through the file layer, checked
// against the limits from their headers, shrunk while they load, turned upright, converted to
// sRGB on white, stripped of metadata and encoded as JPEG in memory. The library and all it
// needs live in a module of their own (vips_pictures.cpp), loaded at the first picture, so that
// a run without pictures does not pay for loading them.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "album/picture_types.h"
#include "platform/file_system.h"

namespace quillmere {

// What a picture file tells about itself without being decoded.
struct PictureFacts {
  // True when it is a JPEG, which can be copied as it is.
  bool jpeg = false;
  // When it was taken, as recorded ("2024:06:01 14:03:22"); empty when it records none.
  std::string dateTaken;
  // The zone of dateTaken as recorded ("+10:00"); empty for a time taken as local time.
  std::string zoneTaken;
  // The description its sidecar or else the picture records whole, as UTF-8 where it says its
  // character set and as its bytes where it does not; empty when none.
  std::string description;
  // The title its sidecar records, as UTF-8; empty when none.
  std::string title;
  // True when it holds more than one frame, of which the first is taken.
  bool animated = false;
};

// What probing a picture gives: what it tells about itself, or why it cannot be read as one.
using ProbedOrNot = Result<PictureFacts, PictureError>;

// A picture and its thumbnail as JPEG bytes.
struct MadeImages {
  // The picture; empty when none was asked for.
  std::string picture;
  std::string thumbnail;
};

// What making a picture gives: its images, or why they could not be made.
using MadeOrNot = Result<MadeImages, PictureError>;

// The mark drawn on a thumbnail that tells what its entry is.
enum class ThumbnailMark {
  // None: the entry is a picture.
  kNone,
  // A round mark with a triangle at its middle: the entry is a video.
  kPlay,
  // A small stack of frames at its lower right corner: the entry is an album of its own.
  kAlbum,
};

// Makes pictures on any number of threads at once. Every read of a picture file holds the lock
// that all the work's steps of the file layer share.
class PictureMaker {
 public:
  virtual ~PictureMaker() = default;

  // Reads what `file` tells about itself, as a picture, and what the bytes `sidecarXmp` of its XMP
  // sidecar (empty for none) tell about it before that.
  virtual ProbedOrNot Probe(ReadableFile& file, std::string_view sidecarXmp) = 0;

  // Makes the picture of `file` fitted within `picture` (a copy of the file itself when none is
  // given and the file is a JPEG), carrying the file's metadata when `keepMetadata` says so, and
  // the thumbnail fitted within `thumbnail`, without metadata, from one decoding; refuses a
  // picture over the limits.
  virtual MadeOrNot MakePictureAndThumbnail(ReadableFile& file, std::optional<FitBox> picture,
                                            FitBox thumbnail, bool keepMetadata) = 0;

  // Makes the thumbnail of `file`, fitted within `thumbnail`, with `mark` drawn on it; refuses a
  // picture over the limits.
  virtual MadeOrNot MakeThumbnail(ReadableFile& file, FitBox thumbnail, ThumbnailMark mark) = 0;

  // Makes the picture of the upright 8-bit RGB rows `rgb`, `width` by `height` (a video's
  // poster), fitted within `picture`, and its thumbnail fitted within `thumbnail` with the play
  // mark on it.
  virtual MadeOrNot MakeFromPixels(std::string_view rgb, int width, int height, FitBox picture,
                                   FitBox thumbnail) = 0;

  // Frees what the image library keeps for the calling thread, which makes no more pictures.
  virtual void EndOfThread() = 0;
};

// What every picture a maker makes keeps to.
struct PictureRules {
  PictureLimits limits;
  // Whether a failure keeps the image library's own words (for --verbose); taking them costs the
  // failed picture's work a second time, alone.
  bool libraryText = false;
};

// Loads the module once for the process and makes a maker whose reads hold `fileLock` and that
// keeps to `rules`; the error (kNoModule, kNotStarted) when it cannot.
Result<std::unique_ptr<PictureMaker>, PictureError> LoadPictureMaker(std::mutex& fileLock,
                                                                     const PictureRules& rules);

// Ends the image library, its threads included, where the module was loaded; no picture can be
// made after it. For the end of a program.
void EndPictureLibrary();

}  // namespace quillmere
