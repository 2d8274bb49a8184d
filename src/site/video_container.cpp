// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/video_container.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace quillmere {
namespace {

// The most top-level boxes looked at; a file of more is taken as whole from there on.
constexpr int kMostBoxes = 100000;

// The first top-level boxes of an MP4 or QuickTime file.
constexpr std::array<std::string_view, 6> kFirstBoxes = {"ftyp", "moov", "mdat",
                                                         "wide", "free", "skip"};

// Matroska's EBML header and segment IDs, and the size that says "unknown".
constexpr std::uint32_t kEbmlId = 0x1A45DFA3;
constexpr std::uint32_t kSegmentId = 0x18538067;

std::uint64_t BigEndian(const unsigned char* bytes, int count) {
  std::uint64_t value = 0;
  for (int i = 0; i < count; ++i) value = value << 8 | bytes[i];
  return value;
}

// Reads `count` bytes at `offset`, fewer where the file ends.
Result<std::size_t> ReadAt(ReadableFile& file, unsigned char* bytes, std::size_t count,
                           std::uint64_t offset) {
  std::size_t done = 0;
  while (done < count) {
    Result<std::size_t> got =
        file.ReadAt(reinterpret_cast<char*>(bytes) + done, count - done, offset + done);
    if (!got) return got.error();
    if (got.value() == 0) break;
    done += got.value();
  }
  return done;
}

Result<VideoContainer> ReadMp4(ReadableFile& file, std::uint64_t size) {
  bool index = false;
  std::uint64_t offset = 0;
  for (int boxes = 0; offset < size && boxes < kMostBoxes; ++boxes) {
    std::array<unsigned char, 16> head{};
    Result<std::size_t> got = ReadAt(file, head.data(), head.size(), offset);
    if (!got) return got.error();
    if (got.value() < 8) return VideoContainer::kCutShort;
    const std::string_view type(reinterpret_cast<const char*>(head.data() + 4), 4);
    if (boxes == 0 &&
        std::find(kFirstBoxes.begin(), kFirstBoxes.end(), type) == kFirstBoxes.end()) {
      return VideoContainer::kNotAVideo;
    }
    index = index || type == "moov";
    std::uint64_t length = BigEndian(head.data(), 4);
    std::uint64_t header = 8;
    if (length == 1) {
      if (got.value() < 16) return VideoContainer::kCutShort;
      length = BigEndian(head.data() + 8, 8);
      header = 16;
    } else if (length == 0) {
      length = size - offset;  // the last box, to the end of the file
    }
    if (length < header) return VideoContainer::kNotAVideo;
    if (length > size - offset) return VideoContainer::kCutShort;
    offset += length;
  }
  if (offset < size) return VideoContainer::kWhole;
  return index ? VideoContainer::kWhole : VideoContainer::kNoIndex;
}

// A Matroska element's ID or size, a variable-length number; none when it does not start at
// `bytes[at]` within `count` bytes. `unknown` is set for a size of all ones.
struct Vint {
  std::uint64_t value = 0;
  int length = 0;
  bool unknown = false;
};

Vint ReadVint(const unsigned char* bytes, std::size_t count, std::size_t at, bool keepMarker) {
  Vint vint;
  if (at >= count || bytes[at] == 0) return vint;
  int length = 1;
  while ((bytes[at] & (0x80 >> (length - 1))) == 0) ++length;
  if (at + static_cast<std::size_t>(length) > count) return vint;
  const unsigned marker = 0x80u >> (length - 1);
  std::uint64_t value = keepMarker ? bytes[at] : (bytes[at] & (marker - 1));
  for (int i = 1; i < length; ++i) value = value << 8 | bytes[at + static_cast<std::size_t>(i)];
  vint.value = value;
  vint.length = length;
  vint.unknown = !keepMarker && value == (std::uint64_t{1} << (7 * length)) - 1;
  return vint;
}

Result<VideoContainer> ReadWebm(ReadableFile& file, std::uint64_t size) {
  std::array<unsigned char, 64> head{};
  Result<std::size_t> got = ReadAt(file, head.data(), head.size(), 0);
  if (!got) return got.error();
  const Vint ebmlSize = ReadVint(head.data(), got.value(), 4, false);
  if (ebmlSize.length == 0) return VideoContainer::kCutShort;
  const std::uint64_t segmentAt = 4 + ebmlSize.length + ebmlSize.value;
  if (segmentAt >= size) return VideoContainer::kCutShort;
  got = ReadAt(file, head.data(), head.size(), segmentAt);
  if (!got) return got.error();
  const Vint id = ReadVint(head.data(), got.value(), 0, true);
  if (id.length == 0) return VideoContainer::kCutShort;
  if (id.value != kSegmentId) return VideoContainer::kNotAVideo;
  const Vint segmentSize = ReadVint(head.data(), got.value(), 4, false);
  if (segmentSize.length == 0) return VideoContainer::kCutShort;
  if (segmentSize.unknown) return VideoContainer::kWhole;  // a live recording: no end to check
  const std::uint64_t dataAt = segmentAt + 4 + segmentSize.length;
  return segmentSize.value > size - std::min(size, dataAt) ? VideoContainer::kCutShort
                                                           : VideoContainer::kWhole;
}

}  // namespace

Result<VideoContainer> ReadVideoContainer(ReadableFile& file, std::uint64_t size) {
  std::array<unsigned char, 8> start{};
  Result<std::size_t> got = ReadAt(file, start.data(), start.size(), 0);
  if (!got) return got.error();
  if (got.value() >= 4 && BigEndian(start.data(), 4) == kEbmlId) return ReadWebm(file, size);
  if (got.value() < 8) return VideoContainer::kNotAVideo;
  return ReadMp4(file, size);
}

}  // namespace quillmere
