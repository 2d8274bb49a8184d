// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Videos of the kinds cameras and phones make, made with ffmpeg's command line, against what an
// album makes of each; and a site whose video names are no files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "run/generate.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

using testing::ReadFile;
using testing::WriteFile;

// Writes `matrix` over the display matrix of the first track header of the MP4 file `path`.
void WriteMatrix(const std::string& path, const std::array<std::int32_t, 9>& matrix) {
  std::string bytes = ReadFile(path);
  // Version 0: 40 bytes of flags, times, numbers, layer and volume lie between type and matrix.
  std::size_t at = bytes.find("tkhd") + 44;
  for (std::int32_t entry : matrix) {
    for (int shift = 24; shift >= 0; shift -= 8) {
      bytes[at++] = static_cast<char>((static_cast<std::uint32_t>(entry) >> shift) & 0xFF);
    }
  }
  WriteFile(path, bytes);
}

// Expected: H.264 that browsers play is copied without the text a camera wrote into its stream;
// 4:4:4 or 4:2:2 is encoded to 4:2:0; a mirrored matrix is kept and mirrors the poster; a matrix
// that is no quarter turn, or all zero, is dropped, the video encoded as stored; sound alone, with
// a cover or not, is another file.
TEST(VideoKindsTest, EachKindOfVideoBecomesWhatABrowserPlays) {
  enum class Fate { kCopied, kEncoded, kOther };
  constexpr std::int32_t kOne = 1 << 16;  // 1 in a matrix's turning entries; its last is 1 << 30
  struct Case {
    const char* name;
    // ffmpeg's pixel format and options for a picture blue with its top left quarter red; its
    // output options for sound.
    std::string options;
    Fate fate;
    std::optional<std::array<std::int32_t, 9>> matrix;
    bool mirrored = false;  // the red quarter at the top right, and the matrix kept
  };
  const std::vector<Case> cases = {
      {"a plain.mp4",
       "yuv420p -bsf:v h264_metadata=sei_user_data=086f3693-b7b3-4f2c-9653-"
       "21492feee5b8+GPS52.1N",
       Fate::kCopied,
       {}},
      {"b full chroma.mp4", "yuv444p", Fate::kEncoded, {}},
      {"c half chroma.mp4", "yuv422p", Fate::kEncoded, {}},
      {"d mirrored.mp4",
       "yuv420p",
       Fate::kCopied,
       {{-kOne, 0, 0, 0, kOne, 0, 64 * kOne, 0, 1 << 30}},
       true},
      {"e slanted.mp4",
       "yuv420p",
       Fate::kEncoded,
       {{46341, 46341, 0, -46341, 46341, 0, 0, 0, 1 << 30}}},
      {"f all zero.mp4", "yuv420p", Fate::kEncoded, {{0, 0, 0, 0, 0, 0, 0, 0, 1 << 30}}},
      {"g song.m4a",
       "-f lavfi -i color=c=red:s=32x32:d=1 -map 0 -map 1 -frames:v 1 -c:v mjpeg "
       "-disposition:v attached_pic -f mp4",
       Fate::kOther,
       {}},
      {"h voice memo.m4a", "-f ipod", Fate::kOther, {}},
  };
  testing::TempFolder dir;
  PosixFileSystem fs;
  const std::string photos = dir / "clips";
  const std::string album = dir / "album";
  std::filesystem::create_directories(photos);
  for (const Case& c : cases) {
    const std::string path = photos + "/" + c.name;
    const std::string make =
        "ffmpeg -nostdin -v error -f lavfi -i " +
        (c.fate == Fate::kOther ? "sine=d=1 " + c.options + " -c:a aac"
                                : "'color=c=blue:s=64x48:r=10,drawbox=w=32:h=24:color=red:t=fill'"
                                  " -t 1 -c:v libx264 -pix_fmt " +
                                      c.options) +
        " '" + path + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
    if (c.matrix) WriteMatrix(path, *c.matrix);
  }
  const testing::CliResult result =
      testing::RunCli({"--new-album", "--verbose", "--allow-duplicates", photos, album}, fs);
  ASSERT_EQ(result.code, 0) << result.err;
  EXPECT_NE(result.err.find("2 other files left out"), std::string::npos) << result.err;
  int number = 0;  // undated, the videos come in the order of their names
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.fate == Fate::kOther) {
      EXPECT_NE(result.err.find(photos + "/" + c.name + " is neither a picture nor a video"),
                std::string::npos);
      continue;
    }
    const std::string p = album + "/pictures/p" + std::to_string(++number);
    const std::string video = ReadFile(p + ".mp4");
    // A copy holds neither the camera's text nor the line that an encoding writes.
    EXPECT_EQ(video.find("GPS52.1N"), std::string::npos);
    EXPECT_EQ(video.find("x264 - core") == std::string::npos, c.fate == Fate::kCopied);
    const std::string probe =
        "ffprobe -v error -select_streams v -show_entries stream=pix_fmt:"
        "stream_side_data=side_data_type -of csv=p=0 '" +
        p + ".mp4' > '" + p + ".txt'";
    ASSERT_EQ(std::system(probe.c_str()), 0);
    const std::string probed = ReadFile(p + ".txt");
    EXPECT_EQ(probed.rfind("yuv420p", 0), 0u) << probed;
    EXPECT_EQ(probed.find("Display Matrix") != std::string::npos, c.mirrored) << probed;
    EXPECT_EQ(testing::PixelOf(p + ".jpg", 8, 6)[0] > 200, !c.mirrored);
    EXPECT_EQ(testing::PixelOf(p + ".jpg", 56, 6)[0] > 200, c.mirrored);
    EXPECT_LT(testing::PixelOf(p + ".jpg", 56, 40)[0], 60) << "the bottom right stays blue";
  }
}

// Expected: in a site with videos, only a regular file beside a poster makes a video page; a
// folder or a pipe of a video's name leaves the entry an ordinary picture page.
TEST(VideoKindsTest, OnlyARegularFileMakesAVideoPage) {
  enum class Kind { kFolder, kPipe, kFile };
  struct Case {
    const char* name;
    Kind kind;
    bool videoPage;
  };
  const std::vector<Case> cases = {{"p1.webm", Kind::kFolder, false},
                                   {"p2.mp4", Kind::kPipe, false},
                                   {"p3.mp4", Kind::kFile, true}};
  testing::TempFolder dir;
  PosixFileSystem fs;
  std::filesystem::create_directories(dir / "big");
  WriteFile(dir / "index.txt", "S\n; videos\nt\nbig/p\ngfx\n3\nA\na\nB\nb\nC\nc\n");
  for (std::size_t n = 1; n <= cases.size(); ++n) {
    testing::WriteTestJpeg(dir / ("big/p" + std::to_string(n) + ".jpg"), {64, 48});
    const std::string video = dir / ("big/" + std::string(cases[n - 1].name));
    if (cases[n - 1].kind == Kind::kFile) WriteFile(video, "video");
    ASSERT_EQ(cases[n - 1].kind == Kind::kFolder ? mkdir(video.c_str(), 0700)
              : cases[n - 1].kind == Kind::kPipe ? mkfifo(video.c_str(), 0600)
                                                 : 0,
              0);
  }
  ASSERT_TRUE(GenerateSite(dir / "index.txt", fs).ok());
  for (std::size_t n = 1; n <= cases.size(); ++n) {
    SCOPED_TRACE(cases[n - 1].name);
    const std::string page = ReadFile(dir / ("Image" + std::to_string(n) + ".html"));
    EXPECT_EQ(page.find("<VIDEO") != std::string::npos, cases[n - 1].videoPage);
  }
}

}  // namespace
}  // namespace quillmere
