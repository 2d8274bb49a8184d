// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures and thumbnails made with the image library: read through the file layer, checked
// against the limits from their headers, shrunk while they load, turned upright, converted to
// sRGB on white, stripped of metadata and encoded as JPEG in memory. The library and all it
// needs live in a module of their own (vips_pictures.cpp), loaded at the first picture, so that
// a run without pictures does not pay for loading them.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <variant>

#include "platform/file_system.h"

namespace quillmere {

// A box that a picture is fitted within, keeping its shape; a picture is never enlarged.
struct FitBox {
  int width = 0;
  int height = 0;
};

// The largest side the image library takes: fitted within it, a picture keeps its size.
inline constexpr int kLargestSide = 10'000'000;

// The most pixels a picture may declare by default: 16383 by 16383.
inline constexpr std::uint64_t kDefaultMaxPixels = 268'402'689;

// The memory the making of one picture may need by default: 512 MiB.
inline constexpr std::uint64_t kDefaultMaxMemory = std::uint64_t{512} << 20;

// How far the making of one picture may go, decided from its header before it is decoded.
struct PictureLimits {
  std::uint64_t maxPixels = kDefaultMaxPixels;
  // In bytes.
  std::uint64_t maxMemory = kDefaultMaxMemory;
};

// Why a picture could not be read or made.
struct PictureError {
  enum class Kind {
    // A step of the file layer failed, for `file`.
    kUnreadable,
    // The file is in no format this program reads as a picture.
    kUnknownFormat,
    // The file starts as a picture of `format`, but its header cannot be read.
    kBadHeader,
    // The file ends before its picture of `format` does.
    kTruncated,
    // The picture data of `format` is damaged.
    kDamaged,
    // The picture declares `width` by `height` pixels, more than `limit`.
    kTooManyPixels,
    // Making the picture would need `needed` bytes of memory, more than `limit`.
    kTooMuchMemory,
    // Memory ran out while the picture was made.
    kOutOfMemory,
    // The module with the image library could not be loaded; `libraryText` tells why.
    kNoModule,
    // The image library could not start.
    kNotStarted,
  };
  Kind kind = Kind::kUnknownFormat;
  // The format the file was read as ("JPEG", "PNG", ...); empty when none was found.
  std::string format{};
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  std::uint64_t needed = 0;
  std::uint64_t limit = 0;
  std::error_code file{};
  // The image library's (or the system's loader's) own words, kept only when they were asked
  // for; never needed to tell one kind from another.
  std::string libraryText{};
};

// The error of a file layer step that failed for `error`.
inline PictureError Unreadable(std::error_code error) {
  PictureError unreadable;
  unreadable.kind = PictureError::Kind::kUnreadable;
  unreadable.file = error;
  return unreadable;
}

// The words for why a picture could not be read or made, with the library's own after them
// where they were kept.
std::string Describe(const PictureError& error);

// What a picture file tells about itself without being decoded.
struct PictureFacts {
  // True when it is a JPEG, which can be copied as it is.
  bool jpeg = false;
  // When it was taken, as recorded ("2024:06:01 14:03:22"); empty when it records none.
  std::string dateTaken;
  // The description it records whole, as UTF-8 where it says its character set and as its bytes
  // where it does not; empty when none.
  std::string description;
  // Why it cannot be read as a picture; none when it can.
  std::optional<PictureError> error;
};

// A picture and its thumbnail as JPEG bytes.
struct MadeImages {
  // The picture; empty when none was asked for.
  std::string picture;
  std::string thumbnail;
  // Why they could not be made; both are empty then.
  std::optional<PictureError> error;
};

// Makes pictures on any number of threads at once. Every read of a picture file holds the lock
// that all the work's steps of the file layer share.
class PictureMaker {
 public:
  virtual ~PictureMaker() = default;

  // Reads what `file` tells about itself, as a picture.
  virtual PictureFacts Probe(ReadableFile& file) = 0;

  // Makes the picture of `file` fitted within `picture` (a copy of the file itself when none is
  // given and the file is a JPEG), carrying the file's metadata when `keepMetadata` says so, and
  // the thumbnail fitted within `thumbnail`, without metadata, from one decoding; refuses a
  // picture over the limits.
  virtual MadeImages MakePictureAndThumbnail(ReadableFile& file, std::optional<FitBox> picture,
                                             FitBox thumbnail, bool keepMetadata) = 0;

  // Makes the thumbnail of `file`, fitted within `thumbnail`; refuses a picture over the limits.
  virtual MadeImages MakeThumbnail(ReadableFile& file, FitBox thumbnail) = 0;

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

// The module's function that makes a PictureMaker whose reads hold `fileLock` and that keeps to
// `rules`; null when the image library cannot start. The caller owns the maker.
using NewPictureMakerFunction = PictureMaker*(std::mutex* fileLock, const PictureRules* rules);

// The module's function that ends the image library for the process.
using EndPictureLibraryFunction = void();

// The module's entry points, defined by the module alone (which exports them) and found in it by
// their names; a definition of another type does not compile.
extern "C" {
NewPictureMakerFunction QuillmereNewPictureMaker;
EndPictureLibraryFunction QuillmereEndPictureLibrary;
}

// The names of the module's entry points.
inline constexpr const char* kNewPictureMakerSymbol = "QuillmereNewPictureMaker";
inline constexpr const char* kEndPictureLibrarySymbol = "QuillmereEndPictureLibrary";

// The module's file name, found at the same path from the program's folder in the build tree and
// where it is installed.
inline constexpr const char* kPictureModuleName = "quillmere-pictures.so";

// Loads the module once for the process and makes a maker whose reads hold `fileLock` and that
// keeps to `rules`; the error (kNoModule, kNotStarted) when it cannot.
Result<std::unique_ptr<PictureMaker>, PictureError> LoadPictureMaker(std::mutex& fileLock,
                                                                     const PictureRules& rules);

// Ends the image library, its threads included, where the module was loaded; no picture can be
// made after it. For the end of a program.
void EndPictureLibrary();

}  // namespace quillmere
