// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --publish with the real rsync: what arrives at the destination, what is left alone there, what
// is refused, and the order in which the files appear on the receiving side.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "platform/file_system.h"
#include "publish/destination.h"
#include "publish/publish_run.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;
using Kind = PublishFailure::Kind;

// Stands in for ssh: skips its options and the host and runs the command on this machine, as the
// host would, with the receiving rsync traced so that the order of its renames can be read.
constexpr const char* kStandInSsh = R"(#!/bin/sh
while [ $# -gt 0 ]; do
  case "$1" in
    -l|-p|-o|-i|-F) shift 2 ;;
    -*) shift ;;
    *) break ;;
  esac
done
shift
# A host without rsync: its shell says so on the standard error, as a real one does.
[ -n "$NO_RSYNC_THERE" ] && PATH=/nonexistent exec /bin/sh -c "$*"
exec strace -f -qq -e trace=rename,renameat,renameat2 -o "$RENAME_LOG" -A sh -c "$*"
)";

class PublishTest : public ::testing::Test {
 public:
  // The album, its tools and its destination, readied by SetUp.
 public:
  void SetUp() override {
    fs::copy(QUILLMERE_EXAMPLE_ALBUM, album_, fs::copy_options::recursive);
    WriteFile(tools_ / "ssh", kStandInSsh);
    fs::permissions(tools_ / "ssh", fs::perms::owner_all);
    path_ = getenv("PATH");
    setenv("PATH", (tools_.path() + ":" + path_).c_str(), 1);
    setenv("RENAME_LOG", (tools_ / "renames").c_str(), 1);
    WritePages();
  }
  void TearDown() override { setenv("PATH", path_.c_str(), 1); }

  // Writes the album's pages, as a plain run does.
  void WritePages() {
    std::ostringstream out, err;
    ASSERT_EQ(RunCommandLine({{index_}}, out, err, files_), 0) << err.str();
  }

  Result<PublishOutcome, PublishFailure> PublishTo(const std::string& text, bool dryRun = false) {
    Result<Destination, DestinationProblem> destination = ParseDestination(text);
    EXPECT_TRUE(destination);
    PublishOptions options;
    options.dryRun = dryRun;
    return Publish(index_, destination.value(), files_, options);
  }

  // The files under `folder`, as paths from it, sorted.
  static std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
      if (entry.is_regular_file()) names.push_back(fs::relative(entry.path(), folder).string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::string path_;
  TempFolder root_, tools_;
  std::string album_ = root_ / "album/";
  std::string index_ = album_ + "index.txt";
  std::string www_ = root_ / "www/";
  PosixFileSystem files_;
};

// The files the example album's site is made of.
std::vector<std::string> SiteOfExample() {
  std::vector<std::string> site = {".quillmere-published", "index.html"};
  for (int n = 1; n <= 8; ++n) {
    site.push_back("Image" + std::to_string(n) + ".html");
    site.push_back("pictures/p" + std::to_string(n) + ".jpg");
    site.push_back("thumbs/t" + std::to_string(n) + ".jpg");
  }
  for (const auto& entry :
       fs::directory_iterator(std::string(QUILLMERE_EXAMPLE_ALBUM) + "/support")) {
    site.push_back("support/" + entry.path().filename().string());
  }
  std::sort(site.begin(), site.end());
  return site;
}

TEST(DestinationTest, FormsAreReadOrRefused) {
  struct Case {
    std::string text;
    bool accepted;
    DestinationKind kind;
    std::string folder;
  };
  for (const Case& c : std::vector<Case>{
           {"www", true, DestinationKind::kLocal, "./www/"},
           {"--delete", true, DestinationKind::kLocal, "./--delete/"},
           {"./a:b", true, DestinationKind::kLocal, "./a:b/"},
           {"/srv/a:b/", true, DestinationKind::kLocal, "/srv/a:b/"},
           {"me@example.org:www", true, DestinationKind::kSsh, "me@example.org:www/"},
           {"example.org:", true, DestinationKind::kSsh, "example.org:"},
           {"rsync://example.org/site/lisbon", true, DestinationKind::kRsyncServer,
            "rsync://example.org/site/lisbon/"},
           {"", false, {}, ""},
           {"https://example.org/www", false, {}, ""},
           {"photos/a:b", false, {}, ""},
           {"example.org::site", false, {}, ""},
           {"-oProxyCommand=x:www", false, {}, ""},
           {"rsync://example.org", false, {}, ""},
       }) {
    Result<Destination, DestinationProblem> destination = ParseDestination(c.text);
    ASSERT_EQ(static_cast<bool>(destination), c.accepted) << c.text;
    if (!c.accepted) continue;
    EXPECT_EQ(destination.value().kind, c.kind) << c.text;
    EXPECT_EQ(destination.value().folder, c.folder) << c.text;
  }
}

TEST_F(PublishTest, WhatArrivesForEachStateOfTheAlbumAndTheDestination) {
  struct Case {
    std::string name;
    // Readies the album and the destination before the publish.
    std::function<void(PublishTest&)> before;
    std::size_t sent;
    std::vector<std::string> removed;
    std::vector<std::string> foreign;
    std::size_t adopted;
  };
  const std::vector<Case> cases = {
      {"fresh", [](PublishTest&) {}, 37, {}, {}, 0},
      {"unchanged", [](PublishTest&) {}, 0, {}, {}, 0},
      {"one caption changed",
       [](PublishTest& t) {
         std::string text = ReadFile(t.index_);
         text.replace(text.find("Snowy peaks"), 5, "Icy");
         WriteFile(t.index_, text);
         t.WritePages();
       },
       2,
       {},
       {},
       0},
      {"a picture removed",
       [](PublishTest& t) {
         std::string text = ReadFile(t.index_);
         text.erase(text.rfind('\n', text.rfind('\n', text.size() - 2) - 1) + 1);
         WriteFile(t.index_, text);
         t.WritePages();
       },
       2,
       {"Image8.html", "pictures/p8.jpg", "thumbs/t8.jpg"},
       {},
       0},
      {"a first publish cut short after its list and the pictures",
       [](PublishTest& t) {
         const std::string list = ReadFile(t.www_ + ".quillmere-published");
         fs::remove_all(t.www_);
         fs::create_directories(t.www_);
         WriteFile(t.www_ + ".quillmere-published", list);
         fs::create_directories(t.www_ + "pictures");
         for (int n = 1; n <= 7; ++n) {
           const std::string name = "pictures/p" + std::to_string(n) + ".jpg";
           fs::copy(t.album_ + name, t.www_ + name);
           fs::last_write_time(t.www_ + name, fs::last_write_time(t.album_ + name));
         }
       },
       27,
       {},
       {},
       0},
  };
  for (const Case& c : cases) {
    c.before(*this);
    Result<PublishOutcome, PublishFailure> outcome = PublishTo(www_);
    ASSERT_TRUE(outcome) << c.name << ": " << static_cast<int>(outcome.failure()->kind) << " "
                         << outcome.failure()->said;
    EXPECT_EQ(outcome.value().sent.size(), c.sent) << c.name;
    EXPECT_EQ(outcome.value().removed, c.removed) << c.name;
    EXPECT_EQ(outcome.value().foreign, c.foreign) << c.name;
    EXPECT_EQ(outcome.value().adopted, c.adopted) << c.name;
    for (const std::string& file : FilesIn(www_)) {
      if (file == ".quillmere-published") continue;
      EXPECT_EQ(ReadFile(www_ + file), ReadFile(album_ + file)) << c.name << ": " << file;
    }
  }
  std::vector<std::string> site = SiteOfExample();
  for (const char* gone : {"Image8.html", "pictures/p8.jpg", "thumbs/t8.jpg"}) {
    site.erase(std::find(site.begin(), site.end(), gone));
  }
  EXPECT_EQ(FilesIn(www_), site) << "the index file and README.md stay at home";
}

TEST_F(PublishTest, FilesAtTheDestinationThatItDidNotPublishAreAdoptedOrLeftAlone) {
  // A site copied by hand, one picture of it since replaced by someone else's.
  fs::copy(album_, www_, fs::copy_options::recursive);
  fs::remove(www_ + "index.txt");
  WriteFile(www_ + "pictures/p1.jpg", "someone else's picture");
  WriteFile(www_ + "notes.txt", "the web master's");
  Result<PublishOutcome, PublishFailure> outcome = PublishTo(www_);
  ASSERT_TRUE(outcome);
  EXPECT_EQ(outcome.value().foreign, std::vector<std::string>{"pictures/p1.jpg"});
  EXPECT_EQ(ReadFile(www_ + "pictures/p1.jpg"), "someone else's picture");
  EXPECT_EQ(outcome.value().adopted, 36U);
  EXPECT_TRUE(fs::exists(www_ + "notes.txt"));
}

TEST_F(PublishTest, AnAlbumThatIsNotWholeOrADestinationInsideItIsRefusedBeforeAnythingIsSent) {
  struct Case {
    std::string name;
    std::function<void(PublishTest&)> before;
    std::string destination;
    Kind kind;
  };
  const std::vector<Case> cases = {
      {"unfinished change", [](PublishTest& t) { WriteFile(t.album_ + ".quillmere-journal", "x"); },
       "", Kind::kSiteRefused},
      {"missing picture", [](PublishTest& t) { fs::remove(t.album_ + "pictures/p3.jpg"); }, "",
       Kind::kSiteRefused},
      {"inside the album", [](PublishTest&) {}, "album/www", Kind::kInsideAlbum},
      {"list not its own",
       [](PublishTest& t) {
         fs::create_directories(t.www_);
         WriteFile(t.www_ + ".quillmere-published", "x\n");
       },
       "", Kind::kForeignList},
  };
  for (const Case& c : cases) {
    fs::remove_all(album_);
    fs::remove_all(www_);
    fs::copy(QUILLMERE_EXAMPLE_ALBUM, album_, fs::copy_options::recursive);
    WritePages();
    c.before(*this);
    const std::vector<std::string> before = FilesIn(www_);
    Result<PublishOutcome, PublishFailure> outcome =
        PublishTo(c.destination.empty() ? www_ : root_ / c.destination);
    ASSERT_FALSE(outcome) << c.name;
    EXPECT_EQ(outcome.failure()->kind, c.kind) << c.name;
    EXPECT_EQ(FilesIn(www_), before) << c.name;
    EXPECT_FALSE(fs::exists(album_ + "www")) << c.name;
  }
}

TEST_F(PublishTest, OverSshTheIndexPageAppearsAfterEveryFileItNames) {
  Result<PublishOutcome, PublishFailure> outcome = PublishTo("me@example.org:" + www_);
  ASSERT_TRUE(outcome) << outcome.failure()->said;
  EXPECT_EQ(FilesIn(www_), SiteOfExample());
  // The order in which the receiving side put each file in place under its name: the list at once,
  // the others moved from rsync's folder of delayed updates, under the same name.
  std::vector<std::string> placed;
  std::istringstream log(ReadFile(tools_ / "renames"));
  for (std::string line; std::getline(log, line);) {
    std::vector<std::string> quoted;
    for (std::size_t start = line.find('"'); start != std::string::npos;) {
      const std::size_t end = line.find('"', start + 1);
      quoted.push_back(line.substr(start + 1, end - start - 1));
      start = line.find('"', end + 1);
    }
    if (quoted.size() == 2 && (quoted[0] == quoted[1] || quoted[1] == ".quillmere-published")) {
      placed.push_back(quoted[1]);
    }
  }
  const auto at = [&](const std::string& name) {
    return std::find(placed.begin(), placed.end(), name) - placed.begin();
  };
  ASSERT_LT(at("index.html"), static_cast<std::ptrdiff_t>(placed.size()));
  EXPECT_LT(at(".quillmere-published"), at("p1.jpg"));
  for (const char* named : {"p8.jpg", "t8.jpg", "Image8.html", "x.gif"}) {
    EXPECT_LT(at(named), at("index.html")) << named;
  }
}

TEST_F(PublishTest, AHostWithoutRsyncIsSaidSo) {
  setenv("NO_RSYNC_THERE", "1", 1);
  Result<PublishOutcome, PublishFailure> outcome = PublishTo("me@example.org:" + www_);
  unsetenv("NO_RSYNC_THERE");
  ASSERT_FALSE(outcome);
  EXPECT_EQ(outcome.failure()->kind, Kind::kNoRsyncThere) << outcome.failure()->said;
  EXPECT_FALSE(fs::exists(www_));
}

}  // namespace
}  // namespace quillmere
