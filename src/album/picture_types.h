// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the album knows of pictures without the image library: the boxes they are fitted within,
// the limits decided from their headers, and why one could not be read or made.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>

namespace quillmere {

// A box that a picture is fitted within, keeping its shape; a picture is never enlarged.
struct FitBox {
  int width = 0;
  int height = 0;
};

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
