// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures made by tests with libvips, and what tests read back from the pictures a run wrote.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillmere::testing {

// A JPEG to make: its stored size, and what it records about itself.
struct TestJpeg {
  TestJpeg(int w = 160, int h = 120, int turn = 1, std::string date = {}, std::string text = {},
           bool withPlace = false)
      : width(w),
        height(h),
        orientation(turn),
        dateTaken(std::move(date)),
        description(std::move(text)),
        place(withPlace) {}

  int width;
  int height;
  // The EXIF orientation: 1 upright, 6 to be turned a quarter clockwise to stand upright.
  int orientation;
  // When it was taken, "YYYY:MM:DD HH:MM:SS", and its description; none when empty.
  std::string dateTaken;
  std::string description;
  // Whether it records the place it was taken.
  bool place;
  // The zone of its date, "+10:00"; none when empty.
  std::string zoneTaken{};
};

// Writes a JPEG with detail in every part (so that a truncated copy misses some) to `path`.
void WriteTestJpeg(const std::string& path, const TestJpeg& jpeg);

// Writes a PNG of `width` by `height` with an alpha channel: its left half fully transparent,
// its right half opaque red.
void WriteTestPngWithTransparency(const std::string& path, int width, int height);

// The texts a test JPEG records about itself, each as its raw bytes; a text left empty is not
// recorded.
struct RecordedTexts {
  // EXIF ImageDescription, as stored (any bytes but NUL).
  std::string imageDescription;
  // EXIF UserComment, its eight-byte character code first.
  std::string userComment;
  // EXIF XPComment, as stored (UTF-16 in Intel order).
  std::string xpComment;
  // XMP dc:description, UTF-8 text, as its x-default alternative after a German one.
  std::string xmpDescription;
};

// Writes a small JPEG whose EXIF and XMP segments, made here byte by byte, record `texts`, in
// Intel byte order (or Motorola's when `motorola`).
void WriteJpegWithTexts(const std::string& path, const RecordedTexts& texts, bool motorola = false);

// The raw EXIF data and the XMP packet that record `texts`, as the image library hands them over
// from such a JPEG.
std::string RawExif(const RecordedTexts& texts, bool motorola = false);
std::string RawXmp(const std::string& description);

// Writes a GIF of 35 bytes whose one frame declares `width` by `height` pixels.
void WriteGifDeclaring(const std::string& path, int width, int height);

// Writes a whole, valid PNG of `width` by `height` black pixels of one bit each: a file of a few
// hundred KB that decodes to a picture of thousands of MB.
void WritePngBomb(const std::string& path, int width, int height);

// Writes a PNG of `width` by `height` in one colour, stored in passes when `interlaced`.
void WriteFlatPng(const std::string& path, int width, int height, bool interlaced);

// Writes a GIF of `width` by `height` in one colour.
void WriteFlatGif(const std::string& path, int width, int height);

// Writes a picture in one colour, the sRGB colour `srgb` stored in Adobe RGB (1998) with that
// profile embedded; a JPEG or a PNG by the name's extension.
void WriteAdobeRgbPicture(const std::string& path, const std::vector<double>& srgb);

// Writes a JPEG in the one colour `rgb` without a colour profile.
void WriteFlatJpeg(const std::string& path, const std::vector<double>& rgb);

// Writes a HEIC picture in the one colour `rgb`.
void WriteFlatHeic(const std::string& path, const std::vector<double>& rgb);

// Writes a GIF of two frames.
void WriteAnimatedGif(const std::string& path);

// Writes a CMYK JPEG in the one colour `cmyk` (0 to 255 each) without a colour profile.
void WriteCmykJpeg(const std::string& path, const std::vector<double>& cmyk);

// What a written picture is, decoded whole.
struct PictureInfo {
  int width = 0;
  int height = 0;
  int bands = 0;
  // The names of the metadata fields it carries beyond its pixels (EXIF, XMP, ICC, ...).
  std::vector<std::string> metadata;
  // The loader that read it, "jpegload" for a JPEG.
  std::string loader;
  // The EXIF orientation it records, 1 (upright) when none.
  int orientation = 1;
};

// Decodes the picture at `path` whole; none when it cannot be read to its last pixel.
std::optional<PictureInfo> ReadPicture(const std::string& path);

// The values of the pixel at `x`, `y` of the picture at `path`.
std::vector<double> PixelOf(const std::string& path, int x, int y);

}  // namespace quillmere::testing
