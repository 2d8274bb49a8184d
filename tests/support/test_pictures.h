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
};

// Writes a JPEG with detail in every part (so that a truncated copy misses some) to `path`.
void WriteTestJpeg(const std::string& path, const TestJpeg& jpeg);

// Writes a PNG of `width` by `height` with an alpha channel: its left half fully transparent,
// its right half opaque red.
void WriteTestPngWithTransparency(const std::string& path, int width, int height);

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
