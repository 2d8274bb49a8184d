// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/tone_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace quillmere {
namespace {

// `nits` as the tone map holds light, a share of the reference white.
float Share(double nits) {
  return static_cast<float>(nits / kReferenceWhiteNits);
}

// Light of `red`, `green` and `blue` nits.
LinearRgb Nits(double red, double green, double blue) {
  return {Share(red), Share(green), Share(blue)};
}

// The brightest channel of `light`.
float Brightest(const LinearRgb& light) {
  return std::max(light.red, std::max(light.green, light.blue));
}

struct Case {
  const char* name;
  LinearRgb light;
};

// Expected: light whose brightest channel is below the knee comes out exactly as it went in.
TEST(ToneMap, LightBelowTheKneeStaysAsItIs) {
  const std::vector<Case> cases = {
      {"black", Nits(0, 0, 0)},
      {"dim grey", Nits(20, 20, 20)},
      {"grey of half the reference white", Nits(101, 101, 101)},
      {"deep red just under the knee", Nits(150, 10, 5)},
      {"blue", Nits(2, 30, 120)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const LinearRgb out = RolledOff(c.light);
    EXPECT_EQ(out.red, c.light.red);
    EXPECT_EQ(out.green, c.light.green);
    EXPECT_EQ(out.blue, c.light.blue);
  }
}

// Expected: light above the knee is dimmed, to no more than white, and all of it at 1000 nits or
// more becomes white; its channels keep their ratios, and so its hue.
TEST(ToneMap, LightAboveTheKneeRollsOffKeepingItsHue) {
  struct Rolled {
    const char* name;
    LinearRgb light;
    bool white;
  };
  const std::vector<Rolled> cases = {
      {"reference white", Nits(203, 203, 203), false},
      {"twice the reference white", Nits(406, 406, 406), false},
      {"orange highlight", Nits(600, 300, 60), false},
      {"grey of 1000 nits", Nits(1000, 1000, 1000), true},
      {"orange of 1000 nits", Nits(1000, 500, 100), true},
      {"sun of 4000 nits", Nits(4000, 3900, 3000), true},
  };
  for (const Rolled& c : cases) {
    SCOPED_TRACE(c.name);
    const LinearRgb out = RolledOff(c.light);
    const float in = Brightest(c.light);
    EXPECT_LT(Brightest(out), in);
    EXPECT_LE(Brightest(out), 1.0F + 1e-6F);
    EXPECT_GT(Brightest(out), kRollOffKnee);
    if (c.white) {
      EXPECT_NEAR(Brightest(out), 1.0F, 1e-6F);
    }
    EXPECT_NEAR(out.red / Brightest(out), c.light.red / in, 1e-6F);
    EXPECT_NEAR(out.green / Brightest(out), c.light.green / in, 1e-6F);
    EXPECT_NEAR(out.blue / Brightest(out), c.light.blue / in, 1e-6F);
  }
}

// Expected: as grey light grows from black past 1000 nits, what comes out never falls and never
// leaps: it grows no faster than the light, and just above the knee as fast, without a bend.
TEST(ToneMap, TheRollOffIsSmoothAndMonotonic) {
  constexpr double kStep = 0.5;
  float before = 0;
  for (double nits = kStep; nits <= 1200; nits += kStep) {
    SCOPED_TRACE(nits);
    const float out = RolledOff(Nits(nits, nits, nits)).red;
    EXPECT_GE(out, before - 1e-6F);
    EXPECT_LE(out - before, Share(kStep) + 1e-6F);
    before = out;
  }
  const float knee = kRollOffKnee;
  const float above = knee + 1e-3F;
  const float slope = (RolledOff({above, above, above}).red - knee) / (above - knee);
  EXPECT_NEAR(slope, 1.0F, 0.01F);
}

}  // namespace
}  // namespace quillmere
