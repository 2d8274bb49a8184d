// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What decoding a picture costs, decided from its header before a pixel is decoded: the memory
// it needs at the size it is really decoded.
#pragma once

#include <cstdint>
#include <optional>

#include "album/pictures/picture_maker.h"

namespace quillmere {

// What a picture's header tells about how it decodes.
struct PictureHeader {
  // How the format's decoder works.
  enum class Decoder {
    // Shrinks by 2, 4 or 8 while it decodes, line by line; in passes (progressive), it keeps
    // every coefficient of the whole picture.
    kJpeg,
    // Line by line; in passes (interlaced), the whole picture at once, and a part again.
    kPng,
    // Whole frames of the whole canvas, four bytes a pixel.
    kGif,
    // The whole picture at the scale asked for; an animation at its full size.
    kWebp,
    // The whole picture, decoded twice over (the codec's planes and the library's copy).
    kHeif,
    // The whole picture.
    kWhole,
  };
  Decoder decoder = Decoder::kWhole;
  // The pixels of the page or frame that is decoded.
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  int bands = 3;
  int bytesPerBand = 1;
  // Stored in passes: a progressive JPEG, an interlaced PNG.
  bool interlaced = false;
  // A JPEG whose two colour planes hold a quarter of the pixels each (4:2:0).
  bool quarterChroma = false;
  // Holds more than one frame (an animation).
  bool animated = false;
  // The file's size, read whole when it is copied as it is.
  std::uint64_t fileBytes = 0;
};

// What is made of a picture.
enum class Making {
  // The thumbnail alone, decoded for its box.
  kThumbnail,
  // The thumbnail alone with a mark drawn on it (a video's, an album's), decoded for its box.
  kMarkedThumbnail,
  // The file copied as it is, and its thumbnail decoded for its box.
  kCopyAndThumbnail,
  // The picture decoded for its box and held, and the thumbnail made from it.
  kPictureAndThumbnail,
};

// The memory, in bytes, that `making` `header`'s picture within `picture` and thumbnail within
// `thumbnail` needs at most: what its decoder holds at the size it really decodes to, what is
// made and encoded, and the making's own.
std::uint64_t DecodeCost(const PictureHeader& header, Making making, FitBox picture,
                         FitBox thumbnail);

}  // namespace quillmere
