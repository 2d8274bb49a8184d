// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The shape of JPEG files read from their markers, on files whose bytes the test puts together
// marker by marker.
#include "site/jpeg_shape.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::TempFolder;
using testing::WriteFile;

std::string Big16(unsigned value) {
  return {static_cast<char>(value >> 8), static_cast<char>(value & 0xFF)};
}

// A marker segment: the marker `code`, its length and `data`.
std::string Segment(unsigned code, const std::string& data) {
  return "\xFF" + std::string(1, static_cast<char>(code)) +
         Big16(static_cast<unsigned>(data.size()) + 2) + data;
}

// A frame header of `code` (SOF0, SOF2, ...) declaring `width` by `height` in three components.
std::string Frame(unsigned code, unsigned width, unsigned height) {
  return Segment(code, "\x08" + Big16(height) + Big16(width) + std::string("\x03\x01\x22\x00", 4) +
                           std::string("\x02\x11\x01\x03\x11\x01", 6));
}

// An APP1 segment of EXIF data recording `orientation`, in Motorola or Intel byte order.
std::string ExifOrientation(unsigned orientation, bool intel) {
  auto u16 = [&](unsigned v) {
    return intel ? std::string{static_cast<char>(v), static_cast<char>(v >> 8)} : Big16(v);
  };
  auto u32 = [&](unsigned v) {
    return intel ? u16(v & 0xFFFF) + u16(v >> 16) : u16(v >> 16) + u16(v & 0xFFFF);
  };
  std::string tiff = (intel ? "II" : "MM") + u16(42) + u32(8);
  // Two entries: the resolution unit, then the orientation.
  tiff += u16(2) + u16(0x0128) + u16(3) + u32(1) + u16(2) + u16(0) + u16(0x0112) + u16(3) + u32(1) +
          u16(orientation) + u16(0) + u32(0);
  return Segment(0xE1, std::string("Exif\0\0", 6) + tiff);
}

const std::string kStart = "\xFF\xD8";
const std::string kEnd = "\xFF\xD9";
const std::string kScan =
    Segment(0xDA, std::string("\x03\x01\x00\x02\x11\x03\x11\x00\x3F\x00", 10)) + "\x12\x34\x56";

TEST(JpegShape, IsReadFromTheMarkersAndTheLastBytes) {
  struct Case {
    const char* what;
    std::string bytes;
    std::optional<JpegShape> shape;
  };
  const std::string jfif =
      Segment(0xE0, std::string("JFIF\0\x01\x01\x00\x00\x01\x00\x01\x00\x00", 14));
  const std::string tables =
      Segment(0xDB, std::string(65, '\x01')) + Segment(0xC4, std::string(30, '\x02'));
  const std::string xmp = Segment(0xE1, "http://ns.adobe.com/xap/1.0/" + std::string(60000, ' '));
  const std::vector<Case> cases = {
      {"baseline", kStart + jfif + tables + Frame(0xC0, 640, 480) + kScan + kEnd,
       JpegShape{640, 480, 1, true}},
      {"progressive, turned by Motorola EXIF",
       kStart + ExifOrientation(6, false) + Frame(0xC2, 4000, 3000) + kScan + kEnd,
       JpegShape{4000, 3000, 6, true}},
      {"Intel EXIF after a long XMP segment",
       kStart + xmp + ExifOrientation(8, true) + tables + Frame(0xC1, 100, 67) + kScan + kEnd,
       JpegShape{100, 67, 8, true}},
      {"fill bytes and a marker standing alone",
       kStart + "\xFF\x01\xFF\xFF\xFF" + Frame(0xC0, 1, 65535) + kScan + kEnd,
       JpegShape{1, 65535, 1, true}},
      {"an orientation beyond 8",
       kStart + ExifOrientation(9, true) + Frame(0xC0, 5, 7) + kScan + kEnd,
       JpegShape{5, 7, 1, true}},
      {"cut short", kStart + jfif + Frame(0xC0, 640, 480) + kScan, JpegShape{640, 480, 1, false}},
      {"empty", "", std::nullopt},
      {"a PNG", "\x89PNG\r\n\x1A\n", std::nullopt},
      {"the scan before a frame header", kStart + tables + kScan + kEnd, std::nullopt},
      {"a frame header of no height", kStart + Frame(0xC0, 640, 0) + kScan + kEnd, std::nullopt},
      {"a segment running past the end", kStart + jfif + "\xFF\xE2\xFF\xFF" + std::string(100, 'x'),
       std::nullopt},
      {"bytes where a marker belongs", kStart + jfif + "garbage" + Frame(0xC0, 640, 480) + kEnd,
       std::nullopt},
  };
  TempFolder dir;
  PosixFileSystem fs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(dir / "shape.jpg", c.bytes);
    Result<std::unique_ptr<ReadableFile>> file = fs.OpenForReading(dir / "shape.jpg");
    ASSERT_TRUE(file.ok());
    Result<std::optional<JpegShape>> shape = ReadJpegShape(*file.value(), c.bytes.size());
    ASSERT_TRUE(shape.ok()) << shape.error().message();
    ASSERT_EQ(shape.value().has_value(), c.shape.has_value());
    if (!c.shape) continue;
    EXPECT_EQ(shape.value()->width, c.shape->width);
    EXPECT_EQ(shape.value()->height, c.shape->height);
    EXPECT_EQ(shape.value()->orientation, c.shape->orientation);
    EXPECT_EQ(shape.value()->complete, c.shape->complete);
    const bool turned = c.shape->orientation >= 5;
    EXPECT_EQ(shape.value()->UprightWidth(), turned ? c.shape->height : c.shape->width);
  }
}

}  // namespace
}  // namespace quillmere
