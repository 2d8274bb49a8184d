// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album's videos as a browser plays them: sound and picture starting together at 0 whatever
// the clock of the original, the last frame as long as the others, and the header of an MP4
// before its data so that it plays before it has all come.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/cli_runner.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;

// The types of the boxes at the top of the MP4 `bytes`, in order, as far as their sizes hold.
std::string TopLevelBoxes(const std::string& bytes) {
  std::string types;
  for (std::uint64_t at = 0, size = 8; size >= 8 && at + 16 <= bytes.size(); at += size) {
    size = 0;
    const bool large = bytes.compare(at, 4, std::string("\0\0\0\1", 4)) == 0;
    for (std::uint64_t i = large ? 8 : 0; i < (large ? 16u : 4u); ++i) {
      size = size << 8 | static_cast<unsigned char>(bytes[at + i]);
    }
    types += bytes.substr(at + 4, 4) + " ";
  }
  return types;
}

// When the stream of `kind` ("v" or "a") of the video `path` starts and how long it lasts.
std::pair<double, double> StreamTime(const std::string& path, const std::string& kind) {
  const std::string out = path + "." + kind + ".times";
  const std::string probe = "ffprobe -v error -select_streams " + kind +
                            " -show_entries stream=start_time,duration -of csv=p=0 '" + path +
                            "' > '" + out + "'";
  std::pair<double, double> time{NAN, NAN};
  if (std::system(probe.c_str()) == 0) {
    std::sscanf(testing::ReadFile(out).c_str(), "%lf,%lf", &time.first, &time.second);
  }
  return time;
}

// Expected: whether a video is copied or encoded, its sound and picture start together at 0 in the
// album's MP4, a clock that starts late or wraps is no length, the last frame lasts a frame, and
// the MP4's header comes before its data; a video copied as it is stays as it is.
TEST(VideoTimingTest, TheAlbumsVideosStartAtZeroInSyncAndPlayBeforeTheyHaveAllCome) {
  struct Case {
    const char* name;
    // What ffmpeg makes the original of, from a test pattern and a tone of 48 kHz.
    const char* making;
    double rate;
    double seconds;
    bool original;
  };
  const std::string sources =
      "-f lavfi -i testsrc=size=64x48:rate=30 -f lavfi -i sine=sample_rate=48000:duration=3 ";
  const Case cases[] = {
      // A camcorder's clock, started ten hours before.
      {"late clock.ts", "-t 1 -c:v libx264 -c:a aac -output_ts_offset 36000", 30, 1, false},
      // A clock of 33 bits that comes round to 0 a third of a second in.
      {"wrapping clock.ts", "-t 1 -c:v libx264 -c:a aac -output_ts_offset 95442", 30, 1, false},
      {"late streams.mpg", "-t 1 -r 25 -c:v mpeg2video -c:a mp2", 25, 1, false},
      {"ninety frames.mp4", "-frames:v 90 -c:v libx264 -c:a aac", 30, 3, false},
      {"ninety frames.avi", "-frames:v 90 -c:v mpeg4 -c:a mp2", 30, 3, false},
      {"as it is.mp4", "-frames:v 30 -c:v libx264 -c:a aac", 30, 1, true},
  };
  testing::TempFolder dir;
  PosixFileSystem fs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string photos = dir / (std::string(c.name) + " photos");
    const std::string album = dir / (std::string(c.name) + " album");
    stdfs::create_directories(photos);
    const std::string original = photos + "/" + c.name;
    const std::string make =
        "ffmpeg -v error -y " + sources + c.making + " '" + original + "' </dev/null";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    std::vector<std::string> args{"--new-album", photos, album};
    if (c.original) args.insert(args.begin() + 1, {"--picture-size", "original"});
    const testing::CliResult made = testing::RunCli(args, fs);
    ASSERT_EQ(made.code, 0) << made.err;
    const std::string video = album + "/pictures/p1.mp4";
    const std::string bytes = testing::ReadFile(video);
    if (c.original) {
      EXPECT_EQ(bytes, testing::ReadFile(original));
      continue;
    }
    const std::string boxes = TopLevelBoxes(bytes);
    EXPECT_NE(boxes.find("moov"), std::string::npos) << boxes;
    EXPECT_LT(boxes.find("moov"), boxes.find("mdat")) << boxes;
    const auto [videoStart, videoSeconds] = StreamTime(video, "v");
    const double audioStart = StreamTime(video, "a").first;
    EXPECT_NEAR(std::min(videoStart, audioStart), 0, 1e-3);
    EXPECT_NEAR(videoStart, audioStart, 1 / c.rate);
    EXPECT_NEAR(videoSeconds, c.seconds, 1e-3);
  }
}

}  // namespace
}  // namespace quillmere
