// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures as cameras, phones and strangers make them, taken into albums: pictures over the
// limits refused from their headers within the memory budget, colour profiles converted to sRGB,
// descriptions read whole in their character sets, the same words for the same bad file in every
// run, and what is passed over among the pictures listed.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/pictures/decode_cost.h"
#include "album/pictures/picture_texts.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::CliResult;
using testing::ListNames;
using testing::ReadFile;
using testing::RecordedTexts;
using testing::TempFolder;
using testing::WriteFile;

// Writes a picture of some kind to the path it is given.
using PictureWriter = std::function<void(const std::string&)>;

// The lines of `text`, split at LF.
std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// `text` as UTF-16 in Intel order (or Motorola's when `motorola`).
std::string Utf16(const std::u16string& text, bool motorola = false) {
  std::string bytes;
  for (char16_t unit : text) {
    const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
    bytes += motorola ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

class PictureTest : public ::testing::Test {
 protected:
  CliResult Run(const std::vector<std::string>& args) { return testing::RunCli(args, fs); }

  // Makes a new album of the pictures folder, after emptying both.
  CliResult NewAlbum(const std::vector<std::string>& options = {}) {
    std::vector<std::string> args = {"--new-album"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back(photos);
    args.push_back(album);
    return Run(args);
  }

  void EmptyFolders() {
    stdfs::remove_all(photos);
    stdfs::remove_all(album);
    stdfs::create_directories(photos);
  }

  TempFolder dir;
  PosixFileSystem fs;
  const std::string photos = dir / "photos";
  const std::string album = dir / "album";
};

// Expected: a picture that declares more pixels than the limit, or whose decoding would need
// more memory than the budget at the size it is really decoded, is refused from its header
// before a pixel is decoded, with the reason in words; the GIF of 35 bytes no longer ends the
// run, and the other pictures of the folder are made.
TEST_F(PictureTest, PicturesOverTheLimitsAreRefusedFromTheirHeadersAndTheRestAreMade) {
  struct Case {
    const char* what;
    const char* name;
    PictureWriter write;
    std::vector<std::string> options;
    std::string reasonStart;
    std::string reasonEnd;
  };
  const std::string gifReason =
      "is refused: it declares 65535x65535 pixels, over the limit of 268,402,689 (--max-pixels)";
  const std::string pngReason =
      "is refused: it declares 30000x30000 pixels, over the limit of 268,402,689 (--max-pixels)";
  const std::vector<Case> cases = {
      {"a GIF of 35 bytes declaring a frame of 65535x65535",
       "bomb.gif",
       [](const std::string& path) { testing::WriteGifDeclaring(path, 65535, 65535); },
       {},
       gifReason,
       ""},
      {"a PNG of 30000x30000",
       "bomb.png",
       [](const std::string& path) { testing::WritePngBomb(path, 30000, 30000); },
       {},
       pngReason,
       ""},
      {"the same PNG kept at its size",
       "bomb.png",
       [](const std::string& path) { testing::WritePngBomb(path, 30000, 30000); },
       {"--picture-size", "original"},
       pngReason,
       ""},
      {"a JPEG over a lower limit",
       "small.jpg",
       [](const std::string& path) {
         testing::WriteTestJpeg(path, {200, 100});
       },
       {"--max-pixels", "19999"},
       "is refused: it declares 200x100 pixels, over the limit of 19,999 (--max-pixels)",
       ""},
      {"an interlaced PNG over a smaller budget",
       "passes.png",
       [](const std::string& path) { testing::WriteFlatPng(path, 3000, 2000, true); },
       {"--max-memory", "32"},
       "is refused: making it would need ",
       " MiB of memory, over the budget of 32 MiB per picture (--max-memory)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EmptyFolders();
    c.write(photos + "/" + c.name);
    testing::WriteTestJpeg(photos + "/good.jpg", {120, 90});
    const CliResult result = NewAlbum(c.options);
    EXPECT_EQ(result.code, 1);
    const std::string start = "quillmere-cli: " + photos + "/" + c.name + " " + c.reasonStart;
    EXPECT_TRUE(result.err.starts_with(start)) << result.err;
    EXPECT_TRUE(result.err.ends_with(c.reasonEnd + "\n")) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
    EXPECT_EQ(ListNames(album + "/pictures"), "p1.jpg");
    EXPECT_EQ(LinesOf(ReadFile(album + "/index.txt")).at(5), "good");
  }
}

// Expected: a folder of bombs and of pictures close to the budget, made at their own size by
// two threads, never holds more memory at once than two budgets and 100 MB, measured in the
// process itself.
TEST(PictureProcess, AFolderOfBombsStaysWithinTheMemoryBudget) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "a program built with AddressSanitizer keeps memory of its own for its checks";
#endif
  TempFolder dir;
  const std::string photos = dir / "photos";
  stdfs::create_directories(photos);
  testing::WriteGifDeclaring(photos + "/a.gif", 65535, 65535);
  testing::WritePngBomb(photos + "/b.png", 30000, 30000);
  // 75 MB when decoded whole: over the budget.
  testing::WriteFlatPng(photos + "/c.png", 5000, 5000, true);
  // Under it, together with its copy and its JPEG.
  testing::WriteFlatGif(photos + "/d.gif", 1500, 1500);
  testing::WriteTestJpeg(photos + "/e.jpg", {1600, 1200});
  testing::WriteFlatPng(photos + "/f.png", 2000, 1500, true);
  constexpr long kBudgetMiB = 64;
  // The program makes one picture per core it may use: two of them here.
  cpu_set_t mine;
  CPU_ZERO(&mine);
  ASSERT_EQ(::sched_getaffinity(0, sizeof mine, &mine), 0);
  cpu_set_t two;
  CPU_ZERO(&two);
  for (int cpu = 0; cpu < CPU_SETSIZE && CPU_COUNT(&two) < 2; ++cpu) {
    if (CPU_ISSET(cpu, &mine)) CPU_SET(cpu, &two);
  }
  const long threads = CPU_COUNT(&two);
  const testing::ProcessResult result =
      testing::RunProcess(QUILLMERE_CLI,
                          {"--new-album", "--picture-size", "original", "--max-memory",
                           std::to_string(kBudgetMiB), photos, dir / "album"},
                          [&] { ::sched_setaffinity(0, sizeof two, &two); });
  EXPECT_EQ(result.exitCode, 1) << result.err;
  EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 3) << result.err;
  for (const char* refused : {"/a.gif is refused", "/b.png is refused", "/c.png is refused"}) {
    EXPECT_NE(result.err.find(refused), std::string::npos) << result.err;
  }
  EXPECT_EQ(ListNames(dir / "album/pictures"), "p1.jpg p2.jpg p3.jpg");
  RecordProperty("peak_kib", static_cast<int>(result.peakKilobytes));
  EXPECT_LE(result.peakKilobytes, (threads * kBudgetMiB + 100) * 1024);
}

// Expected: the memory reckoned from a header is never less than what making the picture was
// measured to hold (the peak of quillmere-cli --new-album over that picture alone, less that of
// a run over a small one, with libvips 8.14), and not so much more that real pictures would be
// refused for nothing.
TEST(DecodeCost, IsNeverLessThanMeasuredAndNeverFarMore) {
  using Decoder = PictureHeader::Decoder;
  struct Case {
    const char* what;
    PictureHeader header;
    Making making;
    FitBox picture;
    std::uint64_t measuredMiB;
  };
  auto header = [](Decoder decoder, std::uint64_t width, std::uint64_t height, bool interlaced,
                   std::uint64_t fileBytes = 0) {
    PictureHeader h;
    h.decoder = decoder;
    h.width = width;
    h.height = height;
    h.interlaced = interlaced;
    h.quarterChroma = decoder == Decoder::kJpeg;
    h.fileBytes = fileBytes;
    return h;
  };
  const Making fitted = Making::kPictureAndThumbnail;
  const Making copied = Making::kCopyAndThumbnail;
  const FitBox atItsSize{kLargestSide, kLargestSide};
  const FitBox box = kDefaultPictureSize;
  const std::vector<Case> cases = {
      {"baseline JPEG of 12000x9000", header(Decoder::kJpeg, 12000, 9000, false), fitted, box, 6},
      {"the same copied", header(Decoder::kJpeg, 12000, 9000, false, 6'153'277), copied, box, 5},
      {"progressive JPEG of 12000x9000", header(Decoder::kJpeg, 12000, 9000, true), fitted, box,
       311},
      {"the same copied", header(Decoder::kJpeg, 12000, 9000, true, 4'797'519), copied, box, 308},
      {"PNG of 16000x4000", header(Decoder::kPng, 16000, 4000, false), fitted, box, 50},
      {"the same at its size", header(Decoder::kPng, 16000, 4000, false), fitted, atItsSize, 373},
      {"interlaced PNG of 16000x4000", header(Decoder::kPng, 16000, 4000, true), fitted, box, 210},
      {"the same at its size", header(Decoder::kPng, 16000, 4000, true), fitted, atItsSize, 373},
      {"TIFF of 16000x4000", header(Decoder::kWhole, 16000, 4000, false), fitted, box, 56},
      {"the same at its size", header(Decoder::kWhole, 16000, 4000, false), fitted, atItsSize, 374},
      {"GIF of 4000x4000", header(Decoder::kGif, 4000, 4000, false), fitted, box, 80},
      {"the same at its size", header(Decoder::kGif, 4000, 4000, false), fitted, atItsSize, 111},
      {"HEIF of 4000x3000", header(Decoder::kHeif, 4000, 3000, false), fitted, box, 82},
      {"the same at its size", header(Decoder::kHeif, 4000, 3000, false), fitted, atItsSize, 82},
      {"WebP of 8000x6000", header(Decoder::kWebp, 8000, 6000, false), fitted, box, 5},
      {"the same at its size", header(Decoder::kWebp, 8000, 6000, false), fitted, atItsSize, 362},
  };
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::uint64_t cost = DecodeCost(c.header, c.making, c.picture, kDefaultThumbnailSize);
    EXPECT_GE(cost, c.measuredMiB * kMiB);
    EXPECT_LE(cost, (4 * c.measuredMiB + 64) * kMiB);
  }
}

// Expected: a picture with a colour profile of its own is converted from it to sRGB, one
// without is taken as sRGB, and a CMYK picture without one is still made; no picture or
// thumbnail carries a profile.
TEST_F(PictureTest, ColoursComeOutInSrgbWhateverProfileThePictureCarries) {
  struct Case {
    const char* name;
    PictureWriter write;
    std::vector<double> expected;
    double tolerance;
  };
  const std::vector<double> green = {0, 200, 0};
  const std::vector<Case> cases = {
      {"1 adobe.jpg", [&](const std::string& p) { testing::WriteAdobeRgbPicture(p, green); }, green,
       8},
      {"2 adobe.png", [&](const std::string& p) { testing::WriteAdobeRgbPicture(p, green); }, green,
       8},
      {"3 plain.jpg", [&](const std::string& p) { testing::WriteFlatJpeg(p, green); }, green, 8},
      // No ink on paper is white; cyan and magenta make the blue that browsers show.
      {"4 cmyk.jpg",
       [](const std::string& p) {
         testing::WriteCmykJpeg(p, {0, 0, 0, 0});
       },
       {255, 255, 255},
       12},
      {"5 cmyk blue.jpg",
       [](const std::string& p) {
         testing::WriteCmykJpeg(p, {255, 255, 0, 0});
       },
       {0, 0, 255},
       12},
  };
  EmptyFolders();
  for (const Case& c : cases) c.write(photos + "/" + c.name);
  const CliResult result = NewAlbum();
  ASSERT_EQ(result.code, 0) << result.err;
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const std::string number = std::to_string(i + 1);
    for (const std::string& made :
         {album + "/pictures/p" + number + ".jpg", album + "/thumbs/t" + number + ".jpg"}) {
      const std::vector<double> pixel = testing::PixelOf(made, 10, 10);
      ASSERT_EQ(pixel.size(), 3u) << made;
      for (std::size_t band = 0; band < 3; ++band) {
        EXPECT_NEAR(pixel[band], cases[i].expected[band], cases[i].tolerance) << made;
      }
      EXPECT_EQ(testing::ReadPicture(made)->metadata, std::vector<std::string>{}) << made;
    }
  }
}

// Expected: a picture's description is read whole from its raw EXIF or XMP data, the first of
// ImageDescription, UserComment, XPComment and dc:description that is not blank, each in its
// character set (UTF-8 where it names none and is UTF-8, else its bytes).
TEST(PictureTexts, DescriptionsAreReadWholeInTheirCharacterSets) {
  struct Case {
    const char* what;
    RecordedTexts texts;
    bool motorola;
    std::string description;
  };
  std::string longText;
  for (int part = 1; longText.size() < 300; ++part) {
    longText +=
        "Gr\xC3\xBC\xC3\x9F"
        "e vom \xE5\xB8\x82\xE5\xA0\xB4 " +
        std::to_string(part) + ", ";
  }
  longText += "Ende.";
  const std::vector<Case> cases = {
      {"300 bytes of UTF-8", {longText, "", "", ""}, false, longText},
      {"a UserComment in Unicode, Intel order",
       {"", std::string("UNICODE\0", 8) + Utf16(u"\u0395\u03BB\u03BB\u03AC\u03B4\u03B1 & sea"), "",
        ""},
       false,
       "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 & sea"},
      {"a UserComment in Unicode, Motorola order",
       {"", std::string("UNICODE\0", 8) + Utf16(u"Stra\u00DFe", true), "", ""},
       true,
       "Stra\xC3\x9F"
       "e"},
      {"a UserComment in ASCII after a blank description",
       {"          ", std::string("ASCII\0\0\0", 8) + "Plain <words>", "", ""},
       false,
       "Plain <words>"},
      {"a UserComment in JIS",
       {"", std::string("JIS\0\0\0\0\0", 8) + "\x46\x7C\x4B\x5C", "", ""},
       false,
       "\xE6\x97\xA5\xE6\x9C\xAC"},
      {"an XPComment",
       {"", "", Utf16(u"F\u00FCr Oma \U0001F4F7"), ""},
       false,
       "F\xC3\xBCr Oma \xF0\x9F\x93\xB7"},
      {"an XMP description", {"", "", "", "F\xC3\xAAte & <fun>"}, false, "F\xC3\xAAte & <fun>"},
      {"the EXIF description before the XMP one", {"First", "", "", "Second"}, false, "First"},
      {"a camera's words, then a UserComment",
       {"OLYMPUS DIGITAL CAMERA         ", std::string("ASCII\0\0\0", 8) + "Gulls", "", ""},
       false,
       "Gulls"},
      {"nothing but a camera's words", {"", "", "", " sony dsc "}, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const bool exif = !c.texts.imageDescription.empty() || !c.texts.userComment.empty() ||
                      !c.texts.xpComment.empty();
    const std::string xmp =
        c.texts.xmpDescription.empty() ? "" : testing::RawXmp(c.texts.xmpDescription);
    EXPECT_EQ(ReadPictureTexts(exif ? testing::RawExif(c.texts, c.motorola) : "", xmp).description,
              c.description);
  }
  // The camera's make and model say nothing of the picture either.
  EXPECT_TRUE(IsBoilerplate("Canon EOS 5D ", "Canon", "Canon EOS 5D"));
  EXPECT_TRUE(IsBoilerplate("NIKON CORPORATION NIKON D70", "NIKON CORPORATION", "NIKON D70"));
  EXPECT_FALSE(IsBoilerplate("Canon EOS 5D at the lake", "Canon", "Canon EOS 5D"));
}

// Expected: a description in ISO-8859-1 comes into the album as UTF-8, written as markup, and the
// picture page of an album whose text is UTF-8 declares it.
TEST_F(PictureTest, ADescriptionComesIntoThePagesAsMarkupInUtf8) {
  EmptyFolders();
  testing::WriteJpegWithTexts(photos + "/p.jpg", {"Caf\xE9 & <Markt>", "", "", ""});
  const CliResult result = NewAlbum();
  ASSERT_EQ(result.code, 0) << result.err;
  const std::string description = "Caf\xC3\xA9 &amp; &lt;Markt&gt;";
  EXPECT_EQ(LinesOf(ReadFile(album + "/index.txt")).at(6), description);
  const std::string page = ReadFile(album + "/Image1.html");
  EXPECT_NE(page.find("<SPAN id=picheader>" + description + "</SPAN>"), std::string::npos);
  EXPECT_TRUE(
      page.starts_with("<HTML><HEAD><META http-equiv=Content-Type content=\"text/html; "
                       "charset=utf-8\"><TITLE>"));
}

// Expected: the same bad files give the same words in every run, whichever thread meets them
// first: the program's own, and with --verbose the image library's after them.
TEST(PictureProcess, TheSameBadFilesGiveTheSameMessagesInEveryRun) {
  TempFolder dir;
  const std::string photos = dir / "photos";
  stdfs::create_directories(photos);
  WriteFile(photos + "/a.jpg", "not a picture at all\n");
  testing::WriteTestJpeg(dir / "whole.jpg", {400, 300});
  const std::string jpeg = ReadFile(dir / "whole.jpg");
  WriteFile(photos + "/b.jpg", jpeg.substr(0, jpeg.size() / 2));
  testing::WriteTestPngWithTransparency(dir / "whole.png", 300, 300);
  const std::string png = ReadFile(dir / "whole.png");
  WriteFile(photos + "/c.png", png.substr(0, png.size() / 2));
  testing::WriteGifDeclaring(photos + "/d.gif", 65535, 65535);
  for (int n = 0; n < 6; ++n) {
    testing::WriteTestJpeg(photos + "/good" + std::to_string(n) + ".jpg", {640, 480});
  }
  for (const bool verbose : {false, true}) {
    SCOPED_TRACE(verbose ? "--verbose" : "plain");
    std::vector<std::string> messages;
    for (int run = 0; run < 5; ++run) {
      const std::string album = dir / ("album" + std::to_string(run) + (verbose ? "v" : ""));
      std::vector<std::string> args = {"--new-album", "--allow-duplicates", photos, album};
      if (verbose) args.insert(args.begin() + 1, "--verbose");
      const testing::ProcessResult result = testing::RunProcess(QUILLMERE_CLI, args);
      EXPECT_EQ(result.exitCode, 1);
      messages.push_back(result.err);
    }
    for (const std::string& message : messages) EXPECT_EQ(message, messages.front());
    EXPECT_EQ(std::count(messages.front().begin(), messages.front().end(), '\n'), 4)
        << messages.front();
    EXPECT_EQ(messages.front().find("Vips") != std::string::npos, verbose) << messages.front();
    EXPECT_NE(messages.front().find("b.jpg cannot be read as a picture: the file ends early "
                                    "(truncated JPEG)"),
              std::string::npos);
    EXPECT_NE(messages.front().find("c.png cannot be read as a picture: the file ends early "
                                    "(truncated PNG)"),
              std::string::npos);
  }
}

// Expected: a folder of pictures among the pictures becomes an album within the album; links to
// folders and to nothing are listed, one line each; a link to a picture elsewhere is followed and
// the picture taken; only a link to nothing makes the run a failure.
TEST_F(PictureTest, WhatIsPassedOverAmongThePicturesIsListed) {
  struct Case {
    const char* what;
    std::function<void()> make;
    std::string listed;
    int code;
    // The album's pictures' folder afterwards.
    std::string pictures = "p1.jpg";
  };
  const std::vector<Case> cases = {
      {"a folder",
       [&] {
         stdfs::create_directories(photos + "/day 2");
         testing::WriteTestJpeg(photos + "/day 2/inside.jpg", {});
       },
       "", 0, "p1.album p1.jpg p2.jpg"},
      {"a link to a folder",
       [&] {
         stdfs::create_directories(dir / "elsewhere");
         stdfs::create_directory_symlink(dir / "elsewhere", photos + "/more");
       },
       photos + "/more is a link to a folder and was not followed", 0},
      {"a link to nothing", [&] { stdfs::create_symlink(dir / "gone.jpg", photos + "/gone.jpg"); },
       photos + "/gone.jpg is a symbolic link that leads to no file: left out", 1},
      {"a link to a picture elsewhere",
       [&] {
         testing::WriteTestJpeg(dir / "outside.jpg", {200, 150});
         stdfs::create_symlink(dir / "outside.jpg", photos + "/outside.jpg");
       },
       "", 0, "p1.jpg p2.jpg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EmptyFolders();
    stdfs::remove_all(dir / "elsewhere");
    testing::WriteTestJpeg(photos + "/here.jpg", {});
    c.make();
    const CliResult result = NewAlbum();
    EXPECT_EQ(result.code, c.code);
    EXPECT_EQ(result.err, c.listed.empty() ? "" : "quillmere-cli: " + c.listed + "\n");
    EXPECT_EQ(ListNames(album + "/pictures"), c.pictures);
  }
}

}  // namespace
}  // namespace quillmere
