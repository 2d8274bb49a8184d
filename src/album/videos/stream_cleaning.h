// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The packets of a copied video stream without the metadata its codec carries inside them: the SEI
// messages of H.264, whose user data holds what a camera writes (its settings, the place taken),
// and the metadata units of AV1. Part of the video module.
#pragma once

#include <functional>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavformat/avformat.h>
}

namespace quillmere {

struct CleaningFreer {
  void operator()(AVBSFContext* cleaning) const { av_bsf_free(&cleaning); }
};
using CleaningPointer = std::unique_ptr<AVBSFContext, CleaningFreer>;

// Tells whether a stream of `codec` can be copied here without the metadata inside its packets:
// a codec that carries none, or one whose filter the library has.
bool CanCleanCopies(AVCodecID codec);

// Opens into `cleaning` what takes the metadata out of the packets of `stream`; leaves it none for
// a codec that carries none. The library's error code, or 0.
int OpenCleaning(const AVStream& stream, CleaningPointer& cleaning);

// Sends `packet` through `cleaning` (none: as it is), or drains it where `last`, and calls `write`
// with each packet that comes out; the first error code, or 0.
int Clean(AVBSFContext* cleaning, AVPacket& packet, bool last,
          const std::function<int(AVPacket&)>& write);

}  // namespace quillmere
