// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/tone_map.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

namespace quillmere {
namespace {

// The steps of the tables of light by signal, of HLG's gain by luminance, and of sRGB by light:
// finer than the 8 bits the pixels end in (PQ is made to show no banding at 12 bits).
constexpr std::size_t kSignalSteps = 4096;
constexpr std::size_t kLuminanceSteps = 4096;
constexpr std::size_t kEncodeSteps = 16384;
// The fewest rows of chroma worth a thread of their own.
constexpr int kRowsPerPart = 64;

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

// The 8-bit TV-range luma of 8-bit sRGB `r`, `g`, `b`.
std::uint8_t TvLuma(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  const float luma = kLumaR * static_cast<float>(r) + kLumaG * static_cast<float>(g) +
                     kLumaB * static_cast<float>(b);
  return static_cast<std::uint8_t>(16.5F + luma * (219.0F / 255));
}

// The 8-bit TV-range chroma of the sums `r`, `g`, `b` of four pixels' 8-bit sRGB.
std::pair<std::uint8_t, std::uint8_t> TvChroma(float r, float g, float b) {
  const float luma = kLumaR * r + kLumaG * g + kLumaB * b;
  const float scale = 224.0F / 255 / 4;
  const float cb = (b - luma) / 1.8556F * scale;
  const float cr = (r - luma) / 1.5748F * scale;
  return {static_cast<std::uint8_t>(128.5F + cb), static_cast<std::uint8_t>(128.5F + cr)};
}

}  // namespace

ToneMap::ToneMap(HdrCurve curve, int threads)
    : curve_(curve), light_(kSignalSteps + 1), encoded_(kEncodeSteps + 1), threads_(threads) {
  for (std::size_t i = 0; i <= kSignalSteps; ++i) {
    const double value = static_cast<double>(i) / kSignalSteps;
    light_[i] = static_cast<float>(curve == HdrCurve::kPq ? PqNits(value) / kReferenceWhiteNits
                                                          : HlgScene(value));
  }
  if (curve == HdrCurve::kHlg) {
    // The display's gamma of 1.2 for a screen of kPeakNits: light = peak * Ys^0.2 * scene.
    hlgGain_.resize(kLuminanceSteps + 1);
    for (std::size_t i = 0; i <= kLuminanceSteps; ++i) {
      const double luminance = static_cast<double>(i) / kLuminanceSteps;
      hlgGain_[i] = static_cast<float>(kPeakNits / kReferenceWhiteNits * std::pow(luminance, 0.2));
    }
  }
  for (std::size_t i = 0; i <= kEncodeSteps; ++i) {
    const double value = Srgb(static_cast<double>(i) / kEncodeSteps);
    encoded_[i] = static_cast<std::uint8_t>(std::lround(value * 255));
  }
}

void ToneMap::MapChunk(const Chunk& in, Rgb8Chunk& out) const {
  // Indices into the tables, and the light they give, for the chunk's pixels; each loop below is
  // one step for all of them, so that the compiler can do several pixels at once.
  alignas(32) std::int32_t ri[kChunk];
  alignas(32) std::int32_t gi[kChunk];
  alignas(32) std::int32_t bi[kChunk];
  alignas(32) float r[kChunk];
  alignas(32) float g[kChunk];
  alignas(32) float b[kChunk];
  constexpr auto kSignal = static_cast<float>(kSignalSteps);
  // BT.2020's R'G'B' of its Y'CbCr.
  for (int i = 0; i < kChunk; ++i) {
    const float y = in.luma[i];
    ri[i] = static_cast<std::int32_t>(std::clamp(y + 1.4746F * in.cr[i], 0.0F, 1.0F) * kSignal);
    gi[i] = static_cast<std::int32_t>(
        std::clamp(y - 0.16455F * in.cb[i] - 0.57135F * in.cr[i], 0.0F, 1.0F) * kSignal);
    bi[i] = static_cast<std::int32_t>(std::clamp(y + 1.8814F * in.cb[i], 0.0F, 1.0F) * kSignal);
  }
  for (int i = 0; i < kChunk; ++i) {
    r[i] = light_[static_cast<std::size_t>(ri[i])];
    g[i] = light_[static_cast<std::size_t>(gi[i])];
    b[i] = light_[static_cast<std::size_t>(bi[i])];
  }
  if (curve_ == HdrCurve::kHlg) {
    constexpr auto kLuminance = static_cast<float>(kLuminanceSteps);
    for (int i = 0; i < kChunk; ++i) {
      const float luminance = 0.2627F * r[i] + 0.6780F * g[i] + 0.0593F * b[i];
      ri[i] = static_cast<std::int32_t>(std::min(luminance, 1.0F) * kLuminance);
    }
    for (int i = 0; i < kChunk; ++i) {
      const float gain = hlgGain_[static_cast<std::size_t>(ri[i])];
      r[i] *= gain;
      g[i] *= gain;
      b[i] *= gain;
    }
  }
  constexpr auto kEncode = static_cast<float>(kEncodeSteps);
  for (int i = 0; i < kChunk; ++i) {
    // BT.2020's primaries to BT.709's, in linear light; what lies outside is clipped.
    const LinearRgb rolled =
        RolledOff({std::max(0.0F, 1.6605F * r[i] - 0.5876F * g[i] - 0.0728F * b[i]),
                   std::max(0.0F, -0.1246F * r[i] + 1.1329F * g[i] - 0.0083F * b[i]),
                   std::max(0.0F, -0.0182F * r[i] - 0.1006F * g[i] + 1.1187F * b[i])});
    ri[i] = static_cast<std::int32_t>(std::min(rolled.red, 1.0F) * kEncode);
    gi[i] = static_cast<std::int32_t>(std::min(rolled.green, 1.0F) * kEncode);
    bi[i] = static_cast<std::int32_t>(std::min(rolled.blue, 1.0F) * kEncode);
  }
  for (int i = 0; i < kChunk; ++i) {
    out.channels[0][i] = encoded_[static_cast<std::size_t>(ri[i])];
    out.channels[1][i] = encoded_[static_cast<std::size_t>(gi[i])];
    out.channels[2][i] = encoded_[static_cast<std::size_t>(bi[i])];
  }
}

void ToneMap::MapRow(const Yuv10Frame& in, int y, int from, Rgb8Chunk& out) const {
  const Levels levels = in.fullRange ? kFullLevels : kTvLevels;
  const std::uint16_t* luma = in.planes[0] + y * in.strides[0];
  const std::uint16_t* cb = in.planes[1] + (y >> 1) * in.strides[1];
  const std::uint16_t* cr = in.planes[2] + (y >> 1) * in.strides[2];
  Chunk chunk;
  const int count = std::min(kChunk, in.width - from);
  for (int i = 0; i < kChunk; ++i) {
    // Past the row's end, its last pixel again.
    const int x = from + std::min(i, count - 1);
    chunk.luma[i] = (static_cast<float>(luma[x]) - levels.black) / levels.range;
    chunk.cb[i] = (static_cast<float>(cb[x >> 1]) - 512) / levels.chromaRange;
    chunk.cr[i] = (static_cast<float>(cr[x >> 1]) - 512) / levels.chromaRange;
  }
  MapChunk(chunk, out);
}

void ToneMap::ToRgb(const Yuv10Frame& in, std::uint8_t* rgb, std::ptrdiff_t stride) const {
  Rgb8Chunk mapped;
  for (int y = 0; y < in.height; ++y) {
    for (int from = 0; from < in.width; from += kChunk) {
      MapRow(in, y, from, mapped);
      std::uint8_t* out = rgb + y * stride + static_cast<std::ptrdiff_t>(from) * 3;
      for (int i = 0; i < std::min(kChunk, in.width - from); ++i, out += 3) {
        for (int c = 0; c < 3; ++c) out[c] = mapped.channels[c][i];
      }
    }
  }
}

void ToneMap::ToYuv420(const Yuv10Frame& in, std::uint8_t* const out[3],
                       const std::ptrdiff_t strides[3]) const {
  // The rows are shared among the cores, each part on a thread of its own but the first.
  const int chromaRows = (in.height + 1) / 2;
  const int cores = threads_ > 0 ? threads_ : static_cast<int>(std::thread::hardware_concurrency());
  const int parts = std::clamp(cores, 1, std::max(1, chromaRows / kRowsPerPart));
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
  Rgb8Chunk rows[2];
  for (int cy = first; cy < end; ++cy) {
    // The one or two rows of pixels that share this row of chroma.
    const int count = std::min(2, in.height - 2 * cy);
    for (int from = 0; from < in.width; from += kChunk) {
      const int pixels = std::min(kChunk, in.width - from);
      for (int k = 0; k < count; ++k) {
        const int y = 2 * cy + k;
        MapRow(in, y, from, rows[k]);
        std::uint8_t* luma = out[0] + y * strides[0] + from;
        for (int i = 0; i < pixels; ++i) {
          const auto& rgb = rows[k].channels;
          luma[i] = TvLuma(rgb[0][i], rgb[1][i], rgb[2][i]);
        }
      }
      if (count == 1) rows[1] = rows[0];
      // Each chroma sample is that of the two by two pixels it covers (the row's last, where it
      // has an odd number, twice).
      std::uint8_t* cbOut = out[1] + cy * strides[1] + from / 2;
      std::uint8_t* crOut = out[2] + cy * strides[2] + from / 2;
      for (int i = 0; i < pixels; i += 2) {
        const int j = std::min(i + 1, pixels - 1);
        const auto sum = [&](int c) {
          return static_cast<float>(rows[0].channels[c][i] + rows[0].channels[c][j] +
                                    rows[1].channels[c][i] + rows[1].channels[c][j]);
        };
        const auto [outCb, outCr] = TvChroma(sum(0), sum(1), sum(2));
        cbOut[i / 2] = outCb;
        crOut[i / 2] = outCr;
      }
    }
  }
}

}  // namespace quillmere
