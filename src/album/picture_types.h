// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the album knows of pictures without the image library: the boxes they are fitted within and
// how they fit (a picture within the box as it stands, a video either way round), the limits
// decided from their headers, and why one could not be read or made.
#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <string>
#include <system_error>

namespace quillmere {

// A box that a picture is fitted within, keeping its shape; a picture is never enlarged.
struct FitBox {
  int width = 0;
  int height = 0;
};

// How many times `box`, as it stands, shrinks a picture of `width` by `height` to fit it within;
// 1 for a box as large or larger.
inline double ShrinkFor(std::uint64_t width, std::uint64_t height, FitBox box) {
  return std::max(
      {1.0, static_cast<double>(width) / box.width, static_cast<double>(height) / box.height});
}

// The size of a picture of `width` by `height` fitted within `box` as it stands (never enlarged,
// never below one pixel), rounded as the image library rounds, give or take a pixel.
inline FitBox FittedSize(std::uint64_t width, std::uint64_t height, FitBox box) {
  const double shrink = ShrinkFor(width, height, box);
  auto side = [&](std::uint64_t size) {
    const double fitted = std::round(static_cast<double>(size) / shrink);
    return static_cast<int>(std::clamp(fitted, 1.0, static_cast<double>(INT_MAX)));
  };
  return {side(width), side(height)};
}

// `box` turned, where need be, to stand as a frame of `width` by `height` stands: its long side
// along the frame's long side.
inline FitBox TurnedLike(FitBox box, int width, int height) {
  const int longSide = std::max(box.width, box.height);
  const int shortSide = std::min(box.width, box.height);
  return height > width ? FitBox{shortSide, longSide} : FitBox{longSide, shortSide};
}

// Tells whether a frame of `width` by `height` fits within `box` either way round, as a video
// fits whether it stands upright or across.
inline bool FitsEitherWay(int width, int height, FitBox box) {
  const FitBox turned = TurnedLike(box, width, height);
  return width <= turned.width && height <= turned.height;
}

// The size of a frame of `width` by `height` fitted within `box` either way round (never
// enlarged), each side even and at least 2, as a video's encoder takes it.
inline FitBox FittedEitherWay(int width, int height, FitBox box) {
  const FitBox turned = TurnedLike(box, width, height);
  double scale = std::min(static_cast<double>(turned.width) / width,
                          static_cast<double>(turned.height) / height);
  scale = std::min(scale, 1.0);
  const auto even = [](double side) { return std::max(2, static_cast<int>(side / 2) * 2); };
  return {even(width * scale), even(height * scale)};
}

// The box videos are fitted within by default, either way round.
inline constexpr FitBox kDefaultVideoSize{1920, 1080};

// The longest video taken by default: ten minutes.
inline constexpr std::uint64_t kDefaultMaxVideoMilliseconds = 600'000;

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
    // The file, named as a picture, is empty.
    kEmpty,
    // The file is in no format this program reads as a picture.
    kUnknownFormat,
    // The file is a picture of `format`, for which this system has no decoder.
    kNoDecoder,
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
    // The video lasts `needed` milliseconds, longer than `limit`.
    kTooLong,
    // The file is a video whose streams (of `format`) none of this system's decoders read.
    kNoVideoDecoder,
    // The making of the video was asked to stop.
    kStopped,
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

class CommandWords;

// The words for why a picture could not be read or made, with the library's own after them
// where they were kept; a refusal for a limit names the setting in the front end's `words`.
std::string Describe(const PictureError& error, const CommandWords& words);

}  // namespace quillmere
