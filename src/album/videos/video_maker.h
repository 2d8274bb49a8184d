// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Videos made for an album with the video libraries: read through the file layer, checked against
// the limits from their headers, their poster frame taken upright, and the video itself copied
// without its metadata where browsers play it as it is, or encoded to H.264 and AAC. The libraries
// live in a module of their own (ffmpeg_videos.cpp and the files it includes), loaded at the first
// video.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "album/picture_types.h"
#include "platform/file_system.h"

namespace quillmere {

// What a video's header tells, before any frame is decoded.
struct VideoFacts {
  std::uint64_t milliseconds = 0;
  // The frame's size as stored, before it is turned upright.
  int width = 0;
  int height = 0;
  // How far the frame is turned clockwise to be upright: 0, 90, 180 or 270 degrees.
  int rotation = 0;
  // Whether the album's file is the video's own streams without their metadata, which browsers
  // play as they are; otherwise it is encoded.
  bool copied = false;
  // The extension of the album's file: ".mp4" or ".webm".
  std::string extension = ".mp4";
  // When it was recorded, as pictures record it ("2024:06:01 14:03:22"), in the zone `zoneTaken`
  // ("+10:00"); both empty when the video tells none.
  std::string dateTaken{};
  std::string zoneTaken{};
};

// A frame of a video, upright, as 8-bit RGB rows without gaps.
struct VideoFrame {
  int width = 0;
  int height = 0;
  std::string rgb;
};

// What the making of a video keeps to.
struct VideoRules {
  // The box the video is fitted within; a larger one is encoded smaller.
  FitBox size = kDefaultVideoSize;
  // The longest video taken, in milliseconds.
  std::uint64_t maxMilliseconds = kDefaultMaxVideoMilliseconds;
  PictureLimits limits;
  // Whether the file is copied as it is, metadata and all.
  bool original = false;
  // Whether a failure keeps the libraries' own words.
  bool libraryText = false;
  // Whether a copied video keeps what the original records (date, camera, place taken).
  bool keepMetadata = false;
  // How many threads each video's decoder and encoder use, the cores shared between the videos
  // made at once; 0 lets the libraries take every core.
  int threads = 0;
};

// Told how far the making of one video has come, from 0 to 1; false asks it to stop.
class VideoProgress {
 public:
  virtual ~VideoProgress() = default;
  virtual bool Going(double done) = 0;
};

// Makes the videos of an album on any number of threads at once; every read of a video file holds
// the lock that all the work's steps of the file layer share.
class VideoMaker {
 public:
  virtual ~VideoMaker() = default;

  // Reads what `file` tells about itself as a video, and how it would be made; refuses one over
  // the limits, and fails with kUnknownFormat where it holds no video (sound alone, with or
  // without a cover picture).
  virtual Result<VideoFacts, PictureError> Probe(ReadableFile& file) = 0;

  // Writes the album's video of `file` to `out` as `facts` (from Probe) say, and gives its poster:
  // its frame about a second in, or the first that is not black. Reads the video once where it
  // is encoded, its poster taken from the frames on the way. Stops, failing, when `progress`
  // asks it to.
  virtual Result<VideoFrame, PictureError> Make(ReadableFile& file, const VideoFacts& facts,
                                                NewFile& out, VideoProgress& progress) = 0;
};

// Loads the module once for the process and makes a maker whose reads hold `fileLock` and that
// keeps to `rules`; the error (kNoModule) when it cannot.
Result<std::unique_ptr<VideoMaker>, PictureError> LoadVideoMaker(std::mutex& fileLock,
                                                                 const VideoRules& rules);

}  // namespace quillmere
