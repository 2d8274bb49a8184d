// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/video_container.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {
namespace {

// The most top-level boxes looked at; a file of more is taken as whole from there on.
constexpr int kMostBoxes = 100000;

// The boxes that may start a QuickTime movie older than the "ftyp" box.
constexpr std::array<std::string_view, 5> kOldMovieFirstBoxes = {"moov", "mdat", "wide", "free",
                                                                 "skip"};

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
  return ReadFullyAt(file, reinterpret_cast<char*>(bytes), count, offset);
}

// One MP4 box: its type, where it starts, how long its header is and how long it is whole.
struct Box {
  std::string type;
  std::uint64_t offset = 0;
  std::uint64_t header = 8;
  std::uint64_t length = 0;
};

// How the box at `offset` reads when its parent ends at `end`: cut short when its header or its
// length runs past `end`, not a video when its length is shorter than its header.
struct BoxOrNot {
  Box box;
  VideoContainer trouble = VideoContainer::kWhole;
};

Result<BoxOrNot> ReadBox(ReadableFile& file, std::uint64_t offset, std::uint64_t end) {
  std::array<unsigned char, 16> head{};
  Result<std::size_t> got =
      ReadAt(file, head.data(), std::min<std::uint64_t>(head.size(), end - offset), offset);
  if (!got) return got.error();
  BoxOrNot read;
  if (got.value() < 8) {
    read.trouble = VideoContainer::kCutShort;
    return read;
  }
  Box& box = read.box;
  box.type.assign(reinterpret_cast<const char*>(head.data() + 4), 4);
  box.offset = offset;
  box.length = BigEndian(head.data(), 4);
  if (box.length == 1) {
    if (got.value() < 16) {
      read.trouble = VideoContainer::kCutShort;
      return read;
    }
    box.length = BigEndian(head.data() + 8, 8);
    box.header = 16;
  } else if (box.length == 0) {
    box.length = end - offset;  // the last box, to the end of its parent
  }
  if (box.length < box.header) {
    read.trouble = VideoContainer::kNotAVideo;
  } else if (box.length > end - offset) {
    read.trouble = VideoContainer::kCutShort;
  }
  return read;
}

// Hands the whole boxes from `offset` to `end` to `visit` in their order, until it returns
// false; the trouble of the first box that is not whole, or kWhole.
template <class Visit>
Result<VideoContainer> WalkBoxes(ReadableFile& file, std::uint64_t offset, std::uint64_t end,
                                 const Visit& visit) {
  for (int boxes = 0; offset < end && boxes < kMostBoxes; ++boxes) {
    Result<BoxOrNot> read = ReadBox(file, offset, end);
    if (!read) return read.error();
    if (read.value().trouble != VideoContainer::kWhole) return read.value().trouble;
    if (!visit(read.value().box)) break;
    offset += read.value().box.length;
  }
  return VideoContainer::kWhole;
}

Result<VideoContainer> ReadMp4(ReadableFile& file, std::uint64_t size) {
  bool index = false;
  Result<VideoContainer> walked = WalkBoxes(file, 0, size, [&](const Box& box) {
    index = index || box.type == "moov";
    return true;
  });
  if (!walked || walked.value() != VideoContainer::kWhole) return walked;
  return index ? VideoContainer::kWhole : VideoContainer::kNoIndex;
}

// The first box of `type` among the whole boxes from `offset` to `end`; none when there is none.
Result<std::optional<Box>> FindBox(ReadableFile& file, std::string_view type, std::uint64_t offset,
                                   std::uint64_t end) {
  std::optional<Box> found;
  Result<VideoContainer> walked = WalkBoxes(file, offset, end, [&](const Box& box) {
    if (box.type == type) found = box;
    return !found;
  });
  if (!walked) return walked.error();
  return found;
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

Result<std::optional<std::uint64_t>> ReadMp4Milliseconds(ReadableFile& file, std::uint64_t size) {
  Result<std::optional<Box>> movie = FindBox(file, "moov", 0, size);
  if (!movie) return movie.error();
  if (!movie.value()) return std::optional<std::uint64_t>();
  const Box& moov = *movie.value();
  Result<std::optional<Box>> header =
      FindBox(file, "mvhd", moov.offset + moov.header, moov.offset + moov.length);
  if (!header) return header.error();
  if (!header.value()) return std::optional<std::uint64_t>();
  // Version 0 holds the times in 32 bits, version 1 in 64; the time scale is 32 bits in both.
  std::array<unsigned char, 32> fields{};
  const Box& mvhd = *header.value();
  Result<std::size_t> got = ReadAt(file, fields.data(), fields.size(), mvhd.offset + mvhd.header);
  if (!got) return got.error();
  const bool wide = fields[0] == 1;
  if (got.value() < (wide ? 32u : 20u)) return std::optional<std::uint64_t>();
  const std::uint64_t scale = BigEndian(fields.data() + (wide ? 20 : 12), 4);
  const std::uint64_t duration =
      wide ? BigEndian(fields.data() + 24, 8) : BigEndian(fields.data() + 16, 4);
  if (scale == 0) return std::optional<std::uint64_t>();
  // Whole seconds first, so that a long duration in a fine time scale does not overflow.
  return std::optional<std::uint64_t>(duration / scale * 1000 + duration % scale * 1000 / scale);
}

bool IsOldMovieFirstBox(std::string_view type) {
  return std::find(kOldMovieFirstBoxes.begin(), kOldMovieFirstBoxes.end(), type) !=
         kOldMovieFirstBoxes.end();
}

bool IsMp4FirstBox(std::string_view type) {
  return type == "ftyp" || IsOldMovieFirstBox(type);
}

Result<VideoContainer> ReadVideoContainer(ReadableFile& file, std::uint64_t size) {
  std::array<unsigned char, 8> start{};
  Result<std::size_t> got = ReadAt(file, start.data(), start.size(), 0);
  if (!got) return got.error();
  if (got.value() >= 4 && BigEndian(start.data(), 4) == kEbmlId) return ReadWebm(file, size);
  if (got.value() < 8) return VideoContainer::kNotAVideo;
  // An MP4 or QuickTime file starts with one of a few boxes, whatever their lengths say.
  const std::string_view first(reinterpret_cast<const char*>(start.data() + 4), 4);
  if (!IsMp4FirstBox(first)) return VideoContainer::kNotAVideo;
  return ReadMp4(file, size);
}

}  // namespace quillmere
