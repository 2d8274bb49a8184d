// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Hostile index files, hostile names and hostile entries in the site folder. Each test states the
// outcome it expects: the pages the rules give, or a clear message with nothing written; never a
// crash, a hang or a write outside the site folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console_words.h"
#include "index/index_file.h"
#include "run/generate.h"
#include "site/page_output.h"
#include "support/cli_runner.h"
#include "support/failure_subject.h"
#include "support/reference_site.h"
#include "support/scoped_state.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ListNames;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const std::string kAlbum =
    "Album\r\nthumbs/t\r\npics/p\r\nsupport\r\n3\r\nOne\r\nFirst\r\nTwo\r\nSecond\r\n";

// Expects `folder` to hold exactly the model's pages for `text` besides `others`.
void ExpectSite(const std::string& folder, const std::string& text,
                const std::string& others = "index.txt") {
  std::vector<std::string> names{others};
  for (const auto& [name, bytes] : testing::ReferencePages(text)) {
    EXPECT_EQ(ReadFile(folder + name), bytes) << name;
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(folder + name)))
        << name;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::string joined;
  for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
  EXPECT_EQ(ListNames(folder), joined);
}

// Kills the test instead of letting it hang when a run blocks.
class Watchdog {
 public:
  explicit Watchdog(unsigned seconds) { ::alarm(seconds); }
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;
  ~Watchdog() { ::alarm(0); }
};

class HostileTest : public ::testing::Test {
 protected:
  RunOutcome Generate(const std::string& text, const std::string& name = "index.txt") {
    WriteFile(dir / name, text);
    return GenerateSite(dir / name, fs);
  }

  TempFolder dir;
  PosixFileSystem fs;
};

// --- Index file content ---------------------------------------------------------------------

// Expected: a run that writes an index page with an empty title and an empty grid, and no
// picture page.
TEST_F(HostileTest, EmptyFileGivesAnEmptyIndexPage) {
  RunOutcome outcome = Generate("");
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(outcome.pictureCount, 0);
  ExpectSite(dir.path(), "");
  EXPECT_NE(ReadFile(dir / "index.html").find("<TITLE></TITLE>"), std::string::npos);
}

// Expected: as for an empty file; the comments are skipped however they are written.
TEST_F(HostileTest, FileOfOnlyCommentsGivesAnEmptyIndexPage) {
  const std::string text = "; one\r\n;\r\n   ; indented\r\n\r\n  \r\n;; last, no line end";
  RunOutcome outcome = Generate(text);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(outcome.pictureCount, 0);
  ExpectSite(dir.path(), text);
  EXPECT_EQ(ReadFile(dir / "index.html"), testing::ReferencePages("")["index.html"]);
}

// Expected: CR alone ends lines just like CR LF; NUL bytes past the start of the file are
// ordinary characters that reach the pages unchanged.
TEST_F(HostileTest, CarriageReturnsAloneAndNulBytesAreReadByTheRules) {
  const std::string crOnly = "Title\rt/\rp/\rs\r2\rOne\rFirst\rTwo\rSecond\r";
  ASSERT_TRUE(Generate(crOnly).ok());
  ExpectSite(dir.path(), crOnly);

  TempFolder other;
  const std::string nul =
      std::string(8000, ';') + "\nTitle\nt\ni\ns\n1\n" + std::string("A\0\nB\0b\n", 7);
  WriteFile(other / "index.txt", nul);
  ASSERT_TRUE(GenerateSite(other / "index.txt", fs).ok());
  ExpectSite(other.path(), nul);
  EXPECT_NE(ReadFile(other / "Image1.html").find(std::string("B\0b", 3)), std::string::npos);
}

// Expected: a picture, or any file with a NUL byte among its first 8000 bytes, chosen as the
// index file (through "All Files" in the window) is refused with a message naming it; nothing is
// written, not even over an existing site.
TEST_F(HostileTest, BinaryFileIsNoIndexFileAndNothingIsWritten) {
  ASSERT_TRUE(Generate(kAlbum).ok());
  const std::string before = ReadFile(dir / "index.html");
  const std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 20);
  WriteFile(dir / "p1.jpg", jpeg + std::string(5000, 'x'));
  RunOutcome outcome = GenerateSite(dir / "p1.jpg", fs);
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::NotText>());
  EXPECT_EQ(testing::SubjectOf(*outcome.failure), dir / "p1.jpg");
  EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt p1.jpg");
  EXPECT_EQ(ReadFile(dir / "index.html"), before);
}

// Expected: a number on the fifth value line that cannot be a count of thumbnails per row is
// refused with a message naming it, and nothing is written, not even over an existing site.
TEST_F(HostileTest, HugeThumbnailsPerRowIsRefusedAndNothingIsWritten) {
  ASSERT_TRUE(Generate(kAlbum).ok());
  const std::string before = ReadFile(dir / "index.html");
  for (const std::string& number :
       {std::string(400, '9'), "-" + std::string(400, '7'), std::string("&HFFFFFFFFFF"),
        std::string("&O77777777777777777777777"), std::string("2147483648"),
        std::string("10001")}) {
    SCOPED_TRACE(number);
    RunOutcome outcome = Generate("T\r\nt\r\ni\r\ns\r\n" + number + "\r\nNew\r\nnew\r\n");
    ASSERT_TRUE(outcome.failure) << "the run wrote the site";
    EXPECT_TRUE(outcome.failure->Is<RunFailure::BadPicsPerRow>());
    const std::string quoted =
        number.size() > 40 ? number.substr(0, 40) + "\u2026" : number;  // at most 40 characters
    EXPECT_EQ(Describe(outcome, CommandLineWords()),
              "Thumbnails per row \"" + quoted + "\" in " + (dir / "index.txt") +
                  " is out of range: it must be from 1 to 10000.");
    EXPECT_EQ(outcome.pages.written, 0u);
    EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt");
    EXPECT_EQ(ReadFile(dir / "index.html"), before);
  }
}

// Expected: the number is read from the start of the line and stops at the first character that
// cannot continue it, so an exponent is not part of it ("1e400" is 1); "-0.5" rounds to 0 (a
// half goes to the even neighbour), which makes 1 thumbnail per row; 400 digits that are leading
// zeros are a small number.
TEST_F(HostileTest, OddNumbersOnTheFifthValueLineGiveTheRulesCount) {
  const std::vector<std::pair<std::string, std::int32_t>> cases = {
      {"1e400", 1}, {"-0.5", 1}, {"1E+400", 1}, {std::string(400, '0') + "4", 4},
      {"0.5", 1},   {"2.5", 2},  {"3.5", 4},    {"&H10", 16},
      {"-3", 1},    {"four", 1}, {"1 2", 12},   {"9.5e-400", 10}};
  for (const auto& [number, perRow] : cases) {
    SCOPED_TRACE(number);
    const std::string text = "T\r\nt\r\ni\r\ns\r\n" + number + "\r\nA\r\na\r\nB\r\nb\r\n";
    auto parsed = ParseIndexText(text);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.value().head.PicsPerRow, perRow);
    RunOutcome outcome = Generate(text);
    ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
    ExpectSite(dir.path(), text);
  }
}

// --- What the chosen path names -------------------------------------------------------------

// Expected: a FIFO is no index file: the run says the file was not found, without waiting for a
// writer, and writes nothing. Read directly, it is refused at once as not a regular file.
TEST_F(HostileTest, FifoIsNotReadAndNothingIsWritten) {
  ASSERT_EQ(::mkfifo((dir / "index.txt").c_str(), 0600), 0);
  Watchdog watchdog(20);
  RunOutcome outcome = GenerateSite(dir / "index.txt", fs);
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::NotFound>());
  EXPECT_EQ(Describe(outcome, CommandLineWords()),
            "File " + (dir / "index.txt") + " was not found!");
  auto read = ReadIndexFile(dir / "index.txt", fs);
  ASSERT_TRUE(!read.ok());
  EXPECT_EQ(read.error().systemError, FileError::kNotRegularFile);
  EXPECT_EQ(ListNames(dir.path()), "index.txt");
}

// Expected: a folder exists but cannot be read as an index file: "Is a directory", nothing
// written.
TEST_F(HostileTest, FolderIsReportedAsUnreadableAndNothingIsWritten) {
  std::filesystem::create_directory(dir / "album.txt");
  RunOutcome outcome = GenerateSite(dir / "album.txt", fs);
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::IndexUnreadable>());
  EXPECT_EQ(testing::SubjectOf(*outcome.failure), dir / "album.txt");
  EXPECT_EQ(outcome.failure->error(), std::errc::is_a_directory);
  EXPECT_EQ(ListNames(dir.path()), "album.txt");
  EXPECT_EQ(ListNames(dir / "album.txt"), "");
}

// Expected: a link that leads nowhere, or round in a loop, names no file: "was not found!",
// nothing written.
TEST_F(HostileTest, DanglingLinkAndLinkLoopsAreNotFoundAndNothingIsWritten) {
  ASSERT_EQ(::symlink((dir / "gone.txt").c_str(), (dir / "dangling.txt").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "loop-b.txt").c_str(), (dir / "loop-a.txt").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "loop-a.txt").c_str(), (dir / "loop-b.txt").c_str()), 0);
  ASSERT_EQ(::symlink("self.txt", (dir / "self.txt").c_str()), 0);
  for (const char* name : {"dangling.txt", "loop-a.txt", "self.txt"}) {
    SCOPED_TRACE(name);
    Watchdog watchdog(20);
    RunOutcome outcome = GenerateSite(dir / name, fs);
    ASSERT_TRUE(outcome.failure) << "the run wrote the site";
    EXPECT_TRUE(outcome.failure->Is<RunFailure::NotFound>());
    EXPECT_EQ(Describe(outcome, CommandLineWords()), "File " + (dir / name) + " was not found!");
  }
  EXPECT_EQ(ListNames(dir.path()), "dangling.txt loop-a.txt loop-b.txt self.txt");
}

// Expected: an index file whose name holds spaces, quotes, brackets, "*" and a leading "-" is
// read like any other, and the pages land beside it. "*" and "?" are wildcards to the existence
// check, so such a name also matches itself.
TEST_F(HostileTest, IndexFileWithAHostileNameIsReadLikeAnyOther) {
  const std::string name = "-my \"best\" 'album' [2024] (draft) {x} * ? ;|&<>.txt";
  RunOutcome outcome = Generate(kAlbum, name);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(outcome.siteFolder, dir.path());
  ExpectSite(dir.path(), kAlbum, name);
}

// Expected: the command line takes a leading "-" for an option unless "--" comes first; either
// way nothing but the named file is read and nothing is written on a usage error.
TEST_F(HostileTest, LeadingDashNameOnTheCommandLine) {
  const std::string name = "-v [x] *.txt";
  WriteFile(dir / name, kAlbum);
  testing::ScopedWorkingFolder inSite(dir.path());
  testing::CliResult asOption = testing::RunCli({name}, fs);
  std::string afterOption = ListNames(dir.path());
  testing::CliResult asFile = testing::RunCli({"--", name}, fs);
  EXPECT_EQ(asOption.code, kExitUsage);
  EXPECT_EQ(afterOption, name);
  EXPECT_EQ(asFile.code, kExitOk) << asFile.err;
  ExpectSite(dir.path(), kAlbum, name);
}

// Expected: when the chosen name holds "*" and another file matches it, the existence check
// passes, but the named file itself cannot be opened: a clear message, nothing written.
TEST_F(HostileTest, WildcardNameThatOnlyMatchesAnotherFileIsUnreadable) {
  WriteFile(dir / "album-2024.txt", kAlbum);
  RunOutcome outcome = GenerateSite(dir / "album-*.txt", fs);
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::IndexUnreadable>());
  EXPECT_EQ(testing::SubjectOf(*outcome.failure), dir / "album-*.txt");
  EXPECT_EQ(outcome.failure->error(), std::errc::no_such_file_or_directory);
  EXPECT_EQ(ListNames(dir.path()), "album-2024.txt");
}

// Expected: a site folder whose path holds $(...), backquotes, quotes and line breaks is only
// ever a path: the pages are written into it and no command in it runs.
TEST_F(HostileTest, SiteFolderWithShellSyntaxAndNewlinesIsOnlyAPath) {
  const std::string folder = dir / "$(touch pwned) `touch pwned2` \"; touch pwned3\n\rnext line";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  WriteFile(folder + "/index.txt", kAlbum);
  testing::ScopedWorkingFolder inParent(dir.path());
  RunOutcome outcome = GenerateSite(folder + "/index.txt", fs);
  testing::CliResult verbose = testing::RunCli({"--verbose", folder + "/index.txt"}, fs);
  RunOutcome missing = GenerateSite(folder + "/gone.txt", fs);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(outcome.siteFolder, folder + "/");
  EXPECT_EQ(verbose.code, kExitOk) << verbose.err;
  EXPECT_EQ(Describe(missing, CommandLineWords()), "File " + folder + "/gone.txt was not found!");
  ExpectSite(folder + "/", kAlbum);
  EXPECT_EQ(ListNames(dir.path()), folder.substr(dir.path().size()));
}

// --- Links in the site folder -----------------------------------------------------------------

// Expected: a picture page that exists as a link to a file elsewhere becomes a page of its own in
// the site folder; the file the link pointed to keeps its content, even when that content is
// already the new page.
TEST_F(HostileTest, PicturePageThatIsALinkToAFileIsReplacedAndTheFileLeftAlone) {
  TempFolder elsewhere;
  WriteFile(elsewhere / "precious.html", "keep me");
  WriteFile(elsewhere / "same.html", testing::ReferencePages(kAlbum)["Image1.html"]);
  ASSERT_EQ(::symlink((elsewhere / "precious.html").c_str(), (dir / "Image2.html").c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere / "same.html").c_str(), (dir / "Image1.html").c_str()), 0);
  RunOutcome outcome = Generate(kAlbum);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(outcome.pages.written, 3u);
  ExpectSite(dir.path(), kAlbum);
  EXPECT_EQ(ReadFile(elsewhere / "precious.html"), "keep me");
  EXPECT_EQ(ReadFile(elsewhere / "same.html"), testing::ReferencePages(kAlbum)["Image1.html"]);
  EXPECT_EQ(ListNames(elsewhere.path()), "precious.html same.html");
}

// Expected: a page that is a link to a folder elsewhere, or a link to nowhere, is replaced by the
// page; the folder and what it holds are untouched, and nothing appears where the link led.
TEST_F(HostileTest, PagesThatAreLinksToFoldersOrNowhereAreReplaced) {
  TempFolder elsewhere;
  std::filesystem::create_directory(elsewhere / "folder");
  WriteFile(elsewhere / "folder/index.html", "theirs");
  ASSERT_EQ(::symlink((elsewhere / "folder").c_str(), (dir / "index.html").c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere / "folder").c_str(), (dir / "Image1.html").c_str()), 0);
  ASSERT_EQ(::symlink((elsewhere / "nowhere.html").c_str(), (dir / "Image2.html").c_str()), 0);
  RunOutcome outcome = Generate(kAlbum);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  ExpectSite(dir.path(), kAlbum);
  EXPECT_EQ(ListNames(elsewhere.path()), "folder");
  EXPECT_EQ(ListNames(elsewhere / "folder"), "index.html");
  EXPECT_EQ(ReadFile(elsewhere / "folder/index.html"), "theirs");
}

// Expected: links planted under the names the run gives its temporary files are never followed:
// the run takes other names, and the files they point to keep their content.
TEST_F(HostileTest, LinksPlantedUnderTemporaryNamesAreNotFollowed) {
  TempFolder elsewhere;
  WriteFile(elsewhere / "victim", "keep me");
  std::vector<std::string> planted;
  for (const char* page : {"index.html", "Image1.html", "Image2.html"}) {
    for (int n = 1; n <= 4; ++n) {
      planted.push_back(std::string(".") + page + ".tmp-" + std::to_string(::getpid()) + "-" +
                        std::to_string(n));
      ASSERT_EQ(::symlink((elsewhere / "victim").c_str(), (dir / planted.back()).c_str()), 0);
    }
  }
  RunOutcome outcome = Generate(kAlbum);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(ReadFile(elsewhere / "victim"), "keep me");
  for (const std::string& name : planted) {
    EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << name;
    std::filesystem::remove(dir / name);
  }
  ExpectSite(dir.path(), kAlbum);
}

// Expected: an index file chosen through a link writes its pages beside the link, in the folder
// of the chosen path; the folder the link leads to is not written.
TEST_F(HostileTest, IndexFileChosenThroughALinkWritesBesideTheLink) {
  TempFolder elsewhere;
  WriteFile(elsewhere / "index.txt", kAlbum);
  ASSERT_EQ(::symlink((elsewhere / "index.txt").c_str(), (dir / "album.txt").c_str()), 0);
  RunOutcome outcome = GenerateSite(dir / "album.txt", fs);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  ExpectSite(dir.path(), kAlbum, "album.txt");
  EXPECT_EQ(ListNames(elsewhere.path()), "index.txt");
}

}  // namespace
}  // namespace quillmere
