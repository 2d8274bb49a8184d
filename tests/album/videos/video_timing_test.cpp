// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album's videos as a browser plays them: sound and picture starting together at 0 whatever
// the clock of the original, the last frame as long as the others, and the header of an MP4
// before its data so that it plays before it has all come.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;

// What a shell `command` prints.
std::string OutputOf(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
      out.append(buffer, got);
    }
    ::pclose(pipe);
  }
  return out;
}

// The types of the boxes at the top of the MP4 `bytes`, in order.
std::vector<std::string> TopLevelBoxes(const std::string& bytes) {
  std::vector<std::string> types;
  const auto byteAt = [&](std::uint64_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (std::uint64_t at = 0; at + 8 <= bytes.size();) {
    std::uint64_t size = 0;
    for (int i = 0; i < 4; ++i) size = size << 8 | byteAt(at + static_cast<unsigned>(i));
    std::uint64_t header = 8;
    if (size == 1 && at + 16 <= bytes.size()) {
      size = 0;
      for (int i = 8; i < 16; ++i) size = size << 8 | byteAt(at + static_cast<unsigned>(i));
      header = 16;
    } else if (size == 0) {
      size = bytes.size() - at;
    }
    types.push_back(bytes.substr(at + 4, 4));
    if (size < header) break;
    at += size;
  }
  return types;
}

// Where `type` is among `boxes`; their count where it is not.
std::size_t PlaceOf(const std::vector<std::string>& boxes, const std::string& type) {
  std::size_t i = 0;
  while (i < boxes.size() && boxes[i] != type) ++i;
  return i;
}

// When each stream of the video `path` starts and how long it lasts, by its kind.
struct StreamTime {
  double start = NAN;
  double duration = NAN;
};
std::map<std::string, StreamTime> StreamTimesOf(const std::string& path) {
  std::istringstream lines(OutputOf(
      "ffprobe -v error -show_entries stream=codec_type,start_time,duration -of csv=p=0 '" + path +
      "'"));
  std::map<std::string, StreamTime> times;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string kind, start, duration;
    std::getline(fields, kind, ',');
    std::getline(fields, start, ',');
    std::getline(fields, duration, ',');
    times[kind] = {std::strtod(start.c_str(), nullptr), std::strtod(duration.c_str(), nullptr)};
  }
  return times;
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
    const std::vector<std::string> boxes = TopLevelBoxes(bytes);
    EXPECT_LT(PlaceOf(boxes, "moov"), PlaceOf(boxes, "mdat"));
    EXPECT_LT(PlaceOf(boxes, "mdat"), boxes.size());
    std::map<std::string, StreamTime> times = StreamTimesOf(video);
    ASSERT_EQ(times.count("video"), 1u);
    ASSERT_EQ(times.count("audio"), 1u);
    const double frame = 1 / c.rate;
    EXPECT_NEAR(std::min(times["video"].start, times["audio"].start), 0, 1e-3);
    EXPECT_NEAR(times["video"].start, times["audio"].start, frame);
    EXPECT_NEAR(times["video"].duration, c.seconds, 1e-3);
  }
}

}  // namespace
}  // namespace quillmere
