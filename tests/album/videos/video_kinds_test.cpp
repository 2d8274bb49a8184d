// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Videos of the kinds cameras and phones make, made with ffmpeg's command line, against what an
// album makes of each: copied as browsers play it or encoded, its poster shown as a browser shows
// the video, or passed over as no video; and a site whose video names are no files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "run/generate.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// What ffmpeg's command `command` prints.
std::string Printed(const std::string& command) {
  std::string printed;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return printed;
  std::array<char, 256> buffer{};
  while (std::fgets(buffer.data(), buffer.size(), pipe) != nullptr) printed += buffer.data();
  pclose(pipe);
  return printed;
}

// A second of H.264 of 64x48 in `pixels`, made with ffmpeg's `extra` options too: blue, its top
// left quarter red.
std::function<void(const std::string&)> Quarters(std::string pixels, std::string extra = "") {
  return [pixels, extra](const std::string& path) {
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i "
        "'color=c=blue:s=64x48:r=10,drawbox=x=0:y=0:w=32:h=24:color=red:t=fill' -t 1 "
        "-c:v libx264 -pix_fmt " +
        pixels + " " + extra + " '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  };
}

// The video of Quarters in 4:2:0 whose track header's display matrix is `matrix` (a, b, u, c, d,
// v, x, y, w as MP4 stores them), written over the identity that ffmpeg writes.
std::function<void(const std::string&)> WithMatrix(std::array<std::int32_t, 9> matrix) {
  return [matrix](const std::string& path) {
    Quarters("yuv420p")(path);
    std::string bytes = ReadFile(path);
    const std::size_t tkhd = bytes.find("tkhd");
    ASSERT_NE(tkhd, std::string::npos);
    // Version 0: flags, two times, the track's number, a reserved word, the length, eight
    // reserved bytes, layer, group, volume and two reserved bytes precede the matrix.
    std::size_t at = tkhd + 44;
    for (std::int32_t entry : matrix) {
      for (int shift = 24; shift >= 0; shift -= 8) {
        bytes[at++] = static_cast<char>((static_cast<std::uint32_t>(entry) >> shift) & 0xFF);
      }
    }
    WriteFile(path, bytes);
  };
}

// The number of the entry of the album's index file `index` whose caption is `caption`; 0 when
// none is.
int EntryNumber(const std::string& index, const std::string& caption) {
  // The head ends with the count of entries, after the line that says the album has videos.
  const std::size_t head = index.find('\n', index.find("; videos\n") + 9);
  const std::size_t at = index.find("\n" + caption + "\n", head);
  if (head == std::string::npos || at == std::string::npos) return 0;
  int lines = 0;
  for (std::size_t i = head + 1; i <= at; ++i) lines += index[i] == '\n' ? 1 : 0;
  return lines / 2 + 1;
}

// 1 in a display matrix's turning entries, and in its last.
constexpr std::int32_t kOne = 1 << 16;
constexpr std::int32_t kW = 1 << 30;

// A second of sound in ffmpeg's output format `format` ("ipod" writes the brand of M4A), with a
// cover picture where `cover`.
std::function<void(const std::string&)> Sound(bool cover, std::string format) {
  return [cover, format](const std::string& path) {
    std::string command = "ffmpeg -v error -y -f lavfi -i sine=d=1 ";
    if (cover) {
      command +=
          "-f lavfi -i color=c=red:s=32x32:d=1 -map 0 -map 1 -frames:v 1 -c:v mjpeg "
          "-disposition:v attached_pic ";
    }
    command += "-c:a aac -f " + format + " '" + path + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  };
}

// Expected: H.264 that browsers play is copied without the text a camera wrote into its stream;
// one in 4:4:4 or 4:2:2 is encoded to 4:2:0; a mirrored matrix is kept and mirrors the poster; a
// matrix that is no quarter turn, or all zero, is dropped and the video encoded as it is stored;
// sound alone, with a cover or not, is another file.
TEST(VideoKindsTest, EachKindOfVideoBecomesWhatABrowserPlays) {
  enum class Fate { kCopied, kEncoded, kOther };
  struct Case {
    const char* name;
    std::function<void(const std::string&)> write;
    Fate fate;
    // Whether the red quarter shows at the poster's top right rather than its top left.
    bool mirrored = false;
    // Whether the album's video keeps a display matrix.
    bool matrix = false;
  };
  const std::string gps =
      "-bsf:v h264_metadata=sei_user_data=086f3693-b7b3-4f2c-9653-21492feee5b8+GPS52.1N";
  const std::vector<Case> cases = {
      {"a plain.mp4", Quarters("yuv420p", gps), Fate::kCopied},
      {"b full chroma.mp4", Quarters("yuv444p"), Fate::kEncoded},
      {"c half chroma.mp4", Quarters("yuv422p"), Fate::kEncoded},
      {"d mirrored.mp4", WithMatrix({-kOne, 0, 0, 0, kOne, 0, 64 * kOne, 0, kW}), Fate::kCopied,
       true, true},
      {"e slanted.mp4", WithMatrix({46341, 46341, 0, -46341, 46341, 0, 0, 0, kW}), Fate::kEncoded},
      {"f all zero.mp4", WithMatrix({0, 0, 0, 0, 0, 0, 0, 0, kW}), Fate::kEncoded},
      {"g song.m4a", Sound(true, "mp4"), Fate::kOther},
      {"h voice memo.m4a", Sound(false, "ipod"), Fate::kOther},
  };
  TempFolder dir;
  PosixFileSystem fs;
  const std::string photos = dir / "clips";
  const std::string album = dir / "album";
  stdfs::create_directories(photos);
  for (const Case& c : cases) c.write(photos + "/" + c.name);
  const testing::CliResult result =
      testing::RunCli({"--new-album", "--verbose", "--allow-duplicates", photos, album}, fs);
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.err.find("2 other files left out"), std::string::npos) << result.err;
  const std::string index = ReadFile(album + "/index.txt");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name(c.name);
    if (c.fate == Fate::kOther) {
      EXPECT_NE(result.err.find(photos + "/" + name + " is neither a picture nor a video"),
                std::string::npos)
          << result.err;
      continue;
    }
    const int number = EntryNumber(index, name.substr(0, name.rfind('.')));
    ASSERT_GT(number, 0) << index;
    const std::string p = album + "/pictures/p" + std::to_string(number);
    const std::string video = ReadFile(p + ".mp4");
    // A copy holds neither the camera's text nor the encoder's line that an encoding writes.
    EXPECT_EQ(video.find("GPS52.1N"), std::string::npos);
    EXPECT_EQ(video.find("x264 - core") == std::string::npos, c.fate == Fate::kCopied);
    // Whatever came in, browsers get 8-bit 4:2:0.
    EXPECT_EQ(Printed("ffprobe -v error -select_streams v -show_entries stream=pix_fmt -of "
                      "csv=p=0 '" +
                      p + ".mp4'")
                  .rfind("yuv420p", 0),
              0u);
    EXPECT_EQ(Printed("ffprobe -v error -select_streams v -show_entries "
                      "stream_side_data=side_data_type -of csv=p=0 '" +
                      p + ".mp4'")
                      .find("Display Matrix") != std::string::npos,
              c.matrix);
    const bool leftRed = testing::PixelOf(p + ".jpg", 8, 6)[0] > 200;
    const bool rightRed = testing::PixelOf(p + ".jpg", 56, 6)[0] > 200;
    EXPECT_EQ(leftRed, !c.mirrored);
    EXPECT_EQ(rightRed, c.mirrored);
    EXPECT_LT(testing::PixelOf(p + ".jpg", 56, 40)[0], 60) << "the bottom right stays blue";
  }
}

// Expected: in a site with videos, only a regular file beside a poster makes a video page; a
// folder or a pipe of a video's name leaves the entry an ordinary picture page.
TEST(VideoKindsTest, OnlyARegularFileMakesAVideoPage) {
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    bool videoPage;
  };
  const std::vector<Case> cases = {
      {"p1.webm", [](const std::string& path) { stdfs::create_directories(path); }, false},
      {"p2.mp4", [](const std::string& path) { ASSERT_EQ(mkfifo(path.c_str(), 0600), 0); }, false},
      {"p3.mp4", [](const std::string& path) { WriteFile(path, "video"); }, true},
  };
  TempFolder dir;
  PosixFileSystem fs;
  stdfs::create_directories(dir / "big");
  std::string text = "Summer\n; videos\nthumbs/t\nbig/p\ngfx\n3\n";
  for (std::size_t n = 1; n <= cases.size(); ++n) {
    testing::WriteTestJpeg(dir / ("big/p" + std::to_string(n) + ".jpg"), {64, 48});
    text += "Caption\nLong\n";
  }
  for (const Case& c : cases) c.make(dir / ("big/" + std::string(c.name)));
  WriteFile(dir / "index.txt", text);
  ASSERT_TRUE(GenerateSite(dir / "index.txt", fs).ok());
  for (std::size_t n = 1; n <= cases.size(); ++n) {
    SCOPED_TRACE(cases[n - 1].name);
    const std::string page = ReadFile(dir / ("Image" + std::to_string(n) + ".html"));
    EXPECT_EQ(page.find("<VIDEO") != std::string::npos, cases[n - 1].videoPage);
  }
}

}  // namespace
}  // namespace quillmere
