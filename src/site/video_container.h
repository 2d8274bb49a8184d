// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a video file's container tells without decoding it: whether it is one a page can show and
// whether it ends where its boxes or elements say it does.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/file_system.h"

namespace quillmere {

// How a video file's container stands.
enum class VideoContainer {
  // An MP4 or WebM file whose parts end where the file ends.
  kWhole,
  // An MP4 or WebM file whose parts run past its end, as when a copy was cut off.
  kCutShort,
  // An MP4 file without the index of its frames, which no player can play.
  kNoIndex,
  // Neither an MP4 nor a WebM file.
  kNotAVideo,
};

// Tells whether `type` names a box that may start a QuickTime movie made before the "ftyp" box
// was: "moov", "mdat", "wide", "free" or "skip".
bool IsOldMovieFirstBox(std::string_view type);

// Tells whether an MP4 or QuickTime file may start with the box `type`: "ftyp", or one that
// starts an older movie.
bool IsMp4FirstBox(std::string_view type);

// Reads how the container of `file`, `size` bytes long, stands from its top-level boxes (MP4) or
// its header and segment (WebM); the file layer's error when a read fails.
Result<VideoContainer> ReadVideoContainer(ReadableFile& file, std::uint64_t size);

// The length of the MP4 or QuickTime file `file`, `size` bytes long, in milliseconds, as its movie
// header says; none when it has no movie header that can be read.
Result<std::optional<std::uint64_t>> ReadMp4Milliseconds(ReadableFile& file, std::uint64_t size);

}  // namespace quillmere
