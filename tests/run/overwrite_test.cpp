// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What a run will and will not write over: pages it wrote itself, never a page written by hand,
// never the index file, never the set-user-ID bits of a page, and never anything through a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "cli/console_words.h"
#include "run/generate.h"
#include "site/page_output.h"
#include "support/failure_subject.h"
#include "support/forwarding_file_system.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ListNames;
using testing::ModeOf;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

const std::string kAlbum = "Album\nthumbs/t\npics/p\nsupport\n3\nOne\nFirst\nTwo\nSecond\n";
const std::string kHandWritten =
    "<!DOCTYPE html>\n<html><head><title>My web project</title></head></html>\n";

class OverwriteTest : public ::testing::Test {
 protected:
  RunOutcome Generate(const std::string& text, const std::string& name = "index.txt",
                      const RunOptions& options = {}) {
    WriteFile(dir / name, text);
    return GenerateSite(dir / name, fs, options);
  }

  TempFolder dir;
  PosixFileSystem fs;
};

// Expected: a hand-written index.html stops the run before anything is written (a wrong folder,
// or notes.txt chosen by mistake); a hand-written picture page stops it there, the pages before
// it written. --force replaces both.
TEST_F(OverwriteTest, PagesNotWrittenByTheProgramAreLeftAlone) {
  WriteFile(dir / "index.html", kHandWritten);
  RunOutcome outcome = Generate("Notes\nto\nmyself\n", "notes.txt");
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::ForeignPage>());
  EXPECT_EQ(testing::SubjectOf(*outcome.failure), dir / "index.html");
  EXPECT_EQ(ReadFile(dir / "index.html"), kHandWritten);
  EXPECT_EQ(ListNames(dir.path()), "index.html notes.txt");

  std::filesystem::remove(dir / "index.html");
  WriteFile(dir / "Image2.html", kHandWritten);
  outcome = Generate(kAlbum);
  ASSERT_TRUE(outcome.failure) << "the run wrote the site";
  EXPECT_TRUE(outcome.failure->Is<RunFailure::ForeignPage>());
  EXPECT_EQ(outcome.pages.written, 2u);
  EXPECT_EQ(ReadFile(dir / "Image2.html"), kHandWritten);
  EXPECT_EQ(ReadFile(dir / "Image1.html"), testing::ReferencePages(kAlbum)["Image1.html"]);

  outcome = Generate(kAlbum, "index.txt", RunOptions{.replaceForeignPages = true});
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(ReadFile(dir / "Image2.html"), testing::ReferencePages(kAlbum)["Image2.html"]);
}

// Expected: pages of an earlier run, of another index file or cut short by hand at their start,
// are told apart: the first are replaced, the second are not.
TEST_F(OverwriteTest, PagesOfAnyEarlierRunAreReplaced) {
  ASSERT_TRUE(Generate("Other\nt/\np/\ns\n1\nA very different caption\nx\n").ok());
  RunOutcome outcome = Generate(kAlbum);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(outcome.pages.written, 3u);
  const std::string page = ReadFile(dir / "Image1.html");
  WriteFile(dir / "Image1.html", page.substr(10));
  EXPECT_TRUE(Generate(kAlbum).FailedWith<RunFailure::ForeignPage>());

  // A UTF-8 site's picture pages, with the character set before their title or, as the first
  // layout wrote them, without it, are pages of an earlier run both.
  std::filesystem::remove(dir / "Image1.html");
  ASSERT_TRUE(Generate("Caf\xC3\xA9\nt/\np/\ns\n1\nOne\nFirst\n").ok());
  const std::string declared = ReadFile(dir / "Image1.html");
  const std::string undeclared = "<HTML><HEAD>" + declared.substr(declared.find("<TITLE>"));
  for (const std::string& before : {declared, undeclared}) {
    WriteFile(dir / "Image1.html", before);
    outcome = Generate(kAlbum);
    ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
    EXPECT_EQ(ReadFile(dir / "Image1.html"), testing::ReferencePages(kAlbum)["Image1.html"]);
  }
}

// Expected: when the chosen index file is itself one of the pages the run would write, by name,
// through a symbolic link or through a second (hard) link, the run refuses and writes nothing.
TEST_F(OverwriteTest, TheIndexFileIsNeverWrittenOver) {
  const std::string text = "My album\nt\np\ng\n3\nBeach\nThe beach\n";
  struct Case {
    const char* what;
    std::string chosen;
    std::string page;
  };
  for (const Case& c : {Case{"named index.html", "index.html", "index.html"},
                        Case{"named Image1.html", "Image1.html", "Image1.html"},
                        Case{"through a link", "album.txt", "index.html"},
                        Case{"through a hard link", "index.txt", "Image1.html"}}) {
    SCOPED_TRACE(c.what);
    TempFolder site;
    const std::string real = site / c.page;
    WriteFile(real, text);
    if (c.chosen != c.page && std::string(c.what) == "through a link") {
      ASSERT_EQ(::symlink(c.page.c_str(), (site / c.chosen).c_str()), 0);
    } else if (c.chosen != c.page) {
      ASSERT_EQ(::link(real.c_str(), (site / c.chosen).c_str()), 0);
    }
    const std::string before = ListNames(site.path());
    RunOutcome outcome = GenerateSite(site / c.chosen, fs);
    ASSERT_TRUE(outcome.failure) << "the run wrote the site";
    EXPECT_TRUE(outcome.failure->Is<RunFailure::IndexIsAPage>());
    EXPECT_EQ(testing::SubjectOf(*outcome.failure), site / c.chosen);
    EXPECT_EQ(outcome.failure->As<RunFailure::IndexIsAPage>()->page, site / c.page);
    EXPECT_EQ(ReadFile(real), text);
    EXPECT_EQ(ListNames(site.path()), before);
  }
  // A name like a page's that the run does not write (there is one picture) is only a name.
  WriteFile(dir / "Image2.html", text);
  ASSERT_TRUE(GenerateSite(dir / "Image2.html", fs).ok());
  EXPECT_EQ(ReadFile(dir / "Image2.html"), text);
}

// Expected: a replaced page keeps the old page's permission bits (0604 differs from what the
// umask gives a new page), but never its set-user-ID, set-group-ID or sticky bits; a new page
// gets 0666 less the umask.
TEST_F(OverwriteTest, ReplacedPagesKeepTheirPermissionsButNoSpecialBits) {
  ASSERT_TRUE(Generate(kAlbum).ok());
  ASSERT_EQ(::chmod((dir / "Image1.html").c_str(), 0604), 0);
  ASSERT_EQ(::chmod((dir / "Image2.html").c_str(), 06777), 0);
  ASSERT_EQ(::chmod((dir / "index.html").c_str(), 01640), 0);
  const mode_t mask = ::umask(022);
  RunOutcome outcome = Generate(kAlbum + "Three\nThird\n");
  ::umask(mask);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(ModeOf(dir / "Image1.html"), 0604);
  EXPECT_EQ(ModeOf(dir / "Image2.html"), 0777);
  EXPECT_EQ(ModeOf(dir / "index.html"), 0640);
  EXPECT_EQ(ModeOf(dir / "Image3.html"), 0644);
}

// Expected: with files that have a hidden name from the start (where the file system cannot
// keep them unnamed), a run writes the same site and leaves no hidden file.
TEST_F(OverwriteTest, NamedNewFilesGiveTheSameSiteAndLeaveNothing) {
  PosixFileSystem named(PosixFileSystem::NewFiles::kNamed);
  ASSERT_TRUE(Generate("Old\nt\np\ns\n2\nA\na\n").ok());
  WriteFile(dir / "index.txt", kAlbum);
  RunOutcome outcome = GenerateSite(dir / "index.txt", named);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  for (const auto& [name, bytes] : testing::ReferencePages(kAlbum)) {
    EXPECT_EQ(ReadFile(dir / name), bytes) << name;
  }
  EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt");
}

// Expected: hidden files that a killed run left are removed by the next run once no process of
// that number runs; one whose process still runs may be about to be renamed, and stays.
TEST_F(OverwriteTest, HiddenFilesOfKilledRunsAreRemovedByTheNextRun) {
  const std::string ofThisProcess = ".qm-" + std::to_string(::getpid()) + "-abcdefgh.tmp";
  // Process numbers this high are beyond what Linux hands out.
  const std::string ofNoProcess = ".qm-2147483000-abcdefgh.tmp";
  const std::string unlike = ".qm-2147483000-ABCDEFGH.tmp";
  for (const std::string& name : {ofThisProcess, ofNoProcess, unlike}) {
    WriteFile(dir / name, "left over");
  }
  std::filesystem::create_directory(dir / ".qm-2147483001-abcdefgh.tmp");
  ASSERT_TRUE(Generate(kAlbum).ok());
  EXPECT_FALSE(std::filesystem::exists(dir / ofNoProcess));
  EXPECT_TRUE(std::filesystem::exists(dir / ofThisProcess));
  EXPECT_TRUE(std::filesystem::exists(dir / unlike));
  EXPECT_TRUE(std::filesystem::is_directory(dir / ".qm-2147483001-abcdefgh.tmp"));
  EXPECT_TRUE(IsHiddenNewFileName(ofNoProcess));
  EXPECT_FALSE(IsHiddenNewFileName(unlike));
}

// Expected: a run asked to stop before it starts writes nothing; asked between pages, it stops
// there with every page whole, the pages after it as they were.
TEST_F(OverwriteTest, ARunAskedToStopLeavesEveryPageWhole) {
  StopRequest stop;
  stop.Request(StopRequest::kByUser);
  RunOutcome early = Generate(kAlbum, "index.txt", RunOptions{.stop = &stop});
  ASSERT_TRUE(early.failure) << "the run wrote the site";
  EXPECT_TRUE(early.failure->Is<RunFailure::Stopped>());
  EXPECT_EQ(early.failure->stopReason(), StopRequest::kByUser);
  EXPECT_EQ(ListNames(dir.path()), "index.txt");

  // A file system that asks for the stop once the first page is in place.
  class StopAfterFirstPage final : public testing::ForwardingFileSystem {
   public:
    StopAfterFirstPage(FileSystem& disk, StopRequest& stop)
        : ForwardingFileSystem(disk), stop_(stop) {}
    Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) override {
      auto opened = inner().OpenFolder(path);
      if (!opened) return opened;
      return std::make_unique<Stopping>(std::move(opened.value()), stop_);
    }

   private:
    struct Stopping final : testing::ForwardingFolder {
      Stopping(std::unique_ptr<Folder> inner, StopRequest& stop)
          : ForwardingFolder(std::move(inner)), stop_(stop) {}
      Result<std::unique_ptr<NewFile>> CreateFile() override {
        if (++created_ == 2) stop_.Request(SIGTERM);
        return inner().CreateFile();
      }
      StopRequest& stop_;
      int created_ = 0;
    };
    StopRequest& stop_;
  };

  StopRequest later;
  StopAfterFirstPage stopping(fs, later);
  WriteFile(dir / "index.txt", kAlbum);
  RunOutcome stopped = GenerateSite(dir / "index.txt", stopping, RunOptions{.stop = &later});
  ASSERT_TRUE(stopped.failure) << "the run wrote the site";
  EXPECT_TRUE(stopped.failure->Is<RunFailure::Stopped>());
  EXPECT_EQ(stopped.failure->stopReason(), SIGTERM);
  EXPECT_EQ(testing::SubjectOf(*stopped.failure), dir / "Image1.html");
  EXPECT_EQ(ListNames(dir.path()), "index.html index.txt");
  EXPECT_EQ(ReadFile(dir / "index.html"), testing::ReferencePages(kAlbum)["index.html"]);
}

// Expected: the progress hears of every page once, in order, with the site's number of pages,
// whether the page is written or already up to date.
TEST_F(OverwriteTest, ProgressHearsOfEveryPage) {
  struct Recorder final : PageProgress {
    void PagesDone(std::uint64_t done, std::uint64_t total) override {
      heard += std::to_string(done) + "/" + std::to_string(total) + " ";
    }
    std::string heard;
  };
  for (int round = 0; round < 2; ++round) {
    Recorder recorder;
    ASSERT_TRUE(Generate(kAlbum, "index.txt", RunOptions{.progress = &recorder}).ok());
    EXPECT_EQ(recorder.heard, "1/3 2/3 3/3 ") << round;
  }
}

// Expected: a site folder whose path is near the system's limit takes pages as any other; the
// hidden names the run uses are never longer than the pages' own.
TEST_F(OverwriteTest, AVeryLongFolderPathTakesItsPages) {
  std::string folder = dir.path();
  while (folder.size() < 4000) {
    folder += std::string(std::min<std::size_t>(200, 4000 - folder.size()), 'f') + "/";
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0) << folder.size();
  }
  folder += std::string(4079 - folder.size() - 1, 'g') + "/";
  ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0) << folder.size();
  ASSERT_EQ(folder.size(), 4079u);
  WriteFile(folder + "a.txt", kAlbum);
  RunOutcome outcome = GenerateSite(folder + "a.txt", fs);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, CommandLineWords());
  EXPECT_EQ(ListNames(folder), "Image1.html Image2.html a.txt index.html");
}

}  // namespace
}  // namespace quillmere
