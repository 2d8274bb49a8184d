// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// quillmere-cli --check and --add-support-images, as a user runs them.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "album/text/album_text.h"
#include "check/site_check.h"
#include "cli/command_line.h"
#include "cli/console_words.h"
#include "run/add_support_images.h"
#include "support/cli_runner.h"
#include "support/scoped_state.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::CliResult;
using testing::ListNames;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const char* const kSupportNames[] = {"rondtl", "rondtr", "rondbl", "rondbr", "x",       "s6",
                                     "s6a",    "s8",     "s8a",    "s9",     "previmg", "nextimg"};

// Every file and folder under `folder` with its size, so that a test can tell nothing changed.
std::set<std::string> Snapshot(const std::string& folder) {
  std::set<std::string> entries;
  for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
    entries.insert(entry.path().string() + " " +
                   (entry.is_regular_file() ? std::to_string(entry.file_size()) : "folder"));
  }
  return entries;
}

std::optional<std::string> Environment(const char* name) {
  const char* value = ::getenv(name);
  return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

std::string Head(const std::string& perRow = "2") {
  return "Album\nthumbs/t\npictures/p\nsupport\n" + perRow + "\n";
}

class CheckTest : public ::testing::Test {
 protected:
  // The bundled support images come from `bundle`, each holding its own name.
  void SetUp() override {
    stdfs::create_directories(bundle / "support");
    for (const char* name : kSupportNames) {
      WriteFile(bundle / ("support/" + std::string(name) + ".gif"), "GIF " + std::string(name));
    }
  }

  CliResult Run(const std::vector<std::string>& args) { return testing::RunCli(args, fs); }

  // A site in `dir` with the given index file and every file it names, for `pictures` pictures.
  void MakeSite(const std::string& indexText, int pictures) {
    WriteFile(dir / "index.txt", indexText);
    for (const char* folder : {"thumbs", "pictures", "support"}) {
      stdfs::remove_all(dir / folder);
      stdfs::create_directories(dir / folder);
    }
    for (int n = 1; n <= pictures; ++n) {
      for (const std::string name : {"thumbs/t", "pictures/p"}) {
        WriteFile(dir / (name + std::to_string(n) + ".jpg"), "image");
      }
    }
    for (const char* name : kSupportNames)
      WriteFile(dir / ("support/" + std::string(name) + ".gif"), "gif");
  }

  // `out` without the index file's path in front of its lines.
  std::string WithoutPath(std::string out) {
    const std::string path = dir / "index.txt";
    for (std::size_t at; (at = out.find(path)) != std::string::npos;) out.erase(at, path.size());
    return out;
  }

  TempFolder dir, bundle;
  PosixFileSystem fs;
  // The folder that the build tells its programs to take the bundled images from.
  const std::optional<std::string> buildData = Environment("QUILLMERE_DATA_DIR");
  testing::ScopedEnvironmentVariable dataDir{"QUILLMERE_DATA_DIR", bundle.path()};
};

TEST_F(CheckTest, ExampleAlbumWithAMissingThumbnailAndABlankLine) {
  const std::string album = dir / "album", index = album + "/index.txt";
  stdfs::copy(QUILLMERE_EXAMPLE_ALBUM, album, stdfs::copy_options::recursive);
  CliResult clean = Run({"--check", index});
  EXPECT_EQ(clean.code, 0) << clean.out;
  EXPECT_EQ(clean.out, index + ": 8 pictures, 28 files checked, no problems\n");

  // Picture 3's thumbnail goes, and a blank line goes in before picture 4 on line 20.
  stdfs::remove(album + "/thumbs/t3.jpg");
  std::string text = ReadFile(index);
  std::size_t lineStart = 0;
  for (int line = 1; line < 20; ++line) lineStart = text.find('\n', lineStart) + 1;
  ASSERT_EQ(text.substr(lineStart, 10), "Night sky\n") << "the example album has changed";
  WriteFile(index, text.insert(lineStart, "\n"));
  const std::set<std::string> before = Snapshot(dir.path());
  CliResult broken = Run({"--check", index});
  EXPECT_EQ(broken.code, 1);
  EXPECT_EQ(broken.out,
            index + ":18: thumbnail thumbs/t3.jpg is missing\n" + index +
                ":20: blank line 20 drops line 21 with it: \"Night sky\"; every picture after it "
                "moves by one line: picture 4 now shows line 22 \"A crescent moon and countless "
                "stars over\u2026\" as its caption\n" +
                index + ": hint: quillmere-cli --make-thumbnails " + index +
                " makes the missing thumbnails from their pictures\n" + index +
                ": 8 pictures, 28 files checked, 2 problems\n");
  EXPECT_EQ(broken.err, "");
  EXPECT_EQ(Snapshot(dir.path()), before) << "a check must write nothing";
}

// Each kind of problem, as --check --quiet prints it; a check that finds one exits with 1.
TEST_F(CheckTest, EachKindOfProblemIsNamedWithItsLine) {
  const std::string perRow = ": thumbnails per row ", longLine(100, 'x');
  struct Case {
    std::string index;
    int pictures;
    std::string problems;
    // The index file whose pages the site holds, written before the index file became `index`.
    std::string pagesOf = {};
  };
  const std::string older = "is older than the index file's content; the next run writes it anew\n";
  const Case cases[] = {
      // Line 8 is blank and takes the dunes' caption with it; their description becomes a
      // caption, and so on to the end.
      {Head() + "Beach\nThe beach at noon.\n\nDunes\nGrass in the wind.\nHarbour\nBoats.\n", 3,
       ":8: blank line 8 drops line 9 with it: \"Dunes\"; every picture after it moves by one "
       "line: picture 2 now shows line 10 \"Grass in the wind.\" as its caption\n"},
      {Head() + "\n" + longLine + "\n", 0,
       ":6: blank line 6 drops line 7 with it: \"" + longLine.substr(0, 40) +
           "\u2026\"; no picture comes after it\n"},
      // A file that ends after a caption gives its picture no description.
      {Head() + "Beach\nThe beach at noon.\nDunes\n", 2,
       ":8: picture 2 has no description line: the file ends after its caption\n"},
      // Two blank lines, a blank line after a comment and a blank last line keep pairs in step.
      {Head() + "A\na\n\n\n; the next ones\n\nB\nb\n\n", 2, ""},
      {Head("4 per row") + "A\na\n", 1,
       ":5" + perRow + "\"4 per row\" is not a plain whole number; it reads as 4\n"},
      {Head("four") + "A\na\n", 1,
       ":5" + perRow +
           "\"four\" is not a plain whole number; it reads as 0, so each row holds 1 thumbnail\n"},
      {Head("0") + "A\na\n", 1,
       ":5" + perRow + "\"0\" is below 1, so each row holds 1 thumbnail\n"},
      // Comments and blank lines in the head move the fifth value down.
      {"; album\nAlbum\n\nthumbs/t\npictures/p\nsupport\n; per row\n1 2\nA\na\n", 1,
       ":8" + perRow + "\"1 2\" is not a plain whole number; it reads as 12\n"},
      {"Album\nthumbs/t\npictures/p\nsupport\n", 0,
       ": the head ends after 4 values of five, so no picture is read\n"},
      // Names with a URL scheme point elsewhere and are not looked for; a colon after a space
      // makes no scheme, so that name is a file in the site folder.
      {"Album\nhttps://example.com/t\n//cdn.example.com/p\nfile:gfx\n1\nA\na\n", 1, ""},
      {"Album\nthumbs/t\nmy pics: old/p\nsupport\n1\nA\na\n", 1,
       ":6: picture my pics: old/p1.jpg is missing\n"},
      // Pages that a change cut short left as they were.
      {Head() + "A\nchanged\n", 1,
       ": page Image2.html is left over from an earlier run with more pictures\n: page "
       "index.html " +
           older + ": page Image1.html " + older,
       Head() + "A\na\nB\nb\n"},
      {Head() + "A\na\nB\nb\n", 2,
       ": page index.html " + older + ": page Image1.html " + older +
           ": page Image2.html is missing; the next run writes it\n",
       Head() + "A\na\n"},
      {Head() + "A\na\n", 1, "", Head() + "A\na\n"}};
  for (const Case& c : cases) {
    MakeSite(c.pagesOf.empty() ? c.index : c.pagesOf, c.pictures);
    if (!c.pagesOf.empty()) {
      for (const auto& entry : stdfs::directory_iterator(dir.path())) {
        if (entry.path().extension() == ".html") stdfs::remove(entry.path());
      }
      ASSERT_EQ(Run({dir / "index.txt"}).code, 0);
      WriteFile(dir / "index.txt", c.index);
    }
    CliResult result = Run({"--check", "--quiet", dir / "index.txt"});
    EXPECT_EQ(WithoutPath(result.out), c.problems) << c.index;
    EXPECT_EQ(result.code, c.problems.empty() ? 0 : 1) << c.index;
  }
}

// An entry of a site with videos is checked with its video: the video is whole, or a problem.
TEST_F(CheckTest, AVideoIsCheckedBesideItsPoster) {
  const std::string whole = std::string("\0\0\0\x08moov", 8);
  const struct {
    std::string video;
    std::string problems;
  } cases[] = {
      {whole, ""},
      {whole + std::string("\0\0\x10\0mdat", 8),
       ":9: video pictures/p2.mp4 ends early: the video is cut short\n"},
      {"", ":9: video pictures/p2.mp4 is empty (0 bytes)\n"},
  };
  for (const auto& c : cases) {
    MakeSite("; videos\n" + Head() + "A\na\nB\nb\n", 2);
    WriteFile(dir / "pictures/p2.mp4", c.video);
    CliResult result = Run({"--check", "--quiet", dir / "index.txt"});
    EXPECT_EQ(WithoutPath(result.out), c.problems);
    EXPECT_EQ(result.code, c.problems.empty() ? 0 : 1);
  }
}

// The manual's example: a picture commented out whose files were not renumbered, as the user
// reads it; once the files are renumbered, the same lines are a note.
TEST_F(CheckTest, APictureCommentedOutWithoutRenumberingItsFilesIsAProblem) {
  MakeSite(
      "; Holiday pictures\nSummer by the sea\nthumbs/t\npictures/p\nsupport\n4\n"
      "Beach\nThe beach at noon, seen from the dunes.\n"
      ";Harbour\nBoats in the old harbour: left out for now.\n"
      "Dunes\nGrass on the dunes in the evening wind.\n",
      3);
  CliResult notRenumbered = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(notRenumbered.code, 1);
  EXPECT_EQ(WithoutPath(notRenumbered.out),
            ":9: comment line 9 drops line 10 with it: \"Boats in the old harbour: left out for "
            "n\u2026\"; the lines after it stay in step, but pictures/p3.jpg lies beyond the last "
            "picture: the picture files were likely not renumbered, so from picture 2 \"Dunes\" "
            "on each caption likely stands with the picture before its own\n"
            ": 2 pictures, 16 files checked, 1 problem\n");

  stdfs::remove(dir / "pictures/p3.jpg");
  stdfs::remove(dir / "thumbs/t3.jpg");
  CliResult renumbered = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(renumbered.code, 0);
  EXPECT_NE(renumbered.out.find(":9: note: comment line 9 drops line 10"), std::string::npos)
      << renumbered.out;
  EXPECT_EQ(Run({"--check", "-q", dir / "index.txt"}).out, "");
}

// The lines of an album's index file as --new-album writes them: captions from the pictures'
// file names (IMG_2041.jpg ...), descriptions from the dates they were taken.
std::vector<std::string> NewAlbumLines(int pictures) {
  std::vector<PicturePair> pairs;
  for (int n = 1; n <= pictures; ++n) {
    const std::string minute = std::to_string(10 + n);
    pairs.push_back({CaptionFromFileName("IMG_" + std::to_string(2040 + n) + ".jpg"),
                     DateTakenText("2024:06:02 08:" + minute + ":00")});
  }
  std::istringstream text(NewIndexText({"Lisbon", "thumbs/t", "pictures/p", "support", 5}, pairs));
  std::vector<std::string> lines;
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// `lines` with line `number` (from 1) taken out, or `added` put in its place before it, or
// commented out.
std::string WithoutLine(std::vector<std::string> lines, int number) {
  lines.erase(lines.begin() + number - 1);
  return Joined(lines);
}
std::string WithLineBefore(std::vector<std::string> lines, int number, const std::string& added) {
  lines.insert(lines.begin() + number - 1, added);
  return Joined(lines);
}
std::string WithCommentedLines(std::vector<std::string> lines, const std::vector<int>& numbers) {
  for (int number : numbers) lines[number - 1] = ";" + lines[number - 1];
  return Joined(lines);
}

// What a finding of a check is about, told by the words that carry its meaning: its line, note
// or problem, its kind, and the line it names as where a move likely starts.
std::string Gist(const Finding& finding) {
  static const std::pair<const char*, const char*> kKinds[] = {
      {"may have moved", "unclear"},
      {"not renumbered", "files not renumbered"},
      {"not on this machine", "files not checked"},
      {"in step again", "in step again"},
      {"by one line", "moved"},
      {"one line off", "moved"},
      {"stay in step", "in step"},
      {"no picture comes after it", "last"},
      {"no description line", "no description"},
      {"a comment only where a caption belongs", "comment as description"},
      {"is missing", "missing"}};
  std::string gist = std::to_string(finding.line) + (finding.note ? " note " : " ");
  for (const auto& [words, kind] : kKinds) {
    if (finding.text.find(words) == std::string::npos) continue;
    gist += kind;
    break;
  }
  if (const std::size_t at = finding.text.find("most likely at line "); at != std::string::npos) {
    gist += " at " + finding.text.substr(at + 20);
  }
  return gist;
}

// Where the lines of an index file move by one line against their pictures, and what is told when
// the lines or the files cannot show it: albums as --new-album writes them with a line added,
// dropped or commented out, short and hand-written files, a file that ends after a caption.
TEST_F(CheckTest, LinesThatMoveAgainstTheirPicturesAreFoundWhereTheMoveStarts) {
  const std::vector<std::string> album = NewAlbumLines(30);
  std::vector<std::string> remote = album;
  remote[1] = "https://example.com/t";
  remote[2] = "https://example.com/p";
  const std::string beach = "Beach\nThe beach at noon, seen from the <B>dunes</B>.\n";
  const std::string dunes = "Dunes\nWind-shaped dunes in the evening light.\n";
  const std::string harbour = "Harbour\nBoats at rest in the old harbour, with gulls above.\n";
  const std::string forest = "Forest\nPointed trees fade into the morning mist.\n";
  struct Case {
    const char* what;
    std::string index;
    int pictureFiles;
    std::vector<std::string> gists;
    const char* missingFile = nullptr;
  };
  const Case cases[] = {
      // Picture 4 (lines 12 and 13) of an album of 30.
      {"a blank line before picture 4", WithLineBefore(album, 12, ""), 30, {"12 moved"}},
      {"picture 4's description deleted", WithoutLine(album, 13), 30, {"13 moved"}},
      {"picture 4's caption deleted", WithoutLine(album, 12), 30, {"12 moved"}},
      {"picture 1's description deleted", WithoutLine(album, 7), 30, {"7 moved"}},
      {"a stray caption before picture 4's description",
       WithLineBefore(album, 13, "IMG 9999"),
       30,
       {"13 moved", "66 missing", "66 missing"}},
      {"a stray description before picture 4",
       WithLineBefore(album, 12, "A quiet morning."),
       30,
       {"13 moved", "66 missing", "66 missing"}},
      {"picture 4 commented out, its files not renumbered",
       WithCommentedLines(album, {12}),
       30,
       {"12 files not renumbered"}},
      {"picture 4 commented out line by line",
       WithCommentedLines(album, {12, 13}),
       30,
       {"12 files not renumbered"}},
      {"picture 4 commented out, the files renumbered",
       WithCommentedLines(album, {12}),
       29,
       {"12 note in step"}},
      {"picture 4 commented out line by line, the files renumbered",
       WithCommentedLines(album, {12, 13}),
       29,
       {}},
      {"the last picture commented out", WithCommentedLines(album, {64}), 30, {"64 note last"}},
      {"picture 4's description commented out, its thumbnail missing",
       WithCommentedLines(album, {13}),
       30,
       {"12 missing", "13 comment as description"},
       "thumbs/t4.jpg"},
      {"picture 4 commented out, its files elsewhere",
       WithCommentedLines(remote, {12}),
       0,
       {"12 files not checked"}},
      // Short descriptions that start like their captions, and a blank line that the last
      // caption without its description gives away.
      {"a blank line among three pictures",
       Head() +
           "Alpha\nAlpha is first\n\nBravo\nBravo goes second here\nCharlie\nCharlie ends it\n",
       3,
       {"8 moved"}},
      {"the first description deleted from a short file",
       Head() + "Hill\nSea\ncalm water\nRock\ngrey stone\nChurch\nold tower\n",
       4,
       {"12 no description at 7"}},
      {"lines that could be captions or descriptions",
       Head() + "Beach\nSunny\n\nDunes\nWindy\nHarbour\nBoats\n",
       3,
       {"8 unclear"}},
      {"a picture commented out", Head() + beach + ";" + dunes + harbour, 2, {"8 note in step"}},
      {"a comment between two pictures",
       Head() + beach + "; the dunes come next\n" + dunes + harbour,
       3,
       {"8 moved"}},
      // The second stray line drops the harbour's description, and brings the pictures back.
      {"two stray lines that cancel out",
       Head() + beach + "\n" + dunes +
           "Harbour\n;\nBoats at rest in the old harbour, with gulls above.\n" + forest,
       3,
       {"8 moved", "12 in step again"}},
      {"a last caption without its description",
       Head() + beach + "Dunes\n",
       2,
       {"8 no description"}}};
  for (const Case& c : cases) {
    MakeSite(c.index, c.pictureFiles);
    if (c.missingFile != nullptr) stdfs::remove(dir / c.missingFile);
    std::vector<std::string> gists;
    const auto result = CheckSite(
        dir / "index.txt", fs,
        [&](const Finding& finding) {
          if (finding.line != 0) gists.push_back(Gist(finding));
        },
        CommandLineWords());
    ASSERT_TRUE(result.ok()) << c.what;
    EXPECT_EQ(gists, c.gists) << c.what;
  }
}

TEST_F(CheckTest, PicturePagesLeftFromAnEarlierRun) {
  MakeSite(Head() + "A\na\nB\nb\n", 2);
  for (const char* name :
       {"Image1.html", "Image2.html", "Image3.html", "Image10.html", "Image03.html", "image4.html",
        "Image4.htm", "Image4.html.bak", "Image.html", "Image99999999999999999999999.html"}) {
    WriteFile(dir / name, "old page");
  }
  const std::string left = " is left over from an earlier run with more pictures\n";
  EXPECT_EQ(WithoutPath(Run({"--check", "--quiet", dir / "index.txt"}).out),
            ": page Image3.html" + left + ": page Image10.html" + left +
                ": page Image99999999999999999999999.html" + left +
                ": page Image1.html is no page of this program, so a run leaves it alone and stops "
                "there\n: page index.html is missing; the next run writes it\n");
}

TEST_F(CheckTest, MissingThumbnailsAndPicturesAreNamedAsTheIndexFileWasGiven) {
  MakeSite(Head() + "A\na\nB\nb\n", 2);
  stdfs::remove(dir / "pictures/p2.jpg");
  stdfs::remove(dir / "thumbs/t1.jpg");
  stdfs::create_directories(dir / "thumbs/t1.jpg");
  auto problems = [](const std::string& index) {
    return index + ":6: thumbnail thumbs/t1.jpg is not a file\n" + index +
           ":8: picture pictures/p2.jpg is missing\n";
  };
  testing::ScopedWorkingFolder inSite(dir.path());
  CliResult here = Run({"--check", "index.txt"});
  EXPECT_EQ(here.code, 1);
  EXPECT_EQ(here.out,
            problems("index.txt") + "index.txt: 2 pictures, 16 files checked, 2 problems\n");
  // From elsewhere the names are still taken relative to the index file's folder.
  testing::ScopedWorkingFolder inThumbnails(dir / "thumbs");
  EXPECT_EQ(Run({"--check", "--quiet", "../index.txt"}).out, problems("../index.txt"));
}

TEST_F(CheckTest, MissingSupportImagesComeWithAHint) {
  MakeSite(Head() + "A\na\n", 1);
  stdfs::remove(dir / "support/s6a.gif");
  stdfs::remove(dir / "support/rondtl.gif");
  const std::string missing =
      ": support image support/rondtl.gif is missing\n: support image support/s6a.gif is missing\n";
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(WithoutPath(result.out), missing + ": hint: quillmere-cli --add-support-images " +
                                         " copies the missing support images\n" +
                                         ": 1 picture, 14 files checked, 2 problems\n");
  EXPECT_EQ(WithoutPath(Run({"--check", "--quiet", dir / "index.txt"}).out), missing);
}

TEST_F(CheckTest, AddSupportImagesCopiesIntoANewFolderAndNeverReplacesWhatIsThere) {
  WriteFile(dir / "index.txt", "Album\nt\np\ngfx/site\n1\n");
  CliResult result = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(result.code, 0) << result.err;
  std::string expected;
  for (const char* name : kSupportNames) {
    expected += "copied gfx/site/" + std::string(name) + ".gif\n";
    EXPECT_EQ(ReadFile(dir / ("gfx/site/" + std::string(name) + ".gif")),
              "GIF " + std::string(name));
  }
  const std::string fromInto = (bundle / "support") + " into " + (dir / "gfx/site");
  EXPECT_EQ(result.out, expected + "12 support images copied from " + fromInto + "\n");

  // What is there stays, a file of one's own or a folder in an image's place.
  WriteFile(dir / "gfx/site/x.gif", "my own spacer");
  stdfs::remove(dir / "gfx/site/s9.gif");
  stdfs::create_directories(dir / "gfx/site/s9.gif");
  stdfs::remove(dir / "gfx/site/nextimg.gif");
  CliResult again = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_EQ(again.out, "copied gfx/site/nextimg.gif\n1 support image copied from " + fromInto +
                           ", 11 already there\n");
  EXPECT_EQ(ReadFile(dir / "gfx/site/x.gif"), "my own spacer");
  EXPECT_TRUE(stdfs::is_directory(dir / "gfx/site/s9.gif"));
  EXPECT_EQ(Run({"--add-support-images", dir / "index.txt"}).out,
            "All 12 support images are already in " + (dir / "gfx/site") + "; nothing copied\n");
  EXPECT_EQ(Run({"--add-support-images", "--quiet", dir / "index.txt"}).out, "");
}

// In the build tree the bundled images are where the build's variable says: the example album's.
TEST_F(CheckTest, AddSupportImagesTakesTheSetTheBuildNames) {
  ASSERT_TRUE(buildData.has_value()) << "the build sets QUILLMERE_DATA_DIR for its tests";
  testing::ScopedEnvironmentVariable fromBuild("QUILLMERE_DATA_DIR", buildData);
  WriteFile(dir / "index.txt", Head());
  CliResult result = Run({"--add-support-images", "-q", dir / "index.txt"});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.out, "");
  for (const char* name : kSupportNames) {
    std::string image = "support/" + std::string(name) + ".gif";
    EXPECT_EQ(ReadFile(dir / image), ReadFile(QUILLMERE_EXAMPLE_ALBUM "/" + image));
  }
}

// Without the variable a program looks beside itself only, as where it is installed: never in
// the source tree it was built from.
// Without the variable, a program finds the set where it is installed beside it, as the build
// tree holds it too; with it, only the folder it names counts, and one without the set is named.
TEST_F(CheckTest, TheSupportImagesAreFoundBesideTheProgramOrWhereTheVariableSays) {
  WriteFile(dir / "index.txt", Head());
  {
    testing::ScopedEnvironmentVariable unset("QUILLMERE_DATA_DIR", std::nullopt);
    const std::string beside =
        (stdfs::read_symlink("/proc/self/exe").parent_path() / "../share/quillmere/support")
            .lexically_normal()
            .string();
    EXPECT_EQ(SupportImageSources(), std::vector<std::string>{beside});
    CliResult result = Run({"--add-support-images", dir / "index.txt"});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_FALSE(stdfs::is_empty(dir / "support"));
  }
  const std::string nowhere = dir / "nowhere";
  testing::ScopedEnvironmentVariable elsewhere("QUILLMERE_DATA_DIR", nowhere);
  stdfs::remove_all(dir / "support");
  CliResult result = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("were not found (looked in " + nowhere + "/support)"),
            std::string::npos)
      << result.err;
  EXPECT_EQ(ListNames(dir.path()), "index.txt");
}

// A refusal prints one message, exits with 1 (2 for wrong usage) and writes nothing.
TEST_F(CheckTest, RefusalsPrintOneMessageAndExitWithTheirCode) {
  const bool rootHadImage = stdfs::exists("/rondtl.gif");
  WriteFile(dir / "blocked", "a file where a folder should be");
  const std::string index = dir / "index.txt", usage = "Usage: quillmere-cli";
  struct Case {
    std::string indexText;
    std::vector<std::string> args;
    int code;
    std::string error;
  };
  for (const Case& c : std::vector<Case>{
           {"", {"--check", dir / "nope.txt"}, 1, "File " + (dir / "nope.txt") + " was not found!"},
           {"", {"--add-support-images", dir / "nope.txt"}, 1, "was not found!"},
           {Head("100000") + "A\na\n", {"--check", index}, 1, "out of range"},
           {"Album\nt\np\n", {"--add-support-images", index}, 1, "names no support folder"},
           {"Album\nt\np\nhttp://example.com/gfx\n1\n",
            {"--add-support-images", index},
            1,
            "is not on this machine"},
           {"Album\nt\np\nblocked/gfx\n1\n",
            {"--add-support-images", index},
            1,
            "Could not create the support folder"},
           {"", {"--check"}, 2, usage},
           {"", {"--check", "a.txt", "b.txt"}, 2, usage},
           {"", {"--check", "--add-support-images", "a.txt"}, 2, usage},
           {"", {"--check", "--quiet", "--verbose", "a.txt"}, 2, usage}}) {
    WriteFile(index, c.indexText);
    CliResult result = Run(c.args);
    EXPECT_EQ(result.code, c.code) << c.indexText;
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
    EXPECT_EQ(ListNames(dir.path()), "blocked index.txt");
  }
  EXPECT_EQ(stdfs::exists("/rondtl.gif"), rootHadImage);
  WriteFile(index, Head("100000") + "A\na\n");
  EXPECT_EQ(Run({"--check", index}).err, Run({index}).err) << "the same words as a run";

  // A bundled set with an image missing is not copied at all.
  stdfs::remove(bundle / "support/s8.gif");
  WriteFile(index, Head());
  CliResult incomplete = Run({"--add-support-images", index});
  EXPECT_EQ(incomplete.code, 1);
  EXPECT_EQ(incomplete.err, "quillmere-cli: The bundled support image s8.gif is missing from " +
                                (bundle / "support") + ".\n");
  EXPECT_EQ(ListNames(dir.path()), "blocked index.txt");
}

// A file of many dropped pairs lists the first hundred and counts the rest, so that a check
// needs no more memory than a run, however many there are.
TEST_F(CheckTest, ManyDroppedPairsAreCountedButOnlyAHundredListed) {
  std::string text = Head();
  for (int n = 0; n < 150; ++n) text += "\nlost\n";
  MakeSite(text, 0);
  CliResult result = Run({"--check", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  const std::string out = WithoutPath(result.out);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 102);
  EXPECT_NE(out.find(":204: blank line 204 drops line 205 with it: \"lost\"; "), std::string::npos);
  EXPECT_EQ(out.find(":206: "), std::string::npos);
  EXPECT_NE(out.find(": and 50 more dropped pairs not listed (the first 100 are)\n"),
            std::string::npos);
  EXPECT_NE(out.find(": 0 pictures, 12 files checked, 150 problems\n"), std::string::npos);
}

// The index file as one of the pages is a problem a check names, as a run refuses it.
TEST_F(CheckTest, AnIndexFileThatIsAPageIsAProblem) {
  MakeSite(Head() + "A\na\n", 1);
  stdfs::rename(dir / "index.txt", dir / "Image1.html");
  CliResult result = Run({"--check", "--quiet", dir / "Image1.html"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, (dir / "Image1.html") +
                            ": the index file is the page Image1.html itself, which a run would "
                            "write over; a run refuses it\n");
}

// A support image that is a link to nothing is missing to --check, and --add-support-images
// neither writes through it nor says that every image is there.
TEST_F(CheckTest, ALinkToNothingIsAMissingSupportImageThatIsLeftAlone) {
  MakeSite(Head() + "A\na\n", 1);
  stdfs::remove(dir / "support/x.gif");
  stdfs::create_symlink(dir / "elsewhere/x.gif", dir / "support/x.gif");
  EXPECT_EQ(WithoutPath(Run({"--check", "-q", dir / "index.txt"}).out),
            ": support image support/x.gif is missing\n");
  CliResult add = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(add.code, 1);
  EXPECT_EQ(add.err,
            "quillmere-cli: support/x.gif is a symbolic link to a file that does not "
            "exist; it was left as it is\n");
  EXPECT_EQ(add.out, "0 support images copied from " + (bundle / "support") + " into " +
                         (dir / "support") + ", 11 already there, 1 left missing\n");
  EXPECT_FALSE(stdfs::exists(dir / "elsewhere"));
}

// A support folder whose name holds a NUL byte names no folder: nothing is created or copied.
TEST_F(CheckTest, ASupportFolderWithANulByteIsRefused) {
  // The NUL byte stands beyond the start of the file, where it would make the file no text.
  WriteFile(dir / "index.txt",
            std::string(8000, ';') + std::string("\nAlbum\nt\np\ngfx\0x\n1\n", 20));
  CliResult add = Run({"--add-support-images", dir / "index.txt"});
  EXPECT_EQ(add.code, 1);
  EXPECT_EQ(add.err, "quillmere-cli: Could not create the support folder " + dir.path() +
                         "gfx\\x00x: Invalid argument.\n");
  EXPECT_EQ(ListNames(dir.path()), "index.txt");
}

}  // namespace
}  // namespace quillmere
