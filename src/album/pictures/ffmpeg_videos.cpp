// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The module of videos: FFmpeg's libraries read a video through the file layer, take its poster
// frame, and copy or encode it into the album's file.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "album/pictures/video_frames.h"
#include "album/pictures/video_module.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace quillmere {
namespace {

using Kind = PictureError::Kind;

constexpr int kIoBufferSize = 1 << 16;
// The poster is the first frame that is not black from this many seconds in.
constexpr double kPosterSeconds = 1.0;
// How far past that a poster is looked for before the first frame is taken, black or not.
constexpr double kPosterSearchSeconds = 5.0;
// The memory a video needs for each pixel of its frame, reckoned high: the frames its decoder
// and encoder hold (a dozen at 1.5 bytes a pixel) and the poster as RGB.
constexpr std::uint64_t kBytesPerPixel = 24;
// How much later than kPosterSeconds the key frame that the poster is taken from may be.
constexpr double kPosterKeyFrameSlack = 1.0;

// The error of `kind` about a video of `format`, with the library's words for `code` when asked.
PictureError VideoError(Kind kind, std::string format, int code, bool libraryText) {
  PictureError error;
  error.kind = kind;
  error.format = std::move(format);
  if (libraryText && code < 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    error.libraryText = text;
  }
  return error;
}

struct FormatCloser {
  void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct OutputFreer {
  void operator()(AVFormatContext* format) const { avformat_free_context(format); }
};
struct IoFreer {
  void operator()(AVIOContext* io) const {
    if (io == nullptr) return;
    av_freep(&io->buffer);
    avio_context_free(&io);
  }
};
struct CodecFreer {
  void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct FrameFreer {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct PacketFreer {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct ResampleFreer {
  void operator()(SwrContext* resample) const { swr_free(&resample); }
};
struct FifoFreer {
  void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};
using CodecPointer = std::unique_ptr<AVCodecContext, CodecFreer>;
using FramePointer = std::unique_ptr<AVFrame, FrameFreer>;
using PacketPointer = std::unique_ptr<AVPacket, PacketFreer>;

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

// A video file read through the file layer, every read holding the work's lock.
class Source {
 public:
  Source(ReadableFile& file, std::mutex& lock)
      : file_(file), lock_(lock), size_(static_cast<std::int64_t>(file.AsOpened().size)) {}

  static int Read(void* opaque, std::uint8_t* buffer, int size) {
    auto& source = *static_cast<Source*>(opaque);
    if (source.at_ >= source.size_) return AVERROR_EOF;
    const auto wanted =
        static_cast<std::size_t>(std::min<std::int64_t>(size, source.size_ - source.at_));
    const std::lock_guard<std::mutex> hold(source.lock_);
    Result<std::size_t> got = source.file_.ReadAt(reinterpret_cast<char*>(buffer), wanted,
                                                  static_cast<std::uint64_t>(source.at_));
    if (!got) return AVERROR(EIO);
    if (got.value() == 0) return AVERROR_EOF;
    source.at_ += static_cast<std::int64_t>(got.value());
    return static_cast<int>(got.value());
  }

  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
    auto& source = *static_cast<Source*>(opaque);
    return SeekIn(source.at_, source.size_, offset, whence);
  }

 private:
  ReadableFile& file_;
  std::mutex& lock_;
  std::int64_t size_;
  std::int64_t at_ = 0;
};

// A video opened for reading, its streams found.
struct Opened {
  std::unique_ptr<Source> source;
  std::unique_ptr<AVIOContext, IoFreer> io;
  std::unique_ptr<AVFormatContext, FormatCloser> format;
  AVStream* video = nullptr;
  AVStream* audio = nullptr;
  std::string container;
};

// Opens `file` as a video and finds its best video and audio streams.
Result<Opened, PictureError> Open(ReadableFile& file, std::mutex& lock, bool libraryText) {
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
  // On failure the context is freed by the call.
  if (int code = avformat_open_input(&format, nullptr, nullptr, nullptr); code < 0) {
    return VideoError(Kind::kBadHeader, "", code, libraryText);
  }
  opened.format.reset(format);
  opened.container = format->iformat->name;
  if (int code = avformat_find_stream_info(format, nullptr); code < 0) {
    return VideoError(Kind::kBadHeader, opened.container, code, libraryText);
  }
  const int video = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (video < 0) return VideoError(Kind::kUnknownFormat, opened.container, video, libraryText);
  opened.video = format->streams[video];
  const int audio = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
  if (audio >= 0) opened.audio = format->streams[audio];
  return opened;
}

// How far the frames of `stream` are turned clockwise to be upright, by its display matrix.
int RotationOf(const AVStream& stream) {
  const std::uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
  if (matrix == nullptr) return 0;
  const double counterclockwise =
      av_display_rotation_get(reinterpret_cast<const std::int32_t*>(matrix));
  if (counterclockwise != counterclockwise) return 0;  // not a number: no rotation
  const long quarters = std::lround(-counterclockwise / 90.0);
  return static_cast<int>(((quarters % 4) + 4) % 4) * 90;
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

// Tells whether a frame of `width` by `height` fits `box` in either orientation.
bool Fits(int width, int height, FitBox box) {
  return std::max(width, height) <= std::max(box.width, box.height) &&
         std::min(width, height) <= std::min(box.width, box.height);
}

// The size of a frame of `width` by `height` fitted within `box` (either way round), even.
std::pair<int, int> FittedSize(int width, int height, FitBox box) {
  const double longSide = std::max(box.width, box.height);
  const double shortSide = std::min(box.width, box.height);
  double scale = std::min(longSide / std::max(width, height), shortSide / std::min(width, height));
  scale = std::min(scale, 1.0);
  const auto even = [](double side) { return std::max(2, static_cast<int>(side / 2) * 2); };
  return {even(width * scale), even(height * scale)};
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
  const bool plain = IsEightBitSdr(video) && Fits(video.width, video.height, rules.size);
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

// An opened decoder for `stream`, on as many threads as the library picks where `manyFrames`
// says that it decodes more than a frame or two.
Result<CodecPointer, PictureError> DecoderFor(const AVStream& stream, bool libraryText,
                                              bool manyFrames) {
  const AVCodec* codec = avcodec_find_decoder(stream.codecpar->codec_id);
  const char* name = avcodec_get_name(stream.codecpar->codec_id);
  if (codec == nullptr) return VideoError(Kind::kNoVideoDecoder, name, 0, false);
  CodecPointer decoder(avcodec_alloc_context3(codec));
  if (!decoder) return PictureError{.kind = Kind::kOutOfMemory};
  avcodec_parameters_to_context(decoder.get(), stream.codecpar);
  decoder->pkt_timebase = stream.time_base;
  decoder->thread_count = manyFrames ? 0 : 1;
  if (int code = avcodec_open2(decoder.get(), codec, nullptr); code < 0) {
    return VideoError(Kind::kNoVideoDecoder, name, code, libraryText);
  }
  return decoder;
}

// The album's file as it is written: appended to, and written back into where a container's
// header is finished last.
class Sink {
 public:
  explicit Sink(NewFile& out) : out_(out) {}

  // Why the last write into the file failed; none while every write succeeded.
  std::error_code failed() const { return failed_; }

  // The library's type of a write callback takes the bytes as not const.
  // NOLINTNEXTLINE(readability-non-const-parameter)
  static int Write(void* opaque, std::uint8_t* data, int size) {
    auto& sink = *static_cast<Sink*>(opaque);
    const auto* bytes = reinterpret_cast<const char*>(data);
    const auto count = static_cast<std::size_t>(size);
    const std::error_code error =
        sink.at_ == sink.end_
            ? sink.out_.Write(bytes, count)
            : sink.out_.WriteAt(bytes, count, static_cast<std::uint64_t>(sink.at_));
    if (error) {
      sink.failed_ = error;
      return AVERROR(EIO);
    }
    sink.at_ += size;
    sink.end_ = std::max(sink.end_, sink.at_);
    return size;
  }

  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
    auto& sink = *static_cast<Sink*>(opaque);
    // Past the end would leave a hole that no write fills.
    const std::int64_t at = SeekIn(sink.at_, sink.end_, offset, whence);
    if (at > sink.end_) return AVERROR(EINVAL);
    return at;
  }

 private:
  NewFile& out_;
  std::int64_t at_ = 0;
  std::int64_t end_ = 0;
  std::error_code failed_;
};

// The album's file opened as a container of `extension`, without the metadata of any input.
struct Output {
  std::unique_ptr<Sink> sink;
  std::unique_ptr<AVIOContext, IoFreer> io;
  std::unique_ptr<AVFormatContext, OutputFreer> format;
};

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
  return output;
}

// Adds to `output` a stream like `input`'s, carrying its display matrix and nothing else of its
// metadata.
AVStream* AddStreamLike(Output& output, const AVStream& input) {
  AVStream* stream = avformat_new_stream(output.format.get(), nullptr);
  if (stream == nullptr) return nullptr;
  stream->time_base = input.time_base;
  if (const std::uint8_t* matrix =
          av_stream_get_side_data(&input, AV_PKT_DATA_DISPLAYMATRIX, nullptr)) {
    if (std::uint8_t* copy =
            av_stream_new_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, sizeof(std::int32_t) * 9)) {
      std::memcpy(copy, matrix, sizeof(std::int32_t) * 9);
    }
  }
  return stream;
}

class FfmpegVideoMaker final : public VideoMaker {
 public:
  FfmpegVideoMaker(std::mutex& fileLock, const VideoRules& rules)
      : fileLock_(fileLock), rules_(rules) {}

  Result<VideoFacts, PictureError> Probe(ReadableFile& file) override {
    auto opened = Open(file, fileLock_, rules_.libraryText);
    if (auto* error = opened.failure()) return std::move(*error);
    const AVCodecParameters& video = *opened.value().video->codecpar;
    VideoFacts facts;
    facts.milliseconds = MillisecondsOf(opened.value());
    facts.width = video.width;
    facts.height = video.height;
    facts.rotation = RotationOf(*opened.value().video);
    const std::uint64_t pixels =
        static_cast<std::uint64_t>(video.width) * static_cast<std::uint64_t>(video.height);
    if (video.width <= 0 || video.height <= 0) {
      return VideoError(Kind::kBadHeader, opened.value().container, 0, false);
    }
    if (pixels > rules_.limits.maxPixels) {
      PictureError error = VideoError(Kind::kTooManyPixels, opened.value().container, 0, false);
      error.width = static_cast<std::uint64_t>(video.width);
      error.height = static_cast<std::uint64_t>(video.height);
      error.limit = rules_.limits.maxPixels;
      return error;
    }
    if (const std::uint64_t needed = pixels * kBytesPerPixel; needed > rules_.limits.maxMemory) {
      PictureError error = VideoError(Kind::kTooMuchMemory, opened.value().container, 0, false);
      error.needed = needed;
      error.limit = rules_.limits.maxMemory;
      return error;
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
    DecideMaking(opened.value(), rules_, facts);
    return facts;
  }

  Result<VideoFrame, PictureError> Poster(ReadableFile& file) override {
    auto opened = Open(file, fileLock_, rules_.libraryText);
    if (auto* error = opened.failure()) return std::move(*error);
    Opened& video = opened.value();
    auto decoder = DecoderFor(*video.video, rules_.libraryText, /*manyFrames=*/false);
    if (auto* error = decoder.failure()) return std::move(*error);
    const int rotation = RotationOf(*video.video);
    const std::optional<HdrCurve> hdr = HdrCurveOf(video.video->codecpar->color_trc);
    const double seconds = static_cast<double>(MillisecondsOf(video)) / 1000;
    const double from = seconds > 2 * kPosterSeconds ? kPosterSeconds : 0.0;
    std::optional<VideoFrame> first;
    PacketPointer packet(av_packet_alloc());
    FramePointer frame(av_frame_alloc());
    if (!packet || !frame) return PictureError{.kind = Kind::kOutOfMemory};
    bool ended = false;
    if (from > 0 && !SeekToKeyFrameNear(video, from, *packet)) {
      av_seek_frame(video.format.get(), video.video->index, 0, AVSEEK_FLAG_BACKWARD);
    }
    while (!ended) {
      // A packet that the seek read already is decoded first.
      int code = packet->size > 0 ? 0 : av_read_frame(video.format.get(), packet.get());
      if (code < 0) {
        ended = true;
        avcodec_send_packet(decoder.value().get(), nullptr);
      } else if (packet->stream_index == video.video->index) {
        avcodec_send_packet(decoder.value().get(), packet.get());
      }
      av_packet_unref(packet.get());
      while (avcodec_receive_frame(decoder.value().get(), frame.get()) == 0) {
        const double at =
            static_cast<double>(frame->best_effort_timestamp) * av_q2d(video.video->time_base);
        if (at + 1e-3 < from) continue;
        VideoFrame rgb = UprightRgb(*frame, rotation, hdr);
        if (rgb.rgb.empty()) continue;
        if (!IsBlack(rgb)) return rgb;
        if (!first) first = std::move(rgb);
        if (at > from + kPosterSearchSeconds) return std::move(*first);
      }
    }
    if (first) return std::move(*first);
    return VideoError(Kind::kDamaged, video.container, 0, false);
  }

  // Seeks `video` to its first key frame from `seconds` on, where that is not much later, and
  // reads that frame's first packet into `packet`: then the poster needs one frame decoded. Seeks
  // to the key frame before `seconds` otherwise, with `packet` empty; false when neither works.
  static bool SeekToKeyFrameNear(Opened& video, double seconds, AVPacket& packet) {
    AVStream& stream = *video.video;
    const auto at = static_cast<std::int64_t>(seconds / av_q2d(stream.time_base));
    if (av_seek_frame(video.format.get(), stream.index, at, 0) >= 0) {
      while (av_read_frame(video.format.get(), &packet) >= 0) {
        if (packet.stream_index != stream.index) {
          av_packet_unref(&packet);
          continue;
        }
        const double found = static_cast<double>(packet.pts) * av_q2d(stream.time_base);
        if (packet.pts != AV_NOPTS_VALUE && found <= seconds + kPosterKeyFrameSlack) return true;
        av_packet_unref(&packet);
        break;
      }
    }
    return av_seek_frame(video.format.get(), stream.index, at, AVSEEK_FLAG_BACKWARD) >= 0;
  }

  std::optional<PictureError> Make(ReadableFile& file, const VideoFacts& facts, NewFile& out,
                                   VideoProgress& progress) override {
    if (facts.copied && rules_.original) return CopyWhole(file, out, progress);
    auto opened = Open(file, fileLock_, rules_.libraryText);
    if (auto* error = opened.failure()) return std::move(*error);
    auto output = OpenOutput(out, facts.extension);
    if (auto* error = output.failure()) return std::move(*error);
    if (facts.copied) return Remux(opened.value(), output.value(), facts, progress);
    return Encode(opened.value(), output.value(), facts, progress);
  }

 private:
  // Copies the bytes of `file` into `out` as they are.
  std::optional<PictureError> CopyWhole(ReadableFile& file, NewFile& out, VideoProgress& progress) {
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
      if (std::error_code error = out.Write(buffer.data(), got.value())) return Unreadable(error);
      at += got.value();
    }
    return std::nullopt;
  }

  // Tells `progress` how far `packet` (of `stream`) is into a video of `facts`.
  static bool Going(VideoProgress& progress, const AVPacket& packet, const AVStream& stream,
                    const VideoFacts& facts) {
    if (facts.milliseconds == 0 || packet.pts == AV_NOPTS_VALUE) return progress.Going(0);
    const double at = static_cast<double>(packet.pts) * av_q2d(stream.time_base) * 1000;
    return progress.Going(std::clamp(at / static_cast<double>(facts.milliseconds), 0.0, 1.0));
  }

  // Why making `output` of `input` failed with the library's `code`: the album's file that could
  // not be written, no encoder here, or the video's data.
  PictureError Failed(const Opened& input, const Output& output, int code) const {
    if (std::error_code written = output.sink->failed()) return Unreadable(written);
    return VideoError(code == AVERROR_ENCODER_NOT_FOUND ? Kind::kNotStarted : Kind::kDamaged,
                      input.container, code, rules_.libraryText);
  }

  // Copies the video and audio streams of `input` into `output`, packet by packet.
  std::optional<PictureError> Remux(Opened& input, Output& output, const VideoFacts& facts,
                                    VideoProgress& progress) {
    std::vector<int> map(input.format->nb_streams, -1);
    for (AVStream* stream : {input.video, input.audio}) {
      if (stream == nullptr) continue;
      AVStream* copy = AddStreamLike(output, *stream);
      if (copy == nullptr || avcodec_parameters_copy(copy->codecpar, stream->codecpar) < 0) {
        return PictureError{.kind = Kind::kOutOfMemory};
      }
      copy->codecpar->codec_tag = 0;
      map[static_cast<std::size_t>(stream->index)] = copy->index;
    }
    KeepMetadata(input, output);
    if (int code = avformat_write_header(output.format.get(), nullptr); code < 0) {
      return Failed(input, output, code);
    }
    PacketPointer packet(av_packet_alloc());
    if (!packet) return PictureError{.kind = Kind::kOutOfMemory};
    while (av_read_frame(input.format.get(), packet.get()) >= 0) {
      const int to = map[static_cast<std::size_t>(packet->stream_index)];
      if (to < 0) {
        av_packet_unref(packet.get());
        continue;
      }
      const AVStream& from = *input.format->streams[packet->stream_index];
      if (!Going(progress, *packet, from, facts)) return PictureError{.kind = Kind::kStopped};
      av_packet_rescale_ts(packet.get(), from.time_base, output.format->streams[to]->time_base);
      packet->stream_index = to;
      packet->pos = -1;
      if (int code = av_interleaved_write_frame(output.format.get(), packet.get()); code < 0) {
        return Failed(input, output, code);
      }
    }
    if (int code = av_write_trailer(output.format.get()); code < 0) {
      return Failed(input, output, code);
    }
    return std::nullopt;
  }

  std::optional<PictureError> Encode(Opened& input, Output& output, const VideoFacts& facts,
                                     VideoProgress& progress);

  // Gives `output` and its streams what `input` and its streams record, where the rules keep it.
  void KeepMetadata(const Opened& input, Output& output) const {
    if (!rules_.keepMetadata) return;
    av_dict_copy(&output.format->metadata, input.format->metadata, 0);
    const AVStream* streams[] = {input.video, input.audio};
    for (unsigned i = 0; i < output.format->nb_streams && i < 2; ++i) {
      if (streams[i] != nullptr) {
        av_dict_copy(&output.format->streams[i]->metadata, streams[i]->metadata, 0);
      }
    }
  }

  std::mutex& fileLock_;
  VideoRules rules_;
};

// One stream decoded and encoded again, with what turns the decoded frames into the encoder's.
struct Transcoded {
  AVStream* in = nullptr;
  AVStream* out = nullptr;
  CodecPointer decoder;
  CodecPointer encoder;
  std::unique_ptr<FrameConverter> convert;
  std::unique_ptr<SwrContext, ResampleFreer> resample;
  std::unique_ptr<AVAudioFifo, FifoFreer> fifo;
  std::int64_t samples = 0;
};

// Sends `frame` (none to drain it) to `stream`'s encoder and writes what comes out; the library's
// error code, or 0.
int EncodeAndWrite(Transcoded& stream, AVFrame* frame, AVFormatContext& output) {
  int code = avcodec_send_frame(stream.encoder.get(), frame);
  if (code < 0) return code;
  PacketPointer packet(av_packet_alloc());
  if (!packet) return AVERROR(ENOMEM);
  while ((code = avcodec_receive_packet(stream.encoder.get(), packet.get())) == 0) {
    av_packet_rescale_ts(packet.get(), stream.encoder->time_base, stream.out->time_base);
    packet->stream_index = stream.out->index;
    if ((code = av_interleaved_write_frame(&output, packet.get())) < 0) return code;
  }
  return code == AVERROR(EAGAIN) || code == AVERROR_EOF ? 0 : code;
}

// Opens an H.264 encoder for the video of `in`, fitted within `box`, into `stream`.
int OpenVideoEncoder(Transcoded& stream, FitBox box, const AVFormatContext& output) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libx264");
  if (codec == nullptr) codec = avcodec_find_encoder(AV_CODEC_ID_H264);
  if (codec == nullptr) return AVERROR_ENCODER_NOT_FOUND;
  stream.encoder.reset(avcodec_alloc_context3(codec));
  if (!stream.encoder) return AVERROR(ENOMEM);
  AVCodecContext& encoder = *stream.encoder;
  const auto [width, height] = FittedSize(stream.decoder->width, stream.decoder->height, box);
  encoder.width = width;
  encoder.height = height;
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
  // As many threads as the library picks, as ffmpeg's own command gives an encoder.
  encoder.thread_count = 0;
  av_opt_set(encoder.priv_data, "preset", "veryfast", 0);
  av_opt_set(encoder.priv_data, "crf", "23", 0);
  if (int code = avcodec_open2(&encoder, codec, nullptr); code < 0) return code;
  stream.convert = std::make_unique<FrameConverter>(width, height, AV_PIX_FMT_YUV420P,
                                                    HdrCurveOf(stream.in->codecpar->color_trc));
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
  FramePointer scaled(av_frame_alloc());
  if (!scaled) return AVERROR(ENOMEM);
  scaled->format = stream.encoder->pix_fmt;
  scaled->width = stream.encoder->width;
  scaled->height = stream.encoder->height;
  if (int code = av_frame_get_buffer(scaled.get(), 0); code < 0) return code;
  if (!stream.convert->Convert(frame, scaled->data, scaled->linesize)) return AVERROR(EINVAL);
  scaled->pts = frame.best_effort_timestamp;
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

// Resamples the decoded audio `frame` (none to drain the resampler) into `stream`'s queue.
int QueueAudio(Transcoded& stream, const AVFrame* frame) {
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
    code = video ? EncodeVideoFrame(stream, *frame, output) : QueueAudio(stream, frame.get());
    if (code < 0) return code;
    if (!video && (code = EncodeQueuedAudio(stream, output, false)) < 0) return code;
    av_frame_unref(frame.get());
  }
  return code == AVERROR(EAGAIN) || code == AVERROR_EOF ? 0 : code;
}

std::optional<PictureError> FfmpegVideoMaker::Encode(Opened& input, Output& output,
                                                     const VideoFacts& facts,
                                                     VideoProgress& progress) {
  const auto failed = [&](int code) { return Failed(input, output, code); };
  std::optional<Transcoded> video{Transcoded{}};
  std::optional<Transcoded> audio;
  video->in = input.video;
  auto decoder = DecoderFor(*input.video, rules_.libraryText, /*manyFrames=*/true);
  if (auto* error = decoder.failure()) return std::move(*error);
  video->decoder = std::move(decoder.value());
  video->out = AddStreamLike(output, *input.video);
  if (video->out == nullptr) return PictureError{.kind = Kind::kOutOfMemory};
  if (int code = OpenVideoEncoder(*video, rules_.size, *output.format); code < 0) {
    return failed(code);
  }
  if (input.audio != nullptr) {
    auto audioDecoder = DecoderFor(*input.audio, rules_.libraryText, /*manyFrames=*/true);
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
  KeepMetadata(input, output);
  if (int code = avformat_write_header(output.format.get(), nullptr); code < 0) {
    return failed(code);
  }
  PacketPointer packet(av_packet_alloc());
  if (!packet) return PictureError{.kind = Kind::kOutOfMemory};
  while (av_read_frame(input.format.get(), packet.get()) >= 0) {
    Transcoded* stream = packet->stream_index == input.video->index          ? &*video
                         : audio && packet->stream_index == audio->in->index ? &*audio
                                                                             : nullptr;
    if (stream != nullptr) {
      if (!Going(progress, *packet, *stream->in, facts)) {
        return PictureError{.kind = Kind::kStopped};
      }
      if (int code = Transcode(*stream, packet.get(), *output.format, stream == &*video);
          code < 0) {
        return failed(code);
      }
    }
    av_packet_unref(packet.get());
  }
  if (int code = Transcode(*video, nullptr, *output.format, true); code < 0) return failed(code);
  if (int code = EncodeAndWrite(*video, nullptr, *output.format); code < 0) return failed(code);
  if (audio) {
    int code = Transcode(*audio, nullptr, *output.format, false);
    if (code >= 0) code = QueueAudio(*audio, nullptr);
    if (code >= 0) code = EncodeQueuedAudio(*audio, *output.format, true);
    if (code >= 0) code = EncodeAndWrite(*audio, nullptr, *output.format);
    if (code < 0) return failed(code);
  }
  if (int code = av_write_trailer(output.format.get()); code < 0) return failed(code);
  return std::nullopt;
}

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
