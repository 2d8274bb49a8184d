// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A video encoded again for the album: its picture decoded, fitted and tone-mapped where it is HDR,
// then encoded to H.264; its sound to AAC. Part of the video module.
#pragma once

#include "album/videos/video_frames.h"
#include "album/videos/video_io.h"
#include "platform/result.h"

namespace quillmere {

// Encodes the video and sound of `input` into `output` as `facts` and `rules` say, telling
// `progress` how far it has come and offering `poster` the decoded frames until it has found its
// own; the failure where it cannot, or when asked to stop.
Result<void, PictureError> EncodeVideo(Opened& input, Output& output, const VideoFacts& facts,
                                       const VideoRules& rules, VideoProgress& progress,
                                       PosterSearch& poster);

}  // namespace quillmere
