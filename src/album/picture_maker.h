// Pictures and thumbnails made with the image library: read through the file layer, shrunk
// while they load, turned upright, in sRGB on white, stripped of metadata and encoded as JPEG
// in memory. No other part of the program sees the library.
#pragma once

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

// Makes pictures on any number of threads at once. Every read of a picture file holds `fileLock`,
// the lock that all the work's steps of the file layer share.
class PictureMaker {
 public:
  // Starts the image library once for the process: one thread inside it for each picture, no
  // cache of operations, no loaders that it does not trust with files from elsewhere, and its
  // warnings unprinted (what fails is told with the failure).
  explicit PictureMaker(std::mutex& fileLock);

  // Reads what `file` tells about itself, as a picture.
  PictureFacts Probe(ReadableFile& file);

  // Makes the picture of `file` fitted within `picture` (a copy of the file itself when none is
  // given and the file is a JPEG) and the thumbnail fitted within `thumbnail`, from one decoding.
  MadeImages MakePictureAndThumbnail(ReadableFile& file, std::optional<FitBox> picture,
                                     FitBox thumbnail);

  // Makes the thumbnail of `file`, fitted within `thumbnail`.
  MadeImages MakeThumbnail(ReadableFile& file, FitBox thumbnail);

  // Frees what the image library keeps for the calling thread, which makes no more pictures.
  static void EndOfThread();

 private:
  std::mutex& fileLock_;
};

}  // namespace quillmere
