// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/video_io.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>
#include <utility>

#include "album/videos/video_frames.h"

extern "C" {
#include <libavutil/error.h>
#include <libavutil/opt.h>
}

namespace quillmere {
namespace {

using Kind = PictureError::Kind;

constexpr int kIoBufferSize = 1 << 16;
// The most streams a video's header may declare; a file of more is refused, not probed.
constexpr unsigned kMostStreams = 32;
// The most bytes, and seconds, read to find what each stream holds.
constexpr std::int64_t kProbeBytes = std::int64_t{5} << 20;
constexpr std::int64_t kProbeMicroseconds = 5 * std::int64_t{AV_TIME_BASE};

// The program's names of the formats and codecs of videos, by the names the library gives them.
constexpr std::array<std::pair<std::string_view, std::string_view>, 21> kFormatNames = {{
    {"mov,mp4,m4a,3gp,3g2,mj2", "MP4"},
    {"matroska,webm", "Matroska"},
    {"avi", "AVI"},
    {"mpegts", "MPEG-TS"},
    {"mpeg", "MPEG-PS"},
    {"mpegvideo", "MPEG"},
    {"flv", "FLV"},
    {"asf", "ASF"},
    {"ogg", "Ogg"},
    {"mp3", "MP3"},
    {"wav", "WAV"},
    {"h264", "H.264"},
    {"hevc", "HEVC"},
    {"vp8", "VP8"},
    {"vp9", "VP9"},
    {"av1", "AV1"},
    {"mpeg2video", "MPEG-2"},
    {"mpeg4", "MPEG-4"},
    {"mjpeg", "MJPEG"},
    {"prores", "ProRes"},
    {"vvc", "VVC"},
}};

// The program's name of the format or codec that the library names `name`; `name` itself where
// the program has none.
std::string FormatName(std::string name) {
  for (const auto& [library, own] : kFormatNames) {
    if (name == library) return std::string(own);
  }
  return name;
}

// The best video stream of `format` that is a video, not a picture attached to a song or a file;
// a negative number when there is none.
int BestVideoStream(AVFormatContext& format) {
  const int best = av_find_best_stream(&format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const auto attached = [&](unsigned index) {
    return (format.streams[index]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
  };
  if (best < 0 || !attached(static_cast<unsigned>(best))) return best;
  for (unsigned i = 0; i < format.nb_streams; ++i) {
    if (format.streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !attached(i)) {
      return static_cast<int>(i);
    }
  }
  return AVERROR_STREAM_NOT_FOUND;
}

// The album's new file read back from the start of its data up to where it ended when it was
// opened again, as an MP4's header is moved before its data.
struct ReadBack {
  Sink& sink;
  std::int64_t at = 0;
  std::int64_t end = 0;

  static int Read(void* opaque, std::uint8_t* buffer, int size) {
    auto& back = *static_cast<ReadBack*>(opaque);
    if (back.at >= back.end) return AVERROR_EOF;
    const auto wanted = static_cast<int>(std::min<std::int64_t>(size, back.end - back.at));
    const int got = back.sink.ReadBack(buffer, wanted, back.at);
    if (got > 0) back.at += got;
    return got;
  }

  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
    auto& back = *static_cast<ReadBack*>(opaque);
    return SeekIn(back.at, back.end, offset, whence);
  }
};

// Opens the album's file again for reading, as the MP4 writer does to move its header before its
// data; the only file it opens.
int OpenReadBack(AVFormatContext* format, AVIOContext** io, const char*, int flags,
                 AVDictionary**) {
  if (flags != AVIO_FLAG_READ) return AVERROR(ENOSYS);
  auto& sink = *static_cast<Sink*>(format->opaque);
  auto back = std::make_unique<ReadBack>(ReadBack{sink, 0, sink.end()});
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return AVERROR(ENOMEM);
  *io = avio_alloc_context(buffer, kIoBufferSize, 0, back.get(), &ReadBack::Read, nullptr,
                           &ReadBack::Seek);
  if (*io == nullptr) {
    av_free(buffer);
    return AVERROR(ENOMEM);
  }
  // The reader is the context's own from here on; CloseReadBack deletes it.
  (*io)->opaque = back.release();
  return 0;
}

// Closes what OpenReadBack opened.
int CloseReadBack(AVFormatContext*, AVIOContext* io) {
  delete static_cast<ReadBack*>(io->opaque);
  IoFreer()(io);
  return 0;
}

}  // namespace

// The error of `kind` about a video of `format`, with the library's words for `code` when asked.
PictureError VideoError(Kind kind, std::string format, int code, bool libraryText) {
  PictureError error;
  error.kind = kind;
  error.format = FormatName(std::move(format));
  if (libraryText && code < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    error.libraryText = text;
  }
  return error;
}

// Moves `at`, a position in a file of `size` bytes, as the library's seek callback asks with
// `offset` and `whence`; the new position, the size when asked for it, or the library's error.
std::int64_t SeekIn(std::int64_t& at, std::int64_t size, std::int64_t offset, int whence) {
  if ((whence & AVSEEK_SIZE) != 0) return size;
  switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET:
      at = offset;
      break;
    case SEEK_CUR:
      at += offset;
      break;
    case SEEK_END:
      at = size + offset;
      break;
    default:
      return AVERROR(EINVAL);
  }
  return at;
}

Result<Opened, PictureError> OpenVideo(ReadableFile& file, std::mutex& lock, bool libraryText) {
  Opened opened;
  opened.source = std::make_unique<Source>(file, lock);
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return PictureError{.kind = Kind::kOutOfMemory};
  opened.io.reset(avio_alloc_context(buffer, kIoBufferSize, 0, opened.source.get(), &Source::Read,
                                     nullptr, &Source::Seek));
  if (!opened.io) {
    av_free(buffer);
    return PictureError{.kind = Kind::kOutOfMemory};
  }
  AVFormatContext* format = avformat_alloc_context();
  if (format == nullptr) return PictureError{.kind = Kind::kOutOfMemory};
  format->pb = opened.io.get();
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  format->max_streams = static_cast<int>(kMostStreams);
  format->probesize = kProbeBytes;
  format->max_analyze_duration = kProbeMicroseconds;
  // On failure the context is freed by the call.
  if (int code = avformat_open_input(&format, nullptr, nullptr, nullptr); code < 0) {
    return VideoError(Kind::kBadHeader, "", code, libraryText);
  }
  opened.format.reset(format);
  opened.container = format->iformat->name;
  if (int code = avformat_find_stream_info(format, nullptr); code < 0) {
    return VideoError(Kind::kBadHeader, opened.container, code, libraryText);
  }
  // A container that holds no stream at all (its header emptied) is damaged; one whose streams
  // are all sound, or a cover picture, is no video.
  if (format->nb_streams == 0) return VideoError(Kind::kDamaged, opened.container, 0, false);
  const int video = BestVideoStream(*format);
  if (video < 0) return VideoError(Kind::kUnknownFormat, opened.container, video, libraryText);
  opened.video = format->streams[video];
  const int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
  if (audio >= 0) opened.audio = format->streams[audio];
  return opened;
}

// An opened decoder for `stream`, on `threads` threads.
Result<CodecPointer, PictureError> DecoderFor(const AVStream& stream, bool libraryText,
                                              int threads) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  const char* name = avcodec_get_name(stream.codecpar->codec_id);
  if (codec == nullptr) return VideoError(Kind::kNoVideoDecoder, name, 0, false);
  CodecPointer decoder(avcodec_alloc_context3(codec));
  if (!decoder) return PictureError{.kind = Kind::kOutOfMemory};
  avcodec_parameters_to_context(decoder.get(), stream.codecpar);
  decoder->pkt_timebase = stream.time_base;
  decoder->thread_count = threads;
  if (int code = avcodec_open2(decoder.get(), codec, nullptr); code < 0) {
    return VideoError(Kind::kNoVideoDecoder, name, code, libraryText);
  }
  return decoder;
}

Result<Output, PictureError> OpenOutput(NewFile& out, const std::string& extension) {
  Output output;
  output.sink = std::make_unique<Sink>(out);
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return PictureError{.kind = Kind::kOutOfMemory};
  output.io.reset(avio_alloc_context(buffer, kIoBufferSize, 1, output.sink.get(), nullptr,
                                     &Sink::Write, &Sink::Seek));
  if (!output.io) {
    av_free(buffer);
    return PictureError{.kind = Kind::kOutOfMemory};
  }
  AVFormatContext* format = nullptr;
  const char* name = extension == ".webm" ? "webm" : "mp4";
  if (avformat_alloc_output_context2(&format, nullptr, name, nullptr) < 0 || format == nullptr) {
    return PictureError{.kind = Kind::kOutOfMemory};
  }
  output.format.reset(format);
  format->pb = output.io.get();
  format->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_BITEXACT;
  if (extension != ".webm") {
    format->opaque = output.sink.get();
    format->io_open = &OpenReadBack;
    format->io_close2 = &CloseReadBack;
    av_opt_set(format->priv_data, "movflags", "+faststart", 0);
  }
  return output;
}

// Adds to `output` a stream like `input`'s, carrying its display matrix and nothing else of its
// metadata.
AVStream* AddStreamLike(Output& output, const AVStream& input) {
  AVStream* stream = avformat_new_stream(output.format.get(), nullptr);
  if (stream == nullptr) return nullptr;
  stream->time_base = input.time_base;
  const std::uint8_t* matrix = av_stream_get_side_data(&input, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
  // A matrix that neither turns by quarters nor mirrors is left out: the frames are shown as
  // they are stored, as the poster shows them.
  if (matrix != nullptr && !OrientationOf(input).odd) {
    if (std::uint8_t* copy =
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, sizeof(std::int32_t) * 9)) {
      std::memcpy(copy, matrix, sizeof(std::int32_t) * 9);
    }
  }
  return stream;
}

bool Going(VideoProgress& progress, const AVPacket& packet, const AVStream& stream,
           const VideoFacts& facts) {
  if (facts.milliseconds == 0 || packet.pts == AV_NOPTS_VALUE) return progress.Going(0);
  const double at = static_cast<double>(packet.pts) * av_q2d(stream.time_base) * 1000;
  return progress.Going(std::clamp(at / static_cast<double>(facts.milliseconds), 0.0, 1.0));
}

PictureError Failed(const Opened& input, const Output& output, int code, bool libraryText) {
  if (std::error_code written = output.sink->failed()) return Unreadable(written);
  return VideoError(code == AVERROR_ENCODER_NOT_FOUND ? Kind::kNotStarted : Kind::kDamaged,
                    input.container, code, libraryText);
}

void KeepMetadata(const Opened& input, Output& output, bool keep) {
  if (!keep) return;
  av_dict_copy(&output.format->metadata, input.format->metadata, 0);
  const AVStream* streams[] = {input.video, input.audio};
  for (unsigned i = 0; i < output.format->nb_streams && i < 2; ++i) {
    if (streams[i] != nullptr) {
      av_dict_copy(&output.format->streams[i]->metadata, streams[i]->metadata, 0);
    }
  }
}

}  // namespace quillmere
