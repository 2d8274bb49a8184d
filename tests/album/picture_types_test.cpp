// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How pictures and videos fit their boxes: a picture within the box as it stands, a video within
// the box either way round.
#include "album/picture_types.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace quillmere {
namespace {

std::pair<int, int> Sides(FitBox box) {
  return {box.width, box.height};
}

// Expected: an upright video fits a box that lies across, so it is copied as it is, where a
// picture of its shape shrinks to the box as it stands; a video's sides are even.
TEST(FitBox, APictureFitsTheBoxAsItStandsAVideoEitherWayRound) {
  struct Case {
    const char* what;
    int width;
    int height;
    FitBox box;
    std::pair<int, int> picture;
    bool videoFits;
    std::pair<int, int> video;
  };
  const std::vector<Case> cases = {
      {"an upright 1080x1920 video", 1080, 1920, {1920, 1080}, {608, 1080}, true, {1080, 1920}},
      {"4K across", 3840, 2160, {1920, 1080}, {1920, 1080}, false, {1920, 1080}},
      {"smaller than the box, never enlarged",
       640,
       480,
       {1920, 1080},
       {640, 480},
       true,
       {640, 480}},
      {"halved to an odd side", 3838, 2160, {1920, 1080}, {1919, 1080}, false, {1918, 1080}},
      {"a sliver", 3, 1, {2, 2}, {2, 1}, false, {2, 2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto width = static_cast<std::uint64_t>(c.width);
    const auto height = static_cast<std::uint64_t>(c.height);
    EXPECT_EQ(Sides(FittedSize(width, height, c.box)), c.picture);
    EXPECT_EQ(FitsEitherWay(c.width, c.height, c.box), c.videoFits);
    EXPECT_EQ(Sides(FittedEitherWay(c.width, c.height, c.box)), c.video);
  }
}

}  // namespace
}  // namespace quillmere
