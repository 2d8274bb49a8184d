// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Video files read and written by FFmpeg's libraries through the file layer: every read of a
// video holds the work's lock, and the album's new file is appended to and written back into where
// its container's header is finished last. Part of the video module.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "album/videos/video_maker.h"
#include "platform/file_system.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

namespace quillmere {

// The error of `kind` about a video of `format` (the library's name of a format or codec, told in
// the program's words), with the library's words for `code` when asked.
PictureError VideoError(PictureError::Kind kind, std::string format, int code, bool libraryText);

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
std::int64_t SeekIn(std::int64_t& at, std::int64_t size, std::int64_t offset, int whence);

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

// Opens `file` as a video and finds its best video and audio streams; a picture attached as a
// cover is no video stream, and a file without one is of an unknown format.
Result<Opened, PictureError> OpenVideo(ReadableFile& file, std::mutex& lock, bool libraryText);

// An opened decoder for `stream`, on `threads` threads (0: as many as the library picks).
Result<CodecPointer, PictureError> DecoderFor(const AVStream& stream, bool libraryText,
                                              int threads);

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
            ? sink.out_.Write(bytes, count).error()
            : sink.out_.WriteAt(bytes, count, static_cast<std::uint64_t>(sink.at_)).error();
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

  // How many bytes the file holds so far.
  std::int64_t end() const { return end_; }

  // Reads back into `data` up to `size` bytes written from `at` on, as the library's read
  // callback does: how many came, AVERROR_EOF at the end, or the library's error.
  int ReadBack(std::uint8_t* data, int size, std::int64_t at) {
    Result<std::size_t> got =
        out_.ReadAt(reinterpret_cast<char*>(data), static_cast<std::size_t>(size),
                    static_cast<std::uint64_t>(at));
    if (!got) {
      failed_ = got.error();
      return AVERROR(EIO);
    }
    return got.value() == 0 ? AVERROR_EOF : static_cast<int>(got.value());
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

// Opens the album's file `out` as a container of `extension` (".mp4" or ".webm"); an MP4 gets its
// header (`moov`) before its data, the data moved through the file layer once it is written.
Result<Output, PictureError> OpenOutput(NewFile& out, const std::string& extension);

// Adds to `output` a stream like `input`'s, carrying its display matrix and nothing else of its
// metadata.
AVStream* AddStreamLike(Output& output, const AVStream& input);

// Tells `progress` how far `packet` (of `stream`) is into a video of `facts`; false asks to stop.
bool Going(VideoProgress& progress, const AVPacket& packet, const AVStream& stream,
           const VideoFacts& facts);

// Why making `output` of `input` failed with the library's `code`: the album's file that could not
// be written, no encoder here, or the video's data, with the library's words where `libraryText`.
PictureError Failed(const Opened& input, const Output& output, int code, bool libraryText);

// Gives `output` and its streams what `input` and its streams record, where `keep` says so.
void KeepMetadata(const Opened& input, Output& output, bool keep);

}  // namespace quillmere
