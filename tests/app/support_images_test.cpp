// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The example album's support images, as a browser shows them on the white page and in the
// boxes of colour #CDDBEB: where an image meets the page or a box it is exactly that colour, or
// transparent, so that no faint line or seam shows.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QString>
#include <vector>

namespace quillmere {
namespace {

const QRgb kPage = qRgb(0xff, 0xff, 0xff);
const QRgb kBox = qRgb(0xcd, 0xdb, 0xeb);
const QRgb kClear = qRgba(0, 0, 0, 0);

// A part of an image that must be all one colour; for kClear, any colour of no opacity.
struct Part {
  QRect pixels;
  QRgb colour;
};

struct SupportImage {
  const char* name;
  QSize size;
  std::vector<Part> parts;
};

QString Hex(QRgb colour) {
  return QColor::fromRgba(colour).name(QColor::HexArgb);
}

TEST(ExampleAlbum, SupportImagesMeetThePageAndTheBoxesWithoutAnEdge) {
  const std::vector<SupportImage> images = {
      // The spacer holds cells open and shows what is behind it.
      {"x.gif", {1, 1}, {{{0, 0, 1, 1}, kClear}}},
      // A corner: the page at its outer corner, the box where it meets the box.
      {"rondtl.gif", {10, 10}, {{{0, 0, 2, 2}, kPage}, {{5, 9, 5, 1}, kBox}, {{9, 5, 1, 5}, kBox}}},
      {"rondtr.gif", {10, 10}, {{{8, 0, 2, 2}, kPage}, {{0, 9, 5, 1}, kBox}, {{0, 5, 1, 5}, kBox}}},
      {"rondbl.gif", {10, 10}, {{{0, 8, 2, 2}, kPage}, {{5, 0, 5, 1}, kBox}, {{9, 0, 1, 5}, kBox}}},
      {"rondbr.gif", {10, 10}, {{{8, 8, 2, 2}, kPage}, {{0, 0, 5, 1}, kBox}, {{0, 0, 1, 5}, kBox}}},
      // The shadows fade into the page at their far sides.
      {"s6.gif", {9, 1}, {{{8, 0, 1, 1}, kPage}}},
      {"s6a.gif", {9, 13}, {{{0, 0, 9, 3}, kPage}, {{8, 0, 1, 13}, kPage}}},
      {"s8.gif", {1, 9}, {{{0, 8, 1, 1}, kPage}}},
      {"s8a.gif", {14, 9}, {{{0, 0, 3, 9}, kPage}, {{0, 8, 14, 1}, kPage}}},
      {"s9.gif", {9, 9}, {{{8, 0, 1, 9}, kPage}, {{0, 8, 9, 1}, kPage}}},
      // The arrows stand on the page.
      {"previmg.gif", {32, 32}, {{{0, 0, 32, 2}, kPage}, {{0, 30, 32, 2}, kPage}}},
      {"nextimg.gif", {32, 32}, {{{0, 0, 32, 2}, kPage}, {{0, 30, 32, 2}, kPage}}}};
  for (const SupportImage& expected : images) {
    SCOPED_TRACE(expected.name);
    const QImage image(QStringLiteral(QUILLMERE_EXAMPLE_ALBUM "/support/") +
                       QLatin1String(expected.name));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), expected.size);
    for (const Part& part : expected.parts) {
      for (int y = part.pixels.top(); y <= part.pixels.bottom(); ++y) {
        for (int x = part.pixels.left(); x <= part.pixels.right(); ++x) {
          const QRgb pixel = image.pixel(x, y);
          if (part.colour == kClear) {
            EXPECT_EQ(qAlpha(pixel), 0) << x << "," << y;
          } else {
            EXPECT_EQ(Hex(pixel).toStdString(), Hex(part.colour).toStdString()) << x << "," << y;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace quillmere
