// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "support/test_pictures.h"

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
