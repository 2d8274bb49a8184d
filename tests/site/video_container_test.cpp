// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/video_container.h"

#include <gtest/gtest.h>

#include <string>

#include "support/temp_folder.h"

namespace quillmere {
namespace {

std::string Big32(std::uint32_t value) {
  return {static_cast<char>(value >> 24), static_cast<char>(value >> 16),
          static_cast<char>(value >> 8), static_cast<char>(value)};
}

// An MP4 box of `type` holding `data`; `declared` bytes long when it says so, or 0 for "to the
// end of the file".
std::string Box(const std::string& type, const std::string& data, long declared = -1) {
  const auto size = declared >= 0 ? static_cast<std::uint32_t>(declared)
                                  : static_cast<std::uint32_t>(data.size() + 8);
  return Big32(size) + type + data;
}

// A Matroska header, then a segment whose size is `declared` (8 bytes), followed by `data`.
std::string Webm(std::uint64_t declared, const std::string& data) {
  std::string segment = "\x18\x53\x80\x67\x01";
  for (int shift = 48; shift >= 0; shift -= 8) segment += static_cast<char>(declared >> shift);
  return std::string("\x1A\x45\xDF\xA3\x84webm", 9) + segment + data;
}

TEST(VideoContainer, IsReadFromTheTopLevelBoxesOrTheSegment) {
  const std::string ftyp = Box("ftyp", std::string("isom\0\0\0\0isomavc1", 16));
  const std::string moov = Box("moov", Box("mvhd", std::string(100, '\0')));
  const std::string large = Big32(1) + "mdat" + std::string(4, '\0') + Big32(20) + "abcd";
  const struct {
    const char* what;
    std::string bytes;
    VideoContainer expected;
  } cases[] = {
      {"an MP4 whose boxes end with it", ftyp + moov + Box("mdat", "frames"),
       VideoContainer::kWhole},
      {"a QuickTime file, its last box to the end", Box("wide", "") + moov + Box("mdat", "x", 0),
       VideoContainer::kWhole},
      {"a box of 64-bit size", ftyp + moov + large, VideoContainer::kWhole},
      {"a copy cut off in its frames", ftyp + moov + Box("mdat", "frames", 1000),
       VideoContainer::kCutShort},
      {"a copy cut off in a box's header", ftyp + moov + std::string(2, '\0'),
       VideoContainer::kCutShort},
      {"frames without their index", ftyp + Box("mdat", "frames"), VideoContainer::kNoIndex},
      {"a box shorter than its header", ftyp + Box("moov", "", 4), VideoContainer::kNotAVideo},
      {"text", "just some words, not a video", VideoContainer::kNotAVideo},
      {"a WebM file", Webm(5, "12345"), VideoContainer::kWhole},
      {"a WebM file cut off", Webm(500, "12345"), VideoContainer::kCutShort},
      {"a live WebM recording of unknown size", Webm(0xFFFFFFFFFFFFFF, "1"),
       VideoContainer::kWhole},
  };
  testing::TempFolder dir;
  PosixFileSystem fs;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    testing::WriteFile(dir / "video.mp4", c.bytes);
    Result<std::unique_ptr<ReadableFile>> file = fs.OpenForReading(dir / "video.mp4");
    ASSERT_TRUE(file.ok());
    Result<VideoContainer> container = ReadVideoContainer(*file.value(), c.bytes.size());
    ASSERT_TRUE(container.ok()) << container.error().message();
    EXPECT_EQ(container.value(), c.expected);
  }
}

}  // namespace
}  // namespace quillmere
