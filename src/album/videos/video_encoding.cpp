// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/video_encoding.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <utility>

#include "album/videos/video_frames.h"
#include "album/videos/video_limits.h"
#include "album/videos/video_timing.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace quillmere {
namespace {

using Kind = PictureError::Kind;

// One stream decoded and encoded again, with what turns the decoded frames into the encoder's.
struct Transcoded {
  AVStream* in = nullptr;
  AVStream* out = nullptr;
  CodecPointer decoder;
  CodecPointer encoder;
  std::unique_ptr<FrameConverter> convert;
  // Where the video's decoded frames are offered as its poster; none for sound.
  PosterSearch* poster = nullptr;
  std::unique_ptr<SwrContext, ResampleFreer> resample;
  std::unique_ptr<AVAudioFifo, FifoFreer> fifo;
  // The sound's next sample, counted from the start of the album's file; set by its first frame.
  std::int64_t samples = 0;
  bool started = false;
  // The time of the last frame of video given to the encoder; none before the first.
  std::int64_t lastPts = AV_NOPTS_VALUE;
};

// The time of the decoded video `frame` of `stream`: its own, or a frame after the last where it
// has none or would come no later than the last, as a decoder's guess can.
std::int64_t FrameTime(Transcoded& stream, const AVFrame& frame) {
  std::int64_t pts = frame.best_effort_timestamp;
  if (stream.lastPts != AV_NOPTS_VALUE && (pts == AV_NOPTS_VALUE || pts <= stream.lastPts)) {
    pts = stream.lastPts + std::max<std::int64_t>(FrameDurationOf(*stream.in), 1);
  }
  stream.lastPts = pts;
  return pts;
}

// Sends `frame` (none to drain it) to `stream`'s encoder and writes what comes out; the library's
// error code, or 0.
int EncodeAndWrite(Transcoded& stream, AVFrame* frame, AVFormatContext& output) {
  int code = avcodec_send_frame(stream.encoder.get(), frame);
  if (code < 0) return code;
  PacketPointer packet(av_packet_alloc());
  if (!packet) return AVERROR(ENOMEM);
  while ((code = avcodec_receive_packet(stream.encoder.get(), packet.get())) == 0) {
    // The encoder tells no duration of a frame; the last one would last nothing without it.
    if (packet->duration <= 0 && stream.in->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
      packet->duration = av_rescale_q(FrameDurationOf(*stream.in), stream.in->time_base,
                                      stream.encoder->time_base);
    }
    av_packet_rescale_ts(packet.get(), stream.encoder->time_base, stream.out->time_base);
    packet->stream_index = stream.out->index;
    if ((code = av_interleaved_write_frame(&output, packet.get())) < 0) return code;
  }
  return code == AVERROR(EAGAIN) || code == AVERROR_EOF ? 0 : code;
}

// Opens an H.264 encoder for the video of `in`, fitted within `box` and bounded by `bounds`, into
// `stream`.
int OpenVideoEncoder(Transcoded& stream, FitBox box, MakingBounds bounds,
                     const AVFormatContext& output) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
  if (codec == nullptr) return AVERROR_ENCODER_NOT_FOUND;
  stream.encoder.reset(avcodec_alloc_context3(codec));
  if (!stream.encoder) return AVERROR(ENOMEM);
  AVCodecContext& encoder = *stream.encoder;
  const FitBox fitted = FittedEitherWay(stream.decoder->width, stream.decoder->height, box);
  encoder.width = fitted.width;
  encoder.height = fitted.height;
  encoder.pix_fmt = AV_PIX_FMT_YUV420P;
  encoder.sample_aspect_ratio = stream.decoder->sample_aspect_ratio;
  encoder.time_base = stream.in->time_base;
  encoder.framerate = stream.in->avg_frame_rate;
  encoder.color_primaries = AVCOL_PRI_BT709;
  encoder.color_trc = AVCOL_TRC_BT709;
  encoder.colorspace = AVCOL_SPC_BT709;
  if ((output.oformat->flags & AVFMT_GLOBALHEADER) != 0) {
    encoder.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  // The threads, the look-ahead and the references are bounded, as the video's memory is reckoned.
  encoder.thread_count = bounds.encoderThreads;
  encoder.refs = 1;
  encoder.max_b_frames = 3;
  av_opt_set(encoder.priv_data, "preset", "veryfast", 0);
  av_opt_set(encoder.priv_data, "crf", "23", 0);
  av_opt_set_int(encoder.priv_data, "rc-lookahead", bounds.lookahead, 0);
  if (int code = avcodec_open2(&encoder, codec, nullptr); code < 0) return code;
  stream.convert = std::make_unique<FrameConverter>(fitted.width, fitted.height, AV_PIX_FMT_YUV420P,
                                                    HdrCurveOf(stream.in->codecpar->color_trc),
                                                    bounds.encoderThreads);
  return avcodec_parameters_from_context(stream.out->codecpar, &encoder);
}

// Opens an AAC encoder for the audio of `in` into `stream`, in stereo at the same rate.
int OpenAudioEncoder(Transcoded& stream, const AVFormatContext& output) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
  if (codec == nullptr) return AVERROR_ENCODER_NOT_FOUND;
  stream.encoder.reset(avcodec_alloc_context3(codec));
  if (!stream.encoder) return AVERROR(ENOMEM);
  AVCodecContext& encoder = *stream.encoder;
  encoder.sample_rate = stream.decoder->sample_rate > 0 ? stream.decoder->sample_rate : 48000;
  av_channel_layout_default(&encoder.ch_layout, 2);
  encoder.sample_fmt = AV_SAMPLE_FMT_FLTP;
  encoder.bit_rate = 128000;
  encoder.time_base = AVRational{1, encoder.sample_rate};
  if ((output.oformat->flags & AVFMT_GLOBALHEADER) != 0) {
    encoder.flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  }
  if (int code = avcodec_open2(&encoder, codec, nullptr); code < 0) return code;
  SwrContext* resample = nullptr;
  int code =
      swr_alloc_set_opts2(&resample, &encoder.ch_layout, encoder.sample_fmt, encoder.sample_rate,
                          &stream.decoder->ch_layout, stream.decoder->sample_fmt,
                          stream.decoder->sample_rate, 0, nullptr);
  stream.resample.reset(resample);
  if (code < 0 || (code = swr_init(resample)) < 0) return code;
  stream.fifo.reset(av_audio_fifo_alloc(encoder.sample_fmt, 2, encoder.frame_size));
  if (!stream.fifo) return AVERROR(ENOMEM);
  stream.out->time_base = encoder.time_base;
  return avcodec_parameters_from_context(stream.out->codecpar, &encoder);
}

// Encodes the decoded video `frame` of `stream`.
int EncodeVideoFrame(Transcoded& stream, const AVFrame& frame, AVFormatContext& output) {
  if (stream.convert->TakesAsItIs(frame)) {
    // A frame the encoder takes as it is goes to it without a copy.
    FramePointer same(av_frame_clone(&frame));
    if (!same) return AVERROR(ENOMEM);
    same->pts = FrameTime(stream, frame);
    same->pict_type = AV_PICTURE_TYPE_NONE;
    return EncodeAndWrite(stream, same.get(), output);
  }
  FramePointer scaled(av_frame_alloc());
  if (!scaled) return AVERROR(ENOMEM);
  scaled->format = stream.encoder->pix_fmt;
  scaled->width = stream.encoder->width;
  scaled->height = stream.encoder->height;
  if (int code = av_frame_get_buffer(scaled.get(), 0); code < 0) return code;
  if (!stream.convert->Convert(frame, scaled->data, scaled->linesize)) return AVERROR(EINVAL);
  scaled->pts = FrameTime(stream, frame);
  return EncodeAndWrite(stream, scaled.get(), output);
}

// Encodes the audio waiting in `stream`'s queue, in whole frames of the encoder, and the rest too
// when `last`.
int EncodeQueuedAudio(Transcoded& stream, AVFormatContext& output, bool last) {
  AVCodecContext& encoder = *stream.encoder;
  const int frameSize = encoder.frame_size > 0 ? encoder.frame_size : 1024;
  while (av_audio_fifo_size(stream.fifo.get()) >= frameSize ||
         (last && av_audio_fifo_size(stream.fifo.get()) > 0)) {
    FramePointer frame(av_frame_alloc());
    if (!frame) return AVERROR(ENOMEM);
    frame->nb_samples = std::min(frameSize, av_audio_fifo_size(stream.fifo.get()));
    frame->format = encoder.sample_fmt;
    frame->sample_rate = encoder.sample_rate;
    av_channel_layout_copy(&frame->ch_layout, &encoder.ch_layout);
    if (int code = av_frame_get_buffer(frame.get(), 0); code < 0) return code;
    av_audio_fifo_read(stream.fifo.get(), reinterpret_cast<void**>(frame->data), frame->nb_samples);
    frame->pts = stream.samples;
    stream.samples += frame->nb_samples;
    if (int code = EncodeAndWrite(stream, frame.get(), output); code < 0) return code;
  }
  return 0;
}

// Resamples the decoded audio `frame` (none to drain the resampler) into `stream`'s queue; the
// first frame tells when the sound starts.
int QueueAudio(Transcoded& stream, const AVFrame* frame) {
  if (!stream.started && frame != nullptr && frame->best_effort_timestamp != AV_NOPTS_VALUE) {
    stream.started = true;
    stream.samples = av_rescale_q(frame->best_effort_timestamp, stream.in->time_base,
                                  AVRational{1, stream.encoder->sample_rate});
  }
  const int in = frame != nullptr ? frame->nb_samples : 0;
  const int most = swr_get_out_samples(stream.resample.get(), in);
  if (most <= 0) return 0;
  std::uint8_t** planes = nullptr;
  if (int code = av_samples_alloc_array_and_samples(&planes, nullptr, 2, most,
                                                    stream.encoder->sample_fmt, 0);
      code < 0) {
    return code;
  }
  const int got = swr_convert(
      stream.resample.get(), planes, most,
      frame != nullptr ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr, in);
  int code = got;
  if (got > 0) code = av_audio_fifo_write(stream.fifo.get(), reinterpret_cast<void**>(planes), got);
  av_freep(&planes[0]);
  av_freep(&planes);
  return code < 0 ? code : 0;
}

// Sends `packet` (none to drain it) to `stream`'s decoder and encodes every frame that comes out.
int Transcode(Transcoded& stream, const AVPacket* packet, AVFormatContext& output, bool video) {
  int code = avcodec_send_packet(stream.decoder.get(), packet);
  // A damaged packet costs its frames, not the video.
  if (code < 0 && code != AVERROR_EOF && packet != nullptr) return 0;
  FramePointer frame(av_frame_alloc());
  if (!frame) return AVERROR(ENOMEM);
  while ((code = avcodec_receive_frame(stream.decoder.get(), frame.get())) == 0) {
    if (video && stream.poster != nullptr) stream.poster->Offer(*frame, *stream.in);
    code = video ? EncodeVideoFrame(stream, *frame, output) : QueueAudio(stream, frame.get());
    if (code < 0) return code;
    if (!video && (code = EncodeQueuedAudio(stream, output, false)) < 0) return code;
    av_frame_unref(frame.get());
  }
  return code == AVERROR(EAGAIN) || code == AVERROR_EOF ? 0 : code;
}

}  // namespace

Result<void, PictureError> EncodeVideo(Opened& input, Output& output, const VideoFacts& facts,
                                       const VideoRules& rules, VideoProgress& progress,
                                       PosterSearch& poster) {
  const AVCodecParameters& parameters = *input.video->codecpar;
  const VideoShape shape{parameters.width, parameters.height,
                         static_cast<AVPixelFormat>(parameters.format),
                         FittedEitherWay(parameters.width, parameters.height, rules.size)};
  const MakingBounds bounds = BoundsFor(shape, rules.limits.maxMemory, rules.threads);
  // Declared before the decoders it watches, so that it outlives their frames.
  FrameGuard guard(shape, bounds, rules.limits, input.container);
  // A frame refused by the guard is why decoding failed.
  const auto failed = [&](int code) {
    if (std::optional<PictureError> refused = guard.refused()) return std::move(*refused);
    return Failed(input, output, code, rules.libraryText);
  };
  std::optional<Transcoded> video{Transcoded{}};
  std::optional<Transcoded> audio;
  video->in = input.video;
  video->poster = &poster;
  auto decoder = DecoderFor(*input.video, rules.libraryText, bounds.decoderThreads);
  if (auto* error = decoder.failure()) return std::move(*error);
  video->decoder = std::move(decoder.value());
  guard.Watch(*video->decoder);
  video->out = AddStreamLike(output, *input.video);
  if (video->out == nullptr) return PictureError{.kind = Kind::kOutOfMemory};
  if (int code = OpenVideoEncoder(*video, rules.size, bounds, *output.format); code < 0) {
    return failed(code);
  }
  if (input.audio != nullptr) {
    auto audioDecoder = DecoderFor(*input.audio, rules.libraryText, /*threads=*/1);
    // A sound track that cannot be decoded is left out; the picture is what counts.
    if (audioDecoder) {
      audio.emplace();
      audio->in = input.audio;
      audio->decoder = std::move(audioDecoder.value());
      audio->out = AddStreamLike(output, *input.audio);
      if (audio->out == nullptr) return PictureError{.kind = Kind::kOutOfMemory};
      if (int code = OpenAudioEncoder(*audio, *output.format); code < 0) return failed(code);
    }
  }
  KeepMetadata(input, output, rules.keepMetadata);
  if (int code = avformat_write_header(output.format.get(), nullptr); code < 0) {
    return failed(code);
  }
  PacketPointer packet(av_packet_alloc());
  if (!packet) return PictureError{.kind = Kind::kOutOfMemory};
  LengthWatch length(*input.format, rules.maxMilliseconds, input.container);
  const std::int64_t start = StartOf(input);
  int read = 0;
  while ((read = av_read_frame(input.format.get(), packet.get())) >= 0) {
    Transcoded* stream = packet->stream_index == input.video->index          ? &*video
                         : audio && packet->stream_index == audio->in->index ? &*audio
                                                                             : nullptr;
    if (stream != nullptr) {
      MoveBack(*packet, *stream->in, start);
      if (!Going(progress, *packet, *stream->in, facts)) {
        return PictureError{.kind = Kind::kStopped};
      }
      if (std::optional<PictureError> past = length.Past(*packet, *stream->in)) {
        return std::move(*past);
      }
      if (int code = Transcode(*stream, packet.get(), *output.format, stream == &*video);
          code < 0) {
        return failed(code);
      }
      if (std::optional<PictureError> refused = guard.refused()) return std::move(*refused);
    }
    av_packet_unref(packet.get());
  }
  if (std::optional<PictureError> early = EndedEarly(input, read, rules.libraryText)) {
    return std::move(*early);
  }
  if (int code = Transcode(*video, nullptr, *output.format, true); code < 0) return failed(code);
  if (std::optional<PictureError> refused = guard.refused()) return std::move(*refused);
  if (int code = EncodeAndWrite(*video, nullptr, *output.format); code < 0) return failed(code);
  if (audio) {
    int code = Transcode(*audio, nullptr, *output.format, false);
    if (code >= 0) code = QueueAudio(*audio, nullptr);
    if (code >= 0) code = EncodeQueuedAudio(*audio, *output.format, true);
    if (code >= 0) code = EncodeAndWrite(*audio, nullptr, *output.format);
    if (code < 0) return failed(code);
  }
  if (int code = av_write_trailer(output.format.get()); code < 0) return failed(code);
  return {};
}

}  // namespace quillmere
