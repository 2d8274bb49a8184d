// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/pictures/tone_map.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

namespace quillmere {
namespace {

constexpr std::size_t kSignalSteps = 4096;
constexpr std::size_t kLuminanceSteps = 4096;
constexpr std::size_t kEncodeSteps = 16384;
// The fewest rows of chroma worth a thread of their own.
constexpr int kRowsPerPart = 64;

// The HDR reference white, in nits: the white of paper and of graphics in an HDR picture, which
// becomes the SDR screen's near white.
constexpr double kReferenceWhite = 203;
// The brightest light the roll-off keeps apart, in nits: what HDR videos are mastered for most.
constexpr double kPeak = 1000;
// Below this share of the reference white, light stays as it is.
constexpr float kKnee = 0.75F;

// The display light of the PQ value `value` (0 to 1), in nits.
double PqNits(double value) {
  constexpr double m1 = 2610.0 / 16384;
  constexpr double m2 = 2523.0 / 4096 * 128;
  constexpr double c1 = 3424.0 / 4096;
  constexpr double c2 = 2413.0 / 4096 * 32;
  constexpr double c3 = 2392.0 / 4096 * 32;
  const double p = std::pow(value, 1 / m2);
  return 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
}

// The scene light of the HLG value `value` (0 to 1), from 0 to 1.
double HlgScene(double value) {
  constexpr double a = 0.17883277;
  constexpr double b = 1 - 4 * a;
  const double c = 0.5 - a * std::log(4 * a);
  if (value <= 0.5) return value * value / 3;
  return (std::exp((value - c) / a) + b) / 12;
}

// The sRGB value of linear light `light` (0 to 1), from 0 to 1.
double Srgb(double light) {
  if (light <= 0.0031308) return 12.92 * light;
  return 1.055 * std::pow(light, 1 / 2.4) - 0.055;
}

// Rolls off `light` (1 the reference white) above the knee so that kPeak comes out as 1, keeping
// its slope at the knee.
float RollOff(float light) {
  constexpr auto peak = static_cast<float>(kPeak / kReferenceWhite);
  if (light <= kKnee) return light;
  const float x = std::min((light - kKnee) / (peak - kKnee), 1.0F);
  const float slope = (peak - kKnee) / (1 - kKnee);
  return kKnee + (1 - kKnee) * slope * x / (1 + (slope - 1) * x);
}

// How 10-bit samples stand for values: luma from `black` over `range` (0 to 1), chroma around 512
// over `chromaRange` (-0.5 to 0.5).
struct Levels {
  float black;
  float range;
  float chromaRange;
};
constexpr Levels kTvLevels{64, 876, 896};
constexpr Levels kFullLevels{0, 1023, 1023};

// BT.709's weights of R', G' and B' in luma.
constexpr float kLumaR = 0.2126F;
constexpr float kLumaG = 0.7152F;
constexpr float kLumaB = 0.0722F;

// The 8-bit TV-range luma of 8-bit sRGB `rgb`.
std::uint8_t TvLuma(const std::uint8_t rgb[3]) {
  const float luma = kLumaR * static_cast<float>(rgb[0]) + kLumaG * static_cast<float>(rgb[1]) +
                     kLumaB * static_cast<float>(rgb[2]);
  return static_cast<std::uint8_t>(16.5F + luma * (219.0F / 255));
}

// The 8-bit TV-range chroma of the sums `r`, `g`, `b` of `count` pixels' 8-bit sRGB.
std::pair<std::uint8_t, std::uint8_t> TvChroma(float r, float g, float b, int count) {
  const float luma = kLumaR * r + kLumaG * g + kLumaB * b;
  const float scale = 224.0F / 255 / static_cast<float>(count);
  const float cb = (b - luma) / 1.8556F * scale;
  const float cr = (r - luma) / 1.5748F * scale;
  return {static_cast<std::uint8_t>(128.5F + cb), static_cast<std::uint8_t>(128.5F + cr)};
}

}  // namespace

ToneMap::ToneMap(HdrCurve curve)
    : curve_(curve), light_(kSignalSteps + 1), encoded_(kEncodeSteps + 1) {
  for (std::size_t i = 0; i <= kSignalSteps; ++i) {
    const double value = static_cast<double>(i) / kSignalSteps;
    light_[i] = static_cast<float>(curve == HdrCurve::kPq ? PqNits(value) / kReferenceWhite
                                                          : HlgScene(value));
  }
  if (curve == HdrCurve::kHlg) {
    // The display's gamma of 1.2 for a screen of kPeak nits: light = peak * Ys^0.2 * scene.
    hlgGain_.resize(kLuminanceSteps + 1);
    for (std::size_t i = 0; i <= kLuminanceSteps; ++i) {
      const double luminance = static_cast<double>(i) / kLuminanceSteps;
      hlgGain_[i] = static_cast<float>(kPeak / kReferenceWhite * std::pow(luminance, 0.2));
    }
  }
  for (std::size_t i = 0; i <= kEncodeSteps; ++i) {
    const double value = Srgb(static_cast<double>(i) / kEncodeSteps);
    encoded_[i] = static_cast<std::uint8_t>(std::lround(value * 255));
  }
}

// Inlined into the loops over a frame's pixels, where it takes most of the time.
__attribute__((always_inline)) inline void ToneMap::Map(float y, float cb, float cr,
                                                        std::uint8_t rgb[3]) const {
  // BT.2020's R'G'B' of its Y'CbCr, then each signal's light.
  const auto light = [&](float signal) {
    return light_[static_cast<std::size_t>(std::clamp(signal, 0.0F, 1.0F) * kSignalSteps)];
  };
  float r = light(y + 1.4746F * cr);
  float g = light(y - 0.16455F * cb - 0.57135F * cr);
  float b = light(y + 1.8814F * cb);
  if (curve_ == HdrCurve::kHlg) {
    const float luminance = 0.2627F * r + 0.6780F * g + 0.0593F * b;
    const float gain =
        hlgGain_[static_cast<std::size_t>(std::min(luminance, 1.0F) * kLuminanceSteps)];
    r *= gain;
    g *= gain;
    b *= gain;
  }
  // BT.2020's primaries to BT.709's, in linear light; what lies outside is clipped.
  const float r709 = std::max(0.0F, 1.6605F * r - 0.5876F * g - 0.0728F * b);
  const float g709 = std::max(0.0F, -0.1246F * r + 1.1329F * g - 0.0083F * b);
  const float b709 = std::max(0.0F, -0.0182F * r - 0.1006F * g + 1.1187F * b);
  // The roll-off goes by the brightest of the three, which keeps the colour's hue.
  const float brightest = std::max({r709, g709, b709});
  const float scale = brightest > kKnee ? RollOff(brightest) / brightest : 1.0F;
  const auto encode = [&](float linear) {
    return encoded_[static_cast<std::size_t>(std::min(linear * scale, 1.0F) * kEncodeSteps)];
  };
  rgb[0] = encode(r709);
  rgb[1] = encode(g709);
  rgb[2] = encode(b709);
}

void ToneMap::ToRgb(const Yuv10Frame& in, std::uint8_t* rgb, std::ptrdiff_t stride) const {
  const Levels levels = in.fullRange ? kFullLevels : kTvLevels;
  for (int y = 0; y < in.height; ++y) {
    const std::uint16_t* luma = in.planes[0] + y * in.strides[0];
    const std::uint16_t* cb = in.planes[1] + (y / 2) * in.strides[1];
    const std::uint16_t* cr = in.planes[2] + (y / 2) * in.strides[2];
    std::uint8_t* out = rgb + y * stride;
    for (int x = 0; x < in.width; ++x, out += 3) {
      Map((static_cast<float>(luma[x]) - levels.black) / levels.range,
          (static_cast<float>(cb[x >> 1]) - 512) / levels.chromaRange,
          (static_cast<float>(cr[x >> 1]) - 512) / levels.chromaRange, out);
    }
  }
}

void ToneMap::ToYuv420(const Yuv10Frame& in, std::uint8_t* const out[3],
                       const std::ptrdiff_t strides[3]) const {
  // The rows are shared among the cores, each part on a thread of its own but the first.
  const int chromaRows = (in.height + 1) / 2;
  const int parts = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1,
                               std::max(1, chromaRows / kRowsPerPart));
  std::vector<std::thread> threads;
  threads.reserve(static_cast<std::size_t>(parts - 1));
  for (int part = 1; part < parts; ++part) {
    threads.emplace_back([&, part] {
      ToYuv420Rows(in, out, strides, chromaRows * part / parts, chromaRows * (part + 1) / parts);
    });
  }
  ToYuv420Rows(in, out, strides, 0, chromaRows / parts);
  for (std::thread& thread : threads) thread.join();
}

void ToneMap::ToYuv420Rows(const Yuv10Frame& in, std::uint8_t* const out[3],
                           const std::ptrdiff_t strides[3], int first, int end) const {
  const Levels levels = in.fullRange ? kFullLevels : kTvLevels;
  for (int cy = first; cy < end; ++cy) {
    const std::uint16_t* cbRow = in.planes[1] + cy * in.strides[1];
    const std::uint16_t* crRow = in.planes[2] + cy * in.strides[2];
    for (int cx = 0; cx < (in.width + 1) / 2; ++cx) {
      const float cb = (static_cast<float>(cbRow[cx]) - 512) / levels.chromaRange;
      const float cr = (static_cast<float>(crRow[cx]) - 512) / levels.chromaRange;
      float sums[3] = {0, 0, 0};
      int count = 0;
      // The block of up to four pixels that share this chroma.
      for (int y = 2 * cy; y < std::min(2 * cy + 2, in.height); ++y) {
        const std::uint16_t* luma = in.planes[0] + y * in.strides[0];
        for (int x = 2 * cx; x < std::min(2 * cx + 2, in.width); ++x) {
          std::uint8_t rgb[3];
          Map((static_cast<float>(luma[x]) - levels.black) / levels.range, cb, cr, rgb);
          out[0][y * strides[0] + x] = TvLuma(rgb);
          for (int c = 0; c < 3; ++c) sums[c] += static_cast<float>(rgb[c]);
          ++count;
        }
      }
      const auto [outCb, outCr] = TvChroma(sums[0], sums[1], sums[2], count);
      out[1][cy * strides[1] + cx] = outCb;
      out[2][cy * strides[2] + cx] = outCr;
    }
  }
}

}  // namespace quillmere
