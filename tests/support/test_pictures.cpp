// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "support/test_pictures.h"

#include <lcms2.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <vips/vips8>

namespace quillmere::testing {
namespace {

using vips::VImage;

void StartLibrary() {
  static const bool started = VIPS_INIT("quillmere-tests") == 0;
  if (!started) throw std::runtime_error("libvips did not start");
}

// Colours that change across the picture, with fine stripes for detail everywhere.
VImage Pattern(int width, int height) {
  const VImage xy = VImage::xyz(width, height);
  const VImage x = xy[0], y = xy[1];
  const VImage stripes = ((x * 40).sin() * (y * 55).cos()) * 60;
  const VImage picture = VImage::bandjoin(std::vector<VImage>{
      x * (200.0 / width) + stripes + 30, y * (200.0 / height) - stripes + 30, stripes + 128});
  return picture.cast(VIPS_FORMAT_UCHAR)
      .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

// A picture of one colour in `values`, read as `interpretation`.
VImage Flat(int width, int height, const std::vector<double>& values,
            VipsInterpretation interpretation = VIPS_INTERPRETATION_sRGB) {
  const VImage black =
      VImage::black(width, height, VImage::option()->set("bands", static_cast<int>(values.size())));
  return (black + values)
      .cast(VIPS_FORMAT_UCHAR)
      .copy(VImage::option()->set("interpretation", interpretation));
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("could not write " + path);
}

// The Adobe RGB (1998) colour profile: its primaries, D65 white and a gamma of 563/256.
std::string AdobeRgbProfile() {
  const cmsCIExyY white = {0.3127, 0.3290, 1.0};
  const cmsCIExyYTRIPLE primaries = {{0.64, 0.33, 1.0}, {0.21, 0.71, 1.0}, {0.15, 0.06, 1.0}};
  cmsToneCurve* gamma = cmsBuildGamma(nullptr, 563.0 / 256.0);
  cmsToneCurve* curves[3] = {gamma, gamma, gamma};
  cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  std::string bytes(size, '\0');
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  cmsFreeToneCurve(gamma);
  return bytes;
}

// Numbers in a byte order: Intel's (least significant byte first) or Motorola's.
struct ByteOrder {
  bool motorola = false;
  std::string U16(unsigned value) const {
    const char low = static_cast<char>(value & 0xFF), high = static_cast<char>(value >> 8 & 0xFF);
    return motorola ? std::string{high, low} : std::string{low, high};
  }
  std::string U32(std::uint32_t value) const {
    return motorola ? U16(value >> 16) + U16(value & 0xFFFF)
                    : U16(value & 0xFFFF) + U16(value >> 16);
  }
};

// One entry of a TIFF directory: its tag, type and value bytes (their count by the type).
struct TiffEntry {
  unsigned tag;
  unsigned type;
  std::string value;
};

// The size of one value of the TIFF `type`: BYTE, ASCII, UNDEFINED 1; LONG 4.
std::uint32_t TypeSize(unsigned type) {
  return type == 4 ? 4 : 1;
}

// A TIFF directory of `entries` at `offset`, its values beyond four bytes after it; `next` is
// where the data that follows it starts.
std::string Directory(const std::vector<TiffEntry>& entries, std::uint32_t offset,
                      const ByteOrder& order, std::uint32_t& next) {
  std::uint32_t data = offset + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
  std::string directory = order.U16(static_cast<unsigned>(entries.size()));
  std::string values;
  for (const TiffEntry& entry : entries) {
    const auto size = static_cast<std::uint32_t>(entry.value.size());
    directory +=
        order.U16(entry.tag) + order.U16(entry.type) + order.U32(size / TypeSize(entry.type));
    if (size <= 4) {
      directory += entry.value + std::string(4 - size, '\0');
    } else {
      directory += order.U32(data + static_cast<std::uint32_t>(values.size()));
      values += entry.value;
      if (values.size() % 2 != 0) values += '\0';
    }
  }
  directory += order.U32(0);
  next = data + static_cast<std::uint32_t>(values.size());
  return directory + values;
}

// The APP1 segment of EXIF data that records `texts`: ImageDescription and XPComment in the
// first directory, UserComment in the EXIF directory.
std::string ExifSegment(const RecordedTexts& texts, const ByteOrder& order) {
  constexpr unsigned kAscii = 2, kByte = 1, kLong = 4, kUndefined = 7;
  std::vector<TiffEntry> first, exif;
  if (!texts.imageDescription.empty()) {
    first.push_back({0x010E, kAscii, texts.imageDescription + '\0'});
  }
  first.push_back({0x8769, kLong, order.U32(0)});
  if (!texts.xpComment.empty()) first.push_back({0x9C9C, kByte, texts.xpComment + '\0' + '\0'});
  if (!texts.userComment.empty()) exif.push_back({0x9286, kUndefined, texts.userComment});
  std::uint32_t next = 0;
  // Made once to learn where the EXIF directory starts, then with that offset.
  Directory(first, 8, order, next);
  for (TiffEntry& entry : first) {
    if (entry.tag == 0x8769) entry.value = order.U32(next);
  }
  std::string tiff = (order.motorola ? "MM" : "II") + order.U16(42) + order.U32(8);
  tiff += Directory(first, 8, order, next);
  tiff += Directory(exif, next, order, next);
  const std::string data = std::string("Exif\0\0", 6) + tiff;
  return "\xFF\xE1" + ByteOrder{true}.U16(static_cast<unsigned>(data.size() + 2)) + data;
}

// `text` with "&" and "<" as XML writes them.
std::string XmlText(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : std::string(1, c);
  }
  return out;
}

// The APP1 segment of an XMP packet whose dc:description holds `description`.
std::string XmpSegment(const std::string& description) {
  const std::string packet =
      "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:description><rdf:Alt>"
      "<rdf:li xml:lang=\"de\">Auf Deutsch</rdf:li><rdf:li xml:lang=\"x-default\">" +
      XmlText(description) +
      "</rdf:li></rdf:Alt></dc:description></rdf:Description></rdf:RDF></x:xmpmeta>"
      "<?xpacket end=\"w\"?>";
  const std::string data = std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet;
  return "\xFF\xE1" + ByteOrder{true}.U16(static_cast<unsigned>(data.size() + 2)) + data;
}

// The chunk `type` of a PNG with `data`, its length before and its CRC after.
std::string PngChunk(const std::string& type, const std::string& data) {
  const std::string typed = type + data;
  const uLong crc =
      crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()));
  return ByteOrder{true}.U32(static_cast<std::uint32_t>(data.size())) + typed +
         ByteOrder{true}.U32(static_cast<std::uint32_t>(crc));
}

bool IsMetadata(const std::string& field) {
  for (const char* kind : {"exif", "xmp", "iptc", "icc", "orientation"}) {
    if (field.find(kind) != std::string::npos) return true;
  }
  return false;
}

}  // namespace

void WriteTestJpeg(const std::string& path, const TestJpeg& jpeg) {
  StartLibrary();
  VImage picture = Pattern(jpeg.width, jpeg.height);
  if (jpeg.orientation != 1) picture.set("orientation", jpeg.orientation);
  if (!jpeg.dateTaken.empty()) {
    picture.set("exif-ifd2-DateTimeOriginal", jpeg.dateTaken.c_str());
  }
  if (!jpeg.zoneTaken.empty()) {
    picture.set("exif-ifd2-OffsetTimeOriginal", jpeg.zoneTaken.c_str());
  }
  if (!jpeg.description.empty()) {
    picture.set("exif-ifd0-ImageDescription", jpeg.description.c_str());
  }
  if (jpeg.place) {
    picture.set("exif-ifd3-GPSLatitudeRef", "N");
    picture.set("exif-ifd3-GPSLatitude", "51/1 30/1 12/1");
    picture.set("exif-ifd3-GPSLongitudeRef", "W");
    picture.set("exif-ifd3-GPSLongitude", "0/1 7/1 39/1");
  }
  picture.jpegsave(path.c_str(), VImage::option()->set("Q", 90));
}

void WriteTestPngWithTransparency(const std::string& path, int width, int height) {
  StartLibrary();
  const VImage xy = VImage::xyz(width, height);
  const VImage opaque = (xy[0] >= width / 2).ifthenelse(255, 0);
  const VImage red = VImage::black(width, height) + 220;
  const VImage none = VImage::black(width, height);
  VImage picture = VImage::bandjoin(std::vector<VImage>{red, none, none, opaque});
  picture = picture.cast(VIPS_FORMAT_UCHAR)
                .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
  picture.pngsave(path.c_str());
}

void WriteJpegWithTexts(const std::string& path, const RecordedTexts& texts, bool motorola) {
  StartLibrary();
  VipsBlob* blob = Pattern(64, 48).jpegsave_buffer(VImage::option()->set("strip", true));
  std::size_t length = 0;
  const void* data = vips_blob_get(blob, &length);
  const std::string jpeg(static_cast<const char*>(data), length);
  vips_area_unref(VIPS_AREA(blob));
  const bool exif =
      !texts.imageDescription.empty() || !texts.userComment.empty() || !texts.xpComment.empty();
  WriteBytes(path, jpeg.substr(0, 2) + (exif ? ExifSegment(texts, ByteOrder{motorola}) : "") +
                       (texts.xmpDescription.empty() ? "" : XmpSegment(texts.xmpDescription)) +
                       jpeg.substr(2));
}

std::string RawExif(const RecordedTexts& texts, bool motorola) {
  // After the segment's marker and length.
  return ExifSegment(texts, ByteOrder{motorola}).substr(4);
}

std::string RawXmp(const std::string& description) {
  // After the segment's marker, length and the name of XMP's namespace.
  return XmpSegment(description).substr(4 + 29);
}

void WriteGifDeclaring(const std::string& path, int width, int height) {
  const ByteOrder intel;
  // The header, a screen of one pixel with a table of two colours, the frame's descriptor, and
  // a single block of picture data.
  const std::string gif = "GIF89a" + intel.U16(1) + intel.U16(1) + std::string("\x80\0\0", 3) +
                          std::string("\0\0\0\xFF\xFF\xFF", 6) + "," + intel.U16(0) + intel.U16(0) +
                          intel.U16(static_cast<unsigned>(width)) +
                          intel.U16(static_cast<unsigned>(height)) +
                          std::string("\0\x02\x02\x4C\x01\0;", 7);
  WriteBytes(path, gif);
}

void WritePngBomb(const std::string& path, int width, int height) {
  const ByteOrder motorola{true};
  const std::string header = motorola.U32(static_cast<std::uint32_t>(width)) +
                             motorola.U32(static_cast<std::uint32_t>(height)) +
                             std::string("\x01\0\0\0\0", 5);
  // Every row: the filter byte and its bits, all zero.
  const std::string row(1 + (static_cast<std::size_t>(width) + 7) / 8, '\0');
  z_stream stream{};
  deflateInit(&stream, Z_BEST_COMPRESSION);
  std::string compressed;
  char buffer[65536];
  auto pump = [&](int flush) {
    do {
      stream.next_out = reinterpret_cast<Bytef*>(buffer);
      stream.avail_out = sizeof buffer;
      deflate(&stream, flush);
      compressed.append(buffer, sizeof buffer - stream.avail_out);
    } while (stream.avail_out == 0);
  };
  for (int y = 0; y < height; ++y) {
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
    stream.avail_in = static_cast<uInt>(row.size());
    pump(Z_NO_FLUSH);
  }
  pump(Z_FINISH);
  deflateEnd(&stream);
  WriteBytes(path, "\x89PNG\r\n\x1A\n" + PngChunk("IHDR", header) + PngChunk("IDAT", compressed) +
                       PngChunk("IEND", ""));
}

void WriteFlatPng(const std::string& path, int width, int height, bool interlaced) {
  StartLibrary();
  Flat(width, height, {40, 90, 160})
      .pngsave(path.c_str(), VImage::option()->set("interlace", interlaced)->set("compression", 1));
}

void WriteFlatGif(const std::string& path, int width, int height) {
  StartLibrary();
  Flat(width, height, {40, 90, 160}).gifsave(path.c_str());
}

void WriteAdobeRgbPicture(const std::string& path, const std::vector<double>& srgb) {
  StartLibrary();
  const std::string profile = path + ".icc";
  WriteBytes(profile, AdobeRgbProfile());
  // Converted, the picture carries the profile it was converted to.
  const VImage adobe =
      Flat(64, 48, srgb)
          .icc_transform(profile.c_str(),
                         VImage::option()->set("input_profile", "srgb")->set("embedded", false));
  std::remove(profile.c_str());
  if (path.ends_with(".png")) {
    adobe.pngsave(path.c_str());
  } else {
    adobe.jpegsave(path.c_str(), VImage::option()->set("Q", 95));
  }
}

void WriteFlatJpeg(const std::string& path, const std::vector<double>& rgb) {
  StartLibrary();
  Flat(64, 48, rgb).jpegsave(path.c_str(), VImage::option()->set("Q", 95));
}

void WriteFlatHeic(const std::string& path, const std::vector<double>& rgb) {
  StartLibrary();
  Flat(64, 48, rgb)
      .heifsave(path.c_str(),
                VImage::option()->set("compression", VIPS_FOREIGN_HEIF_COMPRESSION_HEVC));
}

void WriteAnimatedGif(const std::string& path) {
  StartLibrary();
  // Two frames of 32 by 24, one above the other.
  VImage frames = Flat(32, 48, {200, 40, 40}).copy();
  frames.set("page-height", 24);
  frames.gifsave(path.c_str());
}

void WriteCmykJpeg(const std::string& path, const std::vector<double>& cmyk) {
  StartLibrary();
  Flat(64, 48, cmyk, VIPS_INTERPRETATION_CMYK).jpegsave(path.c_str());
}

std::optional<PictureInfo> ReadPicture(const std::string& path) {
  StartLibrary();
  try {
    VImage picture = VImage::new_from_file(
        path.c_str(), VImage::option()->set("fail_on", VIPS_FAIL_ON_TRUNCATED));
    PictureInfo info;
    info.width = picture.width();
    info.height = picture.height();
    info.bands = picture.bands();
    if (picture.get_typeof("vips-loader") != 0) info.loader = picture.get_string("vips-loader");
    if (picture.get_typeof(VIPS_META_ORIENTATION) != 0) {
      info.orientation = picture.get_int(VIPS_META_ORIENTATION);
    }
    char** fields = vips_image_get_fields(picture.get_image());
    for (char** field = fields; *field != nullptr; ++field) {
      if (IsMetadata(*field)) info.metadata.emplace_back(*field);
    }
    g_strfreev(fields);
    // Every pixel, so that a picture cut short shows.
    picture.avg();
    return info;
  } catch (const vips::VError&) {
    vips_error_clear();
    return std::nullopt;
  }
}

std::vector<double> PixelOf(const std::string& path, int x, int y) {
  StartLibrary();
  return VImage::new_from_file(path.c_str()).getpoint(x, y);
}

}  // namespace quillmere::testing
