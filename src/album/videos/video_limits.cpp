// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/video_limits.h"

#include <algorithm>
#include <new>
#include <thread>

extern "C" {
#include <libavutil/imgutils.h>
}

namespace quillmere {
namespace {

using Kind = PictureError::Kind;

// What making any video holds besides its frames: the libraries' own state, the buffers of its
// file and of the album's, and the streams probed (at most kMostStreams of them).
constexpr std::uint64_t kFixedBytes = std::uint64_t{24} << 20;
// The frames a decoder is reckoned to hold besides one a thread: its references, the frames it
// reorders and the frame handed on, as a phone's 4K HEVC needs them. One that holds more pays for
// them from what is left of the budget.
constexpr std::uint64_t kDecoderFramesAtLeast = 6;
// A decoder's tables beside each frame (motion vectors, kinds of blocks), in quarters of the frame.
constexpr std::uint64_t kDecoderQuartersPerFrame = 5;
// The poster while the video is made, for each pixel of the frame: its RGB, its upright copy and
// the conversion's rows. The picture made of it afterwards holds less, the decoder gone.
constexpr std::uint64_t kPosterBytesPerPixel = 8;
// The encoder, for each pixel of its frame: what it holds at any bounds (its references, their
// half-pixel planes, the frame converted for it), then for each frame it looks ahead, and for each
// thread (a frame in flight).
constexpr std::uint64_t kEncoderBytesPerPixel = 50;
constexpr std::uint64_t kEncoderBytesPerLookahead = 3;
constexpr std::uint64_t kEncoderBytesPerThread = 14;
// The most threads the encoder and the decoder run on, and the frames the encoder looks ahead,
// where the memory allows.
constexpr int kMostEncoderThreads = 4;
constexpr int kMostDecoderThreads = 2;
constexpr int kLookahead = 10;

// The bytes of one decoded frame of `width` by `height` in `format`, reckoned high where the
// format is not known.
std::uint64_t FrameBytes(int width, int height, AVPixelFormat format) {
  const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  const int size =
      format == AV_PIX_FMT_NONE ? -1 : av_image_get_buffer_size(format, width, height, 1);
  // Four 16-bit samples a pixel is the most any format holds.
  return size > 0 ? static_cast<std::uint64_t>(size) : pixels * 8;
}

// The bytes reckoned for a decoder holding `frames` frames of `frameBytes` each, with its tables.
std::uint64_t DecoderBytes(std::uint64_t frames, std::uint64_t frameBytes) {
  return frames * frameBytes * kDecoderQuartersPerFrame / 4;
}

// The frames a decoder of `threads` threads is reckoned to hold: each thread's frame in flight and
// the one it waits to hand on, besides the frames of the video itself.
std::uint64_t DecoderFrames(int threads) {
  return kDecoderFramesAtLeast + 2 * static_cast<std::uint64_t>(threads);
}

// The threads the encoder may use where a video may take `threads` (0: the machine's cores).
int EncoderThreadsAtMost(int threads) {
  const int cores = threads > 0 ? threads : static_cast<int>(std::thread::hardware_concurrency());
  return std::clamp(cores, 1, kMostEncoderThreads);
}

// What making a video of `shape` holds besides its decoder's frames.
std::uint64_t BesidesDecoder(const VideoShape& shape, MakingBounds bounds) {
  const auto pixels =
      static_cast<std::uint64_t>(shape.width) * static_cast<std::uint64_t>(shape.height);
  std::uint64_t bytes = kFixedBytes + pixels * kPosterBytesPerPixel;
  if (shape.encoded) {
    const auto encoded = static_cast<std::uint64_t>(shape.encoded->width) *
                         static_cast<std::uint64_t>(shape.encoded->height);
    bytes += encoded * (kEncoderBytesPerPixel +
                        kEncoderBytesPerLookahead * static_cast<std::uint64_t>(bounds.lookahead) +
                        kEncoderBytesPerThread * static_cast<std::uint64_t>(bounds.encoderThreads));
  }
  return bytes;
}

}  // namespace

std::uint64_t MemoryFor(const VideoShape& shape, MakingBounds bounds) {
  return BesidesDecoder(shape, bounds) +
         DecoderBytes(DecoderFrames(bounds.decoderThreads),
                      FrameBytes(shape.width, shape.height, shape.format));
}

MakingBounds BoundsFor(const VideoShape& shape, std::uint64_t maxMemory, int threads) {
  // A copied video decodes only its poster, on one thread.
  if (!shape.encoded) return {};
  // From the fastest down: the decoder's threads given up last for a large input, the encoder's
  // first, then its look-ahead.
  const int mostEncoderThreads = EncoderThreadsAtMost(threads);
  const int mostDecoderThreads = std::min(kMostDecoderThreads, mostEncoderThreads);
  for (int decoderThreads = mostDecoderThreads; decoderThreads >= 1; --decoderThreads) {
    for (int encoderThreads = mostEncoderThreads; encoderThreads >= 1; --encoderThreads) {
      const MakingBounds bounds{decoderThreads, encoderThreads, kLookahead};
      if (MemoryFor(shape, bounds) <= maxMemory) return bounds;
    }
  }
  return {1, 1, 0};
}

std::optional<PictureError> OverLimits(const VideoShape& shape, MakingBounds bounds, int width,
                                       int height, AVPixelFormat format,
                                       const PictureLimits& limits, const std::string& container) {
  const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (pixels > limits.maxPixels) {
    PictureError error = VideoError(Kind::kTooManyPixels, container, 0, false);
    error.width = static_cast<std::uint64_t>(width);
    error.height = static_cast<std::uint64_t>(height);
    error.limit = limits.maxPixels;
    return error;
  }
  VideoShape frame = shape;
  frame.width = width;
  frame.height = height;
  frame.format = format;
  const std::uint64_t needed = MemoryFor(frame, bounds);
  if (needed <= limits.maxMemory) return std::nullopt;
  PictureError error = VideoError(Kind::kTooMuchMemory, container, 0, false);
  error.needed = needed;
  error.limit = limits.maxMemory;
  return error;
}

void FrameGuard::Watch(AVCodecContext& decoder) {
  decoder.opaque = this;
  decoder.get_buffer2 = &FrameGuard::GetBuffer;
}

std::optional<PictureError> FrameGuard::refused() const {
  const std::lock_guard<std::mutex> hold(refusedLock_);
  return refused_;
}

// The buffer of a decoded frame as the decoder gave it, and the guard that counts its bytes.
struct CountedBuffer {
  AVBufferRef* original = nullptr;
  std::atomic<std::uint64_t>* held = nullptr;
  std::uint64_t size = 0;
};

int FrameGuard::GetBuffer(AVCodecContext* decoder, AVFrame* frame, int flags) {
  auto& guard = *static_cast<FrameGuard*>(decoder->opaque);
  // A frame that is no picture (none comes here from a video's decoder) is not held back.
  if (frame->width <= 0 || frame->height <= 0) {
    return avcodec_default_get_buffer2(decoder, frame, flags);
  }
  const std::lock_guard<std::mutex> hold(guard.refusedLock_);
  // The frame is allocated at its coded size; the picture it holds is the decoder's size.
  const int width = decoder->width > 0 ? decoder->width : frame->width;
  const int height = decoder->height > 0 ? decoder->height : frame->height;
  if (guard.refused_ || guard.Refuses(*frame, width, height)) return AVERROR(ENOMEM);
  if (int code = avcodec_default_get_buffer2(decoder, frame, flags); code < 0) return code;
  if (!guard.Count(*frame)) {
    av_frame_unref(frame);
    return AVERROR(ENOMEM);
  }
  return 0;
}

bool FrameGuard::Refuses(const AVFrame& frame, int width, int height) {
  const auto format = static_cast<AVPixelFormat>(frame.format);
  refused_ = OverLimits(shape_, bounds_, width, height, format, limits_, container_);
  if (refused_) return true;
  // The frames the decoder holds beyond those reckoned are paid from what is left.
  VideoShape now = shape_;
  now.width = frame.width;
  now.height = frame.height;
  now.format = format;
  const std::uint64_t frameBytes = FrameBytes(frame.width, frame.height, format);
  const std::uint64_t frames = std::max(DecoderFrames(bounds_.decoderThreads),
                                        (held_.load() + frameBytes + frameBytes - 1) / frameBytes);
  const std::uint64_t needed = BesidesDecoder(now, bounds_) + DecoderBytes(frames, frameBytes);
  if (needed <= limits_.maxMemory) return false;
  refused_ = VideoError(Kind::kTooMuchMemory, container_, 0, false);
  refused_->needed = needed;
  refused_->limit = limits_.maxMemory;
  return true;
}

bool FrameGuard::Count(AVFrame& frame) {
  for (AVBufferRef*& buffer : frame.buf) {
    if (buffer == nullptr) continue;
    auto* counted = new (std::nothrow) CountedBuffer{buffer, &held_, buffer->size};
    if (counted == nullptr) return false;
    AVBufferRef* wrapped =
        av_buffer_create(buffer->data, buffer->size, &FrameGuard::Release, counted, 0);
    if (wrapped == nullptr) {
      delete counted;
      return false;
    }
    held_ += counted->size;
    buffer = wrapped;
  }
  return true;
}

void FrameGuard::Release(void* opaque, std::uint8_t* /*data*/) {
  auto* counted = static_cast<CountedBuffer*>(opaque);
  *counted->held -= counted->size;
  av_buffer_unref(&counted->original);
  delete counted;
}

std::optional<PictureError> LengthWatch::Past(const AVPacket& packet, const AVStream& stream) {
  const std::int64_t at = packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
  const auto index = static_cast<std::size_t>(packet.stream_index);
  if (at == AV_NOPTS_VALUE || index >= firsts_.size()) return std::nullopt;
  std::int64_t& first = firsts_[index];
  if (first == AV_NOPTS_VALUE) first = at;
  const double milliseconds = static_cast<double>(at - first) * av_q2d(stream.time_base) * 1000;
  if (milliseconds <= static_cast<double>(maxMilliseconds_)) return std::nullopt;
  PictureError error = VideoError(Kind::kTooLong, container_, 0, false);
  error.needed = static_cast<std::uint64_t>(milliseconds);
  error.limit = maxMilliseconds_;
  return error;
}

std::optional<PictureError> CutShort(const Opened& opened, std::int64_t size) {
  for (const AVStream* stream : {opened.video, opened.audio}) {
    if (stream == nullptr) continue;
    auto* indexed = const_cast<AVStream*>(stream);
    const int entries = avformat_index_get_entries_count(indexed);
    for (int i = 0; i < entries; ++i) {
      const AVIndexEntry* entry = avformat_index_get_entry(indexed, i);
      if (entry != nullptr && entry->pos + entry->size > size) {
        return VideoError(Kind::kTruncated, opened.container, 0, false);
      }
    }
  }
  return std::nullopt;
}

std::optional<PictureError> EndedEarly(const Opened& opened, int code, bool libraryText) {
  // Damaged data on the way costs its frames, as before; only a file that ran out is cut short.
  const bool ranOut = opened.format->pb != nullptr && opened.format->pb->eof_reached != 0;
  if (code == AVERROR_EOF || !ranOut) return std::nullopt;
  return VideoError(Kind::kTruncated, opened.container, code, libraryText);
}

}  // namespace quillmere
