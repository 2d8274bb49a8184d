// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/jpeg_shape.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace quillmere {
namespace {

// How far from its end the end-of-image marker of a whole JPEG is looked for.
constexpr std::uint64_t kEndSearched = 4096;

// The bytes read at once: every marker segment fits, and the markers of most files lie in the
// first of them.
constexpr std::size_t kWindow = 65536;

// How many marker segments are walked before the frame header at most; real files have a few
// dozen.
constexpr int kMostSegments = 4096;

// The EXIF tag of the orientation, and its type (a 16-bit number).
constexpr unsigned kOrientationTag = 0x0112;
constexpr unsigned kShortType = 3;

// A file read through a window of kWindow bytes, moved as the reading goes on.
class Window {
 public:
  Window(ReadableFile& file, std::uint64_t size) : file_(file), size_(size) {}

  // The `count` bytes (at most kWindow) from `offset`; null when the file ends before them or a
  // read fails (error() tells which).
  const unsigned char* Get(std::uint64_t offset, std::size_t count) {
    if (count > kWindow || offset > size_ || size_ - offset < count) return nullptr;
    if (offset < start_ || offset + count > start_ + bytes_.size()) {
      if (!Fill(offset)) return nullptr;
    }
    return reinterpret_cast<const unsigned char*>(bytes_.data()) + (offset - start_);
  }

  // Why a read failed; empty when none did.
  std::error_code error() const { return error_; }

 private:
  bool Fill(std::uint64_t offset) {
    bytes_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(kWindow, size_ - offset)));
    start_ = offset;
    Result<std::size_t> got = ReadFullyAt(file_, bytes_.data(), bytes_.size(), offset);
    if (!got) {
      error_ = got.error();
      bytes_.clear();
      return false;
    }
    bytes_.resize(got.value());
    return true;
  }

  ReadableFile& file_;
  std::uint64_t size_;
  std::uint64_t start_ = 0;
  std::string bytes_;
  std::error_code error_;
};

unsigned Big16(const unsigned char* at) {
  return static_cast<unsigned>(at[0]) << 8 | at[1];
}

// Tells whether `marker` starts a frame header, which declares the picture's size: SOF0 to SOF15
// but DHT (C4), JPG (C8) and DAC (CC).
bool IsFrameHeader(unsigned marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Tells whether `marker` stands alone, without a length and data after it.
bool StandsAlone(unsigned marker) {
  return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

// The orientation that the EXIF data `tiff` (`size` bytes from the TIFF header on) records in
// its first directory; 1 when it records none or none that is valid.
int OrientationIn(const unsigned char* tiff, std::size_t size) {
  if (size < 8) return 1;
  const bool little = tiff[0] == 'I' && tiff[1] == 'I';
  if (!little && !(tiff[0] == 'M' && tiff[1] == 'M')) return 1;
  auto u16 = [&](std::size_t at) {
    return little ? static_cast<unsigned>(tiff[at + 1]) << 8 | tiff[at] : Big16(tiff + at);
  };
  auto u32 = [&](std::size_t at) {
    return little ? std::uint64_t{u16(at + 2)} << 16 | u16(at)
                  : std::uint64_t{u16(at)} << 16 | u16(at + 2);
  };
  const std::uint64_t directory = u32(4);
  if (directory + 2 > size) return 1;
  const unsigned entries = u16(static_cast<std::size_t>(directory));
  for (unsigned i = 0; i < entries; ++i) {
    const std::uint64_t entry = directory + 2 + 12 * std::uint64_t{i};
    if (entry + 12 > size) break;
    const auto at = static_cast<std::size_t>(entry);
    if (u16(at) == kOrientationTag && u16(at + 2) == kShortType) {
      const unsigned value = u16(at + 8);
      return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
  }
  return 1;
}

// The orientation recorded in the APP1 segment `data` (`size` bytes), when it holds EXIF data;
// none when it holds something else.
std::optional<int> ExifOrientation(const unsigned char* data, std::size_t size) {
  static constexpr char kExif[] = "Exif\0";
  if (size < sizeof kExif || std::memcmp(data, kExif, sizeof kExif) != 0) return std::nullopt;
  return OrientationIn(data + sizeof kExif, size - sizeof kExif);
}

// Walks the marker segments of `window` from the start to the frame header; none when the file
// is no JPEG or its picture data comes first.
std::optional<JpegShape> WalkMarkers(Window& window) {
  const unsigned char* start = window.Get(0, 2);
  if (start == nullptr || start[0] != 0xFF || start[1] != 0xD8) return std::nullopt;
  JpegShape shape;
  bool orientationRead = false;
  std::uint64_t offset = 2;
  for (int segment = 0; segment < kMostSegments; ++segment) {
    const unsigned char* fill = window.Get(offset, 1);
    if (fill == nullptr || *fill != 0xFF) return std::nullopt;
    // Any number of 0xFF bytes may come before a marker.
    const unsigned char* marker = fill;
    while (marker != nullptr && *marker == 0xFF) marker = window.Get(++offset, 1);
    if (marker == nullptr || *marker == 0x00) return std::nullopt;
    const unsigned code = *marker;
    ++offset;
    if (StandsAlone(code)) continue;
    if (code == 0xD9 || code == 0xDA) return std::nullopt;
    const unsigned char* length = window.Get(offset, 2);
    if (length == nullptr || Big16(length) < 2) return std::nullopt;
    const std::size_t dataSize = Big16(length) - 2;
    if (IsFrameHeader(code)) {
      const unsigned char* frame = window.Get(offset + 2, 5);
      if (frame == nullptr) return std::nullopt;
      shape.height = static_cast<int>(Big16(frame + 1));
      shape.width = static_cast<int>(Big16(frame + 3));
      if (shape.width == 0 || shape.height == 0) return std::nullopt;
      return shape;
    }
    if (code == 0xE1 && !orientationRead) {
      if (const unsigned char* data = window.Get(offset + 2, dataSize)) {
        if (std::optional<int> orientation = ExifOrientation(data, dataSize)) {
          shape.orientation = *orientation;
          orientationRead = true;
        }
      }
    }
    offset += 2 + dataSize;
  }
  return std::nullopt;
}

}  // namespace

Result<std::optional<JpegShape>> ReadJpegShape(ReadableFile& file, std::uint64_t size) {
  Window window(file, size);
  std::optional<JpegShape> shape = WalkMarkers(window);
  if (window.error()) return window.error();
  if (!shape) return shape;
  // The end-of-image marker closes the file, or stands a little before its end where a camera
  // wrote a few bytes of its own after it; picture data never holds those two bytes.
  const std::uint64_t tail = std::min<std::uint64_t>(size > 2 ? size - 2 : 0, kEndSearched);
  std::string last(static_cast<std::size_t>(tail), '\0');
  Result<std::size_t> got = ReadFullyAt(file, last.data(), last.size(), size - tail);
  if (!got) return got.error();
  last.resize(got.value());
  shape->complete = last.find("\xFF\xD9") != std::string::npos;
  return shape;
}

}  // namespace quillmere
