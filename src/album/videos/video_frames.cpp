// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/video_frames.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quillmere {
namespace {

// How much smaller than the largest entry of a display matrix an entry is taken as 0: a
// hundredth, less than a degree off a quarter turn.
constexpr std::int64_t kMatrixLeeway = 100;

// The library's table of the YUV matrix of `space`, for a frame `height` rows high where the
// video does not say: BT.709 from HD on, BT.601 below.
const int* MatrixOf(AVColorSpace space, int height) {
  switch (space) {
    case AVCOL_SPC_BT709:
      return sws_getCoefficients(SWS_CS_ITU709);
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
      return sws_getCoefficients(SWS_CS_ITU601);
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return sws_getCoefficients(SWS_CS_BT2020);
    case AVCOL_SPC_SMPTE240M:
      return sws_getCoefficients(SWS_CS_SMPTE240M);
    case AVCOL_SPC_FCC:
      return sws_getCoefficients(SWS_CS_FCC);
    default:
      return sws_getCoefficients(height >= 720 ? SWS_CS_ITU709 : SWS_CS_ITU601);
  }
}

// Tells whether `frame` uses the whole range of its values, as JPEG does, rather than TV's.
bool IsFullRange(const AVFrame& frame) {
  switch (static_cast<AVPixelFormat>(frame.format)) {
    case AV_PIX_FMT_YUVJ420P:
    case AV_PIX_FMT_YUVJ422P:
    case AV_PIX_FMT_YUVJ444P:
    case AV_PIX_FMT_YUVJ440P:
    case AV_PIX_FMT_YUVJ411P:
      return true;
    default:
      return frame.color_range == AVCOL_RANGE_JPEG;
  }
}

// Tells whether `format` is RGB.
bool IsRgb(AVPixelFormat format) {
  return format == AV_PIX_FMT_RGB24;
}

// The size and pixel format of frames.
struct FrameForm {
  int width = 0;
  int height = 0;
  AVPixelFormat format = AV_PIX_FMT_NONE;
};

// A conversion from frames of the form `from` (YUV of `matrix`, in full range when `full`) to
// frames of the form `to`, whose YUV, where it is, is BT.709's in TV range.
SwsContext* NewScale(const FrameForm& from, const int* matrix, bool full, const FrameForm& to) {
  SwsContext* scale = sws_getContext(from.width, from.height, from.format, to.width, to.height,
                                     to.format, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (scale == nullptr) return nullptr;
  sws_setColorspaceDetails(scale, matrix, full ? 1 : 0, sws_getCoefficients(SWS_CS_ITU709),
                           IsRgb(to.format) ? 1 : 0, 0, 1 << 16, 1 << 16);
  return scale;
}

}  // namespace

std::optional<HdrCurve> HdrCurveOf(AVColorTransferCharacteristic transfer) {
  if (transfer == AVCOL_TRC_SMPTE2084) return HdrCurve::kPq;
  if (transfer == AVCOL_TRC_ARIB_STD_B67) return HdrCurve::kHlg;
  return std::nullopt;
}

Orientation OrientationOf(const AVStream& stream) {
  const auto* matrix = reinterpret_cast<const std::int32_t*>(
      av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr));
  if (matrix == nullptr) return {};
  // A point (x, y) of the stored frame is shown at (a x + c y, b x + d y): a, b, c and d are the
  // matrix's entries 0, 1, 3 and 4, each taken as -1, 0 or 1 against the largest of them.
  const std::int64_t entries[4] = {matrix[0], matrix[1], matrix[3], matrix[4]};
  std::int64_t largest = 0;
  for (std::int64_t entry : entries) largest = std::max(largest, entry < 0 ? -entry : entry);
  if (largest == 0 || matrix[2] != 0 || matrix[5] != 0) return {.odd = true};
  int sign[4];
  for (int i = 0; i < 4; ++i) {
    const std::int64_t size = entries[i] < 0 ? -entries[i] : entries[i];
    sign[i] = size * kMatrixLeeway < largest ? 0 : entries[i] > 0 ? 1 : -1;
  }
  const auto [a, b, c, d] = sign;
  const bool straight = a != 0 && d != 0 && b == 0 && c == 0;
  const bool across = a == 0 && d == 0 && b != 0 && c != 0;
  if (!straight && !across) return {.odd = true};
  Orientation orientation;
  orientation.mirrored = a * d - b * c < 0;
  // Without its mirror (x taken as -x), the matrix only turns, as its a and b tell.
  const int turnA = orientation.mirrored ? -a : a;
  const int turnB = orientation.mirrored ? -b : b;
  orientation.rotation = turnA == 1 ? 0 : turnB == 1 ? 90 : turnA == -1 ? 180 : 270;
  return orientation;
}

FrameConverter::FrameConverter(int width, int height, AVPixelFormat format,
                               std::optional<HdrCurve> hdr, int threads)
    : width_(width), height_(height), format_(format) {
  if (hdr) toneMap_.emplace(*hdr, threads);
}

FrameConverter::~FrameConverter() {
  sws_freeContext(scale_);
}

SwsContext* FrameConverter::ScaleFor(const AVFrame& frame, AVPixelFormat format) {
  // Frames that change size or format midway get a conversion of their own.
  const auto from = static_cast<AVPixelFormat>(frame.format);
  if (scale_ == nullptr || frame.width != fromWidth_ || frame.height != fromHeight_ ||
      from != fromFormat_) {
    sws_freeContext(scale_);
    scale_ = NewScale({frame.width, frame.height, from}, MatrixOf(frame.colorspace, frame.height),
                      IsFullRange(frame), {width_, height_, format});
    fromWidth_ = frame.width;
    fromHeight_ = frame.height;
    fromFormat_ = from;
  }
  return scale_;
}

bool FrameConverter::TakesAsItIs(const AVFrame& frame) const {
  return !toneMap_ && frame.format == format_ && frame.width == width_ && frame.height == height_ &&
         !IsFullRange(frame);
}

bool FrameConverter::Convert(const AVFrame& frame, std::uint8_t* const to[], const int strides[]) {
  if (frame.width <= 0 || frame.height <= 0) return false;
  if (!toneMap_) {
    SwsContext* scale = ScaleFor(frame, format_);
    return scale != nullptr &&
           sws_scale(scale, frame.data, frame.linesize, 0, frame.height, to, strides) > 0;
  }
  const std::optional<Yuv10Frame> yuv = Yuv10Of(frame);
  if (!yuv) return false;
  if (format_ == AV_PIX_FMT_RGB24) {
    toneMap_->ToRgb(*yuv, to[0], strides[0]);
    return true;
  }
  if (format_ != AV_PIX_FMT_YUV420P) return false;
  const std::ptrdiff_t outStrides[3] = {strides[0], strides[1], strides[2]};
  toneMap_->ToYuv420(*yuv, to, outStrides);
  return true;
}

std::optional<Yuv10Frame> FrameConverter::Yuv10Of(const AVFrame& frame) {
  Yuv10Frame yuv;
  yuv.width = width_;
  yuv.height = height_;
  yuv.fullRange = IsFullRange(frame);
  constexpr auto kSample = static_cast<int>(sizeof(std::uint16_t));
  if (frame.format == AV_PIX_FMT_YUV420P10 && frame.width == width_ && frame.height == height_) {
    for (int p = 0; p < 3; ++p) {
      yuv.planes[p] = reinterpret_cast<const std::uint16_t*>(frame.data[p]);
      yuv.strides[p] = frame.linesize[p] / kSample;
    }
    return yuv;
  }
  // Another size or format is scaled and converted first, into TV range.
  yuv.fullRange = false;
  SwsContext* scale = ScaleFor(frame, AV_PIX_FMT_YUV420P10);
  if (scale == nullptr) return std::nullopt;
  const int chromaWidth = (width_ + 1) / 2;
  const auto lumaSize = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  const auto chromaSize =
      static_cast<std::size_t>(chromaWidth) * static_cast<std::size_t>((height_ + 1) / 2);
  yuv10_.resize(lumaSize + 2 * chromaSize);
  std::uint16_t* planes[3] = {yuv10_.data(), yuv10_.data() + lumaSize,
                              yuv10_.data() + lumaSize + chromaSize};
  std::uint8_t* bytes[3];
  int byteStrides[3];
  for (int p = 0; p < 3; ++p) {
    bytes[p] = reinterpret_cast<std::uint8_t*>(planes[p]);
    byteStrides[p] = (p == 0 ? width_ : chromaWidth) * kSample;
    yuv.planes[p] = planes[p];
    yuv.strides[p] = p == 0 ? width_ : chromaWidth;
  }
  if (sws_scale(scale, frame.data, frame.linesize, 0, frame.height, bytes, byteStrides) <= 0) {
    return std::nullopt;
  }
  return yuv;
}

namespace {

// Where the pixel (`x`, `y`) of a frame `width` by `height` stands once shown as `orientation`
// says: mirrored first, then turned.
std::pair<int, int> ShownAt(int x, int y, int width, int height, Orientation orientation) {
  if (orientation.mirrored) x = width - 1 - x;
  switch (orientation.rotation) {
    case 90:
      return {height - 1 - y, x};
    case 180:
      return {width - 1 - x, height - 1 - y};
    case 270:
      return {y, width - 1 - x};
    default:
      return {x, y};
  }
}

// `frame` as 8-bit RGB rows, shown as `orientation` says; empty when it cannot be converted.
VideoFrame UprightRgb(const AVFrame& frame, Orientation orientation, std::optional<HdrCurve> hdr) {
  const int width = frame.width;
  const int height = frame.height;
  std::string rgb(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, '\0');
  FrameConverter converter(width, height, AV_PIX_FMT_RGB24, hdr);
  std::uint8_t* planes[1] = {reinterpret_cast<std::uint8_t*>(rgb.data())};
  const int strides[1] = {width * 3};
  if (rgb.empty() || !converter.Convert(frame, planes, strides)) return {};
  if (orientation.rotation == 0 && !orientation.mirrored) return {width, height, std::move(rgb)};
  const bool quarter = orientation.rotation == 90 || orientation.rotation == 270;
  VideoFrame upright{quarter ? height : width, quarter ? width : height,
                     std::string(rgb.size(), 0)};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto [ux, uy] = ShownAt(x, y, width, height, orientation);
      std::memcpy(&upright.rgb[(static_cast<std::size_t>(uy) * upright.width + ux) * 3],
                  &rgb[(static_cast<std::size_t>(y) * width + x) * 3], 3);
    }
  }
  return upright;
}

// Tells whether `frame` is black or nearly so, by a sample of its pixels.
bool IsBlack(const VideoFrame& frame) {
  const std::size_t pixels = frame.rgb.size() / 3;
  const std::size_t step = std::max<std::size_t>(1, pixels / 4096);
  std::uint64_t sum = 0;
  std::uint64_t count = 0;
  for (std::size_t i = 0; i < pixels; i += step) {
    for (int c = 0; c < 3; ++c) sum += static_cast<unsigned char>(frame.rgb[i * 3 + c]);
    ++count;
  }
  return count == 0 || sum < count * 3 * 24;
}

}  // namespace

void PosterSearch::Offer(const AVFrame& frame, const AVStream& stream) {
  const double at = static_cast<double>(frame.best_effort_timestamp) * av_q2d(stream.time_base);
  if (found_ || at + 1e-3 < from_) return;
  VideoFrame rgb = UprightRgb(frame, orientation_, hdr_);
  if (rgb.rgb.empty()) return;
  if (!IsBlack(rgb)) {
    first_ = std::move(rgb);
    found_ = true;
  } else if (!first_) {
    first_ = std::move(rgb);
  }
  // Past the search, the first frame looked at is the poster, black or not.
  found_ = found_ || at > from_ + kPosterSearchSeconds;
}

}  // namespace quillmere
