// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a video may take while it is made: the memory reckoned for its decoder, its encoder and its
// poster, held to --max-memory frame by frame; its frames held to --max-pixels; its length held to
// --max-video-seconds while it is read; and a file whose container promises more than it holds.
// Part of the video module.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "album/videos/video_io.h"
#include "album/videos/video_maker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace quillmere {

// How the making of a video is bounded: the threads of its decoder and of its encoder, and the
// frames the encoder looks ahead.
struct MakingBounds {
  int decoderThreads = 1;
  int encoderThreads = 1;
  int lookahead = 0;
};

// The shape of a video as it is made: its decoded frames, and the encoder's where it is encoded.
struct VideoShape {
  int width = 0;
  int height = 0;
  AVPixelFormat format = AV_PIX_FMT_NONE;
  // The encoder's frame; none where the video is copied.
  std::optional<FitBox> encoded;
};

// The memory reckoned for making a video of `shape` within `bounds`, its decoder holding the frames
// it needs at least.
std::uint64_t MemoryFor(const VideoShape& shape, MakingBounds bounds);

// The bounds for making a video of `shape` on at most `threads` threads (0: as the machine has
// cores): the most threads and look-ahead whose reckoning stays within `maxMemory`, else the least.
MakingBounds BoundsFor(const VideoShape& shape, std::uint64_t maxMemory, int threads);

// The refusal of a frame of `width` by `height` in `format`, in a video of `shape` made within
// `bounds` and `limits`: more pixels than they allow, or more memory; none when it is within them.
std::optional<PictureError> OverLimits(const VideoShape& shape, MakingBounds bounds, int width,
                                       int height, AVPixelFormat format,
                                       const PictureLimits& limits, const std::string& container);

// Holds every frame a decoder makes to the limits before its memory is taken: its pixels, and its
// memory with the frames the decoder already holds. Outlives the decoders it watches.
class FrameGuard {
 public:
  FrameGuard(const VideoShape& shape, MakingBounds bounds, const PictureLimits& limits,
             std::string container)
      : shape_(shape), bounds_(bounds), limits_(limits), container_(std::move(container)) {}
  FrameGuard(const FrameGuard&) = delete;
  FrameGuard& operator=(const FrameGuard&) = delete;

  // Has `decoder`'s frames taken through the guard.
  void Watch(AVCodecContext& decoder);
  // Why a frame was refused; none while every frame was within the limits.
  std::optional<PictureError> refused() const;

 private:
  static int GetBuffer(AVCodecContext* decoder, AVFrame* frame, int flags);
  static void Release(void* opaque, std::uint8_t* data);
  // Refuses `frame`, a picture of `width` by `height`, where it is over the limits with the
  // frames already held.
  bool Refuses(const AVFrame& frame, int width, int height);
  // Gives each buffer of `frame` back through the guard, counting its bytes while it is held.
  bool Count(AVFrame& frame);

  VideoShape shape_;
  MakingBounds bounds_;
  PictureLimits limits_;
  std::string container_;
  std::atomic<std::uint64_t> held_{0};
  mutable std::mutex refusedLock_;
  std::optional<PictureError> refused_;
};

// Watches the packets of a video as they are read, in case it lasts longer than its header says.
class LengthWatch {
 public:
  LengthWatch(const AVFormatContext& format, std::uint64_t maxMilliseconds, std::string container)
      : firsts_(format.nb_streams, AV_NOPTS_VALUE),
        maxMilliseconds_(maxMilliseconds),
        container_(std::move(container)) {}

  // The refusal of a video whose `packet`, of `stream`, is later than the longest video taken
  // from its stream's first; none while it is within it.
  std::optional<PictureError> Past(const AVPacket& packet, const AVStream& stream);

 private:
  std::vector<std::int64_t> firsts_;
  std::uint64_t maxMilliseconds_;
  std::string container_;
};

// The refusal of `opened`, of a file of `size` bytes, whose index points past its end; none when
// its streams' data is all there as far as the index tells.
std::optional<PictureError> CutShort(const Opened& opened, std::int64_t size);

// The refusal of `opened` whose reading ran out of file with the library's `code` rather than its
// end; none when it ended there, or stopped at data it could not read.
std::optional<PictureError> EndedEarly(const Opened& opened, int code, bool libraryText);

}  // namespace quillmere
