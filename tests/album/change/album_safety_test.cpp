// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Albums never lose a picture or a line: refusals before anything is written, one writer at a
// time, an owner kept, files flushed before their names appear, and changes that a crash cut
// short finished or undone by the next run. On the real file system, in process and as
// processes.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/change/album_change.h"
#include "album/commands/add_pictures.h"
#include "run/generate.h"
#include "run/journal.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/faulty_file_system.h"
#include "support/reference_site.h"
#include "support/scoped_state.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::CliResult;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

using Files = std::map<std::string, std::string>;

// Every file under `folder`, hidden ones included, with its bytes.
Files Snapshot(const std::string& folder) {
  Files files;
  if (!stdfs::exists(folder)) return files;
  for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().string();
    files[path] = entry.is_directory() ? "<folder>" : ReadFile(path);
  }
  return files;
}

// The pairs of an album's index file, as "caption|description".
std::vector<std::string> PairsOf(const std::string& indexPath) {
  std::ifstream in(indexPath);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::vector<std::string> pairs;
  for (std::size_t i = 5; i + 1 < lines.size(); i += 2)
    pairs.push_back(lines[i] + "|" + lines[i + 1]);
  return pairs;
}

class SafetyTest : public ::testing::Test {
 protected:
  CliResult Run(const std::vector<std::string>& args) { return testing::RunCli(args, fs); }

  // A folder `name` of `count` pictures, each of a size of its own (no two of the test alike),
  // dated in order.
  std::string Pictures(const std::string& name, int count) {
    const std::string folder = dir / name;
    stdfs::create_directories(folder);
    for (int n = 1; n <= count; ++n) {
      const std::string date = "2020:01:0" + std::to_string(n) + " 10:00:00";
      ++made_;
      testing::WriteTestJpeg(folder + "/" + name + std::to_string(n) + ".jpg",
                             {60 + 10 * made_, 40 + 5 * made_, 1, date});
    }
    return folder;
  }

  // An album of `count` pictures in `album`.
  void MakeAlbum(int count) {
    ASSERT_EQ(Run({"--new-album", Pictures("base", count), album}).code, 0);
  }

  TempFolder dir;
  PosixFileSystem fs;
  const std::string album = dir / "album";
  const std::string index = album + "/index.txt";
  // The pictures made so far.
  int made_ = 0;
};

// Expected: a command that would write over a file it did not make, or that lacks what it needs,
// refuses before its first write, names what is in the way, and leaves every file as it was.
TEST_F(SafetyTest, RefusalsComeBeforeAnyWriteAndNameWhatIsInTheWay) {
  struct Case {
    std::string name;
    std::function<void()> prepare;
    std::vector<std::string> args;
    std::string said;
    // What the message says too: how to put things right.
    std::string advice = {};
  };
  const std::string extra = Pictures("extra", 1) + "/extra1.jpg";
  const std::vector<Case> cases = {
      {"a commented-out pair",
       [&] {
         std::string text = ReadFile(index);
         text.replace(text.find("base2\n"), 5, ";base2");
         WriteFile(index, text);
       },
       {"--add-pictures", index, extra},
       "pictures/p3.jpg and thumbs/t3.jpg already exist, and the pictures to add would take "
       "their numbers: the pair that line 8 of " +
           index + " drops",
       "make line 8 a caption again, then quillmere-cli --remove-pictures " + index + " 2 "},
      {"a picture of the user's",
       [&] { WriteFile(album + "/pictures/p4.jpg", "mine"); },
       {"--add-pictures", index, extra},
       "pictures/p4.jpg already exists, though no line of " + index + " names it"},
      {"a new album into a folder with pictures",
       [&] {
         stdfs::create_directories(dir / "used/pictures");
         stdfs::create_directories(dir / "used/support");
         WriteFile(dir / "used/notes.txt", "mine");
         WriteFile(dir / "used/pictures/p1.jpg", "mine");
         WriteFile(dir / "used/support/x.gif", "mine");
       },
       {"--new-album", dir / "base", dir / "used"},
       "The folder " + (dir / "used") + " already holds pictures/p1.jpg and support/x.gif, "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    stdfs::remove_all(album);
    stdfs::remove_all(dir / "used");
    MakeAlbum(3);
    c.prepare();
    const Files before = Snapshot(dir.path());
    const CliResult result = Run(c.args);
    EXPECT_EQ(result.code, 1);
    EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(c.advice), std::string::npos) << result.err;
    EXPECT_EQ(Snapshot(dir.path()), before);
  }
  // Without the support images, a new album is refused before a folder is made.
  const testing::ScopedEnvironmentVariable noBundle("QUILLMERE_DATA_DIR", dir / "nowhere");
  const CliResult result = Run({"--new-album", dir / "base", dir / "new/album"});
  EXPECT_EQ(result.code, 1);
  EXPECT_NE(result.err.find("support images were not found"), std::string::npos) << result.err;
  EXPECT_FALSE(stdfs::exists(dir / "new"));
}

// Expected: albums changed by root in a folder of another user's keep that user as the owner of
// every file, the index file and the pages included.
TEST_F(SafetyTest, RootKeepsTheOwnerOfAnotherUsersAlbum) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give files away";
  const passwd* nobody = ::getpwnam("nobody");
  ASSERT_NE(nobody, nullptr);
  stdfs::create_directories(album);
  ASSERT_EQ(::chown(album.c_str(), nobody->pw_uid, nobody->pw_gid), 0);
  MakeAlbum(2);
  ASSERT_EQ(Run({"--add-pictures", index, Pictures("more", 1)}).code, 0);
  ASSERT_EQ(Run({"--add-support-images", index}).code, 0);
  for (const auto& entry : stdfs::recursive_directory_iterator(album)) {
    struct stat st {};
    ASSERT_EQ(::lstat(entry.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, nobody->pw_uid) << entry.path();
    EXPECT_EQ(st.st_gid, nobody->pw_gid) << entry.path();
  }
}

// Expected: runs at once on one album wait for each other, so that each one's pictures are in the
// index file once, numbered without a gap, each with its files; a generation at the same time
// writes pages of the one index file or of the other.
TEST_F(SafetyTest, RunsAtOnceOnOneAlbumKeepEveryPicture) {
  MakeAlbum(1);
  const std::string oldText = ReadFile(index);
  for (int runs : {2, 5}) {
    SCOPED_TRACE(std::to_string(runs) + " runs at once");
    std::vector<std::unique_ptr<testing::ChildProcess>> children;
    for (int r = 0; r < runs; ++r) {
      const std::string folder =
          Pictures("run" + std::to_string(runs) + "x" + std::to_string(r), 2);
      children.push_back(std::make_unique<testing::ChildProcess>(
          QUILLMERE_CLI, std::vector<std::string>{"--add-pictures", index, folder}));
    }
    testing::ChildProcess generate(QUILLMERE_CLI, {index});
    for (auto& child : children) {
      const testing::ProcessResult result = child->Wait();
      EXPECT_EQ(result.exitCode, 0) << result.err;
    }
    EXPECT_EQ(generate.Wait().exitCode, 0);
  }
  const std::vector<std::string> pairs = PairsOf(index);
  ASSERT_EQ(pairs.size(), 1u + 2 * (2 + 5));
  EXPECT_EQ(std::set<std::string>(pairs.begin(), pairs.end()).size(), pairs.size());
  for (std::size_t n = 1; n <= pairs.size(); ++n) {
    const std::string number = std::to_string(n);
    EXPECT_TRUE(testing::ReadPicture(album + "/pictures/p" + number + ".jpg")) << n;
    EXPECT_TRUE(testing::ReadPicture(album + "/thumbs/t" + number + ".jpg")) << n;
  }
  EXPECT_FALSE(stdfs::exists(album + "/pictures/p" + std::to_string(pairs.size() + 1) + ".jpg"));
  for (const auto& [name, bytes] : testing::ReferencePages(ReadFile(index))) {
    EXPECT_EQ(ReadFile(album + "/" + name), bytes) << name;
  }
  EXPECT_NE(ReadFile(index), oldText);
}

// Expected: --no-wait fails at once while another run holds the album; a run asked to stop
// while it waits stops without writing.
TEST_F(SafetyTest, ABusyAlbumIsWaitedForOrRefused) {
  MakeAlbum(1);
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(album);
  ASSERT_TRUE(folder);
  Result<std::unique_ptr<FolderLock>> held = folder.value()->TryLock();
  ASSERT_TRUE(held);
  const CliResult refused = Run({"--no-wait", "--add-pictures", index, Pictures("more", 1)});
  EXPECT_EQ(refused.code, 1);
  EXPECT_EQ(refused.err, "quillmere-cli: Another run of Quillmere is changing " + album +
                             "/; nothing was written.\n");
  StopRequest stop;
  stop.Request(StopRequest::kByUser);
  RunOptions options;
  options.stop = &stop;
  const RunOutcome stopped = GenerateSite(index, fs, options);
  ASSERT_TRUE(stopped.failure) << "the run wrote the site";
  EXPECT_TRUE(stopped.failure->Is<RunFailure::Stopped>());
}

// The steps of a change that write: a crash may come at each.
constexpr testing::Step kWritingSteps[] = {testing::Step::kMakeFolder, testing::Step::kCreateFile,
                                           testing::Step::kWrite,      testing::Step::kPutInPlace,
                                           testing::Step::kSync,       testing::Step::kRemove};

// Expected: whatever step a crash of --add-pictures comes at, the next command (the same one
// again, a generation, or a check, which only reports) leaves the album whole: the index file
// old or new, every picture it names whole, no picture it does not name, no journal, no hidden
// file.
TEST_F(SafetyTest, ACrashAtAnyStepIsFinishedOrUndoneByTheNextRun) {
  MakeAlbum(1);
  const std::string more = Pictures("more", 1);
  const Files start = Snapshot(album);
  const std::string oldText = ReadFile(index);
  AlbumOptions options;
  options.threads = 1;
  testing::FaultyFileSystem counting(fs);
  ASSERT_TRUE(AddPictures(index, {more}, counting, options).ok());
  int crashes = 0;
  for (testing::Step step : kWritingSteps) {
    for (int nth = 1; nth <= counting.Calls(step); ++nth) {
      SCOPED_TRACE(std::string(testing::StepName(step)) + " call " + std::to_string(nth));
      stdfs::remove_all(album);
      stdfs::create_directories(album);
      for (const auto& [path, bytes] : start) {
        if (bytes == "<folder>") {
          stdfs::create_directories(path);
        } else {
          WriteFile(path, bytes);
        }
      }
      testing::FaultyFileSystem crashing(fs);
      crashing.EndAt(step, nth);
      static_cast<void>(AddPictures(index, {more}, crashing, options));
      ++crashes;
      if (stdfs::exists(album + "/" + std::string(kJournalName))) {
        const Files left = Snapshot(album);
        const CliResult checked = Run({"--check", index});
        EXPECT_NE(checked.out.find("left its journal"), std::string::npos) << checked.out;
        EXPECT_EQ(Snapshot(album), left) << "--check only reports";
      }
      switch (crashes % 2) {
        case 0:
          EXPECT_TRUE(GenerateSite(index, fs).ok());
          break;
        default:
          EXPECT_TRUE(AddPictures(index, {more}, fs, options).ok());
          break;
      }
      const std::vector<std::string> pairs = PairsOf(index);
      const std::string text = ReadFile(index);
      EXPECT_TRUE(text == oldText || text.starts_with(oldText)) << text;
      EXPECT_LE(pairs.size(), 3u);
      EXPECT_EQ(std::set<std::string>(pairs.begin(), pairs.end()).size() + (pairs.size() == 3),
                pairs.size())
          << "a picture added twice is the second run's doing only";
      for (std::size_t n = 1; n <= pairs.size(); ++n) {
        EXPECT_TRUE(testing::ReadPicture(album + "/pictures/p" + std::to_string(n) + ".jpg"));
        EXPECT_TRUE(testing::ReadPicture(album + "/thumbs/t" + std::to_string(n) + ".jpg"));
      }
      const std::string next = std::to_string(pairs.size() + 1);
      EXPECT_FALSE(stdfs::exists(album + "/pictures/p" + next + ".jpg"));
      EXPECT_FALSE(stdfs::exists(album + "/thumbs/t" + next + ".jpg"));
      for (const auto& [path, bytes] : Snapshot(album)) {
        EXPECT_EQ(stdfs::path(path).filename().string().front() == '.', false) << path;
      }
    }
  }
  RecordProperty("Crashes", crashes);
  EXPECT_GT(crashes, 10);
}

// What the system calls of a traced run show of its flushes: the names that took a file whose
// data was not flushed yet, and the folders that got a name and were not flushed after it.
// Descriptors belong to the process, whichever of its threads uses them.
class SyscallOrder {
 public:
  // Reads a trace of `strace -f` with write, fdatasync, fsync, syncfs, linkat and the renames.
  explicit SyscallOrder(const std::string& trace) {
    static const std::regex call(R"(^\d+ +(\w+)\((\w+|-?\d+)(?:, ?(.*))?\) += (-?\d+))");
    std::istringstream lines(trace);
    for (std::string line; std::getline(lines, line);) {
      std::smatch m;
      if (!std::regex_search(line, m, call) || m[4] == "-1") continue;
      const std::string name = m[1], fd = m[2], rest = m[3];
      if (name == "write") {
        dirty_.insert(fd);
      } else if (name == "fdatasync" || name == "fsync") {
        dirty_.erase(fd);
        if (name == "fsync") unsyncedFolders.erase(fd);
      } else if (name == "syncfs") {
        dirty_.clear();
      } else if (name == "linkat" && rest.starts_with("\"\", ")) {
        Placed(fd, rest.substr(4));
      } else if (name.starts_with("renameat")) {
        Placed("", rest.substr(rest.find(", ") + 2));
      }
    }
  }

  std::vector<std::string> unflushed;
  std::set<std::string> unsyncedFolders;

 private:
  // A file took a name: `fd` is the file's descriptor (none for a rename), `target` the
  // arguments from the folder's descriptor on.
  void Placed(const std::string& fd, const std::string& target) {
    static const std::regex place(R"(^(\w+|-?\d+), \"([^\"]*)\")");
    std::smatch m;
    if (!std::regex_search(target, m, place)) return;
    const std::string name = m[2];
    const bool mustLast = name.ends_with(".jpg") || name.ends_with(".gif") || name == "index.txt" ||
                          name == kJournalName;
    if (!mustLast) return;
    if (!fd.empty() && dirty_.count(fd) != 0) unflushed.push_back(name);
    unsyncedFolders.insert(m[1]);
  }

  std::set<std::string> dirty_;
};

// Expected: every picture, thumbnail, support image and the index file has its data flushed
// before its name appears, as the system calls of a real run show, and the folders that got
// names are flushed before the run ends.
TEST_F(SafetyTest, FilesAreFlushedBeforeTheirNamesAppear) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string trace = dir / "trace.txt";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--new-album", Pictures("base", 3), album},
        std::vector<std::string>{"--add-pictures", index, Pictures("more", 2)}}) {
    SCOPED_TRACE(args.front());
    std::vector<std::string> traced = {
        "-f",         "-qq", "-o",
        trace,        "-e",  "trace=write,fdatasync,fsync,syncfs,linkat,rename,renameat,renameat2",
        QUILLMERE_CLI};
    traced.insert(traced.end(), args.begin(), args.end());
    const testing::ProcessResult result =
        testing::RunProcess("/usr/bin/strace", traced, testing::WithoutLeakChecks);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    SyscallOrder order(ReadFile(trace));
    EXPECT_EQ(order.unflushed, std::vector<std::string>{});
    EXPECT_EQ(order.unsyncedFolders, std::set<std::string>{});
  }
  EXPECT_EQ(PairsOf(index).size(), 5u);
}

// Expected: what a crash leaves of a page (nothing, or its start) is written anew without
// --force, as is an empty support image, while a page edited by hand is still refused.
TEST_F(SafetyTest, WhatACrashLeavesIsMendedAndNothingElse) {
  MakeAlbum(3);
  const Files whole = Snapshot(album);
  struct Damage {
    std::string file;
    std::size_t keep;
    bool mended;
  };
  for (const Damage& damage : {Damage{"index.html", 0, true}, Damage{"Image2.html", 0, true},
                               Damage{"index.html", 700, true}, Damage{"Image2.html", 300, true},
                               Damage{"support/x.gif", 0, true}}) {
    SCOPED_TRACE(damage.file + " cut to " + std::to_string(damage.keep));
    const std::string path = album + "/" + damage.file;
    WriteFile(path, whole.at(path).substr(0, damage.keep));
    const bool support = damage.file.starts_with("support/");
    const CliResult result = Run({support ? "--add-support-images" : "--verbose", index});
    EXPECT_EQ(result.code, 0) << result.err;
    EXPECT_EQ(ReadFile(path), whole.at(path));
  }
  WriteFile(album + "/Image2.html", whole.at(album + "/Image2.html").substr(0, 300) + "mine");
  EXPECT_EQ(Run({index}).code, 1);
  // --check tells of an empty thumbnail and a picture cut short from their sizes and last bytes.
  const std::string picture = whole.at(album + "/pictures/p3.jpg");
  WriteFile(album + "/pictures/p3.jpg", picture.substr(0, picture.size() / 2));
  WriteFile(album + "/thumbs/t2.jpg", "");
  const CliResult checked = Run({"--check", "--quiet", index});
  EXPECT_NE(checked.out.find(":8: thumbnail thumbs/t2.jpg is empty (0 bytes)\n"), std::string::npos)
      << checked.out;
  EXPECT_NE(checked.out.find(":10: picture pictures/p3.jpg ends early"), std::string::npos)
      << checked.out;
}

// Expected: a change takes only the steps it planned, each refused before it is planned or before
// the plan is written; the journal holds the plan, the steps after the index file last; a failed
// Begin names the journal.
TEST(AlbumChangeTest, TakesOnlyTheStepsItPlanned) {
  TempFolder dir;
  PosixFileSystem fs;
  WriteFile(dir / "p1.jpg", "one");
  Result<std::unique_ptr<Folder>> album = fs.OpenFolder(dir.path());
  ASSERT_TRUE(album);
  Folder& folder = *album.value();
  const auto newFile = [&folder] {
    Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
    EXPECT_TRUE(file);
    return std::move(file.value());
  };
  AlbumChange change(folder, dir.path(), ChangeKind::kAddPictures, "index.txt", StateOf(""));
  change.PlanFolder("made");
  change.PlanFolder("made");
  change.PlanFile("p2.jpg");
  const JournalStep aside{JournalStep::Kind::kRename, "p1.jpg", "p1 (moving).jpg"};
  change.PlanAfterIndex({JournalStep::Kind::kDiscard, "p1 (moving).jpg", {}});
  change.PlanRename(aside);
  EXPECT_EQ(change.AddFile(newFile(), folder, "", "p2.jpg").error(), NotPlanned())
      << "before Begin";
  ASSERT_TRUE(change.Begin());
  const std::optional<Journal> journal = ParseJournal(ReadFile(dir / std::string(kJournalName)));
  ASSERT_TRUE(journal);
  const std::vector<JournalStep> planned = {{JournalStep::Kind::kMakeFolder, "made", {}},
                                            {JournalStep::Kind::kMakeFile, "p2.jpg", {}},
                                            aside,
                                            {JournalStep::Kind::kDiscard, "p1 (moving).jpg", {}}};
  EXPECT_EQ(journal.value().steps, planned);

  EXPECT_EQ(change.AddFile(newFile(), folder, "", "p3.jpg").error(), NotPlanned());
  EXPECT_EQ(change.Rename(folder, "", "p1.jpg", "p9.jpg").error(), NotPlanned());
  Result<std::unique_ptr<Folder>> unplanned = change.MakeFolder(folder, "", "other");
  ASSERT_FALSE(unplanned);
  EXPECT_EQ(unplanned.error(), NotPlanned());
  EXPECT_FALSE(stdfs::exists(dir / "other"));
  EXPECT_TRUE(stdfs::exists(dir / "p1.jpg")) << "the unplanned rename was not taken";

  EXPECT_TRUE(change.MakeFolder(folder, "", "made"));
  EXPECT_EQ(change.AddFile(newFile(), folder, "", "p2.jpg").error(), std::error_code());
  EXPECT_EQ(change.FinishFiles().error(), std::error_code());
  EXPECT_EQ(change.Rename(folder, "", "p1.jpg", "p1 (moving).jpg").error(), std::error_code());
  change.Undo();
  EXPECT_EQ(Snapshot(dir.path()), (Files{{dir / "p1.jpg", "one"}})) << "all undone";

  testing::FaultyFileSystem faulty(fs);
  Result<std::unique_ptr<Folder>> held = faulty.OpenFolder(dir.path());
  ASSERT_TRUE(held);
  AlbumChange unwritable(*held.value(), "/elsewhere/", ChangeKind::kAddPictures, "index.txt",
                         StateOf(""));
  unwritable.PlanFile("p9.jpg");
  faulty.FailAt(testing::Step::kCreateFile, 1, SystemError(ENOSPC));
  const Result<void, AlbumFailure> begun = unwritable.Begin();
  ASSERT_FALSE(begun);
  const auto* failure = begun.failure()->As<AlbumFailure::NotWritten>();
  ASSERT_NE(failure, nullptr);
  EXPECT_EQ(failure->path, "/elsewhere/" + std::string(kJournalName));
  EXPECT_EQ(failure->error, std::errc::no_space_on_device);
}

}  // namespace
}  // namespace quillmere
