// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/video_timing.h"

#include <algorithm>
#include <limits>

namespace quillmere {

std::int64_t StartOf(const Opened& opened) {
  std::int64_t start = std::numeric_limits<std::int64_t>::max();
  for (const AVStream* stream : {opened.video, opened.audio}) {
    if (stream == nullptr || stream->start_time == AV_NOPTS_VALUE) continue;
    start = std::min(start, av_rescale_q(stream->start_time, stream->time_base, AV_TIME_BASE_Q));
  }
  return start == std::numeric_limits<std::int64_t>::max() ? 0 : start;
}

std::int64_t InStreamTime(std::int64_t start, const AVStream& stream) {
  return av_rescale_q(start, AV_TIME_BASE_Q, stream.time_base);
}

void MoveBack(AVPacket& packet, const AVStream& stream, std::int64_t start) {
  const std::int64_t by = InStreamTime(start, stream);
  if (packet.pts != AV_NOPTS_VALUE) packet.pts -= by;
  if (packet.dts != AV_NOPTS_VALUE) packet.dts -= by;
  if (packet.duration <= 0 && stream.codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
    packet.duration = FrameDurationOf(stream);
  }
}

std::int64_t FrameDurationOf(const AVStream& stream) {
  AVRational rate = stream.avg_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) rate = stream.r_frame_rate;
  if (rate.num <= 0 || rate.den <= 0) return 0;
  return std::max<std::int64_t>(av_rescale_q(1, av_inv_q(rate), stream.time_base), 1);
}

}  // namespace quillmere
