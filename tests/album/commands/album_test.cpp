// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Albums made from folders of pictures that the tests make with libvips: --new-album,
// --add-pictures and --make-thumbnails through the command line, on the real file system, with
// injected faults and as a real process that a signal stops.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/make_thumbnails.h"
#include "album/commands/new_album.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/faulty_file_system.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::CliResult;
using testing::ListNames;
using testing::ReadFile;
using testing::ReadPicture;
using testing::TempFolder;
using testing::TestJpeg;
using testing::WriteFile;

std::string Path(const stdfs::path& path) {
  return path.string();
}

// The hidden files of `folder`, which a write that was cut short would leave.
std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> hidden;
  for (const auto& entry : stdfs::directory_iterator(folder)) {
    const std::string name = entry.path().filename();
    if (name.front() == '.') hidden.push_back(name);
  }
  return hidden;
}

// Every file under `folder` with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadFile(entry.path().string());
  }
  return files;
}

::testing::AssertionResult FitsWithin(const std::string& path, int width, int height) {
  std::optional<testing::PictureInfo> info = ReadPicture(path);
  if (!info) return ::testing::AssertionFailure() << path << " is no whole picture";
  if (info->loader.rfind("jpegload", 0) != 0) {
    return ::testing::AssertionFailure() << path << " is read by " << info->loader;
  }
  if (info->width > width || info->height > height) {
    return ::testing::AssertionFailure() << path << " is " << info->width << "x" << info->height
                                         << ", not within " << width << "x" << height;
  }
  return ::testing::AssertionSuccess();
}

class AlbumTest : public ::testing::Test {
 protected:
  CliResult Run(const std::vector<std::string>& args) { return testing::RunCli(args, fs); }

  // A folder of pictures of every kind: dated JPEGs, one of them turned by its EXIF orientation,
  // a PNG with transparency, names with spaces, "&" and "<", a truncated JPEG and a text file.
  void MakePictures() {
    stdfs::create_directories(photos);
    testing::WriteTestJpeg(photos + "/beach_day-one.jpg",
                           {480, 360, 1, "2021:06:01 10:00:00", "", true});
    testing::WriteTestJpeg(photos + "/rotated.jpg",
                           {240, 160, 6, "2020:01:02 03:04:05", "Rock & <roll>", false});
    testing::WriteTestPngWithTransparency(photos + "/glass & <cup>.png", 80, 40);
    testing::WriteTestJpeg(photos + "/name with spaces.jpg", {120, 90});
    testing::WriteTestJpeg(dir / "whole.jpg", {400, 300});
    const std::string whole = ReadFile(dir / "whole.jpg");
    WriteFile(photos + "/truncated.jpg", whole.substr(0, whole.size() / 2));
    WriteFile(photos + "/notes.txt", "not a picture\n");
  }

  TempFolder dir;
  PosixFileSystem fs;
  const std::string photos = dir / "Summer 2021";
  const std::string album = dir / "album";
};

TEST_F(AlbumTest, ANewAlbumTakesEveryPictureInDateOrderAndListsTheRest) {
  MakePictures();
  const auto originals = Snapshot(photos);
  CliResult result = Run({"--new-album", photos, album});
  EXPECT_EQ(result.code, 1);
  // The pictures left out do not keep the album from being made, and said so.
  EXPECT_EQ(result.out, "Summer 2021: 4 pictures made, site in " + album + "/index.html\n");
  EXPECT_EQ(result.err, "quillmere-cli: " + photos +
                            "/truncated.jpg cannot be read as a picture: the file ends early "
                            "(truncated JPEG)\n"
                            "quillmere-cli: 1 other file left out (--verbose names them)\n");
  // Dated first, in the order they were taken, then by name; the text is escaped markup.
  EXPECT_EQ(ReadFile(album + "/index.txt"),
            "Summer 2021\nthumbs/t\npictures/p\nsupport\n5\n"
            "rotated\nRock &amp; &lt;roll&gt;\n"
            "beach day one\n2021-06-01 10:00\n"
            "glass &amp; &lt;cup&gt;\nglass &amp; &lt;cup&gt;\n"
            "name with spaces\nname with spaces\n");
  EXPECT_EQ(ListNames(album + "/pictures"), "p1.jpg p2.jpg p3.jpg p4.jpg");
  EXPECT_EQ(ListNames(album + "/thumbs"), "t1.jpg t2.jpg t3.jpg t4.jpg");
  for (int n = 1; n <= 4; ++n) {
    const std::string number = std::to_string(n);
    EXPECT_TRUE(FitsWithin(album + "/pictures/p" + number + ".jpg", 780, 560));
    EXPECT_TRUE(FitsWithin(album + "/thumbs/t" + number + ".jpg", 100, 100));
    // Nothing of what the pictures recorded, the place they were taken least of all.
    EXPECT_EQ(ReadPicture(album + "/pictures/p" + number + ".jpg")->metadata,
              std::vector<std::string>{});
  }
  // The picture taken sideways stands upright: taller than wide.
  EXPECT_EQ(ReadPicture(album + "/thumbs/t1.jpg")->width, 67);
  EXPECT_EQ(ReadPicture(album + "/thumbs/t1.jpg")->height, 100);
  EXPECT_EQ(ReadPicture(album + "/pictures/p1.jpg")->width, 160);
  EXPECT_EQ(ReadPicture(album + "/pictures/p2.jpg")->width, 480);
  // The transparent half of the PNG lies on white, its opaque half stays red.
  EXPECT_GT(testing::PixelOf(album + "/pictures/p3.jpg", 5, 20)[1], 240);
  EXPECT_LT(testing::PixelOf(album + "/pictures/p3.jpg", 75, 20)[1], 30);
  EXPECT_EQ(ListNames(album),
            "Image1.html Image2.html Image3.html Image4.html index.html index.txt pictures "
            "support thumbs");
  EXPECT_EQ(Snapshot(photos), originals);

  // Every name the pages use is there.
  CliResult check = Run({"--check", album + "/index.txt"});
  EXPECT_EQ(check.code, 0) << check.out;
  EXPECT_NE(check.out.find("4 pictures, 20 files checked, no problems"), std::string::npos)
      << check.out;
}

// Writes the video `path` that ffmpeg makes with `arguments` from a test pattern of 64x48, its
// stream then marked as turned a quarter where `turned` says so.
std::function<void(const std::string&)> Video(std::string arguments, bool turned = false) {
  return [arguments, turned](const std::string& path) {
    const std::string made = turned ? path + ".straight.mov" : path;
    std::string command = "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10 " + arguments +
                          " '" + made + "'";
    if (turned) {
      command += " && ffmpeg -v error -y -i '" + made + "' -c copy -metadata:s:v rotate=90 '" +
                 path + "' && rm '" + made + "'";
    }
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  };
}

// Writes the MPEG-TS video `path` whose frames shrink midway from 160x120 to 64x48, as a stream
// cut together from two can.
void ShrinkingVideo(const std::string& path) {
  const std::string first = path + ".a.ts";
  const std::string second = path + ".b.ts";
  const std::string parts = path + ".parts";
  Video("-t 0.8 -c:v libx264")(second);
  const std::string command =
      "ffmpeg -v error -f lavfi -i testsrc=size=160x120:rate=10 -t 0.8 -c:v libx264 '" + first +
      "' && ffmpeg -v error -f concat -safe 0 -i '" + parts + "' -c copy '" + path + "'";
  WriteFile(parts, "file '" + first + "'\nfile '" + second + "'\n");
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const std::string& part : {first, second, parts}) stdfs::remove(part);
}

// --make-thumbnails of a tree's top makes what is missing in every album below it, each album
// under its own lock and with its own summary line.
TEST_F(AlbumTest, MakesTheThumbnailsOfEveryAlbumOfATree) {
  stdfs::create_directories(dir / "Photos/Lisbon");
  testing::WriteTestJpeg(dir / "Photos/top.jpg", {64, 48});
  testing::WriteTestJpeg(dir / "Photos/Lisbon/tram.jpg", {64, 48});
  ASSERT_EQ(Run({"--new-album", "-q", dir / "Photos", dir / "album"}).code, 0);
  stdfs::remove(dir / "album/Lisbon/thumbs/t1.jpg");
  const CliResult result = Run({"--make-thumbnails", dir / "album/index.txt"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_TRUE(stdfs::exists(dir / "album/Lisbon/thumbs/t1.jpg"));
  EXPECT_EQ(result.out,
            "Photos: 0 thumbnails made, 2 up to date, site in " +
                dir / "album/index.html\nLisbon: 1 thumbnail made, 0 up to date, site in " +
                dir / "album/Lisbon/index.html\n");
}

// Expected: of a phone's folder, the pictures and videos are taken (with their sidecars' texts
// and without the camera's boilerplate), one of two files that make the same picture is left out,
// a Live Photo's video is named and left out, other files are counted, and only a picture or a
// video that could not be made fails the run.
TEST_F(AlbumTest, APhoneFolderTakesItsPicturesAndPassesOverTheRest) {
  enum class Fate { kPicture, kFailed, kVideo, kOther, kDuplicate };
  struct Case {
    const char* name;
    std::function<void(const std::string& path)> write;
    Fate fate;
    // The pair a picture gets, caption and description; what is said of another file.
    std::string said;
  };
  const std::string sidecar =
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
      "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:title><rdf:Alt><rdf:li "
      "xml:lang=\"x-default\">The pier</rdf:li></rdf:Alt></dc:title><dc:description><rdf:Alt>"
      "<rdf:li xml:lang=\"x-default\">Sunset &amp; gulls</rdf:li></rdf:Alt></dc:description>"
      "</rdf:Description></rdf:RDF></x:xmpmeta>";
  const auto bytes = [](std::string text) {
    return [text](const std::string& path) { WriteFile(path, text); };
  };
  const auto flat = [](std::vector<double> rgb) {
    return [rgb](const std::string& path) { testing::WriteFlatJpeg(path, rgb); };
  };
  // A QuickTime movie `tenths` tenths of a second long, as its movie header says.
  const auto movie = [](char tenths) {
    const std::string mvhd = std::string("\0\0\0\x1Cmvhd", 8) + std::string(15, '\0') + '\x0A' +
                             std::string(3, '\0') + tenths;
    return std::string(
               "\0\0\0\x0C"
               "ftypqt  \0\0\0\x24moov",
               20) +
           mvhd;
  };
  const std::vector<Case> cases = {
      {"IMG_0001 copy.JPG", flat({250, 150, 0}), Fate::kDuplicate, ""},
      {"IMG_0002.MOV", bytes(movie(25)), Fate::kVideo,
       " is the video of the Live Photo " + photos +
           "/IMG_0002.HEIC: its still was taken, left out"},
      {"IMG_0001.JPG", flat({250, 150, 0}), Fate::kPicture, "The pier\nSunset &amp; gulls"},
      {"IMG_0001.XMP", bytes(sidecar), Fate::kPicture, ""},
      {"IMG_0002.HEIC",
       [](const std::string& p) {
         testing::WriteFlatHeic(p, {0, 120, 0});
       },
       Fate::kPicture, "IMG 0002\nIMG 0002"},
      {"IMG_0003.gif", [](const std::string& p) { testing::WriteAnimatedGif(p); }, Fate::kPicture,
       "IMG 0003\nIMG 0003"},
      // HEVC turned a quarter, as phones record it: encoded, its poster upright.
      {"IMG_0004.MOV", Video("-t 1.5 -c:v libx265 -x265-params log-level=none -tag:v hvc1", true),
       Fate::kPicture, "IMG 0004\nIMG 0004"},
      {"P5010001.JPG",
       [](const std::string& p) {
         testing::WriteJpegWithTexts(p, {"OLYMPUS DIGITAL CAMERA         ", "", "", ""});
       },
       Fate::kPicture, "P5010001\nP5010001"},
      {"IMG_0001.AAE", bytes("<?xml version=\"1.0\"?><plist/>\n"), Fate::kOther, ""},
      {"notes.txt", bytes("to do\n"), Fate::kOther, ""},
      // H.264 that browsers play: copied without the place it was taken.
      {"VID_0001.mp4", Video("-t 1 -c:v libx264 -pix_fmt yuv420p -metadata location=+52.1+004.3/"),
       Fate::kPicture, "VID 0001\nVID 0001"},
      // Its frames shrink midway, as a stream cut together from two can: all are encoded.
      {"VID_0001b.ts", ShrinkingVideo, Fate::kPicture, "VID 0001b\nVID 0001b"},
      {"VID_0002.mp4", Video("-t 3 -c:v libx264 -pix_fmt yuv420p"), Fate::kFailed,
       " is refused: the video lasts 3 s, longer than the limit of 2 s (--max-video-seconds)"},
      {"VID_0003.mp4",
       bytes(std::string("\0\0\0\x18"
                         "ftypmp42\0\0\0\0mp42isom",
                         24)),
       Fate::kFailed, " cannot be made into a video: its MP4 header is damaged"},
      {"IMG_0098.JPG", bytes(""), Fate::kFailed, " cannot be read as a picture: the file is empty"},
  };
  stdfs::create_directories(photos);
  for (const Case& c : cases) c.write(photos + "/" + c.name);
  const CliResult result = Run({"--new-album", "--max-video-seconds", "2", photos, album});
  EXPECT_EQ(result.code, 1) << result.err;
  std::string pairs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = photos + "/" + c.name;
    if (c.fate == Fate::kPicture && !c.said.empty()) pairs += c.said + "\n";
    if (c.fate == Fate::kVideo || c.fate == Fate::kFailed) {
      EXPECT_NE(result.err.find(file + c.said + "\n"), std::string::npos) << result.err;
    }
    if (c.fate == Fate::kDuplicate) {
      EXPECT_NE(result.err.find(file + " makes the same picture as " + album + "/pictures/p1.jpg"),
                std::string::npos)
          << result.err;
    }
  }
  EXPECT_EQ(ReadFile(album + "/index.txt"),
            "Summer 2021\nthumbs/t\npictures/p\nsupport\n; videos\n5\n" + pairs);
  EXPECT_EQ(ListNames(album + "/pictures"),
            "p1.jpg p2.jpg p3.jpg p4.jpg p4.mp4 p5.jpg p6.jpg p6.mp4 p7.jpg p7.mp4");
  EXPECT_GT(ReadPicture(album + "/pictures/p4.jpg")->height,
            ReadPicture(album + "/pictures/p4.jpg")->width);
  EXPECT_NE(ReadFile(album + "/pictures/p4.mp4").find("avc1"), std::string::npos);
  // MP4 keeps the place in a box of its own.
  ASSERT_NE(ReadFile(photos + "/VID_0001.mp4").find("loci"), std::string::npos);
  EXPECT_EQ(ReadFile(album + "/pictures/p6.mp4").find("loci"), std::string::npos);
  EXPECT_NE(ReadFile(album + "/Image4.html").find("<VIDEO src=\"pictures/p4.mp4\""),
            std::string::npos);
  EXPECT_NE(result.err.find("2 other files left out (--verbose names them)"), std::string::npos);
  EXPECT_NE(result.err.find("IMG_0003.gif is animated: its first frame was taken"),
            std::string::npos);
  // Every picture made, the run succeeds; --verbose names the other files.
  for (const char* failed : {"IMG_0098.JPG", "VID_0002.mp4", "VID_0003.mp4"}) {
    stdfs::remove(photos + "/" + failed);
  }
  stdfs::remove_all(album);
  const CliResult again = Run({"--new-album", "--verbose", "--keep-metadata", photos, album});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.err.find(photos + "/notes.txt is neither a picture nor a video"),
            std::string::npos);
  // Asked to, a copied video keeps the place it was taken, and the HEIF still its EXIF, which its
  // loader lends only while it is open.
  EXPECT_NE(ReadFile(album + "/pictures/p6.mp4").find("loci"), std::string::npos);
  const std::vector<std::string> kept = ReadPicture(album + "/pictures/p2.jpg")->metadata;
  EXPECT_NE(std::find(kept.begin(), kept.end(), "exif-data"), kept.end());
}

// Expected: a video weighs in the progress by its length, and its share counts while it is made,
// so that the time left is not reckoned as if it were one more picture.
TEST_F(AlbumTest, TheProgressCountsAVideoByItsLength) {
  struct Recorded final : PictureProgress {
    void PicturesDone(const WorkProgress& progress) override { told.push_back(progress); }
    std::vector<WorkProgress> told;
  };
  stdfs::create_directories(photos);
  testing::WriteTestJpeg(photos + "/a.jpg", {});
  const std::string make =
      "ffmpeg -v error -f lavfi -i testsrc=size=640x480:rate=10 -t 4 -c:v mpeg4 '" + photos +
      "/b.avi'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  Recorded recorded;
  AlbumOptions options;
  options.threads = 1;
  options.progress = &recorded;
  ASSERT_TRUE(MakeNewAlbum(photos, album, fs, options).ok());
  ASSERT_FALSE(recorded.told.empty());
  const WorkProgress& last = recorded.told.back();
  EXPECT_EQ(last.done, 2u);
  EXPECT_GT(last.weightTotal, 4.0) << "four seconds encoded weigh more than two pictures";
  EXPECT_DOUBLE_EQ(last.weightDone, last.weightTotal);
  bool within = false;
  for (std::size_t k = 1; k < recorded.told.size(); ++k) {
    EXPECT_GE(recorded.told[k].weightDone, recorded.told[k - 1].weightDone);
    within = within || (recorded.told[k].done < 2 && recorded.told[k].weightDone > 1.5);
  }
  EXPECT_TRUE(within) << "the video's share is told before it is done";
}

// Expected: an HDR video, PQ or HLG, is tone-mapped in its poster and its video alike, so that
// the HDR reference white comes out near white rather than grey; an SDR grey stays as it is.
TEST_F(AlbumTest, AnHdrVideoIsToneMappedForAnOrdinaryScreen) {
  struct Case {
    const char* name;
    const char* grey;
    const char* curve;  // as x265 and ffmpeg name it; none for SDR
    int low;
    int high;
  };
  // The reference white of 203 nits: PQ's value 0.58, HLG's 0.75.
  const Case cases[] = {
      {"pq.mp4", "949494", "smpte2084", 225, 250},
      {"hlg.mp4", "BFBFBF", "arib-std-b67", 225, 250},
      {"sdr.mp4", "BFBFBF", nullptr, 185, 195},
  };
  stdfs::create_directories(photos);
  for (const Case& c : cases) {
    std::string make = std::string("ffmpeg -v error -f lavfi -i color=c=0x") + c.grey +
                       ":size=64x48:rate=10 -t 1 -c:v libx265 -x265-params log-level=none";
    if (c.curve != nullptr) {
      make += std::string(":colorprim=bt2020:colormatrix=bt2020nc:transfer=") + c.curve +
              " -pix_fmt yuv420p10le -color_primaries bt2020 -colorspace bt2020nc -color_trc " +
              c.curve;
    }
    make += " '" + photos + "/" + c.name + "'";
    ASSERT_EQ(std::system(make.c_str()), 0) << make;
  }
  ASSERT_EQ(Run({"--new-album", "--allow-duplicates", photos, album}).code, 0);
  // Named in order: hlg, pq, sdr.
  for (const auto& [n, c] : {std::pair{1, cases[1]}, {2, cases[0]}, {3, cases[2]}}) {
    SCOPED_TRACE(c.name);
    const std::string number = std::to_string(n);
    const double poster = testing::PixelOf(album + "/pictures/p" + number + ".jpg", 32, 24)[1];
    EXPECT_GE(poster, c.low);
    EXPECT_LE(poster, c.high);
    const std::string frame = dir / ("frame" + number);
    const std::string read = "ffmpeg -v error -i '" + album + "/pictures/p" + number +
                             ".mp4' -frames:v 1 -f rawvideo -pix_fmt rgb24 '" + frame + "'";
    ASSERT_EQ(std::system(read.c_str()), 0);
    const auto green = static_cast<unsigned char>(ReadFile(frame).at((24 * 64 + 32) * 3 + 1));
    EXPECT_GE(green, c.low);
    EXPECT_LE(green, c.high);
  }
}

TEST_F(AlbumTest, ANewAlbumTellsWhatItDidWhenAsked) {
  stdfs::create_directories(photos);
  testing::WriteTestJpeg(photos + "/a.jpg", {});
  CliResult result = Run({"--new-album", "--verbose", photos + "/", album + "/"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out, "1 picture in " + album + "/index.txt\n2 pages for " + album +
                            "/index.txt (2 written, 0 already up to date)\n" +
                            "Summer 2021: 1 picture made, site in " + album + "/index.html\n");
  // The summary names the album as its page shows its title, which the index file escapes.
  const std::string fish = dir / "Fish & Chips";
  stdfs::create_directories(fish);
  testing::WriteTestJpeg(fish + "/a.jpg", {});
  EXPECT_EQ(Run({"--new-album", fish, dir / "fish"}).out,
            "Fish & Chips: 1 picture made, site in " + dir / "fish/index.html\n");
}

TEST_F(AlbumTest, ANewAlbumIsRefusedWhereAnIndexFileOrPagesAreAndWritesNothing) {
  MakePictures();
  for (const char* existing : {"index.txt", "index.html", "Image7.html"}) {
    SCOPED_TRACE(existing);
    stdfs::remove_all(album);
    stdfs::create_directories(album);
    WriteFile(album + "/" + existing, "mine\n");
    CliResult result = Run({"--new-album", photos, album});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "quillmere-cli: The folder " + album + " already holds " + existing +
                              ", which a new album would write; nothing was written. Choose an "
                              "empty or a new folder.\n");
    EXPECT_EQ(ListNames(album), existing);
    EXPECT_EQ(ReadFile(album + "/" + existing), "mine\n");
  }
  CliResult empty = Run({"--new-album", album, dir / "other"});
  EXPECT_EQ(empty.code, 1);
  EXPECT_FALSE(stdfs::exists(dir / "other"));
}

TEST_F(AlbumTest, OriginalSizeCopiesJpegsByteForByte) {
  stdfs::create_directories(photos);
  testing::WriteTestJpeg(photos + "/a.jpg", {900, 700, 1, "2020:01:01 00:00:00", "", true});
  testing::WriteTestPngWithTransparency(photos + "/b.png", 1000, 20);
  CliResult result =
      Run({"--new-album", "--picture-size", "original", "--thumbnail-size=50x40", photos, album});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(ReadFile(album + "/pictures/p1.jpg"), ReadFile(photos + "/a.jpg"));
  std::optional<testing::PictureInfo> png = ReadPicture(album + "/pictures/p2.jpg");
  ASSERT_TRUE(png.has_value());
  EXPECT_EQ(png->width, 1000);
  EXPECT_EQ(png->loader, "jpegload");
  EXPECT_TRUE(FitsWithin(album + "/thumbs/t1.jpg", 50, 40));
  EXPECT_EQ(ReadPicture(album + "/thumbs/t2.jpg")->width, 50);
}

TEST_F(AlbumTest, AddedPicturesFollowEveryByteOfTheIndexFile) {
  stdfs::create_directories(album + "/pictures");
  stdfs::create_directories(dir / "new");
  testing::WriteTestJpeg(album + "/pictures/p1.jpg", {});
  // Windows line ends, a comment, and a last pair without its second line or a line end.
  const std::string old = "; mine\r\nTrip\r\nthumbs/t\r\npictures/p\r\nsupport\r\n3\r\nFirst";
  WriteFile(album + "/index.txt", old);
  ::chmod((album + "/index.txt").c_str(), 0640);
  testing::WriteTestJpeg(dir / "new/b_2.jpg", {300, 200, 1, "2022:02:02 02:02:02"});
  // Taken at the same time as b_2, but another picture, which is no duplicate.
  testing::WriteTestJpeg(dir / "new/b_10.jpg", {301, 200, 1, "2022:02:02 02:02:02"});
  testing::WriteTestJpeg(dir / "a.jpg", {200, 300});
  CliResult result = Run({"--add-pictures", album + "/index.txt", dir / "a.jpg", dir / "new"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(ReadFile(album + "/index.txt"), old +
                                                "\r\n\r\n"
                                                "b 2\r\n2022-02-02 02:02\r\n"
                                                "b 10\r\n2022-02-02 02:02\r\n"
                                                "a\r\na\r\n");
  EXPECT_EQ(testing::ModeOf(album + "/index.txt"), 0640);
  EXPECT_EQ(ListNames(album + "/pictures"), "p1.jpg p2.jpg p3.jpg p4.jpg");
  EXPECT_EQ(ListNames(album + "/thumbs"), "t2.jpg t3.jpg t4.jpg");
  EXPECT_EQ(ListNames(album),
            "Image1.html Image2.html Image3.html Image4.html index.html index.txt pictures "
            "thumbs");
  EXPECT_EQ(HiddenFiles(album), std::vector<std::string>{});

  // Nothing to add leaves the index file as it is.
  const std::string added = ReadFile(album + "/index.txt");
  CliResult nothing = Run({"--add-pictures", album + "/index.txt", dir / "missing.jpg"});
  EXPECT_EQ(nothing.code, 1);
  EXPECT_EQ(nothing.err,
            "quillmere-cli: " + (dir / "missing.jpg") +
                " is missing\nquillmere-cli: No picture could be read from the files given; "
                "nothing was written.\n");
  EXPECT_EQ(ReadFile(album + "/index.txt"), added);
}

TEST_F(AlbumTest, PicturesAreAddedOnlyWhereTheyStayInsideTheAlbum) {
  testing::WriteTestJpeg(dir / "a.jpg", {});
  const std::vector<std::pair<std::string, std::string>> heads = {
      {"T\nthumbs/t\n../p\ns\n3\n", "../p"},
      {"T\n/tmp/t\np\ns\n3\n", "/tmp/t"},
      {"T\nhttp://example.com/t\np\ns\n3\n", "http://example.com/t"}};
  for (const auto& [head, prefix] : heads) {
    WriteFile(dir / "index.txt", head);
    CliResult result = Run({"--add-pictures", dir / "index.txt", dir / "a.jpg"});
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.err, "quillmere-cli: The prefix \"" + prefix + "\" of " + (dir / "index.txt") +
                              " names files outside its folder, where pictures are never "
                              "written; nothing was written.\n");
    EXPECT_EQ(ReadFile(dir / "index.txt"), head);
  }
  WriteFile(dir / "index.txt", "T\nthumbs/t\n");
  EXPECT_EQ(Run({"--add-pictures", dir / "index.txt", dir / "a.jpg"}).err,
            "quillmere-cli: Index file " + (dir / "index.txt") +
                " has fewer than five head values, so added pictures would be read as head "
                "values; nothing was written.\n");
  WriteFile(dir / "index.txt", "T\nthumbs/t\np\ns\n3\n");
  stdfs::create_directories(dir / "elsewhere");
  stdfs::create_directory_symlink(dir / "elsewhere", dir / "thumbs");
  EXPECT_EQ(Run({"--add-pictures", dir / "index.txt", dir / "a.jpg"}).err,
            "quillmere-cli: The folder " + (dir / "thumbs") +
                " is a symbolic link, and pictures are never written through one; nothing was "
                "written.\n");
  EXPECT_EQ(ListNames(dir / "elsewhere"), "");
  // An album folder that is not there is not one to make.
  EXPECT_EQ(Run({"--add-pictures", dir / "gone/index.txt", dir / "a.jpg"}).err,
            "quillmere-cli: Could not open the folder " + (dir / "gone/") +
                ": No such file or directory.\n");
  EXPECT_FALSE(stdfs::exists(dir / "gone"));
}

// An album whose pictures were made by hand: thumbnails are made for all but a missing and a
// truncated picture, which are listed with their lines.
class ThumbnailTest : public AlbumTest {
 protected:
  void SetUp() override {
    stdfs::create_directories(album + "/pictures");
    WriteFile(album + "/index.txt", "T\nthumbs/t\npictures/p\nsupport\n4\n; comment\nx\n" +
                                        std::string("A\na\nB\nb\nC\nc\nD\nd\n"));
    testing::WriteTestJpeg(album + "/pictures/p1.jpg", {300, 200, 6});
    testing::WriteTestJpeg(album + "/pictures/p3.jpg", {300, 200});
    testing::WriteTestJpeg(album + "/pictures/p4.jpg", {500, 400});
    const std::string whole = ReadFile(album + "/pictures/p4.jpg");
    WriteFile(album + "/pictures/p4.jpg", whole.substr(0, whole.size() * 2 / 3));
  }
};

TEST_F(ThumbnailTest, MissingAndUnreadablePicturesAreListedWithTheirLines) {
  CliResult result = Run({"--make-thumbnails", "-v", album + "/index.txt"});
  EXPECT_EQ(result.code, 1);
  const std::string index = album + "/index.txt";
  EXPECT_EQ(result.err, "quillmere-cli: " + index + ":10: " + album +
                            "/pictures/p2.jpg is missing\nquillmere-cli: " + index +
                            ":14: " + album +
                            "/pictures/p4.jpg cannot be read as a picture: the file ends early "
                            "(truncated JPEG) (VipsJpeg: Premature end of input file)\n");
  EXPECT_EQ(result.out, "2 thumbnails written, 0 already up to date\n5 pages for " + album +
                            "/index.txt (5 written, 0 already up to date)\nT: 2 thumbnails made, "
                            "0 up to date, site in " +
                            album + "/index.html\n");
  EXPECT_EQ(ListNames(album + "/thumbs"), "t1.jpg t3.jpg");
  EXPECT_EQ(ReadPicture(album + "/thumbs/t1.jpg")->height, 100);
  EXPECT_EQ(ReadPicture(album + "/thumbs/t1.jpg")->width, 67);
}

TEST_F(ThumbnailTest, AThumbnailNotOlderThanItsPictureIsLeftAlone) {
  testing::WriteTestJpeg(album + "/pictures/p2.jpg", {});
  testing::WriteTestJpeg(album + "/pictures/p4.jpg", {});
  ASSERT_EQ(Run({"--make-thumbnails", album + "/index.txt"}).code, 0);
  struct stat before {};
  ::stat((album + "/thumbs/t1.jpg").c_str(), &before);
  CliResult again = Run({"--make-thumbnails", "--verbose", album + "/index.txt"});
  EXPECT_EQ(again.code, 0);
  EXPECT_EQ(again.out.substr(0, again.out.find('\n')),
            "0 thumbnails written, 4 already up to date");
  struct stat after {};
  ::stat((album + "/thumbs/t1.jpg").c_str(), &after);
  EXPECT_EQ(after.st_ino, before.st_ino);

  // A picture changed after its thumbnail gets a new one.
  const auto later = stdfs::last_write_time(album + "/thumbs/t3.jpg") + std::chrono::seconds(5);
  stdfs::last_write_time(album + "/pictures/p3.jpg", later);
  CliResult changed = Run({"--make-thumbnails", "--verbose", album + "/index.txt"});
  EXPECT_EQ(changed.out.substr(0, changed.out.find('\n')),
            "1 thumbnail written, 3 already up to date");
}

// In a site with videos, the thumbnail of an entry with a video beside its poster carries a dark
// disc with a white triangle at its middle; a picture's thumbnail does not.
TEST_F(ThumbnailTest, AVideoEntrysThumbnailCarriesThePlayMark) {
  WriteFile(album + "/index.txt", "; videos\n" + ReadFile(album + "/index.txt"));
  for (const char* poster : {"/pictures/p2.jpg", "/pictures/p3.jpg"}) {
    testing::WriteFlatJpeg(album + poster, {128, 128, 128});
  }
  WriteFile(album + "/pictures/p2.mp4", "video");
  Run({"--make-thumbnails", album + "/index.txt"});
  // The thumbnails keep the posters' 64x48: the middle, the disc left of the triangle, a corner.
  const struct {
    const char* thumbnail;
    int x, y;
    double low, high;
  } points[] = {
      {"t2", 33, 24, 220, 255}, {"t2", 25, 24, 50, 95},   {"t2", 2, 2, 118, 138},
      {"t3", 33, 24, 118, 138}, {"t3", 25, 24, 118, 138},
  };
  for (const auto& point : points) {
    const double green =
        testing::PixelOf(album + "/thumbs/" + point.thumbnail + ".jpg", point.x, point.y)[1];
    EXPECT_GE(green, point.low) << point.thumbnail << " at " << point.x << "," << point.y;
    EXPECT_LE(green, point.high) << point.thumbnail << " at " << point.x << "," << point.y;
  }
}

// Expected: without a size asked for, a thumbnail stands while it is whole and not older than its
// picture, whatever its size; with one, only while it has the size that gives for its picture
// (the picture turned upright first); --remake remakes them all, and an empty or cut-off
// thumbnail is remade whatever its time.
TEST_F(ThumbnailTest, ThumbnailsFollowTheSizeAskedForAndAreRemadeWhenAsked) {
  testing::WriteTestJpeg(album + "/pictures/p2.jpg", {});
  testing::WriteTestJpeg(album + "/pictures/p4.jpg", {500, 400});
  const std::string t1 = album + "/thumbs/t1.jpg";
  const std::string t4 = album + "/thumbs/t4.jpg";
  struct Step {
    const char* what;
    std::function<void()> before;
    std::vector<std::string> options;
    const char* counts;
    // The size of t1 (of p1, 300x200 turned a quarter) and of t4 (of p4, 500x400) after it.
    int t1Width, t1Height, t4Width, t4Height;
  };
  const std::vector<Step> steps = {
      {"the first run", [] {}, {}, "4 thumbnails written, 0 already up to date", 67, 100, 100, 80},
      {"the same size asked for",
       [] {},
       {"--thumbnail-size", "100x100"},
       "0 thumbnails written, 4 already up to date",
       67,
       100,
       100,
       80},
      {"a larger size asked for",
       [] {},
       {"--thumbnail-size=200x150"},
       "4 thumbnails written, 0 already up to date",
       100,
       150,
       188,
       150},
      {"no size asked for",
       [] {},
       {},
       "0 thumbnails written, 4 already up to date",
       100,
       150,
       188,
       150},
      {"a smaller size asked for",
       [] {},
       {"--thumbnail-size", "50x50"},
       "4 thumbnails written, 0 already up to date",
       33,
       50,
       50,
       40},
      {"an empty thumbnail",
       [&] { WriteFile(t1, ""); },
       {},
       "1 thumbnail written, 3 already up to date",
       67,
       100,
       50,
       40},
      {"a thumbnail cut off",
       [&] {
         const std::string whole = ReadFile(t4);
         WriteFile(t4, whole.substr(0, whole.size() - 10));
       },
       {},
       "1 thumbnail written, 3 already up to date",
       67,
       100,
       100,
       80},
      {"--remake",
       [] {},
       {"--remake"},
       "4 thumbnails written, 0 already up to date",
       67,
       100,
       100,
       80},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.before();
    std::vector<std::string> args = {"--make-thumbnails", "--verbose"};
    args.insert(args.end(), step.options.begin(), step.options.end());
    args.push_back(album + "/index.txt");
    const CliResult result = Run(args);
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')), step.counts);
    EXPECT_EQ(ReadPicture(t1)->width, step.t1Width);
    EXPECT_EQ(ReadPicture(t1)->height, step.t1Height);
    EXPECT_EQ(ReadPicture(t4)->width, step.t4Width);
    EXPECT_EQ(ReadPicture(t4)->height, step.t4Height);
  }
}

// Expected: a write that fails at any step leaves no thumbnail half written and no hidden file;
// the thumbnails before it are whole, the failing one is listed, the rest are still made.
TEST_F(ThumbnailTest, AFailedWriteLeavesNoHalfWrittenThumbnail) {
  testing::WriteTestJpeg(album + "/pictures/p2.jpg", {});
  WriteFile(album + "/pictures/p4.jpg", ReadFile(album + "/pictures/p3.jpg"));
  for (testing::Step step :
       {testing::Step::kCreateFile, testing::Step::kWrite, testing::Step::kPutInPlace}) {
    SCOPED_TRACE(testing::StepName(step));
    stdfs::remove_all(album + "/thumbs");
    testing::FaultyFileSystem faulty(fs);
    faulty.FailAt(step, 2, SystemError(ENOSPC));
    AlbumOptions options;
    options.threads = 1;
    AlbumOutcome outcome = MakeThumbnails(album + "/index.txt", faulty, options);
    EXPECT_TRUE(outcome.ok()) << Describe(*outcome.failure, WordsWithoutSteps());
    ASSERT_EQ(outcome.problems.size(), 1u);
    EXPECT_EQ(outcome.problems[0].line, 10u);
    EXPECT_EQ(Describe(outcome.problems[0], WordsWithoutSteps()),
              "could not be written: No space left on device");
    EXPECT_EQ(ListNames(album + "/thumbs"), "t1.jpg t3.jpg t4.jpg");
    for (const char* name : {"t1.jpg", "t3.jpg", "t4.jpg"}) {
      EXPECT_TRUE(ReadPicture(album + "/thumbs/" + name).has_value()) << name;
    }
  }
}

// Expected: SIGINT while thumbnails are made stops the work between pictures with a message and
// 128 + 2; every thumbnail there is whole and no hidden file stays.
TEST(AlbumProcess, AnInterruptedRunLeavesEveryThumbnailWhole) {
  TempFolder dir;
  const std::string album = dir / "album";
  stdfs::create_directories(album + "/pictures");
  std::string index = "T\nthumbs/t\npictures/p\nsupport\n4\n";
  // More than one group of thumbnails, which take their names together.
  constexpr int kPictures = 100;
  testing::WriteTestJpeg(dir / "p.jpg", {1600, 1200});
  for (int n = 1; n <= kPictures; ++n) {
    stdfs::copy_file(dir / "p.jpg", album + "/pictures/p" + std::to_string(n) + ".jpg");
    index += "P\np\n";
  }
  WriteFile(album + "/index.txt", index);
  testing::ChildProcess run(QUILLMERE_CLI, {"--make-thumbnails", album + "/index.txt"});
  // Stops it once it has begun writing thumbnails.
  for (int wait = 0; wait < 2000; ++wait) {
    if (stdfs::exists(album + "/thumbs") && !stdfs::is_empty(album + "/thumbs")) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  run.Signal(SIGINT);
  const testing::ProcessResult result = run.Wait();
  RecordProperty("exit", result.exitCode);
  if (result.exitCode == 128 + SIGINT) {
    // Thumbnails take their names in groups, so the signal may find them all made already and
    // the pages being written.
    const bool inThumbnails =
        result.err ==
        "quillmere-cli: The work was stopped by SIGINT: the thumbnails not made yet were "
        "left as they were.\n";
    EXPECT_TRUE(inThumbnails ||
                result.err.starts_with("quillmere-cli: The run was stopped by SIGINT: page "))
        << result.err;
    if (inThumbnails) {
      EXPECT_FALSE(stdfs::exists(album + "/index.html"));
    }
  } else if (result.exitCode != 0) {
    // The work ended before the signal came, which then ended the program as it ends any.
    EXPECT_EQ(result.signal, SIGINT) << result.err;
  }
  EXPECT_EQ(HiddenFiles(album + "/thumbs"), std::vector<std::string>{});
  int whole = 0;
  for (const auto& entry : stdfs::directory_iterator(album + "/thumbs")) {
    EXPECT_TRUE(ReadPicture(Path(entry.path())).has_value()) << entry.path();
    ++whole;
  }
  EXPECT_GT(whole, 0);
}

// Expected: SIGINT while a video is encoded stops it inside the video with 128 + 2, and the new
// album leaves nothing behind: no index file, no video, no hidden file.
TEST(AlbumProcess, AnInterruptedVideoLeavesNothing) {
  TempFolder dir;
  const std::string photos = dir / "photos";
  const std::string album = dir / "album";
  stdfs::create_directories(photos);
  // Two minutes of MPEG-4, which is encoded again as H.264 for some seconds.
  const std::string make =
      "ffmpeg -v error -y -f lavfi -i testsrc=size=320x240:rate=25 -t 120 "
      "-c:v mpeg4 '" +
      photos + "/VID_0001.mp4'";
  ASSERT_EQ(std::system(make.c_str()), 0);
  testing::ChildProcess run(QUILLMERE_CLI, {"--new-album", photos, album});
  for (int wait = 0; wait < 2000 && !stdfs::exists(album + "/pictures"); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  run.Signal(SIGINT);
  const testing::ProcessResult result = run.Wait();
  EXPECT_EQ(result.exitCode, 128 + SIGINT) << result.err;
  EXPECT_NE(result.err.find("stopped by SIGINT"), std::string::npos) << result.err;
  EXPECT_FALSE(stdfs::exists(album + "/index.txt"));
  if (stdfs::exists(album + "/pictures")) {
    EXPECT_TRUE(stdfs::is_empty(album + "/pictures")) << ListNames(album + "/pictures");
  }
}

// Expected: the image library is loaded only for picture work, so a program without its module
// still does everything else, and says so when pictures are to be made.
TEST(AlbumProcess, TheImageLibraryIsLoadedOnlyForPictures) {
  TempFolder dir;
  stdfs::create_directories(dir / "bin");
  stdfs::copy_file(QUILLMERE_CLI, dir / "bin/quillmere-cli");
  const std::string cli = dir / "bin/quillmere-cli";
  stdfs::create_directories(dir / "album/pictures");
  stdfs::create_directories(dir / "album/thumbs");
  testing::WriteTestJpeg(dir / "album/pictures/p1.jpg", {});
  WriteFile(dir / "album/thumbs/t1.jpg", "newer than its picture");
  WriteFile(dir / "album/index.txt", "T\nthumbs/t\npictures/p\nsupport\n4\nA\na\n");
  const testing::ProcessResult upToDate =
      testing::RunProcess(cli, {"--make-thumbnails", dir / "album/index.txt"});
  EXPECT_EQ(upToDate.exitCode, 0) << upToDate.err;
  EXPECT_TRUE(stdfs::exists(dir / "album/index.html"));
  const testing::ProcessResult newAlbum =
      testing::RunProcess(cli, {"--new-album", dir / "album/pictures", dir / "new"});
  EXPECT_EQ(newAlbum.exitCode, 1);
  EXPECT_EQ(newAlbum.err.rfind("quillmere-cli: The image library could not be loaded: ", 0), 0u)
      << newAlbum.err;
  EXPECT_FALSE(stdfs::exists(dir / "new"));
}

TEST_F(AlbumTest, KeptMetadataStaysOnThePicturesAndNeverOnTheThumbnails) {
  stdfs::create_directories(photos);
  testing::WriteTestJpeg(photos + "/turned.jpg", {240, 160, 6, "2020:01:02 03:04:05", "", true});
  CliResult result = Run({"--new-album", "--keep-metadata", photos, album});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_NE(ReadFile(album + "/pictures/p1.jpg").find("2020:01:02 03:04:05"), std::string::npos);
  std::optional<testing::PictureInfo> kept = ReadPicture(album + "/pictures/p1.jpg");
  ASSERT_TRUE(kept.has_value());
  EXPECT_NE(std::find(kept->metadata.begin(), kept->metadata.end(), "exif-ifd3-GPSLatitude"),
            kept->metadata.end());
  // Turned upright once, and not again by a viewer that reads its orientation.
  EXPECT_EQ(kept->width, 160);
  EXPECT_EQ(kept->orientation, 1);
  EXPECT_EQ(ReadPicture(album + "/thumbs/t1.jpg")->metadata, std::vector<std::string>{});
}

TEST_F(AlbumTest, SizesAndFoldersAreCheckedBeforeAnyWork) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"--new-album", photos}, "--new-album takes a folder of pictures and an album folder"},
      {{"--add-pictures", dir / "index.txt"},
       "--add-pictures takes an index file and the pictures to add"},
      {{"--make-thumbnails", "a", "b"}, "only one index file can be given"},
      {{"--new-album", "--picture-size", "big", photos, album},
       "--picture-size takes WxH (from 1 to 100000 each) or original, not big"},
      {{"--new-album", "--thumbnail-size=0x10", photos, album},
       "--thumbnail-size takes WxH (from 1 to 100000 each), not 0x10"},
      {{"--new-album", photos, album, "--thumbnail-size"}, "--thumbnail-size needs a value"},
      {{"--make-thumbnails", "--picture-size", "10x10", "i.txt"},
       "--picture-size is for --new-album and --add-pictures"},
      {{"--make-thumbnails", "--keep-metadata", "i.txt"},
       "--keep-metadata is for --new-album and --add-pictures"},
      {{"--check", "--thumbnail-size", "10x10", "i.txt"},
       "--thumbnail-size is for --new-album, --add-pictures and --make-thumbnails"},
      {{"--new-album", "--max-pixels", "0", photos, album},
       "--max-pixels takes a whole number of pixels from 1 to 1000000000000, not 0"},
      {{"--new-album", "--max-memory=512M", photos, album},
       "--max-memory takes a whole number of MiB from 1 to 1048576, not 512M"},
      {{"--check", "--max-memory", "64", "i.txt"},
       "--max-memory is for --new-album, --add-pictures and --make-thumbnails"},
      {{"--new-album", "--remake", photos, album}, "--remake is for --make-thumbnails"},
      {{"--remove-pictures", "i.txt", "2", "0"},
       "--remove-pictures takes an index file and the numbers of the pictures to remove"},
      {{"--move-picture", "i.txt", "2"},
       "--move-picture takes an index file, the number of a picture and the place to move it to"},
      {{"--move-picture", "--delete", "i.txt", "2", "1"},
       "--delete is for --remove-pictures and --edit"},
      {{"--remove-pictures", "--thumbnail-size", "10x10", "i.txt", "1"},
       "--thumbnail-size is for --new-album, --add-pictures and --make-thumbnails"},
      {{"--make-thumbnails", "--allow-duplicates", "i.txt"},
       "--allow-duplicates is for --new-album and --add-pictures"}};
  for (const auto& [args, problem] : cases) {
    CliResult result = Run(args);
    EXPECT_EQ(result.code, 2) << problem;
    EXPECT_EQ(result.err.substr(0, result.err.find('\n')), "quillmere-cli: " + problem);
  }
  const CliResult twoCommands = Run({"--new-album", "--make-thumbnails", "i.txt"});
  EXPECT_EQ(twoCommands.code, 2);
  EXPECT_NE(twoCommands.err.find("--make-thumbnails"), std::string::npos) << twoCommands.err;
  EXPECT_NE(twoCommands.err.find("one at a time"), std::string::npos) << twoCommands.err;
  EXPECT_FALSE(stdfs::exists(album));
}

}  // namespace
}  // namespace quillmere
