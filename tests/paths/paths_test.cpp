// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "paths/paths.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <string_view>
#include <vector>

#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::TempFolder;
using testing::WriteFile;

TEST(FolderName, KeepsEverythingUpToTheLastSeparator) {
  EXPECT_EQ(FolderName("/home/ann/photos/index.txt"), "/home/ann/photos/");
  EXPECT_EQ(FolderName("/home/ann/photos/"), "/home/ann/photos/");
  EXPECT_EQ(FolderName("albums//2024/index.txt"), "albums//2024/");
  EXPECT_EQ(FolderName("/index.txt"), "/");
  EXPECT_EQ(FolderName("../up/x"), "../up/");
}

TEST(FolderName, IsTheCurrentFolderWithoutSeparator) {
  EXPECT_EQ(FolderName("index.txt"), "./");
  EXPECT_EQ(FolderName(""), "./");
  EXPECT_EQ(FolderName("C:\\photos\\index.txt"), "./");
  EXPECT_EQ(FolderName("C:index.txt"), "./");
}

// A link names a file by every byte of its name: what a link gives a meaning of its own, and
// every byte beyond ASCII, is written as "%" and two hex digits.
TEST(PercentEncoded, KeepsOnlyWhatALinkTakesAsItIs) {
  const std::vector<std::array<std::string_view, 2>> cases = {
      {"2024/Lisbon-Porto_v1.2~", "2024/Lisbon-Porto_v1.2~"},
      {"S\xC3\xA3o Paulo", "S%C3%A3o%20Paulo"},
      {"#1 100% a&b?c", "%231%20100%25%20a%26b%3Fc"},
      {"\"it's\" <x>", "%22it%27s%22%20%3Cx%3E"},
      {"a:b\\c+\x7F\xFF", "a%3Ab%5Cc%2B%7F%FF"},
      {"", ""},
  };
  for (const auto& [name, link] : cases) EXPECT_EQ(PercentEncoded(name), link) << name;
}

TEST(SplitAtFolder, SplitsAtTheLastSeparatorOnly) {
  const std::vector<std::array<std::string_view, 3>> cases = {
      {"pictures/p", "pictures/", "p"},
      {"p", "", "p"},
      {"a//b/", "a//b/", ""},
      {"/p", "/", "p"},
      {"a\\p", "", "a\\p"},
  };
  for (const auto& [path, folder, name] : cases) {
    const SplitPath split = SplitAtFolder(path);
    EXPECT_EQ(split.folder, folder) << path;
    EXPECT_EQ(split.name, name) << path;
  }
}

TEST(MatchesWildcard, StarAndQuestionMarkOnly) {
  EXPECT_TRUE(MatchesWildcard("*.txt", "index.txt"));
  EXPECT_TRUE(MatchesWildcard("in?ex.*", "index.txt"));
  EXPECT_TRUE(MatchesWildcard("*", "anything"));
  EXPECT_TRUE(MatchesWildcard("a*b*c", "aXXbYYbZc"));
  EXPECT_FALSE(MatchesWildcard("*.txt", "index.txt.bak"));
  EXPECT_FALSE(MatchesWildcard("?", ""));
  EXPECT_FALSE(MatchesWildcard("[ab].txt", "a.txt"));
  EXPECT_TRUE(MatchesWildcard("[ab].txt", "[ab].txt"));
}

class ExistTest : public ::testing::Test {
 protected:
  TempFolder dir;
  PosixFileSystem fs;
};

TEST_F(ExistTest, RegularFilesAndFoldersCount) {
  WriteFile(dir / "index.txt", "x");
  EXPECT_TRUE(Exist(dir / "index.txt", fs));
  EXPECT_TRUE(Exist(dir.path(), fs));
  EXPECT_FALSE(Exist(dir / "missing.txt", fs));
  EXPECT_FALSE(Exist(dir / "index.txt/inside", fs));
  EXPECT_FALSE(Exist("", fs));
}

TEST_F(ExistTest, EveryCharacterButStarAndQuestionMarkIsLiteral) {
  WriteFile(dir / "album [2024].txt", "x");
  WriteFile(dir / "it's \"quoted\" $(x).txt", "x");
  EXPECT_TRUE(Exist(dir / "album [2024].txt", fs));
  EXPECT_FALSE(Exist(dir / "album 2.txt", fs));
  EXPECT_TRUE(Exist(dir / "it's \"quoted\" $(x).txt", fs));
}

TEST_F(ExistTest, WildcardsInTheLastPart) {
  WriteFile(dir / "index.txt", "x");
  EXPECT_TRUE(Exist(dir / "*.txt", fs));
  EXPECT_TRUE(Exist(dir / "ind?x.txt", fs));
  EXPECT_FALSE(Exist(dir / "*.html", fs));
  EXPECT_FALSE(Exist(dir / "nofolder/*.txt", fs));
}

TEST_F(ExistTest, WildcardsSkipDotFilesButLiteralDotFilesCount) {
  WriteFile(dir / ".hidden.txt", "x");
  EXPECT_FALSE(Exist(dir / "*.txt", fs));
  EXPECT_TRUE(Exist(dir / ".*.txt", fs));
  EXPECT_TRUE(Exist(dir / ".hidden.txt", fs));
}

TEST_F(ExistTest, LinksAreFollowedAndSpecialFilesDoNotCount) {
  WriteFile(dir / "real.txt", "x");
  ASSERT_EQ(::symlink("real.txt", (dir / "link.txt").c_str()), 0);
  ASSERT_EQ(::symlink("gone.txt", (dir / "broken.txt").c_str()), 0);
  ASSERT_EQ(::symlink("loop.txt", (dir / "loop.txt").c_str()), 0);
  ASSERT_EQ(::mkfifo((dir / "fifo.txt").c_str(), 0600), 0);
  EXPECT_TRUE(Exist(dir / "link.txt", fs));
  EXPECT_FALSE(Exist(dir / "broken.txt", fs));
  EXPECT_FALSE(Exist(dir / "loop.txt", fs));
  EXPECT_FALSE(Exist(dir / "fifo.txt", fs));
  EXPECT_TRUE(Exist(dir / "*.txt", fs));  // through real.txt and link.txt
  EXPECT_FALSE(Exist(dir / "fi*", fs));
  EXPECT_FALSE(Exist("/dev/null", fs));
}

}  // namespace
}  // namespace quillmere
