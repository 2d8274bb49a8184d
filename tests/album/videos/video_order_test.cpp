// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Videos among the stills of a new album: placed by the time they were recorded, and told apart
// from one another by their content rather than by their posters.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

using testing::ReadFile;

// Runs the shell `command`, failing the test where it fails.
void Shell(const std::string& command) {
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// Writes an H.264 and AAC video of `seconds` with a tone of `hertz`, with `arguments` added.
std::function<void(const std::string&)> Clip(double seconds, int hertz, std::string arguments) {
  return [=](const std::string& path) {
    Shell("ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10 -f lavfi -i sine=f=" +
          std::to_string(hertz) + " -t " + std::to_string(seconds) +
          " -c:v libx264 -pix_fmt yuv420p -c:a aac " + arguments + " '" + path + "'");
  };
}

// Writes a copy of the file `from` made by ffmpeg with `arguments`, or byte for byte when none.
std::function<void(const std::string&)> MadeOf(std::string from, std::string arguments) {
  return [=](const std::string& path) {
    Shell(arguments.empty()
              ? "cp '" + from + "' '" + path + "'"
              : "ffmpeg -v error -y -i '" + from + "' " + arguments + " '" + path + "'");
  };
}

// Writes a still of `width` by 48 taken at `date` in `zone` (none when empty).
std::function<void(const std::string&)> Still(int width, std::string date, std::string zone) {
  return [=](const std::string& path) {
    testing::TestJpeg jpeg(width, 48, 1, date);
    jpeg.zoneTaken = zone;
    testing::WriteTestJpeg(path, jpeg);
  };
}

// The machine's zone, as POSIX's TZ names it, for as long as it exists.
class MachineZone {
 public:
  explicit MachineZone(const std::string& zone) {
    if (const char* old = ::getenv("TZ")) previous_ = old;
    ::setenv("TZ", zone.c_str(), 1);
    tzset();
  }
  MachineZone(const MachineZone&) = delete;
  MachineZone& operator=(const MachineZone&) = delete;
  ~MachineZone() {
    if (previous_) {
      ::setenv("TZ", previous_->c_str(), 1);
    } else {
      ::unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::optional<std::string> previous_;
};

// Expected: on a machine in a zone of UTC+10, stills and videos dated in their own zone or in the
// machine's come in the order they were taken, a minute apart, each described by its date; those
// without a date follow by name; of videos, only the same file twice is one entry, also when it
// is added again.
TEST(VideoOrder, VideosTakeTheirPlaceByDateAndAreOneOnlyWhenTheSame) {
  const MachineZone zone("<+10>-10");
  testing::TempFolder dir;
  const std::string photos = dir / "roll";
  const std::string apple =
      " -movflags use_metadata_tags -metadata "
      "com.apple.quicktime.creationdate=";
  struct Case {
    const char* name;
    std::function<void(const std::string&)> write;
    // Its pair in the album, caption and description; empty for a file left out as the same.
    std::string pair;
  };
  // In the order of the album, which names alone would not give.
  const std::vector<Case> cases = {
      {"t1.mov", Clip(1, 440, apple + "2024-06-01T09:59:00+1000"), "t1\n2024-06-01 09:59"},
      {"t4.jpg", Still(64, "2024:06:01 10:00:00", "+10:00"), "t4\n2024-06-01 10:00"},
      {"t3.jpg", Still(80, "2024:06:01 10:01:00", ""), "t3\n2024-06-01 10:01"},
      {"t2.mkv", Clip(1, 440, "-metadata creation_time=2024-06-01T00:02:00Z"),
       "t2\n2024-06-01 10:02"},
      {"clip.mp4", Clip(2, 440, ""), "clip\nclip"},
      {"clip copy.mp4", MadeOf(photos + "/clip.mp4", ""), ""},
      {"clip first.mp4", MadeOf(photos + "/clip.mp4", "-t 1 -c copy"), "clip first\nclip first"},
      {"clip sound.mp4",
       MadeOf(photos + "/clip.mp4",
              "-f lavfi -i sine=f=880 -map 0:v -map 1:a -c:v copy -c:a aac -shortest"),
       "clip sound\nclip sound"},
      {"undated.mp4", Clip(1, 550, ""), "undated\nundated"},
      // The streams of t1.mov with a title of their own make the same video.
      {"vid retitled.mov", Clip(1, 440, "-metadata title=Other"), ""},
  };
  std::filesystem::create_directories(photos);
  for (const Case& c : cases) c.write(photos + "/" + c.name);
  PosixFileSystem fs;
  const testing::CliResult result = testing::RunCli({"--new-album", photos, dir / "album"}, fs);
  EXPECT_EQ(result.code, 0) << result.err;
  std::string pairs;
  for (const Case& c : cases) {
    if (!c.pair.empty()) pairs += c.pair + "\n";
    if (c.pair.empty()) {
      EXPECT_NE(result.err.find(photos + "/" + c.name + " is the same video as that of"),
                std::string::npos)
          << result.err;
    }
  }
  EXPECT_EQ(ReadFile(dir / "album/index.txt"),
            "roll\nthumbs/t\npictures/p\nsupport\n; videos\n5\n" + pairs);
  // A video the album holds, added again, is known by its content.
  const testing::CliResult again =
      testing::RunCli({"--add-pictures", dir / "album/index.txt", photos + "/clip copy.mp4"}, fs);
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.err.find("1 picture is in the album already"), std::string::npos) << again.err;
}

}  // namespace
}  // namespace quillmere
