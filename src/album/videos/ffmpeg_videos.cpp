// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The module of videos: FFmpeg's libraries read a video through the file layer (video_io.h), tell
// what it is and how it is made, take its poster frame (video_frames.h), and copy it into the
// album's file or encode it (video_encoding.h).
#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "album/videos/stream_cleaning.h"
#include "album/videos/video_dates.h"
#include "album/videos/video_encoding.h"
#include "album/videos/video_frames.h"
#include "album/videos/video_io.h"
#include "album/videos/video_limits.h"
#include "album/videos/video_module.h"
#include "album/videos/video_timing.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

namespace quillmere {
namespace {

using Kind = PictureError::Kind;

// The poster is the first frame that is not black from this many seconds in.
constexpr double kPosterSeconds = 1.0;
// How much later than kPosterSeconds the key frame that the poster is taken from may be.
constexpr double kPosterKeyFrameSlack = 1.0;

// How far the frames of `stream` are turned clockwise to be upright, by its display matrix; 0
// where the matrix is odd, and the frames are shown as they are stored.
int RotationOf(const AVStream& stream) {
  return OrientationOf(stream).rotation;
}

// How long `opened` lasts, in milliseconds; 0 when its header does not tell.
std::uint64_t MillisecondsOf(const Opened& opened) {
  if (opened.format->duration > 0) {
    return static_cast<std::uint64_t>(opened.format->duration / (AV_TIME_BASE / 1000));
  }
  const AVStream& video = *opened.video;
  if (video.duration > 0) {
    return static_cast<std::uint64_t>(video.duration * 1000 * video.time_base.num /
                                      video.time_base.den);
  }
  return 0;
}

// Tells whether `parameters` hold 8-bit video of standard dynamic range.
bool IsEightBitSdr(const AVCodecParameters& parameters) {
  const AVPixFmtDescriptor* pixels =
      av_pix_fmt_desc_get(static_cast<AVPixelFormat>(parameters.format));
  if (pixels == nullptr || pixels->comp[0].depth > 8) return false;
  return !HdrCurveOf(parameters.color_trc);
}

// Tells whether `parameters` hold 8-bit pictures of 4:2:0, a chroma sample to four of luma.
bool IsEightBit420(const AVCodecParameters& parameters) {
  const AVPixFmtDescriptor* pixels =
      av_pix_fmt_desc_get(static_cast<AVPixelFormat>(parameters.format));
  return pixels != nullptr && pixels->nb_components == 3 && pixels->comp[0].depth == 8 &&
         pixels->log2_chroma_w == 1 && pixels->log2_chroma_h == 1 &&
         (pixels->flags & AV_PIX_FMT_FLAG_RGB) == 0;
}

// Tells whether browsers play the video of `parameters` as it is: H.264 of the Baseline, Main or
// High profile, VP9 of profile 0 or AV1 Main, in 8-bit 4:2:0 each.
bool IsPlayedAsItIs(const AVCodecParameters& parameters) {
  if (!IsEightBit420(parameters)) return false;
  const int profile = parameters.profile;
  if (parameters.codec_id == AV_CODEC_ID_H264) {
    return profile == FF_PROFILE_H264_BASELINE || profile == FF_PROFILE_H264_CONSTRAINED_BASELINE ||
           profile == FF_PROFILE_H264_MAIN || profile == FF_PROFILE_H264_HIGH;
  }
  if (parameters.codec_id == AV_CODEC_ID_VP9) return profile == FF_PROFILE_VP9_0;
  if (parameters.codec_id == AV_CODEC_ID_AV1) return profile == FF_PROFILE_AV1_MAIN;
  return false;
}

// Tells whether `container` (as the library names its formats) is of the MP4 family.
bool IsMp4Family(const std::string& container) {
  return container.find("mp4") != std::string::npos || container.find("mov") != std::string::npos;
}

// How the album's file of `opened` is made: copied, in MP4 or WebM, or encoded.
void DecideMaking(const Opened& opened, const VideoRules& rules, VideoFacts& facts) {
  const AVCodecParameters& video = *opened.video->codecpar;
  const AVCodecID audio =
      opened.audio != nullptr ? opened.audio->codecpar->codec_id : AV_CODEC_ID_NONE;
  const bool mp4 = IsMp4Family(opened.container);
  const bool webm = opened.container.find("webm") != std::string::npos;
  if (rules.original && (mp4 || webm)) {
    facts.copied = true;
    facts.extension = webm ? ".webm" : ".mp4";
    return;
  }
  // A matrix that is no quarter turn is dropped, which only an encoded video can do without
  // showing its frames otherwise.
  const bool plain = IsEightBitSdr(video) && IsPlayedAsItIs(video) &&
                     !OrientationOf(*opened.video).odd &&
                     FitsEitherWay(video.width, video.height, rules.size) &&
                     (rules.keepMetadata || CanCleanCopies(video.codec_id));
  if (plain && mp4 && video.codec_id == AV_CODEC_ID_H264 &&
      (audio == AV_CODEC_ID_NONE || audio == AV_CODEC_ID_AAC)) {
    facts.copied = true;
    facts.extension = ".mp4";
  } else if (plain && webm &&
             (video.codec_id == AV_CODEC_ID_VP9 || video.codec_id == AV_CODEC_ID_AV1) &&
             (audio == AV_CODEC_ID_NONE || audio == AV_CODEC_ID_OPUS ||
              audio == AV_CODEC_ID_VORBIS)) {
    facts.copied = true;
    facts.extension = ".webm";
  }
}

// The shape in which `opened` is made as `facts` say: its decoded frames, and the encoder's fitted
// within `size` where it is encoded.
VideoShape ShapeOf(const Opened& opened, const VideoFacts& facts, FitBox size) {
  const AVCodecParameters& video = *opened.video->codecpar;
  VideoShape shape{video.width, video.height, static_cast<AVPixelFormat>(video.format), {}};
  if (!facts.copied) shape.encoded = FittedEitherWay(video.width, video.height, size);
  return shape;
}

class FfmpegVideoMaker final : public VideoMaker {
 public:
  FfmpegVideoMaker(std::mutex& fileLock, const VideoRules& rules)
      : fileLock_(fileLock), rules_(rules) {}

  Result<VideoFacts, PictureError> Probe(ReadableFile& file) override {
    auto opened = OpenVideo(file, fileLock_, rules_.libraryText);
    if (auto* error = opened.failure()) return std::move(*error);
    const AVCodecParameters& video = *opened.value().video->codecpar;
    VideoFacts facts;
    facts.milliseconds = MillisecondsOf(opened.value());
    facts.width = video.width;
    facts.height = video.height;
    facts.rotation = RotationOf(*opened.value().video);
    if (video.width <= 0 || video.height <= 0) {
      return VideoError(Kind::kBadHeader, opened.value().container, 0, false);
    }
    DecideMaking(opened.value(), rules_, facts);
    const VideoShape shape = ShapeOf(opened.value(), facts, rules_.size);
    if (std::optional<PictureError> over =
            OverLimits(shape, BoundsFor(shape, rules_.limits.maxMemory, rules_.threads),
                       video.width, video.height, static_cast<AVPixelFormat>(video.format),
                       rules_.limits, opened.value().container)) {
      return std::move(*over);
    }
    if (std::optional<PictureError> cut =
            CutShort(opened.value(), static_cast<std::int64_t>(file.AsOpened().size))) {
      return std::move(*cut);
    }
    if (facts.milliseconds > rules_.maxMilliseconds) {
      PictureError error = VideoError(Kind::kTooLong, opened.value().container, 0, false);
      error.needed = facts.milliseconds;
      error.limit = rules_.maxMilliseconds;
      return error;
    }
    if (avcodec_find_decoder(video.codec_id) == nullptr) {
      return VideoError(Kind::kNoVideoDecoder, avcodec_get_name(video.codec_id), 0, false);
    }
    ReadDateTaken(*opened.value().format, *opened.value().video, facts);
    return facts;
  }

  // Where the poster of `video` is looked for from, in seconds: a second in, or the start of a
  // video of two seconds or less.
  static double PosterStart(const Opened& video) {
    const double seconds = static_cast<double>(MillisecondsOf(video)) / 1000;
    return seconds > 2 * kPosterSeconds ? kPosterSeconds : 0.0;
  }

  // The search for the poster of `video`, upright and through its tone map where it is HDR.
  static PosterSearch PosterSearchFor(const Opened& video) {
    return {PosterStart(video), OrientationOf(*video.video),
            HdrCurveOf(video.video->codecpar->color_trc)};
  }

  // The poster `poster` found in `video`; a damaged video where it found no frame at all.
  static Result<VideoFrame, PictureError> PosterFound(PosterSearch& poster, const Opened& video) {
    if (std::optional<VideoFrame> frame = poster.Take()) return std::move(*frame);
    return VideoError(Kind::kDamaged, video.container, 0, false);
  }

  // The poster of `video`, opened from `file` and read from wherever it stands: decoded from the
  // key frame at about a second in where it has one, else from the start.
  Result<VideoFrame, PictureError> PosterOf(ReadableFile& file, Opened& video) {
    VideoFacts copied;
    copied.copied = true;
    FrameGuard guard(ShapeOf(video, copied, rules_.size), MakingBounds{}, rules_.limits,
                     video.container);
    auto decoder = DecoderFor(*video.video, rules_.libraryText, /*threads=*/1);
    if (auto* error = decoder.failure()) return std::move(*error);
    guard.Watch(*decoder.value());
    PosterSearch poster = PosterSearchFor(video);
    const double from = PosterStart(video);
    PacketPointer packet(av_packet_alloc());
    FramePointer frame(av_frame_alloc());
    if (!packet || !frame) return PictureError{.kind = Kind::kOutOfMemory};
    if ((from == 0 || !SeekToKeyFrameNear(video, from, *packet)) &&
        av_seek_frame(video.format.get(), video.video->index, 0, AVSEEK_FLAG_BACKWARD) < 0) {
      // A video that cannot go back to its start is read again from it.
      auto again = OpenVideo(file, fileLock_, rules_.libraryText);
      if (auto* error = again.failure()) return std::move(*error);
      video = std::move(again.value());
    }
    bool ended = false;
    while (!ended && !poster.found()) {
      // A packet that the seek read already is decoded first.
      const int code = packet->size > 0 ? 0 : av_read_frame(video.format.get(), packet.get());
      if (code < 0) {
        ended = true;
        avcodec_send_packet(decoder.value().get(), nullptr);
      } else if (packet->stream_index == video.video->index) {
        MoveBack(*packet, *video.video, StartOf(video));
        avcodec_send_packet(decoder.value().get(), packet.get());
      }
      av_packet_unref(packet.get());
      while (!poster.found() && avcodec_receive_frame(decoder.value().get(), frame.get()) == 0) {
        poster.Offer(*frame, *video.video);
      }
      if (std::optional<PictureError> refused = guard.refused()) return std::move(*refused);
    }
    return PosterFound(poster, video);
  }

  // Seeks `video` to its first key frame from `seconds` on, where that is not much later, and
  // reads that frame's first packet into `packet`: then the poster needs one frame decoded. Seeks
  // to the key frame before `seconds` otherwise, with `packet` empty; false when neither works.
  static bool SeekToKeyFrameNear(Opened& video, double seconds, AVPacket& packet) {
    AVStream& stream = *video.video;
    const std::int64_t start = InStreamTime(StartOf(video), stream);
    const auto at = static_cast<std::int64_t>(seconds / av_q2d(stream.time_base)) + start;
    if (av_seek_frame(video.format.get(), stream.index, at, 0) >= 0) {
      while (av_read_frame(video.format.get(), &packet) >= 0) {
        if (packet.stream_index != stream.index) {
          av_packet_unref(&packet);
          continue;
        }
        const double found = static_cast<double>(packet.pts - start) * av_q2d(stream.time_base);
        if (packet.pts != AV_NOPTS_VALUE && found <= seconds + kPosterKeyFrameSlack) return true;
        av_packet_unref(&packet);
        break;
      }
    }
    return av_seek_frame(video.format.get(), stream.index, at, AVSEEK_FLAG_BACKWARD) >= 0;
  }

  Result<VideoFrame, PictureError> Make(ReadableFile& file, const VideoFacts& facts, NewFile& out,
                                        VideoProgress& progress) override {
    auto opened = OpenVideo(file, fileLock_, rules_.libraryText);
    if (auto* error = opened.failure()) return std::move(*error);
    Opened& video = opened.value();
    if (facts.copied && rules_.original) {
      Result<void, PictureError> copied = CopyWhole(file, out, progress);
      if (auto* error = copied.failure()) return std::move(*error);
      return PosterOf(file, video);
    }
    auto output = OpenOutput(out, facts.extension);
    if (auto* error = output.failure()) return std::move(*error);
    if (facts.copied) {
      Result<void, PictureError> remuxed = Remux(video, output.value(), facts, progress);
      if (auto* error = remuxed.failure()) return std::move(*error);
      return PosterOf(file, video);
    }
    // The poster of an encoded video is taken from its frames as they are decoded.
    PosterSearch poster = PosterSearchFor(video);
    Result<void, PictureError> encoded =
        EncodeVideo(video, output.value(), facts, rules_, progress, poster);
    if (auto* error = encoded.failure()) return std::move(*error);
    return PosterFound(poster, video);
  }

 private:
  // Copies the bytes of `file` into `out` as they are.
  Result<void, PictureError> CopyWhole(ReadableFile& file, NewFile& out, VideoProgress& progress) {
    const std::uint64_t size = file.AsOpened().size;
    std::string buffer(std::size_t{1} << 20, '\0');
    for (std::uint64_t at = 0; at < size;) {
      if (!progress.Going(static_cast<double>(at) / static_cast<double>(size))) {
        return PictureError{.kind = Kind::kStopped};
      }
      Result<std::size_t> got = [&] {
        const std::lock_guard<std::mutex> hold(fileLock_);
        return file.ReadAt(buffer.data(), buffer.size(), at);
      }();
      if (!got) return Unreadable(got.error());
      if (got.value() == 0) break;
      if (std::error_code error = out.Write(buffer.data(), got.value()).error())
        return Unreadable(error);
      at += got.value();
    }
    return {};
  }

  // Copies the video and audio streams of `input` into `output`, packet by packet, without the
  // metadata inside their packets unless it is kept.
  Result<void, PictureError> Remux(Opened& input, Output& output, const VideoFacts& facts,
                                   VideoProgress& progress) {
    std::vector<int> map(input.format->nb_streams, -1);
    std::vector<CleaningPointer> cleanings(input.format->nb_streams);
    for (AVStream* stream : {input.video, input.audio}) {
      if (stream == nullptr) continue;
      CleaningPointer& cleaning = cleanings[static_cast<std::size_t>(stream->index)];
      if (int code = rules_.keepMetadata ? 0 : OpenCleaning(*stream, cleaning); code < 0) {
        return Failed(input, output, code, rules_.libraryText);
      }
      AVStream* copy = AddStreamLike(output, *stream);
      const AVCodecParameters& parameters = cleaning ? *cleaning->par_out : *stream->codecpar;
      if (copy == nullptr || avcodec_parameters_copy(copy->codecpar, &parameters) < 0) {
        return PictureError{.kind = Kind::kOutOfMemory};
      }
      copy->codecpar->codec_tag = 0;
      map[static_cast<std::size_t>(stream->index)] = copy->index;
    }
    KeepMetadata(input, output, rules_.keepMetadata);
    if (int code = avformat_write_header(output.format.get(), nullptr); code < 0) {
      return Failed(input, output, code, rules_.libraryText);
    }
    PacketPointer packet(av_packet_alloc());
    if (!packet) return PictureError{.kind = Kind::kOutOfMemory};
    LengthWatch length(*input.format, rules_.maxMilliseconds, input.container);
    const std::int64_t start = StartOf(input);
    int read = 0;
    while ((read = av_read_frame(input.format.get(), packet.get())) >= 0) {
      const int to = map[static_cast<std::size_t>(packet->stream_index)];
      if (to < 0) {
        av_packet_unref(packet.get());
        continue;
      }
      const AVStream& from = *input.format->streams[packet->stream_index];
      MoveBack(*packet, from, start);
      if (!Going(progress, *packet, from, facts)) return PictureError{.kind = Kind::kStopped};
      if (std::optional<PictureError> past = length.Past(*packet, from)) return std::move(*past);
      const auto index = static_cast<std::size_t>(packet->stream_index);
      if (int code = Clean(cleanings[index].get(), *packet, false, CopyWriter(from, output, to));
          code < 0) {
        return Failed(input, output, code, rules_.libraryText);
      }
    }
    for (std::size_t index = 0; index < cleanings.size(); ++index) {
      if (!cleanings[index]) continue;
      const AVStream& from = *input.format->streams[index];
      if (int code =
              Clean(cleanings[index].get(), *packet, true, CopyWriter(from, output, map[index]));
          code < 0) {
        return Failed(input, output, code, rules_.libraryText);
      }
    }
    if (std::optional<PictureError> early = EndedEarly(input, read, rules_.libraryText)) {
      return std::move(*early);
    }
    if (int code = av_write_trailer(output.format.get()); code < 0) {
      return Failed(input, output, code, rules_.libraryText);
    }
    return {};
  }

  // What writes a packet of `from` into the stream `to` of `output`, its times in that stream's.
  static std::function<int(AVPacket&)> CopyWriter(const AVStream& from, Output& output, int to) {
    return [&from, &output, to](AVPacket& packet) {
      av_packet_rescale_ts(&packet, from.time_base, output.format->streams[to]->time_base);
      packet.stream_index = to;
      packet.pos = -1;
      return av_interleaved_write_frame(output.format.get(), &packet);
    };
  }

  std::mutex& fileLock_;
  VideoRules rules_;
};

}  // namespace

// Made by the album layer through kNewVideoMakerSymbol.
extern "C" __attribute__((visibility("default"))) VideoMaker* QuillmereNewVideoMaker(
    std::mutex* fileLock, const VideoRules* rules) {
  // The libraries' words reach the person only where a failure keeps them.
  av_log_set_level(AV_LOG_QUIET);
  return new (std::nothrow) FfmpegVideoMaker(*fileLock, *rules);
}

// The entry point is defined with the type the album layer calls it by.
static_assert(std::is_same_v<decltype(QuillmereNewVideoMaker), NewVideoMakerFunction>);

}  // namespace quillmere
