// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/pictures/decode_cost.h"

#include <algorithm>
#include <cmath>

namespace quillmere {
namespace {

using Decoder = PictureHeader::Decoder;

// What the making of any picture holds beside its pixels: the decoders' tables, the resizing's
// caches, the buffers of the encoder.
constexpr std::uint64_t kPictureOverhead = std::uint64_t{16} << 20;

// The lines a decoder that goes line by line holds at once, with the caches of the shrinking
// after it, at most (measured: about 1200 for a picture 16000 pixels wide).
constexpr std::uint64_t kStreamedLines = 2048;

// A made picture is 8-bit sRGB.
constexpr std::uint64_t kMadeBands = 3;

// The factor a JPEG is shrunk by while it decodes for a picture shrunk `shrink` times: the
// largest of 1, 2, 4 and 8 that leaves at least a factor of two to the resizing after it.
std::uint64_t JpegShrink(double shrink) {
  return shrink >= 16 ? 8 : shrink >= 8 ? 4 : shrink >= 4 ? 2 : 1;
}

std::uint64_t DividedUp(std::uint64_t size, double by) {
  return static_cast<std::uint64_t>(std::ceil(static_cast<double>(size) / by));
}

// The lines of `width` pixels of `bytesPerPixel` that a decoder going line by line holds.
std::uint64_t StreamedBytes(std::uint64_t width, std::uint64_t height,
                            std::uint64_t bytesPerPixel) {
  return std::min(height, kStreamedLines) * width * bytesPerPixel;
}

// The memory that decoding `header` for a picture fitted within `box` holds at once.
std::uint64_t DecodedBytes(const PictureHeader& header, FitBox box) {
  const std::uint64_t w = header.width;
  const std::uint64_t h = header.height;
  const auto bytesPerPixel = static_cast<std::uint64_t>(header.bands) * header.bytesPerBand;
  const double shrink = ShrinkFor(w, h, box);
  switch (header.decoder) {
    case Decoder::kJpeg: {
      const std::uint64_t by = JpegShrink(shrink);
      const std::uint64_t lines =
          StreamedBytes(DividedUp(w, static_cast<double>(by)),
                        DividedUp(h, static_cast<double>(by)), bytesPerPixel);
      if (!header.interlaced) return lines;
      // Two bytes for each coefficient of each plane, the colour planes maybe at a quarter, and
      // an eighth more for the decoder's own buffers.
      const std::uint64_t planeBytes = header.quarterChroma && header.bands == 3
                                           ? 3
                                           : 2 * static_cast<std::uint64_t>(header.bands);
      return w * h * planeBytes * 9 / 8 + lines;
    }
    case Decoder::kPng:
      // Stored in passes, the picture is decoded whole, with the rows of the passes beside it.
      return header.interlaced ? w * h * bytesPerPixel * 5 / 4 : StreamedBytes(w, h, bytesPerPixel);
    case Decoder::kGif:
      // The canvas, and a part of it again for the frame being drawn.
      return w * h * 4 * 5 / 4;
    case Decoder::kWebp:
      if (header.animated) return w * h * 4 * 2;
      return DividedUp(w, shrink) * DividedUp(h, shrink) * 4;
    case Decoder::kHeif:
      return w * h * bytesPerPixel * 5 / 2;
    case Decoder::kWhole:
      break;
  }
  return w * h * bytesPerPixel;
}

// The bytes of a made picture of `size` in memory, and of its JPEG at most as many again.
std::uint64_t MadeBytes(FitBox size) {
  return static_cast<std::uint64_t>(size.width) * static_cast<std::uint64_t>(size.height) *
         kMadeBands * 2;
}

}  // namespace

std::uint64_t DecodeCost(const PictureHeader& header, Making making, FitBox picture,
                         FitBox thumbnail) {
  const bool withPicture = making == Making::kPictureAndThumbnail;
  const std::uint64_t decoded = DecodedBytes(header, withPicture ? picture : thumbnail);
  const std::uint64_t made = withPicture
                                 ? MadeBytes(FittedSize(header.width, header.height, picture))
                             : making == Making::kCopyAndThumbnail ? header.fileBytes
                                                                   : 0;
  return decoded + made + MadeBytes(FittedSize(header.width, header.height, thumbnail)) +
         kPictureOverhead;
}

}  // namespace quillmere
