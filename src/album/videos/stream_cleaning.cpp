// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/stream_cleaning.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace quillmere {
namespace {

// The library's filter that drops units of a codec's stream by their type.
constexpr const char* kUnitFilter = "filter_units";

// The types of the units that carry metadata in a stream of `codec`, as the unit filter takes
// them; none for a codec without such units.
const char* MetadataUnitsOf(AVCodecID codec) {
  // H.264's NAL units of type 6 are SEI messages; AV1's OBUs of type 5 are metadata.
  if (codec == AV_CODEC_ID_H264) return "6";
  if (codec == AV_CODEC_ID_AV1) return "5";
  return nullptr;
}

}  // namespace

bool CanCleanCopies(AVCodecID codec) {
  return MetadataUnitsOf(codec) == nullptr || av_bsf_get_by_name(kUnitFilter) != nullptr;
}

int OpenCleaning(const AVStream& stream, CleaningPointer& cleaning) {
  cleaning.reset();
  const char* units = MetadataUnitsOf(stream.codecpar->codec_id);
  if (units == nullptr) return 0;
  const AVBitStreamFilter* filter = av_bsf_get_by_name(kUnitFilter);
  if (filter == nullptr) return AVERROR_BSF_NOT_FOUND;
  AVBSFContext* opened = nullptr;
  if (int code = av_bsf_alloc(filter, &opened); code < 0) return code;
  cleaning.reset(opened);
  if (int code = avcodec_parameters_copy(opened->par_in, stream.codecpar); code < 0) return code;
  opened->time_base_in = stream.time_base;
  if (int code = av_opt_set(opened->priv_data, "remove_types", units, 0); code < 0) return code;
  return av_bsf_init(opened);
}

int Clean(AVBSFContext* cleaning, AVPacket& packet, bool last,
          const std::function<int(AVPacket&)>& write) {
  if (cleaning == nullptr) return last ? 0 : write(packet);
  int code = av_bsf_send_packet(cleaning, last ? nullptr : &packet);
  if (code < 0) return code;
  while ((code = av_bsf_receive_packet(cleaning, &packet)) == 0) {
    if ((code = write(packet)) < 0) return code;
  }
  return code == AVERROR(EAGAIN) || code == AVERROR_EOF ? 0 : code;
}

}  // namespace quillmere
