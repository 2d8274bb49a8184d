// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The times of a video's picture and sound as the album's file keeps them: both moved back by the
// same amount so that the first of them starts at 0, whatever the clock of the original started
// at, and the last frame as long as the others. Part of the video module.
#pragma once

#include <cstdint>

#include "album/videos/video_io.h"

namespace quillmere {

// When the first of `opened`'s picture and sound starts, in the library's AV_TIME_BASE units; 0
// where neither tells.
std::int64_t StartOf(const Opened& opened);

// `start` (in AV_TIME_BASE units) in the time base of `stream`.
std::int64_t InStreamTime(std::int64_t start, const AVStream& stream);

// Moves the times of `packet`, of `stream`, back by `start` (in AV_TIME_BASE units), and gives a
// packet of video that tells no duration that of one frame.
void MoveBack(AVPacket& packet, const AVStream& stream, std::int64_t start);

// How long one frame of the video `stream` lasts, in its time base; 0 where it has no frame rate.
std::int64_t FrameDurationOf(const AVStream& stream);

}  // namespace quillmere
