// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The module that holds the image library: a PictureMaker made with libvips, loaded by the
// album layer at its first picture. Each picture's header is read before a pixel is decoded, and
// a picture over the limits is refused; the texts a picture records are read whole from its raw
// EXIF (libexif) and XMP (expat) data. The library keeps its words for failures in one buffer
// for the whole process, which its C++ binding reads at every failure: the buffer is kept shut,
// and opened only when the words are asked for, with the failed work done again while no other
// picture is being made.
#include <stdio.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <new>
#include <set>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>
#include <vips/vips8>
// Declares the switch of the run-time vector code, which needs vips8 first.
#include <vips/vector.h>

#include "album/pictures/decode_cost.h"
#include "album/pictures/picture_module.h"
#include "album/pictures/picture_texts.h"
#include "index/utf8.h"

namespace quillmere {
namespace {

using vips::VImage;
using Decoder = PictureHeader::Decoder;
using ErrorKind = PictureError::Kind;

constexpr int kPictureQuality = 85;
constexpr int kThumbnailQuality = 85;

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

// Reads `size` bytes of `file` from `offset`, or fewer where it ends first.
Result<std::string> ReadPart(ReadableFile& file, std::mutex& lock, std::uint64_t offset,
                             std::size_t size) {
  const std::lock_guard<std::mutex> hold(lock);
  std::string bytes(size, '\0');
  std::size_t done = 0;
  while (done < bytes.size()) {
    Result<std::size_t> got = file.ReadAt(bytes.data() + done, bytes.size() - done, offset + done);
    if (!got) return got.error();
    if (got.value() == 0) break;
    done += got.value();
  }
  bytes.resize(done);
  return bytes;
}

// Reads the whole of `file` into memory.
Result<std::string> ReadWhole(ReadableFile& file, std::mutex& lock) {
  Result<EntryInfo> info = [&] {
    const std::lock_guard<std::mutex> hold(lock);
    return file.Describe();
  }();
  if (!info) return info.error();
  return ReadPart(file, lock, 0, static_cast<std::size_t>(info.value().size));
}

// A loader of a format this program reads as pictures; the library's other loaders (text
// matrices, and those it does not trust with files from elsewhere) are left unused.
struct PictureFormat {
  std::string_view loader;
  std::string_view name;
  Decoder decoder;
};

constexpr PictureFormat kPictureFormats[] = {
    {"VipsForeignLoadJpegSource", "JPEG", Decoder::kJpeg},
    {"VipsForeignLoadPngSource", "PNG", Decoder::kPng},
    {"VipsForeignLoadNsgifSource", "GIF", Decoder::kGif},
    {"VipsForeignLoadWebpSource", "WebP", Decoder::kWebp},
    {"VipsForeignLoadTiffSource", "TIFF", Decoder::kWhole},
    {"VipsForeignLoadHeifSource", "HEIF", Decoder::kHeif},
};

// The format whose loader is `loader`; null when it is none of them.
const PictureFormat* FormatOf(const char* loader) {
  if (loader == nullptr) return nullptr;
  for (const PictureFormat& format : kPictureFormats) {
    if (format.loader == loader) return &format;
  }
  return nullptr;
}

// The error of `kind` about a picture of `format`.
PictureError ErrorOf(ErrorKind kind, std::string_view format = {}) {
  PictureError error;
  error.kind = kind;
  error.format = format;
  return error;
}

// Tells whether `file` ends before its picture of `format` does, from its first and last bytes;
// false when the format does not tell.
bool EndsEarly(std::string_view format, ReadableFile& file, std::mutex& lock) {
  Result<EntryInfo> info = [&] {
    const std::lock_guard<std::mutex> hold(lock);
    return file.Describe();
  }();
  if (!info) return false;
  const std::uint64_t size = info.value().size;
  auto last = [&](std::size_t count) {
    Result<std::string> bytes =
        ReadPart(file, lock, size - std::min<std::uint64_t>(size, count), count);
    return bytes ? bytes.value() : std::string();
  };
  if (format == "JPEG") return last(2) != "\xFF\xD9";
  if (format == "PNG") return last(8) != std::string_view("IEND\xAE\x42\x60\x82", 8);
  if (format == "GIF") return last(1) != "\x3B";
  if (format == "WebP") {
    // The RIFF header says how long the file is.
    Result<std::string> head = ReadPart(file, lock, 0, 8);
    if (!head || head.value().size() < 8) return true;
    const auto* b = reinterpret_cast<const unsigned char*>(head.value().data());
    const std::uint64_t declared = std::uint64_t{b[4]} | std::uint64_t{b[5]} << 8 |
                                   std::uint64_t{b[6]} << 16 | std::uint64_t{b[7]} << 24;
    return declared + 8 > size;
  }
  return false;
}

// Why decoding a picture of `format` from `file` failed: `state`'s file step, the file ending
// early, or else `otherwise`.
PictureError DecodingFailed(const SourceState& state, ErrorKind otherwise, std::string_view format,
                            ReadableFile& file, std::mutex& lock) {
  if (state.error) return Unreadable(state.error);
  return ErrorOf(EndsEarly(format, file, lock) ? ErrorKind::kTruncated : otherwise, format);
}

// A picture's header as the library reads it, without its pixels.
struct Inspected {
  PictureHeader header;
  std::string_view format;
  // Whether it carries a colour profile of its own.
  bool profile = false;
  // Whether it is CMYK without a profile, which browsers show by their own plain rule.
  bool plainCmyk = false;
  // Its raw EXIF and XMP data, when they were asked for.
  std::string exif;
  std::string xmp;
};

// The number `field` of `image`'s header; 0 when it has none.
int IntField(const VImage& image, const char* field) {
  return image.get_typeof(field) == G_TYPE_INT ? image.get_int(field) : 0;
}

// The text `field` of `image`'s header; empty when it has none.
std::string StringField(const VImage& image, const char* field) {
  const GType type = image.get_typeof(field);
  if (type != G_TYPE_STRING && type != VIPS_TYPE_REF_STRING) return "";
  return image.get_string(field);
}

// The bytes `field` of `image`'s header; empty when it has none.
std::string BlobField(const VImage& image, const char* field) {
  if (image.get_typeof(field) != VIPS_TYPE_BLOB) return "";
  std::size_t length = 0;
  const void* data = image.get_blob(field, &length);
  return {static_cast<const char*>(data), length};
}

// What decoding `image`, read by the loader of `format`, will take.
PictureHeader HeaderOf(const VImage& image, const PictureFormat& format, std::uint64_t fileBytes) {
  PictureHeader header;
  header.decoder = format.decoder;
  header.width = static_cast<std::uint64_t>(image.width());
  header.height = static_cast<std::uint64_t>(image.height());
  header.bands = image.bands();
  header.bytesPerBand = static_cast<int>(vips_format_sizeof(image.format()));
  header.interlaced = IntField(image, "interlaced") != 0;
  header.quarterChroma = StringField(image, "jpeg-chroma-subsample") == "4:2:0";
  header.animated = IntField(image, "n-pages") > 1;
  header.fileBytes = fileBytes;
  return header;
}

// Reads the header of `file`, and its raw EXIF and XMP data `withTexts`.
Result<Inspected, PictureError> Inspect(ReadableFile& file, std::mutex& lock, bool withTexts) {
  SourceState state = StateOf(file, lock);
  if (state.error) return Unreadable(state.error);
  vips::VSource source = SourceOf(state);
  const PictureFormat* format = FormatOf(vips_foreign_find_load_source(source.get_source()));
  if (state.error) return Unreadable(state.error);
  if (format == nullptr) return ErrorOf(ErrorKind::kUnknownFormat);
  try {
    const VImage image = VImage::new_from_source(
        source, "", VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
    Inspected inspected;
    inspected.header = HeaderOf(image, *format, state.size);
    inspected.format = format->name;
    inspected.profile = image.get_typeof(VIPS_META_ICC_NAME) != 0;
    inspected.plainCmyk = !inspected.profile &&
                          image.interpretation() == VIPS_INTERPRETATION_CMYK && image.bands() >= 4;
    if (withTexts) {
      inspected.exif = BlobField(image, VIPS_META_EXIF_NAME);
      inspected.xmp = BlobField(image, VIPS_META_XMP_NAME);
    }
    return inspected;
  } catch (const vips::VError&) {
    return DecodingFailed(state, ErrorKind::kBadHeader, format->name, file, lock);
  }
}

// Passes a picture of `inspected` whose pixels are within `limits`; refuses one that declares
// more.
Result<void, PictureError> WithinPixelLimit(const Inspected& inspected,
                                            const PictureLimits& limits) {
  const PictureHeader& header = inspected.header;
  if (header.width * header.height <= limits.maxPixels) return {};
  PictureError error = ErrorOf(ErrorKind::kTooManyPixels, inspected.format);
  error.width = header.width;
  error.height = header.height;
  error.limit = limits.maxPixels;
  return error;
}

// Passes `making` a picture within `picture` and a thumbnail within `thumbnail` from `inspected`
// where `limits` allow it; refuses it for more pixels than they allow, or more memory.
Result<void, PictureError> WithinLimits(const Inspected& inspected, const PictureLimits& limits,
                                        Making making, FitBox picture, FitBox thumbnail) {
  if (Result<void, PictureError> pixels = WithinPixelLimit(inspected, limits); !pixels) {
    return pixels;
  }
  const std::uint64_t needed = DecodeCost(inspected.header, making, picture, thumbnail);
  if (needed <= limits.maxMemory) return {};
  PictureError error = ErrorOf(ErrorKind::kTooMuchMemory, inspected.format);
  error.needed = needed;
  error.limit = limits.maxMemory;
  return error;
}

// Runs `make`, which decodes a picture of `format` from `state` and is done or gives why it
// could not finish; returns that, or why the image library failed it. The library's binding
// reports its failures only by throwing.
template <class Make>
Result<void, PictureError> Decoding(const SourceState& state, std::string_view format,
                                    ReadableFile& file, std::mutex& lock, const Make& make) {
  try {
    return make();
  } catch (const vips::VError&) {
    return DecodingFailed(state, ErrorKind::kDamaged, format, file, lock);
  } catch (const std::bad_alloc&) {
    return ErrorOf(ErrorKind::kOutOfMemory, format);
  }
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

// How the library makes a picture fitted within `box`: shrunk while it loads, and converted to
// sRGB from the colour profile it carries, where it carries one (without one it is sRGB).
vips::VOption* FitOptions(FitBox box, bool profile) {
  vips::VOption* options = VImage::option()
                               // The loader behind a source takes the option only this way.
                               ->set("option_string", "fail_on=truncated")
                               ->set("height", box.height)
                               ->set("size", VIPS_SIZE_DOWN)
                               ->set("fail_on", VIPS_FAIL_ON_TRUNCATED);
  if (profile) options->set("export_profile", "srgb");
  return options;
}

// CMYK without a profile as browsers and viewers show it: cyan, magenta and yellow each taken off
// white, darkened by black. The library's own conversion goes through a print profile, which
// makes such pictures much duller than anyone has seen them.
VImage PlainCmykAsSrgb(const VImage& cmyk) {
  const VImage ink = cmyk.extract_band(0, VImage::option()->set("n", 3));
  const VImage rgb = (255 - ink) * (255 - cmyk[3]) / 255;
  return rgb.cast(VIPS_FORMAT_UCHAR)
      .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// The plain CMYK picture `inspected` read from `state` and fitted within `box`, shrunk while it
// loads where it is a JPEG.
VImage PlainCmykThumbnail(SourceState& state, FitBox box, const Inspected& inspected) {
  const PictureHeader& header = inspected.header;
  std::string loading = "fail_on=truncated";
  if (header.decoder == Decoder::kJpeg) {
    // Shrunk no further than the box's longer side on the picture's shorter one, whichever way
    // the picture is turned.
    const std::uint64_t side = static_cast<std::uint64_t>(std::max(box.width, box.height));
    int shrink = 1;
    while (shrink < 8 && std::min(header.width, header.height) /
                                 (std::uint64_t{2} * static_cast<std::uint64_t>(shrink)) >=
                             side)
      shrink *= 2;
    loading += ",shrink=" + std::to_string(shrink);
  }
  const VImage loaded = VImage::new_from_source(
      SourceOf(state), loading.c_str(), VImage::option()->set("access", VIPS_ACCESS_SEQUENTIAL));
  return PlainCmykAsSrgb(loaded).thumbnail_image(
      box.width, VImage::option()->set("height", box.height)->set("size", VIPS_SIZE_DOWN));
}

// The picture `inspected` read from `state`, fitted within `box` and displayable; converted from
// its own colour profile where it has one.
VImage Thumbnail(SourceState& state, FitBox box, const Inspected& inspected) {
  if (inspected.plainCmyk) return Displayable(PlainCmykThumbnail(state, box, inspected));
  return Displayable(
      VImage::thumbnail_source(SourceOf(state), box.width, FitOptions(box, inspected.profile)));
}

// The names of the fields of `image`'s metadata.
std::set<std::string> FieldsOf(const VImage& image) {
  std::set<std::string> names;
  gchar** fields = vips_image_get_fields(image.get_image());
  for (gchar** field = fields; *field != nullptr; ++field) names.emplace(*field);
  g_strfreev(fields);
  return names;
}

// `image` with copies of its own of the blocks of metadata it carries. Some loaders lend theirs
// only while they are open (HEIF's EXIF), and a picture kept with its metadata is saved after its
// loader has closed.
VImage WithOwnMetadata(const VImage& image) {
  VImage own = image.copy();
  const std::set<std::string> before = FieldsOf(own);
  for (const char* field :
       {VIPS_META_EXIF_NAME, VIPS_META_XMP_NAME, VIPS_META_IPTC_NAME, VIPS_META_ICC_NAME}) {
    if (own.get_typeof(field) != VIPS_TYPE_BLOB) continue;
    std::size_t length = 0;
    const void* data = own.get_blob(field, &length);
    vips_image_set_blob_copy(own.get_image(), field, data, length);
  }
  // The library reads EXIF set anew into fields again; what the picture had lost stays lost (its
  // orientation, once it was turned upright).
  for (const std::string& field : FieldsOf(own)) {
    if (before.count(field) == 0) vips_image_remove(own.get_image(), field.c_str());
  }
  return own;
}

// `image`, displayable, with a dark round mark and a white triangle pointing right at its middle:
// what shows a thumbnail as a video's. The mark is drawn on a grid four times as fine and shrunk,
// so that its edges are smooth.
VImage WithPlayMark(const VImage& image) {
  constexpr int kFine = 4;
  const double radius = 0.2 * std::min(image.width(), image.height()) * kFine;
  const VImage grid = VImage::xyz(image.width() * kFine, image.height() * kFine);
  const VImage x = grid[0] - image.width() * kFine / 2.0;
  const VImage y = grid[1] - image.height() * kFine / 2.0;
  const VImage disc = ((x * x + y * y) < radius * radius).shrink(kFine, kFine) / 255.0;
  // The triangle's left edge stands 0.3 of the radius left of the middle, its tip 0.6 right.
  const VImage triangle =
      ((x >= -0.3 * radius) & (y.abs() <= (x + 0.3 * radius) * (-0.5 / 0.9) + 0.5 * radius))
          .shrink(kFine, kFine) /
      255.0;
  const VImage darkened = image * (1 - 0.45 * disc);
  return (darkened * (1 - triangle) + 255 * triangle).cast(VIPS_FORMAT_UCHAR);
}

// `image`, displayable, with a small stack of three frames at its lower right corner, each a
// white rim around the picture darkened, the frames behind set up and to the left and greyer:
// what shows a thumbnail as an album's. Drawn on a grid four times as fine and shrunk, as the play
// mark is.
VImage WithAlbumMark(const VImage& image) {
  constexpr int kFine = 4;
  const double side = std::min(image.width(), image.height()) * kFine;
  const VImage grid = VImage::xyz(image.width() * kFine, image.height() * kFine);
  const VImage x = grid[0];
  const VImage y = grid[1];
  const double width = 0.34 * side, height = 0.26 * side, step = 0.07 * side, rim = 0.04 * side;
  const double right = image.width() * kFine - 0.06 * side;
  const double bottom = image.height() * kFine - 0.06 * side;
  const auto inside = [&](double x0, double y0, double x1, double y1) {
    return ((x >= x0) & (x < x1) & (y >= y0) & (y < y1)).shrink(kFine, kFine) / 255.0;
  };
  VImage marked = image.cast(VIPS_FORMAT_DOUBLE);
  for (int frame = 2; frame >= 0; --frame) {
    const double x1 = right - frame * step, y1 = bottom - frame * step;
    const double x0 = x1 - width, y0 = y1 - height;
    const VImage outer = inside(x0, y0, x1, y1);
    const VImage inner = inside(x0 + rim, y0 + rim, x1 - rim, y1 - rim);
    const double white = frame == 0 ? 255.0 : 200.0;
    marked = marked * (1 - outer) + white * outer;
    marked = marked * (1 - inner) + 0.4 * image * inner;
  }
  return marked.cast(VIPS_FORMAT_UCHAR);
}

// `image` with `mark` drawn on it.
VImage WithMark(const VImage& image, ThumbnailMark mark) {
  switch (mark) {
    case ThumbnailMark::kNone:
      return image;
    case ThumbnailMark::kPlay:
      return WithPlayMark(image);
    case ThumbnailMark::kAlbum:
      return WithAlbumMark(image);
  }
  return image;
}

// ---- The library's own words ----------------------------------------------------------------

// Lets pictures be made at the same time, or one failed picture's work be done again alone, so
// that the library's words in its one buffer are that work's; a thread waiting to be alone goes
// before those that come after it.
class LibraryTurns {
 public:
  void EnterShared() {
    std::unique_lock<std::mutex> hold(mutex_);
    turn_.wait(hold, [&] { return !alone_ && waitingAlone_ == 0; });
    ++sharing_;
  }
  void LeaveShared() {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (--sharing_ == 0) turn_.notify_all();
  }
  void EnterAlone() {
    std::unique_lock<std::mutex> hold(mutex_);
    ++waitingAlone_;
    turn_.wait(hold, [&] { return !alone_ && sharing_ == 0; });
    --waitingAlone_;
    alone_ = true;
  }
  void LeaveAlone() {
    const std::lock_guard<std::mutex> hold(mutex_);
    alone_ = false;
    turn_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable turn_;
  int sharing_ = 0;
  int waitingAlone_ = 0;
  bool alone_ = false;
};

// The one set of turns of the process, as the library's buffer is one.
LibraryTurns& Turns() {
  static LibraryTurns turns;
  return turns;
}

// A turn taken for as long as it lives.
class Turn {
 public:
  enum Kind { kShared, kAlone };
  Turn(LibraryTurns& turns, Kind kind) : turns_(turns), kind_(kind) {
    kind_ == kShared ? turns_.EnterShared() : turns_.EnterAlone();
  }
  Turn(const Turn&) = delete;
  Turn& operator=(const Turn&) = delete;
  ~Turn() { kind_ == kShared ? turns_.LeaveShared() : turns_.LeaveAlone(); }

 private:
  LibraryTurns& turns_;
  Kind kind_;
};

// Tells whether an error of `kind` comes from the library, which has words of its own for it.
bool FromTheLibrary(ErrorKind kind) {
  return kind == ErrorKind::kUnknownFormat || kind == ErrorKind::kBadHeader ||
         kind == ErrorKind::kTruncated || kind == ErrorKind::kDamaged ||
         kind == ErrorKind::kOutOfMemory;
}

// The library's words now in its buffer, one line each, joined by "; ".
std::string LibraryWords() {
  std::string_view buffer = vips_error_buffer();
  std::string words;
  while (!buffer.empty()) {
    const std::size_t end = buffer.find('\n');
    const std::string_view line = buffer.substr(0, end);
    if (!line.empty()) words += (words.empty() ? "" : "; ") + std::string(line);
    if (end == std::string_view::npos) break;
    buffer.remove_prefix(end + 1);
  }
  return words;
}

void DiscardMessage(const gchar* /*domain*/, GLogLevelFlags /*level*/, const gchar* /*message*/,
                    gpointer /*data*/) {}

// Starts the library once for the process: one thread inside it for each picture, no cache of
// operations, no loaders that it does not trust with files from elsewhere, its warnings
// unprinted (what fails is told with the failure) and its buffer of words for failures shut, so
// that no thread writes it while another reads it.
bool StartLibrary() {
  if (VIPS_INIT("quillmere") != 0) return false;
  // The work runs one picture per thread on every core; more threads inside each would only
  // take turns.
  vips_concurrency_set(1);
  // Every picture is read once; cached operations would only hold their memory.
  vips_cache_set_max(0);
  // Loaders the library marks as untrusted are not fit for files from elsewhere.
  vips_block_untrusted_set(TRUE);
  // The run-time compiled vector code frees its code memory without a lock, so two pictures
  // finished at once on two threads could crash the program; the plain code is nearly as fast.
  vips_vector_set_enabled(FALSE);
  g_log_set_handler("VIPS", static_cast<GLogLevelFlags>(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_MESSAGE),
                    DiscardMessage, nullptr);
  vips_error_freeze();
  return true;
}

// Pictures made with libvips.
class VipsPictureMaker final : public PictureMaker {
 public:
  VipsPictureMaker(std::mutex& fileLock, const PictureRules& rules)
      : fileLock_(fileLock), rules_(rules) {}

  ProbedOrNot Probe(ReadableFile& file, std::string_view sidecarXmp) override {
    return Attempt([&] { return ProbeOnce(file, sidecarXmp); });
  }
  MadeOrNot MakePictureAndThumbnail(ReadableFile& file, std::optional<FitBox> picture,
                                    FitBox thumbnail, bool keepMetadata) override {
    const Making making = picture ? Making::kPictureAndThumbnail : Making::kCopyAndThumbnail;
    const FitBox box = picture.value_or(FitBox{kLargestSide, kLargestSide});
    return Attempt([&] { return MakeOnce(file, making, box, thumbnail, keepMetadata); });
  }
  MadeOrNot MakeThumbnail(ReadableFile& file, FitBox thumbnail, ThumbnailMark mark) override {
    const Making making =
        mark == ThumbnailMark::kNone ? Making::kThumbnail : Making::kMarkedThumbnail;
    return Attempt([&] { return MakeOnce(file, making, thumbnail, thumbnail, false, mark); });
  }
  MadeOrNot MakeFromPixels(std::string_view rgb, int width, int height, FitBox picture,
                           FitBox thumbnail) override {
    return Attempt([&]() -> MadeOrNot {
      const VImage frame =
          VImage::new_from_memory(const_cast<char*>(rgb.data()), rgb.size(), width, height, 3,
                                  VIPS_FORMAT_UCHAR)
              .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
      const auto fit = [&](const VImage& image, FitBox box) {
        return image.thumbnail_image(
            box.width, VImage::option()->set("height", box.height)->set("size", VIPS_SIZE_DOWN));
      };
      const VImage fitted = fit(frame, picture).copy_memory();
      MadeImages made;
      made.picture = Jpeg(fitted, kPictureQuality);
      made.thumbnail = Jpeg(WithPlayMark(fit(fitted, thumbnail)), kThumbnailQuality);
      return made;
    });
  }
  void EndOfThread() override { vips_thread_shutdown(); }

 private:
  ProbedOrNot ProbeOnce(ReadableFile& file, std::string_view sidecarXmp);
  MadeOrNot MakeOnce(ReadableFile& file, Making making, FitBox picture, FitBox thumbnail,
                     bool keepMetadata, ThumbnailMark mark = ThumbnailMark::kNone);

  // Runs `work` on one picture; memory that runs out is that picture's failure.
  template <class Work>
  static auto Safely(const Work& work) -> decltype(work()) {
    try {
      return work();
    } catch (const std::bad_alloc&) {
      return ErrorOf(ErrorKind::kOutOfMemory);
    }
  }

  // Runs `work` safely; where it fails in the library and its words are asked for, runs it again
  // alone to take them.
  template <class Work>
  auto Attempt(const Work& work) -> decltype(work()) {
    if (!rules_.libraryText) return Safely(work);
    auto result = [&] {
      const Turn shared(Turns(), Turn::kShared);
      return Safely(work);
    }();
    PictureError* failure = result.failure();
    if (failure != nullptr && FromTheLibrary(failure->kind)) {
      const Turn alone(Turns(), Turn::kAlone);
      vips_error_thaw();
      vips_error_clear();
      (void)Safely(work);
      failure->libraryText = LibraryWords();
      vips_error_clear();
      vips_error_freeze();
    }
    return result;
  }

  std::mutex& fileLock_;
  PictureRules rules_;
};

ProbedOrNot VipsPictureMaker::ProbeOnce(ReadableFile& file, std::string_view sidecarXmp) {
  Result<Inspected, PictureError> inspected = Inspect(file, fileLock_, /*withTexts=*/true);
  if (auto* error = inspected.failure()) return std::move(*error);
  const Inspected& header = inspected.value();
  // Refused already here, a picture of too many pixels is left out before the album is begun.
  Result<void, PictureError> allowed = WithinPixelLimit(header, rules_.limits);
  if (auto* error = allowed.failure()) return std::move(*error);
  PictureFacts facts;
  facts.jpeg = header.header.decoder == Decoder::kJpeg;
  // Of a TIFF's or a HEIF's pictures the first is taken as well, but only GIF and WebP move.
  facts.animated = header.header.animated && (header.header.decoder == Decoder::kGif ||
                                              header.header.decoder == Decoder::kWebp);
  PictureTexts texts = ReadPictureTexts(header.exif, header.xmp);
  PictureTexts sidecar = sidecarXmp.empty() ? PictureTexts{} : ReadSidecarTexts(sidecarXmp);
  facts.dateTaken = std::move(texts.dateTaken);
  facts.zoneTaken = std::move(texts.zoneTaken);
  facts.description =
      std::move(!sidecar.description.empty() ? sidecar.description : texts.description);
  facts.title = std::move(sidecar.title);
  return facts;
}

MadeOrNot VipsPictureMaker::MakeOnce(ReadableFile& file, Making making, FitBox picture,
                                     FitBox thumbnail, bool keepMetadata, ThumbnailMark mark) {
  MadeImages made;
  Result<Inspected, PictureError> inspected = Inspect(file, fileLock_, /*withTexts=*/false);
  if (auto* error = inspected.failure()) return std::move(*error);
  const Inspected& header = inspected.value();
  // Only a JPEG is copied as it is; a file that is no longer one is made anew at its size.
  if (making == Making::kCopyAndThumbnail && header.header.decoder != Decoder::kJpeg) {
    making = Making::kPictureAndThumbnail;
  }
  Result<void, PictureError> allowed =
      WithinLimits(header, rules_.limits, making, picture, thumbnail);
  if (auto* error = allowed.failure()) return std::move(*error);
  SourceState state = StateOf(file, fileLock_);
  Result<void, PictureError> decoded =
      Decoding(state, header.format, file, fileLock_, [&]() -> Result<void, PictureError> {
        if (making != Making::kPictureAndThumbnail) {
          const VImage small = Thumbnail(state, thumbnail, header);
          made.thumbnail = Jpeg(WithMark(small, mark), kThumbnailQuality);
          if (making != Making::kCopyAndThumbnail) return {};
          Result<std::string> bytes = ReadWhole(file, fileLock_);
          if (!bytes) return Unreadable(bytes.error());
          made.picture = std::move(bytes.value());
          return {};
        }
        VImage loading = Thumbnail(state, picture, header);
        if (keepMetadata) loading = WithOwnMetadata(loading);
        const VImage fitted = loading.copy_memory();
        // Turned upright while it loaded, the picture no longer records an orientation.
        made.picture = Jpeg(fitted, kPictureQuality, keepMetadata);
        made.thumbnail =
            Jpeg(fitted.thumbnail_image(thumbnail.width, VImage::option()
                                                             ->set("height", thumbnail.height)
                                                             ->set("size", VIPS_SIZE_DOWN)
                                                             ->set("no_rotate", true)),
                 kThumbnailQuality);
        return {};
      });
  if (auto* error = decoded.failure()) return std::move(*error);
  return made;
}

}  // namespace

}  // namespace quillmere

// Made by the album layer through kNewPictureMakerSymbol; none when the library cannot start.
extern "C" __attribute__((visibility("default"))) quillmere::PictureMaker* QuillmereNewPictureMaker(
    std::mutex* fileLock, const quillmere::PictureRules* rules) {
  static const bool started = quillmere::StartLibrary();
  return started ? new quillmere::VipsPictureMaker(*fileLock, *rules) : nullptr;
}

// Called by the album layer through kEndPictureLibrarySymbol, when the program ends.
extern "C" __attribute__((visibility("default"))) void QuillmereEndPictureLibrary() {
  vips_shutdown();
}

// The entry points are defined with the types the album layer calls them by.
static_assert(
    std::is_same_v<decltype(QuillmereNewPictureMaker), quillmere::NewPictureMakerFunction>);
static_assert(
    std::is_same_v<decltype(QuillmereEndPictureLibrary), quillmere::EndPictureLibraryFunction>);
