// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The module that holds the image library: a PictureMaker made with libvips, loaded by the
// album layer at its first picture.
#include <stdio.h>

#include <cstdint>
#include <vector>
#include <vips/vips8>

#include "album/picture_maker.h"

namespace quillmere {
namespace {

using vips::VImage;

constexpr int kPictureQuality = 85;
constexpr int kThumbnailQuality = 85;

constexpr std::string_view kNotDecoded = "the picture could not be decoded";

// A picture file as the image library reads it: through the file layer, from any offset, each
// read holding the lock of the work's file steps.
struct SourceState {
  ReadableFile* file = nullptr;
  std::mutex* lock = nullptr;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
  // The file layer's reason why a step failed, which tells more than the library's.
  std::error_code error;
};

// The state of reading `file` from its start; its error is set when the file cannot tell its
// size.
SourceState StateOf(ReadableFile& file, std::mutex& lock) {
  SourceState state;
  state.file = &file;
  state.lock = &lock;
  const std::lock_guard<std::mutex> hold(lock);
  Result<EntryInfo> info = file.Describe();
  if (info) {
    state.size = info.value().size;
  } else {
    state.error = info.error();
  }
  return state;
}

extern "C" gint64 ReadSource(VipsSourceCustom* /*source*/, void* buffer, gint64 length,
                             gpointer data) {
  auto* state = static_cast<SourceState*>(data);
  if (length <= 0) return 0;
  const std::lock_guard<std::mutex> hold(*state->lock);
  Result<std::size_t> got = state->file->ReadAt(static_cast<char*>(buffer),
                                                static_cast<std::size_t>(length), state->position);
  if (!got) {
    state->error = got.error();
    return -1;
  }
  state->position += got.value();
  return static_cast<gint64>(got.value());
}

extern "C" gint64 SeekSource(VipsSourceCustom* /*source*/, gint64 offset, int whence,
                             gpointer data) {
  auto* state = static_cast<SourceState*>(data);
  const auto size = static_cast<gint64>(state->size);
  const auto position = static_cast<gint64>(state->position);
  const gint64 target = whence == SEEK_SET   ? offset
                        : whence == SEEK_CUR ? position + offset
                        : whence == SEEK_END ? size + offset
                                             : -1;
  if (target < 0) return -1;
  state->position = static_cast<std::uint64_t>(target);
  return target;
}

// The library's source over `state`, which must outlive every image made from it.
vips::VSource SourceOf(SourceState& state) {
  VipsSourceCustom* custom = vips_source_custom_new();
  g_signal_connect(custom, "read", G_CALLBACK(ReadSource), &state);
  g_signal_connect(custom, "seek", G_CALLBACK(SeekSource), &state);
  return vips::VSource(VIPS_SOURCE(custom), vips::STEAL);
}

// Reads the whole of `file` into memory.
Result<std::string> ReadWhole(ReadableFile& file, std::mutex& lock) {
  const std::lock_guard<std::mutex> hold(lock);
  Result<EntryInfo> info = file.Describe();
  if (!info) return info.error();
  std::string bytes(static_cast<std::size_t>(info.value().size), '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    Result<std::size_t> got = file.ReadAt(bytes.data() + done, bytes.size() - done, done);
    if (!got) return got.error();
    if (got.value() == 0) break;
    done += got.value();
  }
  bytes.resize(done);
  return bytes;
}

void DiscardMessage(const gchar* /*domain*/, GLogLevelFlags /*level*/, const gchar* /*message*/,
                    gpointer /*data*/) {}

// Starts the library once for the process: one thread inside it for each picture, no cache of
// operations, no loaders that it does not trust with files from elsewhere, and its warnings
// unprinted (what fails is told with the failure).
bool StartLibrary() {
  if (VIPS_INIT("quillmere") != 0) return false;
  // The work runs one picture per thread on every core; more threads inside each would only
  // take turns.
  vips_concurrency_set(1);
  // Every picture is read once; cached operations would only hold their memory.
  vips_cache_set_max(0);
  // Loaders the library marks as untrusted are not fit for files from elsewhere.
  vips_block_untrusted_set(TRUE);
  g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                    DiscardMessage, nullptr);
  return true;
}

// Runs `make`; returns why it failed ("" when it did not): the file layer's reason where a step
// of it failed, else the first line of the library's message, else `fallback`.
template <class Make>
std::string Guarded(const SourceState& state, std::string_view fallback, const Make& make) {
  if (state.error) return ErrorText(state.error);
  try {
    make();
    return "";
  } catch (const vips::VError&) {
    // The library's messages gather in one buffer of the process until taken; taking them at
    // each failure leaves the next failure its own.
    char* taken = vips_error_buffer_copy();
    const std::string message = taken != nullptr ? taken : "";
    g_free(taken);
    if (state.error) return ErrorText(state.error);
    std::string line = message.substr(0, message.find('\n'));
    return line.empty() ? std::string(fallback) : line;
  } catch (const std::system_error& error) {
    return ErrorText(error.code());
  }
}

// A text field of the picture's metadata, without the library's account of its type after it:
// "VALUE (VALUE, ASCII, 20 components, 20 bytes)" reads as "VALUE".
std::string RecordedText(const VImage& image, const char* field) {
  if (image.get_typeof(field) == 0) return "";
  char* text = nullptr;
  if (vips_image_get_as_string(image.get_image(), field, &text) != 0) return "";
  std::string value(text);
  g_free(text);
  const std::size_t open = value.find(" (");
  const std::size_t typeAt = value.rfind(", ASCII, ");
  if (open == std::string::npos || typeAt == std::string::npos || value.back() != ')') {
    return value.substr(0, open);
  }
  // The value stands twice, as stored and as shown; for text the two are the same.
  const std::size_t length = (typeAt - 2) / 2;
  if (value.compare(length, 2, " (") == 0 &&
      value.compare(0, length, value, length + 2, length) == 0) {
    return value.substr(0, length);
  }
  return value.substr(0, open);
}

// The picture in 8-bit sRGB without transparency, on the white of the pages.
VImage Displayable(VImage image) {
  if (image.interpretation() != VIPS_INTERPRETATION_sRGB) {
    image = image.colourspace(VIPS_INTERPRETATION_sRGB);
  }
  if (image.has_alpha()) {
    image = image.flatten(VImage::option()->set("background", std::vector<double>{255, 255, 255}));
  }
  if (image.format() != VIPS_FORMAT_UCHAR) image = image.cast(VIPS_FORMAT_UCHAR);
  return image;
}

// The image as JPEG bytes; without its metadata unless `keepMetadata`.
std::string Jpeg(const VImage& image, int quality, bool keepMetadata = false) {
  VipsBlob* blob = image.jpegsave_buffer(VImage::option()
                                             ->set("Q", quality)
                                             ->set("strip", !keepMetadata)
                                             ->set("optimize_coding", true));
  std::size_t length = 0;
  const void* data = vips_blob_get(blob, &length);
  std::string bytes(static_cast<const char*>(data), length);
  vips_area_unref(VIPS_AREA(blob));
  return bytes;
}

vips::VOption* FitOptions(FitBox box) {
  // The loader behind a source takes the option only this way.
  return VImage::option()
      ->set("option_string", "fail_on=truncated")
      ->set("height", box.height)
      ->set("size", VIPS_SIZE_DOWN)
      ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
}

VImage Thumbnail(SourceState& state, FitBox box) {
  return Displayable(VImage::thumbnail_source(SourceOf(state), box.width, FitOptions(box)));
}

// Pictures made with libvips.
class VipsPictureMaker final : public PictureMaker {
 public:
  explicit VipsPictureMaker(std::mutex& fileLock) : fileLock_(fileLock) {}

  PictureFacts Probe(ReadableFile& file) override;
  MadeImages MakePictureAndThumbnail(ReadableFile& file, std::optional<FitBox> picture,
                                     FitBox thumbnail, bool keepMetadata) override;
  MadeImages MakeThumbnail(ReadableFile& file, FitBox thumbnail) override;
  void EndOfThread() override { vips_thread_shutdown(); }

 private:
  std::mutex& fileLock_;
};

PictureFacts VipsPictureMaker::Probe(ReadableFile& file) {
  PictureFacts facts;
  SourceState state = StateOf(file, fileLock_);
  facts.error = Guarded(state, "not a picture", [&] {
    VImage header = VImage::new_from_source(
        SourceOf(state), "", VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    const std::string loader = header.get_typeof("vips-loader") != 0
                                   ? std::string(header.get_string("vips-loader"))
                                   : std::string();
    facts.jpeg = loader.starts_with("jpegload");
    facts.dateTaken = RecordedText(header, "exif-ifd2-DateTimeOriginal");
    facts.description = RecordedText(header, "exif-ifd0-ImageDescription");
  });
  return facts;
}

MadeImages VipsPictureMaker::MakePictureAndThumbnail(ReadableFile& file,
                                                     std::optional<FitBox> picture,
                                                     FitBox thumbnail, bool keepMetadata) {
  MadeImages made;
  SourceState state = StateOf(file, fileLock_);
  made.error = Guarded(state, kNotDecoded, [&] {
    if (!picture) {
      // A JPEG kept as it is: its bytes, and the thumbnail straight from it.
      made.thumbnail = Jpeg(Thumbnail(state, thumbnail), kThumbnailQuality);
      Result<std::string> bytes = ReadWhole(file, fileLock_);
      if (!bytes) throw std::system_error(bytes.error());
      made.picture = std::move(bytes.value());
      return;
    }
    const VImage fitted = Thumbnail(state, *picture).copy_memory();
    // Turned upright while it loaded, the picture no longer records an orientation.
    made.picture = Jpeg(fitted, kPictureQuality, keepMetadata);
    made.thumbnail =
        Jpeg(fitted.thumbnail_image(thumbnail.width, VImage::option()
                                                         ->set("height", thumbnail.height)
                                                         ->set("size", VIPS_SIZE_DOWN)
                                                         ->set("no_rotate", true)),
             kThumbnailQuality);
  });
  if (!made.error.empty()) made = MadeImages{{}, {}, std::move(made.error)};
  return made;
}

MadeImages VipsPictureMaker::MakeThumbnail(ReadableFile& file, FitBox thumbnail) {
  MadeImages made;
  SourceState state = StateOf(file, fileLock_);
  made.error = Guarded(state, kNotDecoded, [&] {
    made.thumbnail = Jpeg(Thumbnail(state, thumbnail), kThumbnailQuality);
  });
  return made;
}

}  // namespace

}  // namespace quillmere

// Made by the album layer through kNewPictureMakerSymbol; none when the library cannot start.
extern "C" __attribute__((visibility("default"))) quillmere::PictureMaker* QuillmereNewPictureMaker(
    std::mutex* fileLock) {
  static const bool started = quillmere::StartLibrary();
  return started ? new quillmere::VipsPictureMaker(*fileLock) : nullptr;
}

// Called by the album layer through kEndPictureLibrarySymbol, when the program ends.
extern "C" __attribute__((visibility("default"))) void QuillmereEndPictureLibrary() {
  vips_shutdown();
}
