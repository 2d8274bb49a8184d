// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Videos that lie in their headers or hold more than they should, made with the ffmpeg command
// line and given to --new-album: each is made, or refused with its reason, within the limits.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::CliResult;
using testing::TempFolder;

// Runs the shell `command` with `path` (quoted) where it says {}; false when it fails.
bool Make(std::string command, const std::string& path) {
  for (std::size_t at = command.find("{}"); at != std::string::npos; at = command.find("{}", at)) {
    command.replace(at, 2, "'" + path + "'");
    at += path.size() + 2;
  }
  return std::system(command.c_str()) == 0;
}

// A test pattern of `size` and `seconds` as ffmpeg encodes it with `then` (output and all).
std::string Pattern(const std::string& size, const std::string& seconds, const std::string& then) {
  return "ffmpeg -v error -y -f lavfi -i testsrc=size=" + size + ":rate=10 -t " + seconds + " " +
         then;
}

// A video cut together from `firstSeconds` of `first` and `secondSeconds` of `second`, encoded
// with `codec` into `extension`, so that its frames change size midway while its header tells the
// first.
std::string TwoSizes(const std::string& first, const std::string& firstSeconds,
                     const std::string& second, const std::string& secondSeconds,
                     const std::string& codec, const std::string& extension) {
  const std::string a = "{}.a" + extension;
  const std::string b = "{}.b" + extension;
  return Pattern(first, firstSeconds, "-c:v " + codec + " " + a) + " && " +
         Pattern(second, secondSeconds, "-c:v " + codec + " " + b) +
         " && printf \"file '%s'\\nfile '%s'\\n\" " + a + " " + b + " > {}.parts" +
         " && ffmpeg -v error -y -f concat -safe 0 -i {}.parts -c copy {}" + " && rm " + a + " " +
         b + " {}.parts";
}

// A video of one second with `tracks` tiny sound tracks beside its picture.
std::string ManyTracks(int tracks) {
  std::string maps;
  for (int i = 0; i < tracks; ++i) maps += " -map 1:a";
  return "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10 -f lavfi -i "
         "anullsrc=r=8000:cl=mono -t 1 -map 0:v" +
         maps + " -c:v libx264 -c:a libopus {}";
}

// An MP4 with its index first, cut to `share` of its bytes where that is below 1.
std::string Mp4Cut(const std::string& share) {
  return Pattern("64x48", "2", "-c:v libx264 -movflags +faststart {}") +
         " && truncate -s $(( $(stat -c %s {}) * " + share + " / 100 )) {}";
}

// Expected: a video is made, or refused with the reason its limits or its damage give, whatever
// its header claims; none takes more than its limits allow on the way.
TEST(VideoLimitsTest, EachVideoIsMadeOrRefusedWithItsReason) {
  struct Case {
    const char* name;
    std::string make;
    std::vector<std::string> limits;
    // What the refusal says; empty where the video is made.
    const char* reason;
  };
  const std::string noDuration = "-c:v libx264 -live 1 -f matroska {}";
  const Case cases[] = {
      {"unknown_length.mkv",
       Pattern("64x48", "3", noDuration),
       {"--max-video-seconds", "2"},
       "(--max-video-seconds)"},
      {"short_unknown_length.mkv",
       Pattern("64x48", "1", noDuration),
       {"--max-video-seconds", "2"},
       ""},
      {"growing.ts",
       TwoSizes("64x48", "0.8", "160x120", "0.8", "libx264", ".ts"),
       {"--max-pixels", "5000"},
       "(--max-pixels)"},
      {"growing_within.ts",
       TwoSizes("64x48", "0.8", "160x120", "0.8", "libx264", ".ts"),
       {"--max-pixels", "20000"},
       ""},
      {"huge_frame.avi",
       TwoSizes("64x48", "0.3", "3000x3000", "0.1", "mjpeg", ".avi"),
       {"--max-memory", "50"},
       "(--max-memory)"},
      {"cut.mp4", Mp4Cut("50"), {}, "ends early"},
      {"whole.mp4", Mp4Cut("100"), {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempFolder dir;
    PosixFileSystem fs;
    const std::string videos = dir / "videos";
    stdfs::create_directories(videos);
    const std::string video = videos + "/" + c.name;
    ASSERT_TRUE(Make(c.make, video)) << c.make;
    std::vector<std::string> args = {"--new-album"};
    args.insert(args.end(), c.limits.begin(), c.limits.end());
    args.push_back(videos);
    args.push_back(dir / "album");
    const CliResult result = testing::RunCli(args, fs);
    const bool made = stdfs::exists(dir / "album/pictures/p1.mp4");
    if (*c.reason == '\0') {
      EXPECT_EQ(result.code, 0) << result.err;
      EXPECT_TRUE(made);
    } else {
      EXPECT_NE(result.code, 0);
      EXPECT_FALSE(made);
      EXPECT_NE(result.err.find(video + " "), std::string::npos) << result.err;
      EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
  }
}

// Expected: a file of hundreds of tracks is looked at in bounded time and memory: it is made or
// refused, and the run goes on to the other videos.
TEST(VideoLimitsTest, AFileOfManyTracksIsMadeOrRefusedAndTheRunGoesOn) {
  TempFolder dir;
  PosixFileSystem fs;
  const std::string videos = dir / "videos";
  stdfs::create_directories(videos);
  const std::string many = videos + "/many.mkv";
  ASSERT_TRUE(Make(ManyTracks(300), many));
  ASSERT_TRUE(Make(Pattern("64x48", "1", "-c:v libx264 {}"), videos + "/plain.mp4"));
  const CliResult result = testing::RunCli({"--new-album", videos, dir / "album"}, fs);
  const bool bothMade = stdfs::exists(dir / "album/pictures/p2.mp4");
  EXPECT_EQ(result.code, bothMade ? 0 : 1) << result.err;
  EXPECT_TRUE(bothMade || result.err.find(many + " ") != std::string::npos) << result.err;
  EXPECT_TRUE(stdfs::exists(dir / "album/pictures/p1.mp4"));
}

}  // namespace
}  // namespace quillmere
