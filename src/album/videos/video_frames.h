// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The decoded frames of a video turned into what the album needs: 8-bit RGB for its poster, and
// the encoder's 8-bit frames of BT.709 for its video, an HDR video's through its tone map. Part of
// the video module.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "album/videos/tone_map.h"
#include "album/videos/video_maker.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace quillmere {

// The curve of a video whose light is stored with `transfer`, where it is of high dynamic range.
std::optional<HdrCurve> HdrCurveOf(AVColorTransferCharacteristic transfer);

// Scales and converts decoded frames to one size and format (AV_PIX_FMT_RGB24, or an 8-bit YUV
// format of BT.709 for the encoder), whatever size and format each frame comes in.
class FrameConverter {
 public:
  // Converts frames to `width` by `height` in `format`, through the tone map of `hdr` where the
  // video is HDR (`format` then RGB24 or YUV420P), on `threads` threads (0: one a core).
  FrameConverter(int width, int height, AVPixelFormat format, std::optional<HdrCurve> hdr,
                 int threads = 0);
  FrameConverter(const FrameConverter&) = delete;
  FrameConverter& operator=(const FrameConverter&) = delete;
  ~FrameConverter();

  // Tells whether `frame` is already as the converter makes frames: of its size and format, in
  // TV range, and not HDR.
  bool TakesAsItIs(const AVFrame& frame) const;

  // Writes `frame` into the planes `to` with their `strides`; false when the library cannot
  // convert it.
  bool Convert(const AVFrame& frame, std::uint8_t* const to[], const int strides[]);

 private:
  // The conversion of frames like `frame` into `format` at the converter's size, made anew where
  // the frames change.
  SwsContext* ScaleFor(const AVFrame& frame, AVPixelFormat format);
  // The HDR `frame` as 10-bit 4:2:0 at the converter's size; none when it cannot be.
  std::optional<Yuv10Frame> Yuv10Of(const AVFrame& frame);

  int width_;
  int height_;
  AVPixelFormat format_;
  std::optional<ToneMap> toneMap_;
  // The conversion of the frames as they come, and what they came as.
  SwsContext* scale_ = nullptr;
  int fromWidth_ = 0;
  int fromHeight_ = 0;
  AVPixelFormat fromFormat_ = AV_PIX_FMT_NONE;
  // An HDR frame as 10-bit 4:2:0 at the size wanted, where it does not come so.
  std::vector<std::uint16_t> yuv10_;
};

// How the frames of a video are shown, by its display matrix: mirrored left to right where
// `mirrored`, then turned clockwise by `rotation` degrees (0, 90, 180 or 270).
struct Orientation {
  int rotation = 0;
  bool mirrored = false;
  // Whether the matrix is neither a quarter turn nor a mirror (a slant, or all zero): the video is
  // then shown as it is stored, and the album's file drops the matrix.
  bool odd = false;
};

// How the frames of `stream` are shown, by its display matrix; as stored where it has none.
Orientation OrientationOf(const AVStream& stream);

// Looks among the decoded frames of a video for its poster: the first frame from `from` seconds
// on that is not black, or, where all are for kPosterSearchSeconds, the first of them.
class PosterSearch {
 public:
  // How far past `from` a frame that is not black is looked for.
  static constexpr double kPosterSearchSeconds = 5.0;

  // Looks from `from` seconds on, showing the frames as `orientation` says and through the tone
  // map of `hdr` where the video is HDR.
  PosterSearch(double from, Orientation orientation, std::optional<HdrCurve> hdr)
      : from_(from), orientation_(orientation), hdr_(hdr) {}

  // Offers `frame`, decoded from `stream`, until the poster is found.
  void Offer(const AVFrame& frame, const AVStream& stream);
  // Tells whether the poster is found.
  bool found() const { return found_; }
  // The poster found, or the first frame looked at where none was; none where no frame was.
  std::optional<VideoFrame> Take() { return std::move(first_); }

 private:
  double from_;
  Orientation orientation_;
  std::optional<HdrCurve> hdr_;
  std::optional<VideoFrame> first_;
  bool found_ = false;
};

}  // namespace quillmere
