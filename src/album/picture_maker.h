// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures and thumbnails made with the image library: read through the file layer, shrunk
// while they load, turned upright, in sRGB on white, stripped of metadata and encoded as JPEG
// in memory. The library and all it needs live in a module of their own (vips_pictures.cpp),
// loaded at the first picture, so that a run without pictures does not pay for loading them.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace quillmere {

// A box that a picture is fitted within, keeping its shape; a picture is never enlarged.
struct FitBox {
  int width = 0;
  int height = 0;
};

// The largest side the image library takes: fitted within it, a picture keeps its size.
inline constexpr int kLargestSide = 10'000'000;

// What a picture file tells about itself without being decoded.
struct PictureFacts {
  // True when it is a JPEG, which can be copied as it is.
  bool jpeg = false;
  // When it was taken, as recorded ("2024:06:01 14:03:22"); empty when it records none.
  std::string dateTaken;
  // The description it records; empty when none.
  std::string description;
  // Why it cannot be read as a picture; empty when it can.
  std::string error;
};

// A picture and its thumbnail as JPEG bytes.
struct MadeImages {
  // The picture; empty when none was asked for.
  std::string picture;
  std::string thumbnail;
  // Why they could not be made; both are empty then.
  std::string error;
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
  // the thumbnail fitted within `thumbnail`, without metadata, from one decoding.
  virtual MadeImages MakePictureAndThumbnail(ReadableFile& file, std::optional<FitBox> picture,
                                             FitBox thumbnail, bool keepMetadata) = 0;

  // Makes the thumbnail of `file`, fitted within `thumbnail`.
  virtual MadeImages MakeThumbnail(ReadableFile& file, FitBox thumbnail) = 0;

  // Frees what the image library keeps for the calling thread, which makes no more pictures.
  virtual void EndOfThread() = 0;
};

// The name of the function of the module that makes a PictureMaker whose reads hold the lock it
// is given: PictureMaker* (std::mutex*), the caller owning the maker.
inline constexpr const char* kNewPictureMakerSymbol = "QuillmereNewPictureMaker";

// The name of the module's function that ends the image library for the process: void ().
inline constexpr const char* kEndPictureLibrarySymbol = "QuillmereEndPictureLibrary";

// The module's file name, found at the same path from the program's folder in the build tree and
// where it is installed.
inline constexpr const char* kPictureModuleName = "quillmere-pictures.so";

// Loads the module once for the process and makes a maker whose reads hold `fileLock`; none,
// with the reason in `error`, when the module cannot be loaded.
std::unique_ptr<PictureMaker> LoadPictureMaker(std::mutex& fileLock, std::string& error);

// Ends the image library, its threads included, where the module was loaded; no picture can be
// made after it. For the end of a program.
void EndPictureLibrary();

}  // namespace quillmere
