// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The entry point of the module that holds the video libraries, as the album layer finds it by
// name and the module defines it; only those two sides include this.
#pragma once

#include <mutex>

#include "album/videos/video_maker.h"

namespace quillmere {

// The module's function that makes a VideoMaker whose reads hold `fileLock` and that keeps to
// `rules`; null when the libraries cannot start. The caller owns the maker.
using NewVideoMakerFunction = VideoMaker*(std::mutex* fileLock, const VideoRules* rules);

// The module's entry point, defined by the module alone and found in it by its name.
extern "C" {
NewVideoMakerFunction QuillmereNewVideoMaker;
}

// The name of the module's entry point.
inline constexpr const char* kNewVideoMakerSymbol = "QuillmereNewVideoMaker";

// The module's file name, beside the picture module.
inline constexpr const char* kVideoModuleName = "quillmere-videos.so";

}  // namespace quillmere
