// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "run/generate.h"
#include "site/page_output.h"
#include "support/failure_subject.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ListNames;
using testing::ModeOf;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

std::string IndexText(int pictures, const std::string& tag = "") {
  std::string text = "Album" + tag + "\nthumbs/t\npics/p\nsupport\n3\n";
  for (int n = 1; n <= pictures; ++n) {
    text += "Caption " + std::to_string(n) + tag + "\nLong " + std::to_string(n) + tag + "\n";
  }
  return text;
}

class RunTest : public ::testing::Test {
 protected:
  RunOutcome Generate(const std::string& text) {
    WriteFile(dir / "index.txt", text);
    return GenerateSite(dir / "index.txt", fs);
  }

  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(RunTest, MissingFileIsReportedWithThePathAsChosen) {
  std::string chosen = dir / "sub/../gone.txt";
  RunOutcome outcome = GenerateSite(chosen, fs);
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::NotFound>());
  EXPECT_EQ(testing::SubjectOf(*outcome.failure), chosen);
  EXPECT_EQ(outcome.siteFolder, dir / "sub/../");
  EXPECT_EQ(ListNames(dir.path()), "");
}

TEST_F(RunTest, HeaderOnlyWritesAnEmptyGrid) {
  RunOutcome outcome = Generate("Title\nt\ni\ns\n4\n");
  ASSERT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.pictureCount, 0);
  EXPECT_EQ(outcome.pages.written, 1u);
  EXPECT_EQ(ListNames(dir.path()), "index.html index.txt");
}

TEST_F(RunTest, SmallerSecondRunLeavesHigherPagesAlone) {
  ASSERT_TRUE(Generate(IndexText(5, " first")).ok());
  std::string oldFifth = ReadFile(dir / "Image5.html");
  ASSERT_TRUE(Generate(IndexText(3, " second")).ok());
  for (const auto& [name, bytes] : testing::ReferencePages(IndexText(3, " second"))) {
    EXPECT_EQ(ReadFile(dir / name), bytes) << name;
  }
  EXPECT_NE(ReadFile(dir / "Image4.html").find("Caption 4 first"), std::string::npos);
  EXPECT_EQ(ReadFile(dir / "Image5.html"), oldFifth);
}

TEST_F(RunTest, UnchangedPagesAreNotTouched) {
  ASSERT_TRUE(Generate(IndexText(4)).ok());
  // Age every page, so that a rewrite would show in its modification time.
  auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(24);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    std::filesystem::last_write_time(entry.path(), old);
  }
  RunOutcome again = Generate(IndexText(4));
  EXPECT_EQ(again.pages.written, 0u);
  EXPECT_EQ(again.pages.unchanged, 5u);

  std::string text = IndexText(4);
  text.replace(text.find("Long 2"), 6, "Long two");
  RunOutcome edited = Generate(text);
  EXPECT_EQ(edited.pages.written, 1u);
  for (const auto& [name, bytes] : testing::ReferencePages(text)) {
    EXPECT_EQ(ReadFile(dir / name), bytes) << name;
    EXPECT_EQ(std::filesystem::last_write_time(dir / name) == old, name != "Image2.html") << name;
  }

  // A caption stands on its own page and on the index page.
  text.replace(text.find("Caption 3"), 9, "Caption three");
  RunOutcome captioned = Generate(text);
  EXPECT_EQ(captioned.pages.written, 2u);
  for (const auto& [name, bytes] : testing::ReferencePages(text)) {
    EXPECT_EQ(ReadFile(dir / name), bytes) << name;
    bool rewritten = name == "Image2.html" || name == "Image3.html" || name == "index.html";
    EXPECT_EQ(std::filesystem::last_write_time(dir / name) == old, !rewritten) << name;
  }
}

TEST_F(RunTest, LargePagesDifferingLateOrInLengthAreRewrittenWhole) {
  // An index page of several buffers, changed only in its last caption.
  std::string text = IndexText(3000);
  ASSERT_TRUE(Generate(text).ok());
  text.replace(text.rfind("Caption 3000"), 12, "Caption 300X");
  ASSERT_TRUE(Generate(text).ok());
  EXPECT_EQ(ReadFile(dir / "index.html"), testing::ReferencePages(text)["index.html"]);
  // The same size but another byte in the first buffer, and a page of another length.
  std::string page = ReadFile(dir / "index.html");
  std::string changed = page;
  changed[1000] = 'X';
  WriteFile(dir / "index.html", changed);
  WriteFile(dir / "Image7.html", testing::ReferencePages(IndexText(9, "other"))["Image7.html"]);
  RunOutcome outcome = Generate(text);
  EXPECT_EQ(outcome.pages.written, 2u);
  EXPECT_TRUE(ReadFile(dir / "index.html") == page);
  EXPECT_EQ(ReadFile(dir / "Image7.html"), testing::ReferencePages(text)["Image7.html"]);
}

// The old page's mode, 0604, is one that the umask never gives a new page here (0640), so only a
// run that restores it passes.
TEST_F(RunTest, ReplacedPagesKeepTheirModeAndNewPagesFollowTheUmask) {
  ASSERT_TRUE(Generate(IndexText(1)).ok());
  ASSERT_EQ(::chmod((dir / "Image1.html").c_str(), 0604), 0);
  mode_t mask = ::umask(027);
  RunOutcome outcome = Generate(IndexText(2, "x"));
  ::umask(mask);
  ASSERT_TRUE(outcome.ok());
  EXPECT_EQ(ModeOf(dir / "Image1.html"), 0604);
  EXPECT_EQ(ModeOf(dir / "Image2.html"), 0640);  // 0666 less 027
}

TEST_F(RunTest, AFolderNamedLikeAPageStopsTheRunThere) {
  std::filesystem::create_directory(dir / "Image2.html");
  RunOutcome outcome = Generate(IndexText(3));
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::PageNotWritten>());
  EXPECT_EQ(testing::SubjectOf(*outcome.failure), dir / "Image2.html");
  EXPECT_EQ(outcome.failure->error(), std::errc::is_a_directory);
  EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt");
  EXPECT_EQ(ReadFile(dir / "Image1.html"), testing::ReferencePages(IndexText(3))["Image1.html"]);
}

}  // namespace
}  // namespace quillmere
