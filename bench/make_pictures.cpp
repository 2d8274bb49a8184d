// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Writes the JPEG pictures FIRST to LAST (IMG_0001.jpg, ...) of WIDTH by HEIGHT pixels into FOLDER,
// each with detail down to the pixel (a few MB each, as a camera's), the date it was taken and
// now and then an orientation. Several processes with parts of the numbers share the work.
//
//   quillmere-make-pictures FOLDER FIRST LAST WIDTH HEIGHT
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
#include <vips/vips8>

namespace {

using vips::VImage;

// Picture `n`: bands of colour that change across it, waves of its own, and grain.
VImage Picture(int n, int width, int height) {
  const VImage xy = VImage::xyz(width, height);
  const VImage x = xy[0], y = xy[1];
  const double scale = 40.0 + 7.0 * (n % 11);
  // The library's sine takes degrees: a wave every `scale` pixels.
  const VImage waves = ((x * (360.0 / scale)).sin() + (y * (360.0 / (scale * 1.3))).cos()) * 50;
  const VImage red = x * (160.0 / width) + waves + 20 * (n % 5);
  const VImage green = y * (160.0 / height) - waves + 15 * (n % 7);
  const VImage blue = (x + y) * (120.0 / (width + height)) + waves * 0.5 + 60;
  const VImage grain = VImage::gaussnoise(
      width, height, VImage::option()->set("sigma", 10.0)->set("mean", 0.0)->set("seed", n));
  const VImage picture =
      VImage::bandjoin(std::vector<VImage>{red + grain, green + grain * 0.8, blue + grain * 1.2});
  return picture.cast(VIPS_FORMAT_UCHAR)
      .copy(VImage::option()->set("interpretation", VIPS_INTERPRETATION_sRGB));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6 || VIPS_INIT(argv[0]) != 0) {
    std::fprintf(stderr, "usage: quillmere-make-pictures FOLDER FIRST LAST WIDTH HEIGHT\n");
    return 2;
  }
  const std::string folder = argv[1];
  const int first = std::atoi(argv[2]);
  const int last = std::atoi(argv[3]);
  const int width = std::atoi(argv[4]);
  const int height = std::atoi(argv[5]);
  try {
    for (int n = first; n <= last; ++n) {
      VImage picture = Picture(n, width, height);
      char date[32];
      std::snprintf(date, sizeof date, "2023:%02d:%02d %02d:%02d:00", 1 + n % 12, 1 + n % 28,
                    n % 24, n % 60);
      picture.set("exif-ifd2-DateTimeOriginal", date);
      if (n % 10 == 0) picture.set("orientation", 6);
      char name[32];
      std::snprintf(name, sizeof name, "/IMG_%04d.jpg", n);
      picture.jpegsave((folder + name).c_str(), VImage::option()->set("Q", 90));
    }
  } catch (const vips::VError& error) {
    std::fprintf(stderr, "quillmere-make-pictures: %s\n", error.what());
    return 1;
  }
  vips_shutdown();
  return 0;
}
