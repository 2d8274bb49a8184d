// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// When a video was recorded, as its container tells: QuickTime's creation time (UTC) and Apple's
// creation date with its zone, or Matroska's DateUTC. Part of the video module.
#pragma once

#include "album/videos/video_maker.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace quillmere {

// Gives `facts` the time at which the video `format` (whose picture is `video`) was recorded, as
// pictures record theirs: in the zone it was recorded in where it tells one, else in the
// machine's. Leaves them without a date where it tells none.
void ReadDateTaken(const AVFormatContext& format, const AVStream& video, VideoFacts& facts);

}  // namespace quillmere
