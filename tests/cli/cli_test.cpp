// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <regex>
#include <set>
#include <sstream>

#include "album/album_options.h"
#include "cli/command_line.h"
#include "cli/options.h"
#include "cli/progress_line.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"
#include "version/version.h"

namespace quillmere {
namespace {

using testing::CliResult;
using testing::ListNames;
using testing::TempFolder;
using testing::WriteFile;

class CliTest : public ::testing::Test {
 protected:
  CliResult Run(const std::vector<std::string>& args) { return testing::RunCli(args, fs); }

  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(CliTest, HelpAndVersion) {
  CliResult version = Run({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, std::string("quillmere-cli ") + kVersionText + "\n");
  CliResult help = Run({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage: quillmere-cli", 0), 0u);
  EXPECT_EQ(Run({"-h"}).out, help.out);
  // The defaults --help gives are the ones the album takes.
  for (const char* line :
       {"fit the pictures within WxH (780x560)\n", "fit the thumbnails within WxH (100x100)\n",
        "refuse pictures of more pixels (268402689)\n",
        "refuse pictures that need more memory (512)\n"}) {
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  }
  EXPECT_EQ(kDefaultPictureSize.width, 780);
  EXPECT_EQ(kDefaultThumbnailSize.height, 100);
  EXPECT_EQ(kDefaultMaxPixels, 268'402'689u);
  EXPECT_EQ(kDefaultMaxMemory, std::uint64_t{512} << 20);
}

// The lines of `text` that list the option `row`, as --help writes them.
std::size_t LinesOf(const std::string& text, const OptionRow& row) {
  std::string start = "  ";
  if (row.shortName != '\0') start += std::string("-") + row.shortName + ", ";
  start += row.name;
  std::size_t lines = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with(start) && (line.size() == start.size() || line[start.size()] == ' ')) {
      ++lines;
    }
  }
  return lines;
}

// The long options that `section` of the manual page names, as "\-\-name".
std::set<std::string> OptionsNamedIn(const std::string& section) {
  std::set<std::string> names;
  static const std::regex option(R"(\\-\\-([a-z][a-z\\-]*[a-z]))");
  for (auto it = std::sregex_iterator(section.begin(), section.end(), option);
       it != std::sregex_iterator(); ++it) {
    std::string name = "--" + (*it)[1].str();
    name.erase(std::remove(name.begin() + 2, name.end(), '\\'), name.end());
    names.insert(name);
  }
  return names;
}

// Expected: --help lists every option of the table once, grouped by task, within the 40 lines of
// a common terminal, and the manual page's options are exactly the table's.
TEST(OptionTable, HelpAndManualListEveryOptionOnce) {
  const std::string help = HelpText();
  EXPECT_LE(std::count(help.begin(), help.end(), '\n'), 38) << help;
  std::size_t at = 0;
  for (const char* heading : {"Make a site", "Make an album", "Keep an album", "Check:", "Any"}) {
    const std::size_t found = help.find(std::string("\n") + heading, at);
    EXPECT_NE(found, std::string::npos) << heading;
    at = found;
  }
  std::set<std::string> table;
  for (const OptionRow& row : OptionTable()) {
    EXPECT_EQ(LinesOf(help, row), 1u) << row.name;
    table.insert(std::string(row.name));
  }
  const std::string manual = testing::ReadFile(QUILLMERE_MANUAL_PAGE);
  const std::size_t options = manual.find("\n.SH OPTIONS");
  ASSERT_NE(options, std::string::npos);
  const std::size_t end = manual.find("\n.SH ", options + 1);
  EXPECT_EQ(OptionsNamedIn(manual.substr(options, end - options)), table);
}

TEST_F(CliTest, WrongUsageExitsWithTwo) {
  for (const auto& args : std::vector<std::vector<std::string>>{
           {}, {"--frobnicate", "x.txt"}, {"a.txt", "b.txt"}, {"-x"}}) {
    CliResult result = Run(args);
    EXPECT_EQ(result.code, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("Usage: quillmere-cli"), std::string::npos);
  }
}

TEST_F(CliTest, GeneratesSilentlyOrWithOneSummaryLine) {
  WriteFile(dir / "index.txt", "T\nt\ni\ns\n2\nA\na\nB\nb\n");
  CliResult quiet = Run({dir / "index.txt"});
  EXPECT_EQ(quiet.code, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt");
  CliResult verbose = Run({"--verbose", dir / "index.txt"});
  EXPECT_EQ(verbose.code, 0);
  EXPECT_EQ(verbose.out,
            "3 pages for " + (dir / "index.txt") + " (0 written, 3 already up to date)\n");
}

TEST_F(CliTest, FailuresPrintOneLineAndExitWithOne) {
  CliResult missing = Run({dir / "nope.txt"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.err, "quillmere-cli: File " + (dir / "nope.txt") + " was not found!\n");
  CliResult folder = Run({dir.path()});
  EXPECT_EQ(folder.code, 1);
  // A folder where an index file belongs is most likely a folder of pictures.
  EXPECT_EQ(folder.err,
            "quillmere-cli: Could not read index file " + dir.path() +
                ": Is a directory.\nquillmere-cli: to make an album of the pictures in " +
                dir.path() + ": quillmere-cli --new-album " + dir.path() + " ALBUM_FOLDER\n");
}

// A stream whose every write fails, like standard output sent to /dev/full.
class FullDevice final : public std::streambuf {
 protected:
  int_type overflow(int_type) override { return traits_type::eof(); }
  std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

TEST_F(CliTest, AFailedWriteToStandardOutputIsAFailure) {
  WriteFile(dir / "index.txt", "T\nt\ni\ns\n2\nA\na\n");
  FullDevice full;
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--verbose", dir / "index.txt"},
        std::vector<std::string>{"--check", dir / "index.txt"},
        std::vector<std::string>{"--version"}}) {
    std::ostream out(&full);
    std::ostringstream err;
    EXPECT_EQ(RunCommandLine(args, out, err, fs), 1) << args.front();
    EXPECT_EQ(err.str(), "quillmere-cli: could not write to standard output\n") << args.front();
  }
  // Nothing to say is no failure.
  std::ostream out(&full);
  std::ostringstream err;
  EXPECT_EQ(RunCommandLine(std::vector<std::string>{dir / "index.txt"}, out, err, fs), 0);
}

TEST_F(CliTest, ForceReplacesPagesThatAreNotTheProgramsOwn) {
  WriteFile(dir / "index.html", "<html>my own page</html>\n");
  WriteFile(dir / "index.txt", "T\nt\ni\ns\n2\nA\na\n");
  CliResult refused = Run({dir / "index.txt"});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "quillmere-cli: Page " + (dir / "index.html") +
                             " does not look like a page that Quillmere writes, so it was left "
                             "as it is and the run stopped.\n"
                             "quillmere-cli: --force replaces it all the same, with every "
                             "index.html and ImageN.html of the folder, without looking at them\n");
  CliResult forced = Run({"--force", dir / "index.txt"});
  EXPECT_EQ(forced.code, 0) << forced.err;
  EXPECT_EQ(ListNames(dir.path()), "Image1.html index.html index.txt");
  EXPECT_EQ(Run({"--check", "--force", dir / "index.txt"}).code, 2);
}

// Text from the file and names with control characters never reach the terminal raw.
TEST_F(CliTest, MessagesShowControlCharactersVisibly) {
  WriteFile(dir / "index.txt", "T\nt\ni\ns\n99999\x1b]0;owned\x07" + std::string(100, '9') + "\n");
  CliResult result = Run({dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.err, "quillmere-cli: Thumbnails per row \"99999\\x1b]0;owned\\x07" +
                            std::string(25, '9') + "\u2026\" in " + (dir / "index.txt") +
                            " is out of range: it must be from 1 to 10000.\n");
  CliResult missing = Run({dir / "new\nline\x1b[2J.txt"});
  EXPECT_EQ(missing.err,
            "quillmere-cli: File " + dir.path() + "new\\x0aline\\x1b[2J.txt was not found!\n");
}

// --list reads the album without writing, a journal left by an interrupted change included: aligned
// on a terminal, split by tabs for scripts, Latin-1 captions in UTF-8, "-" where a URL names files;
// captions as the album editor shows them, on one line; an entry that is an album of its own, with
// the folder it opens, only where the head says the album is one of a tree.
TEST_F(CliTest, ListsThePicturesWithTheirFiles) {
  std::filesystem::create_directory(dir / "pictures");
  std::filesystem::create_directory(dir / "thumbs");
  for (const char* file :
       {"pictures/p1.jpg", "pictures/p2.jpg", "thumbs/t1.jpg", "thumbs/t3.jpg"}) {
    WriteFile(dir / file, "");
  }
  WriteFile(dir / "index.txt",
            "T\nthumbs/t\npictures/p\ns\n3\nCaf\xe9\na\nTab\there\nb\nFish &amp; chips<BR>x\nc\n");
  WriteFile(dir / "url.txt", "U\nhttp://example.org/t\nhttp://example.org/p\ns\n3\nOne\na\n");
  WriteFile(dir / "tree.txt", "T\nthumbs/t\npictures/p\ns\n; albums\n3\nTrip\na\nTwo\nb\n");
  WriteFile(dir / "pictures/p1.album", "Lisbon 2024\n");
  WriteFile(dir / ".quillmere-journal", "left by a run cut short\n");
  const std::string names = ListNames(dir.path());
  struct Case {
    std::string file;
    bool terminal;
    int code;
    std::string out;
  };
  for (const Case& c : std::vector<Case>{
           {"index.txt", false, 0,
            "1\tp1.jpg\tyes\tyes\tCaf\u00e9\n2\tp2.jpg\tyes\tmissing\tTab here\n"
            "3\tp3.jpg\tmissing\tyes\tFish & chips x\n"},
           {"index.txt", true, 0,
            "1  p1.jpg  picture+thumbnail  Caf\u00e9\n2  p2.jpg  no thumbnail       Tab here\n"
            "3  p3.jpg  no picture         Fish & chips x\n"},
           {"url.txt", false, 0, "1\tp1.jpg\t-\t-\tOne\n"},
           {"url.txt", true, 0, "1  p1.jpg  -  One\n"},
           {"tree.txt", false, 0,
            "1\tp1.jpg\tyes\tyes\tTrip\tLisbon 2024/\n2\tp2.jpg\tyes\tmissing\tTwo\n"},
           {"tree.txt", true, 0,
            "1  p1.jpg  picture+thumbnail  Trip  [album Lisbon 2024/]\n"
            "2  p2.jpg  no thumbnail       Two\n"},
           {"nope.txt", false, 1, ""},
       }) {
    std::ostringstream out, err;
    const std::vector<std::string> args = {"--list", dir / c.file};
    EXPECT_EQ(RunCommandLine(args, Console{out, err, false, c.terminal}, fs), c.code) << c.file;
    EXPECT_EQ(out.str(), c.out) << c.file;
  }
  EXPECT_EQ(Run({"--list", dir / "nope.txt"}).err,
            "quillmere-cli: File " + (dir / "nope.txt") + " was not found!\n");
  EXPECT_EQ(Run({"--list", dir / "index.txt", dir / "url.txt"}).code, 2);
  EXPECT_EQ(ListNames(dir.path()), names);
  EXPECT_EQ(testing::ReadFile(dir / ".quillmere-journal"), "left by a run cut short\n");
}

// --check of an album of a tree checks every album below it once, each finding under its own
// index file; an entry naming the album itself or a folder out of the tree is not walked into.
TEST_F(CliTest, ChecksEveryAlbumOfATree) {
  for (const char* folder : {"pictures", "thumbs", "sub/pictures", "sub/thumbs", "out"}) {
    std::filesystem::create_directories(dir / folder);
  }
  const std::string head = "T\nthumbs/t\npictures/p\nhttp://example.org\n; albums\n3\n";
  WriteFile(dir / "index.txt", head + "Sub\na\nSelf\nb\nOut\nc\n");
  WriteFile(dir / "sub/index.txt", head + "One\na\n");
  for (const char* file :
       {"pictures/p1.jpg", "pictures/p2.jpg", "pictures/p3.jpg", "thumbs/t1.jpg", "thumbs/t2.jpg",
        "thumbs/t3.jpg", "sub/pictures/p1.jpg", "out/index.txt"}) {
    WriteFile(dir / file, "x");
  }
  WriteFile(dir / "pictures/p1.album", "sub\n");
  WriteFile(dir / "pictures/p2.album", ".\n");
  WriteFile(dir / "pictures/p3.album", "sub/../out\n");
  const CliResult result = Run({"--check", "-q", dir / "index.txt"});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.out, dir / "sub/index.txt" + ":7: thumbnail thumbs/t1.jpg is missing\n");
}

// The progress line: nothing on what is no terminal, nothing for work shorter than its delay,
// then one line rewritten in place at most ten times a second, the last count always shown, and
// blanked out at the end.
// Expected: the progress of long work shows on a terminal only, after a second, at most ten times
// a second but for the last, with the album's name, the locale's separators and, after a few
// seconds on a stage, the time left.
TEST(ProgressLine, ShowsLongWorkOnATerminalOnly) {
  using namespace std::chrono_literals;
  std::chrono::steady_clock::time_point now{};
  auto clock = [&now] { return now; };
  // A locale that groups thousands with a comma, whatever the machine's.
  struct Grouping : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
  };
  const std::locale grouping(std::locale::classic(), new Grouping);
  for (bool terminal : {false, true}) {
    std::ostringstream err;
    {
      ProgressLine line(err, terminal, "Lisbon", 1s, clock, grouping);
      line.Update({WorkStage::kPictures, 1, 12});
      now += 999ms;
      line.Update({WorkStage::kPictures, 5, 12});
      EXPECT_EQ(err.str(), "") << "not before a second has passed";
      now += 2ms;
      line.Update({WorkStage::kPictures, 9, 12});
      now += 50ms;
      line.Update({WorkStage::kPictures, 10, 12});  // too soon after the last
      line.Update({WorkStage::kPictures, 12, 12});  // but the last always shows
      line.Update(PageProgressInPictures(1, 100'001));
      now += 4s;
      line.Update(PageProgressInPictures(25'001, 100'001));
    }
    const std::string last =
        "Lisbon: writing pages, 25,000 of 100,000 pictures, about 12 seconds left";
    EXPECT_EQ(err.str(), terminal ? "\rLisbon: making pictures, 9 of 12"
                                    "\rLisbon: making pictures, 12 of 12\r" +
                                        last + "\r" + std::string(last.size(), ' ') + "\r"
                                  : "");
  }
}

// Expected: the time left goes by the pictures done, or by the work done where pictures differ
// in weight, and is not guessed before a few seconds or before anything is done.
TEST(TimeLeft, GoesByTheWorkDone) {
  using namespace std::chrono_literals;
  struct Case {
    const char* what;
    WorkProgress progress;
    std::chrono::seconds spent;
    std::optional<std::chrono::seconds> left;
  };
  const Case cases[] = {
      {"pictures", {WorkStage::kPictures, 1, 4}, 10s, 30s},
      {"a long video left", {WorkStage::kPictures, 1, 2, 1, 11}, 10s, 100s},
      {"half a video done", {WorkStage::kPictures, 0, 1, 5, 10}, 10s, 10s},
      {"too soon", {WorkStage::kPictures, 1, 4}, 2s, std::nullopt},
      {"nothing done", {WorkStage::kPictures, 0, 4, 0, 4}, 10s, std::nullopt},
      {"all done", {WorkStage::kPictures, 4, 4, 4, 4}, 10s, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TimeLeft(c.progress, c.spent), c.left) << c.what;
  }
}

}  // namespace
}  // namespace quillmere
