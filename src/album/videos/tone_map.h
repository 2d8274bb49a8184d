// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Frames of high dynamic range (PQ or HLG, BT.2020) brought to a screen of standard dynamic
// range: their light taken out of its curve, their colours into BT.709's, their highlights rolled
// off above the HDR reference white, and the result in the sRGB curve at 8 bits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quillmere {

// The curve an HDR video stores its light in.
enum class HdrCurve { kPq, kHlg };

// The HDR reference white, in nits: the white of paper and of graphics in an HDR picture, which
// becomes the SDR screen's near white.
inline constexpr double kReferenceWhiteNits = 203;
// The brightest light the roll-off keeps apart, in nits: what HDR videos are mastered for most.
inline constexpr double kPeakNits = 1000;
// Below this share of the reference white, light stays as it is.
inline constexpr float kRollOffKnee = 0.75F;

// Linear light in BT.709's primaries, where 1 is the HDR reference white.
struct LinearRgb {
  float red = 0;
  float green = 0;
  float blue = 0;
};

// `light` with its highlights rolled off for a screen of standard dynamic range: as it is where
// its brightest channel is below kRollOffKnee; above, that channel rolls off smoothly, keeping
// its slope at the knee, so that kPeakNits comes out as 1 and brighter light no brighter, and the
// other two follow it, which keeps the colour's hue. Inline, so that the tone map's loop over
// pixels still does several at once.
inline LinearRgb RolledOff(LinearRgb light) {
  constexpr auto kPeakLight = static_cast<float>(kPeakNits / kReferenceWhiteNits);
  constexpr float kSlope = (kPeakLight - kRollOffKnee) / (1 - kRollOffKnee);
  const float brightest = std::max(light.red, std::max(light.green, light.blue));
  const float x = std::min((brightest - kRollOffKnee) / (kPeakLight - kRollOffKnee), 1.0F);
  const float rolled = kRollOffKnee + (1 - kRollOffKnee) * kSlope * x / (1 + (kSlope - 1) * x);
  const float scale = brightest > kRollOffKnee ? rolled / std::max(brightest, kRollOffKnee) : 1.0F;
  return {light.red * scale, light.green * scale, light.blue * scale};
}

// A frame of 10-bit YUV 4:2:0 of BT.2020, as HDR videos store it.
struct Yuv10Frame {
  int width = 0;
  int height = 0;
  // The luma and the two chroma planes (half as wide and high, rounded up), and the samples from
  // one row of each to the next.
  const std::uint16_t* planes[3] = {};
  std::ptrdiff_t strides[3] = {};
  // Whether the values use the whole range of 10 bits rather than TV's.
  bool fullRange = false;
};

// Maps the frames of one HDR video to 8-bit SDR, a frame's rows on all cores; made once for the
// video.
class ToneMap {
 public:
  // Maps light of `curve`, a frame's rows shared among `threads` threads (0: one a core).
  explicit ToneMap(HdrCurve curve, int threads = 0);

  // Writes `in` as 8-bit RGB rows, `stride` bytes apart, to `rgb`.
  void ToRgb(const Yuv10Frame& in, std::uint8_t* rgb, std::ptrdiff_t stride) const;

  // Writes `in` as 8-bit YUV 4:2:0 of BT.709 in TV range to the planes `out`, `strides` bytes
  // apart.
  void ToYuv420(const Yuv10Frame& in, std::uint8_t* const out[3],
                const std::ptrdiff_t strides[3]) const;

 private:
  // The pixels mapped at a time.
  static constexpr int kChunk = 256;
  // Up to kChunk pixels of luma (0 to 1) and chroma (-0.5 to 0.5), and the same in 8-bit sRGB.
  struct Chunk {
    alignas(32) float luma[kChunk];
    alignas(32) float cb[kChunk];
    alignas(32) float cr[kChunk];
  };
  struct Rgb8Chunk {
    // Red, green and blue.
    std::uint8_t channels[3][kChunk];
  };

  // Writes the rows of `in` that chroma rows `first` to `end` cover, as ToYuv420 does.
  void ToYuv420Rows(const Yuv10Frame& in, std::uint8_t* const out[3],
                    const std::ptrdiff_t strides[3], int first, int end) const;
  // Maps the pixels of row `y` of `in` from `from` on, up to kChunk of them, to `out`.
  void MapRow(const Yuv10Frame& in, int y, int from, Rgb8Chunk& out) const;
  // Maps the pixels of `in` to `out`.
  void MapChunk(const Chunk& in, Rgb8Chunk& out) const;

  HdrCurve curve_;
  // The light of each signal value, in steps of kSignalSteps, where 1 is the HDR reference white:
  // display light for PQ, scene light for HLG (which the display's gamma then gives its light).
  std::vector<float> light_;
  // The HLG display gamma's factor for a scene luminance, in steps of kLuminanceSteps.
  std::vector<float> hlgGain_;
  // The 8-bit sRGB value of linear light from 0 to 1, in steps of kEncodeSteps.
  std::vector<std::uint8_t> encoded_;
  // How many threads share a frame's rows; 0 for one a core.
  int threads_;
};

}  // namespace quillmere
