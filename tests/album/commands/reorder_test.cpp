// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Pictures removed from an album and moved in it keep their captions: each test picture shows its
// number as a colour of its own, read back from the files that carry each caption afterwards.
// Real processes, killed at each step that changes the disk, leave what the next command finishes
// or undoes; --add-pictures leaves out what the album holds already.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/edit_album.h"
#include "album/commands/edit_in_editor.h"
#include "album/commands/move_picture.h"
#include "album/commands/remove_pictures.h"
#include "album/text/edit_file.h"
#include "platform/stop_request.h"
#include "run/journal_settle.h"
#include "support/child_process.h"
#include "support/cli_runner.h"
#include "support/faulty_file_system.h"
#include "support/folder_trash.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// Picture n of a test album is drawn in kColours[n - 1].
const std::vector<std::vector<double>> kColours = {{220, 30, 30},  {30, 200, 30},  {30, 30, 220},
                                                   {220, 220, 30}, {30, 220, 220}, {220, 30, 220}};

// The number whose colour the picture at `path` is drawn in; 0 when there is no such file.
int NumberDrawnIn(const std::string& path) {
  if (!stdfs::exists(path)) return 0;
  const std::vector<double> pixel = testing::PixelOf(path, 10, 10);
  auto distance = [&](const std::vector<double>& colour) {
    double sum = 0;
    for (std::size_t band = 0; band < 3; ++band) sum += std::pow(pixel[band] - colour[band], 2);
    return sum;
  };
  const auto nearest =
      std::min_element(kColours.begin(), kColours.end(),
                       [&](const auto& a, const auto& b) { return distance(a) < distance(b); });
  return static_cast<int>(nearest - kColours.begin()) + 1;
}

// A part of the picture section: picture n's pair, or (0) a pair that a comment drops.
using Part = int;

// The pairs of the test's index file, each followed by its CR LF but the file's last.
std::string PartText(Part part) {
  if (part == 0) return ";aside\r\nnot a picture";
  const std::string n = std::to_string(part);
  return "c" + n + "\r\nabout c" + n;
}

// The index file whose picture section is `parts` in that order: a comment in the head, CR LF
// line ends, and no line end after the last line of picture 6 while it stands last.
std::string IndexText(const std::vector<Part>& parts) {
  std::string text = "; the test's album\r\nColours\r\nthumbs/t\r\npictures/p\r\nsupport\r\n3\r\n";
  for (std::size_t i = 0; i < parts.size(); ++i) {
    text += PartText(parts[i]);
    if (parts[i] != 6 || i + 1 < parts.size()) text += "\r\n";
  }
  return text;
}

// The parts of the test album before any change: six pictures, and a pair commented out between
// pictures 3 and 4.
const std::vector<Part> kParts = {1, 2, 3, 0, 4, 5, 6};

// `parts` without the pictures `removed` (numbered as they are in `parts`).
std::vector<Part> Without(std::vector<Part> parts, const std::vector<int>& removed) {
  std::vector<Part> pictures;
  std::copy_if(parts.begin(), parts.end(), std::back_inserter(pictures), [](Part p) { return p; });
  std::set<Part> gone;
  for (int n : removed) gone.insert(pictures[static_cast<std::size_t>(n - 1)]);
  std::erase_if(parts, [&](Part p) { return gone.count(p) != 0; });
  return parts;
}

// `parts` with picture `from` cut out and put before picture `to`, or after it when it moves down.
std::vector<Part> Moved(std::vector<Part> parts, int from, int to) {
  std::vector<Part> pictures;
  std::copy_if(parts.begin(), parts.end(), std::back_inserter(pictures), [](Part p) { return p; });
  const Part moving = pictures[static_cast<std::size_t>(from - 1)];
  const Part place = pictures[static_cast<std::size_t>(to - 1)];
  std::erase(parts, moving);
  auto at = std::find(parts.begin(), parts.end(), place);
  parts.insert(to < from ? at : at + 1, moving);
  return parts;
}

// A change to make, what the index file holds after it, and which pictures go to the trash; for
// an edit, the captions it gives (old, new) and the environment its editor comes from.
struct Change {
  std::string name;
  std::vector<std::string> args;
  std::vector<Part> parts;
  std::vector<int> trashed;
  std::vector<std::pair<std::string, std::string>> captions = {};
  std::vector<std::string> environment = {};
};

// `text` with each caption of `captions` (old, new) given its new words.
std::string WithCaptions(std::string text,
                         const std::vector<std::pair<std::string, std::string>>& captions) {
  for (const auto& [old, now] : captions) {
    const std::size_t at = text.find("\r\n" + old + "\r\n");
    if (at != std::string::npos) text.replace(at + 2, old.size(), now);
  }
  return text;
}

// Remove and move, at the ends and in the middle, one picture and several.
std::vector<Change> Changes() {
  return {
      {"remove 2 and 4", {"--remove-pictures", "2", "4"}, Without(kParts, {2, 4}), {2, 4}},
      {"remove the first", {"--remove-pictures", "1"}, Without(kParts, {1}), {1}},
      {"remove the last", {"--remove-pictures", "6"}, Without(kParts, {6}), {6}},
      {"remove three",
       {"--remove-pictures", "6", "1", "3", "3"},
       Without(kParts, {1, 3, 6}),
       {1, 3, 6}},
      {"move 5 up to 2", {"--move-picture", "5", "2"}, Moved(kParts, 5, 2), {}},
      {"move 1 down to 6", {"--move-picture", "1", "6"}, Moved(kParts, 1, 6), {}},
      {"move 6 up to 1", {"--move-picture", "6", "1"}, Moved(kParts, 6, 1), {}},
      {"move 3 down to 4", {"--move-picture", "3", "4"}, Moved(kParts, 3, 4), {}},
  };
}

class ReorderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stdfs::create_directories(colours);
    for (int n = 1; n <= 6; ++n) {
      testing::WriteFlatJpeg(colours + "/c" + std::to_string(n) + ".jpg",
                             kColours[static_cast<std::size_t>(n - 1)]);
    }
    testing::CliResult made = testing::RunCli({"--new-album", colours, start}, fs);
    ASSERT_EQ(made.code, 0) << made.err;
    WriteFile(start + "/index.txt", IndexText(kParts));
    ASSERT_EQ(testing::RunCli({start + "/index.txt"}, fs).code, 0);
    stdfs::create_directories(home + "/data");
  }

  // Kills --new-album of `source` at each step that changes the disk and expects the same command
  // to finish it; defined with the tests that use it.
  void ExpectKilledNewAlbumsFinished(const std::string& source, bool flat);

  // The album of the tests, as it was made, in `album`.
  void FreshAlbum() {
    stdfs::remove_all(album);
    stdfs::copy(start, album, stdfs::copy_options::recursive);
  }

  // Runs quillmere-cli with `args` as a process whose desktop's trash is the test's own, in the
  // folder `workingFolder` when one is given.
  testing::ProcessResult RunProcess(std::vector<std::string> args,
                                    std::vector<std::string> before = {},
                                    const std::string& workingFolder = {}) {
    std::vector<std::string> all = {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data"};
    all.insert(all.end(), before.begin(), before.end());
    all.push_back(QUILLMERE_CLI);
    all.insert(all.end(), args.begin(), args.end());
    const bool traced = !before.empty();
    return testing::RunProcess("/usr/bin/env", all, [traced, &workingFolder] {
      // A traced run does without leak checks, which cannot work under ptrace.
      if (traced) testing::WithoutLeakChecks();
      if (!workingFolder.empty() && chdir(workingFolder.c_str()) != 0) _exit(125);
    });
  }

  // The numbers drawn in the pictures that the desktop's trash holds.
  std::multiset<int> Trashed() {
    std::multiset<int> numbers;
    const std::string files = home + "/data/Trash/files";
    if (!stdfs::exists(files)) return numbers;
    for (const auto& entry : stdfs::directory_iterator(files)) {
      if (entry.path().filename().string().starts_with("p")) {
        numbers.insert(NumberDrawnIn(entry.path().string()));
      }
    }
    return numbers;
  }

  // Expects the album to show `parts`: its index file as written for them (with `captions`
  // changed), each caption with the picture and thumbnail drawn for it, no other picture,
  // thumbnail or page after the last, the pages as a run writes them, and no journal or file held
  // aside.
  void ExpectAlbumShows(const std::vector<Part>& parts,
                        const std::vector<std::pair<std::string, std::string>>& captions = {}) {
    EXPECT_EQ(ReadFile(index), WithCaptions(IndexText(parts), captions));
    std::vector<int> pictures;
    std::copy_if(parts.begin(), parts.end(), std::back_inserter(pictures),
                 [](Part p) { return p; });
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      const std::string n = std::to_string(i + 1);
      EXPECT_EQ(NumberDrawnIn(album + "/pictures/p" + n + ".jpg"), pictures[i]) << "picture " << n;
      EXPECT_EQ(NumberDrawnIn(album + "/thumbs/t" + n + ".jpg"), pictures[i]) << "thumbnail " << n;
    }
    for (std::size_t n = pictures.size() + 1; n <= 6; ++n) {
      for (const std::string name : {"pictures/p", "thumbs/t", "Image"}) {
        const std::string file = album + "/" + name + std::to_string(n);
        EXPECT_FALSE(stdfs::exists(file + ".jpg") || stdfs::exists(file + ".html")) << file;
      }
    }
    for (const auto& [page, bytes] : testing::ReferencePages(ReadFile(index))) {
      EXPECT_EQ(ReadFile(album + "/" + page), bytes) << page;
    }
    EXPECT_FALSE(stdfs::exists(album + "/" + std::string(kJournalName)));
    for (const std::string folder : {"/pictures", "/thumbs"}) {
      for (const auto& entry : stdfs::directory_iterator(album + folder)) {
        EXPECT_EQ(entry.path().filename().string().find('('), std::string::npos) << entry.path();
      }
    }
  }

  // Expects the desktop's trash to hold no file by which a killed run tried it, and no record
  // without its file.
  void ExpectNothingLeftOfKilledRuns() {
    const std::string trash = home + "/data/Trash";
    if (!stdfs::exists(trash)) return;
    for (const char* part : {"/files", "/info"}) {
      for (const auto& entry : stdfs::directory_iterator(trash + part)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with(".quillmere-probe-")) << entry.path();
        if (part != std::string("/info")) continue;
        EXPECT_TRUE(name.ends_with(".trashinfo")) << entry.path();
        const std::string file = name.substr(0, name.size() - std::string(".trashinfo").size());
        EXPECT_TRUE(stdfs::exists(trash + "/files/" + file)) << entry.path() << " alone";
      }
    }
  }

  TempFolder dir;
  PosixFileSystem fs;
  const std::string colours = dir / "colours";
  const std::string start = dir / "start";
  const std::string album = dir / "album";
  const std::string index = album + "/index.txt";
  const std::string home = dir / "home";
};

// Expected: each change leaves every caption with its own picture and thumbnail, the index file
// changed only where its pairs were removed or moved, the pages of the pictures gone removed, and
// the removed pictures in the desktop's trash, with where they came from.
TEST_F(ReorderTest, EveryCaptionStaysWithItsPicture) {
  for (const Change& change : Changes()) {
    SCOPED_TRACE(change.name);
    FreshAlbum();
    stdfs::remove_all(home + "/data");
    std::vector<std::string> args = change.args;
    args.insert(args.begin() + 1, index);
    const testing::ProcessResult result = RunProcess(args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
    ExpectAlbumShows(change.parts);
    std::multiset<int> thumbnails;
    for (int n : change.trashed) thumbnails.insert(n);
    EXPECT_EQ(Trashed(), thumbnails);
    for (int n : change.trashed) {
      const std::string info =
          ReadFile(home + "/data/Trash/info/p" + std::to_string(n) + " (removed).jpg.trashinfo");
      EXPECT_NE(info.find("Path=" + album + "/pictures/p" + std::to_string(n) + "%20%28removed"),
                std::string::npos)
          << info;
    }
  }
  // --delete leaves the trash as it is.
  FreshAlbum();
  stdfs::remove_all(home + "/data");
  EXPECT_EQ(RunProcess({"--remove-pictures", "--delete", index, "1"}).exitCode, 0);
  ExpectAlbumShows(Without(kParts, {1}));
  EXPECT_EQ(Trashed(), std::multiset<int>{});
}

// Expected: an index file named without its folder, from inside that folder, is the album there:
// the pictures that a removal or an edit file takes out go to the desktop's trash.
TEST_F(ReorderTest, AnIndexFileNamedAloneRemovesPicturesToTheTrash) {
  const std::string runtime = dir / "run";
  stdfs::create_directories(runtime);
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> before;
    int removed;
  };
  const std::vector<Case> cases = {
      {{"--remove-pictures", "index.txt", "4"}, {}, 4},
      {{"--edit", "index.txt"},
       {"XDG_RUNTIME_DIR=" + runtime, "EDITOR=sed -i /^.p2.jpg.$/,+2d"},
       2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    FreshAlbum();
    stdfs::remove_all(home + "/data");
    const testing::ProcessResult result = RunProcess(c.args, c.before, album);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    ExpectAlbumShows(Without(kParts, {c.removed}));
    EXPECT_EQ(Trashed(), std::multiset<int>{c.removed});
  }
}

// In an album whose index file says it has videos, a video beside its poster moves and goes with
// it; in one that does not, files named like videos are left alone. An entry's album file moves
// and goes with its picture in either.
TEST_F(ReorderTest, VideosAndAlbumFilesMoveAndGoWithTheirPictures) {
  struct Case {
    bool videosLine;
    std::vector<std::string> args;
    std::map<std::string, std::string> after;  // file beside a picture: its bytes, or "" for none
    // The file of the desktop's trash that a removal leaves there, if any.
    std::string trashed = {};
  };
  const std::vector<Case> cases = {
      {true,
       {"--move-picture", "2", "5"},
       {{"p2.mp4", ""}, {"p5.mp4", "video 2"}, {"p4.webm", "video 5"}, {"p5.webm", ""}}},
      {true, {"--remove-pictures", "2"}, {{"p2.mp4", ""}, {"p4.webm", "video 5"}}},
      {false, {"--move-picture", "2", "5"}, {{"p2.mp4", "video 2"}, {"p5.webm", "video 5"}}},
      {false,
       {"--move-picture", "3", "6"},
       {{"p3.album", ""}, {"p6.album", "Lisbon\n"}, {"p5.webm", "video 5"}}},
      {true,
       {"--remove-pictures", "3"},
       {{"p3.album", ""}, {"p2.album", ""}, {"p4.webm", "video 5"}},
       "p3 (removed).album"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.videosLine ? " with videos" : " without"));
    FreshAlbum();
    stdfs::remove_all(home + "/data");
    if (c.videosLine) WriteFile(index, "; videos\r\n" + IndexText(kParts));
    WriteFile(album + "/pictures/p2.mp4", "video 2");
    WriteFile(album + "/pictures/p5.webm", "video 5");
    WriteFile(album + "/pictures/p3.album", "Lisbon\n");
    std::vector<std::string> args = c.args;
    args.insert(args.begin() + 1, index);
    const testing::ProcessResult result = RunProcess(args);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const auto& [name, bytes] : c.after) {
      const std::string file = album + "/pictures/" + name;
      EXPECT_EQ(stdfs::exists(file) ? ReadFile(file) : "", bytes) << name;
    }
    if (!c.trashed.empty()) {
      EXPECT_EQ(ReadFile(home + "/data/Trash/files/" + c.trashed), "Lisbon\n");
    }
  }
}

// Every file under `folder` with its bytes.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : stdfs::recursive_directory_iterator(folder)) {
    files[entry.path().string()] = entry.is_directory() ? "<folder>" : ReadFile(entry.path());
  }
  return files;
}

// Expected: what cannot be done is refused before anything changes, and a rename that fails
// midway has every file renamed back: the album is byte for byte as it was.
TEST_F(ReorderTest, RefusalsAndFailuresLeaveTheAlbumAsItWas) {
  FreshAlbum();
  const std::map<std::string, std::string> before = Snapshot(album);
  const std::string bin = dir / "bin";
  testing::FolderTrash refusing(album, bin, /*refuse=*/true);
  testing::FolderTrash taking(album, bin, /*refuse=*/false);
  AlbumOptions options;
  options.trash = &taking;
  EXPECT_TRUE(RemovePictures(index, {7}, fs, options).failure->Is<AlbumFailure::NoSuchPicture>());
  EXPECT_TRUE(MovePicture(index, 0, 2, fs, options).failure->Is<AlbumFailure::NoSuchPicture>());
  options.trash = &refusing;
  EXPECT_TRUE(RemovePictures(index, {2}, fs, options).failure->Is<AlbumFailure::NoTrash>());
  options.trash = &taking;
  stdfs::rename(album + "/thumbs/t5.jpg", album + "/thumbs/t5 saved.jpg");
  stdfs::create_directory(album + "/thumbs/t5.jpg");
  EXPECT_TRUE(RemovePictures(index, {2}, fs, options).failure->Is<AlbumFailure::NotAFile>());
  stdfs::remove(album + "/thumbs/t5.jpg");
  stdfs::rename(album + "/thumbs/t5 saved.jpg", album + "/thumbs/t5.jpg");
  EXPECT_EQ(Snapshot(album), before);
  testing::FaultyFileSystem counting(fs);
  ASSERT_TRUE(RemovePictures(index, {2, 4}, counting, options).ok());
  const int renames = counting.Calls(testing::Step::kRename);
  EXPECT_EQ(renames, 16) << "five pictures held aside and three renumbered, with their thumbnails";
  for (int nth = 1; nth <= renames; ++nth) {
    SCOPED_TRACE("rename " + std::to_string(nth) + " fails");
    FreshAlbum();
    testing::FaultyFileSystem failing(fs);
    failing.FailAt(testing::Step::kRename, nth, SystemError(EIO));
    const AlbumOutcome outcome = RemovePictures(index, {2, 4}, failing, options);
    EXPECT_TRUE(outcome.failure->Is<AlbumFailure::NotRenamed>());
    EXPECT_EQ(Snapshot(album), before);
  }
  // A stop asked for before the index file is replaced (a Cancel, a signal) puts every file back;
  // one asked for during the last rename is seen just before the index file would be replaced.
  for (int nth = 1; nth <= renames; ++nth) {
    SCOPED_TRACE("stop asked for at rename " + std::to_string(nth));
    FreshAlbum();
    StopRequest stop;
    testing::FaultyFileSystem stopping(fs);
    stopping.ActAt(testing::Step::kRename, nth, [&stop] { stop.Request(StopRequest::kByUser); });
    AlbumOptions stoppable = options;
    stoppable.run.stop = &stop;
    const AlbumOutcome outcome = RemovePictures(index, {2, 4}, stopping, stoppable);
    ASSERT_TRUE(outcome.failure.has_value());
    EXPECT_TRUE(outcome.failure->Is<AlbumFailure::Stopped>());
    EXPECT_EQ(Snapshot(album), before);
  }
  // Renames that cannot be given back leave the journal, from which the next run undoes them.
  FreshAlbum();
  testing::FaultyFileSystem stuck(fs);
  stuck.FailFrom(testing::Step::kRename, 3, SystemError(EIO));
  EXPECT_TRUE(
      RemovePictures(index, {2, 4}, stuck, options).failure->Is<AlbumFailure::NotRenamed>());
  EXPECT_TRUE(stdfs::exists(album + "/" + std::string(kJournalName)));
  EXPECT_EQ(RemovePictures(index, {}, fs, options).failure, std::nullopt);
  EXPECT_EQ(Snapshot(album), before);
  const testing::CliResult refused = testing::RunCli({"--remove-pictures", index, "9"}, fs);
  EXPECT_EQ(refused.err, "quillmere-cli: There is no picture 9 in " + index +
                             ", which has 6 pictures; nothing was changed.\n");
  // A desktop's trash that cannot be made is found before anything changes.
  FreshAlbum();
  WriteFile(dir / "plain", "");
  const testing::ProcessResult noTrash =
      RunProcess({"--remove-pictures", index, "2"}, {"XDG_DATA_HOME=" + (dir / "plain")});
  EXPECT_EQ(noTrash.exitCode, 1);
  EXPECT_NE(noTrash.err.find("--delete"), std::string::npos) << noTrash.err;
  EXPECT_EQ(Snapshot(album), before);
}

// The system calls after which a kill leaves the disk changed.
constexpr const char* kChangingCalls[] = {"renameat2", "renameat", "rename", "linkat",
                                          "unlinkat",  "unlink",   "fsync",  "fdatasync"};

// Expected: whichever of these system calls a remove, a move or an edit is killed after, the
// next command (a generation, which leaves a change with pictures for the trash to the album's
// commands, then --remove-pictures without numbers, or the same edit again, which then finds
// nothing to change) finishes or undoes it: the album shows its pictures before or after the
// change, with every caption on its picture and pages that show it, and no picture is lost: those
// the album no longer shows are in the trash, under their own names. A kill leaves no journal
// only once the pages are written; what the killed run left in the trash and its edit file are
// gone after the next one.
TEST_F(ReorderTest, AKillAtAnyStepIsFinishedOrUndoneWithNothingLost) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string runtime = dir / "run";
  // Takes picture 2 out while its caption is c2 and gives c5 words of its own, writing the file
  // in place: run on the album it made, it changes nothing.
  const std::string editor = dir / "editor";
  WriteFile(editor,
            "#!/bin/sh\nt=$(sed -e '/^\\[p2\\.jpg\\]$/{N;/\\nc2$/{N;d;};}' -e 's/^c5$/Fifth/' "
            "\"$1\")\nprintf '%s\\n' \"$t\" > \"$1\"\n");
  stdfs::permissions(editor, stdfs::perms::owner_exec, stdfs::perm_options::add);
  const Change edit{"edit", {"--edit"},        Without(kParts, {2}),
                    {2},    {{"c5", "Fifth"}}, {"XDG_RUNTIME_DIR=" + runtime, "EDITOR=" + editor}};
  int kills = 0;
  for (const Change& change : {Changes()[0], Changes()[4], edit}) {
    for (const char* call : kChangingCalls) {
      for (int nth = 1;; ++nth) {
        SCOPED_TRACE(change.name + ", killed at " + call + " " + std::to_string(nth));
        FreshAlbum();
        stdfs::remove_all(home + "/data");
        stdfs::remove_all(runtime);
        stdfs::create_directories(runtime);
        std::vector<std::string> args = change.args;
        args.insert(args.begin() + 1, index);
        const std::string inject = std::string(call) + ":signal=KILL:when=" + std::to_string(nth);
        std::vector<std::string> traced = change.environment;
        traced.insert(traced.end(), {"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                                     "trace=" + std::string(call), "-e", "inject=" + inject});
        const testing::ProcessResult killed = RunProcess(args, traced);
        if (killed.exitCode == 0) break;
        const bool wasKilled = killed.signal == SIGKILL || killed.exitCode == 128 + SIGKILL;
        ASSERT_TRUE(wasKilled) << killed.err;
        ++kills;
        if (stdfs::exists(album + "/" + std::string(kJournalName))) {
          const std::map<std::string, std::string> left = Snapshot(album);
          const testing::ProcessResult checked = RunProcess({"--check", index});
          EXPECT_NE(checked.out.find("left its journal"), std::string::npos) << checked.out;
          EXPECT_EQ(Snapshot(album), left) << "--check only reports";
        } else {
          for (const auto& [page, bytes] : testing::ReferencePages(ReadFile(index))) {
            EXPECT_EQ(ReadFile(album + "/" + page), bytes) << page << " without a journal";
          }
        }
        if (kills % 2 == 0) {
          const testing::ProcessResult generated = RunProcess({index});
          if (generated.exitCode != 0) {
            EXPECT_NE(generated.err.find("quillmere-cli --remove-pictures " + index),
                      std::string::npos)
                << generated.err;
          }
        }
        // A copy of what the kill left, every file with other numbers, as a backup or another
        // disk gives it back, settles the same way.
        const std::string copied = dir / "copied";
        const std::string trashLeft = dir / "trash left";
        for (const std::string& copy : {copied, trashLeft}) stdfs::remove_all(copy);
        ASSERT_EQ(std::system(("cp -a '" + album + "' '" + copied + "'").c_str()), 0);
        stdfs::create_directories(home + "/data");
        stdfs::copy(home + "/data", trashLeft, stdfs::copy_options::recursive);
        for (const char* where : {"in place", "copied"}) {
          SCOPED_TRACE(where);
          if (where != std::string("in place")) {
            for (const std::string& used : {album, home + "/data"}) stdfs::remove_all(used);
            stdfs::rename(copied, album);
            stdfs::rename(trashLeft, home + "/data");
          }
          const std::vector<std::string> again =
              change.environment.empty() ? std::vector<std::string>{"--remove-pictures", index}
                                         : args;
          const testing::ProcessResult finished = RunProcess(again, change.environment);
          EXPECT_EQ(finished.exitCode, 0) << finished.err;
          const bool changed = ReadFile(index) != IndexText(kParts);
          if (changed) {
            ExpectAlbumShows(change.parts, change.captions);
          } else {
            ExpectAlbumShows(kParts);
          }
          std::multiset<int> trashed;
          if (changed) trashed.insert(change.trashed.begin(), change.trashed.end());
          EXPECT_EQ(Trashed(), trashed);
          ExpectNothingLeftOfKilledRuns();
          EXPECT_TRUE(stdfs::is_empty(runtime)) << "an edit file stays";
        }
      }
    }
  }
  RecordProperty("Kills", kills);
  EXPECT_GT(kills, 60);
}

// The files under `folder` with their bytes, named from inside it.
std::map<std::string, std::string> InsideSnapshot(const std::string& folder) {
  std::map<std::string, std::string> inside;
  for (auto& [path, bytes] : Snapshot(folder)) inside[path.substr(folder.size())] = bytes;
  return inside;
}

// Expected: a --new-album of `source` killed after whichever of the system calls that change the
// disk is finished by the same command run again, which then makes the albums that a run without a
// kill makes, pages and all; the killed run leaves no journal before its pages are written, and
// its pages are the model's where `flat`.
void ReorderTest::ExpectKilledNewAlbumsFinished(const std::string& source, bool flat) {
  const std::string made = dir / "made";
  stdfs::remove_all(made);
  ASSERT_EQ(RunProcess({"--new-album", source, made}).exitCode, 0);
  const std::map<std::string, std::string> whole = InsideSnapshot(made);
  const std::string journal = album + "/" + std::string(kJournalName);
  int kills = 0;
  for (const char* call : kChangingCalls) {
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE(std::string("killed at ") + call + " " + std::to_string(nth));
      stdfs::remove_all(album);
      const std::string inject = std::string(call) + ":signal=KILL:when=" + std::to_string(nth);
      const testing::ProcessResult killed = RunProcess(
          {"--new-album", source, album}, {"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                                           "trace=" + std::string(call), "-e", "inject=" + inject});
      if (killed.exitCode == 0) break;
      ASSERT_TRUE(killed.signal == SIGKILL || killed.exitCode == 128 + SIGKILL) << killed.err;
      ++kills;
      // The top album is made last, so a top without a journal is a whole tree.
      const bool done = stdfs::exists(index) && !stdfs::exists(journal);
      if (done && flat) {
        for (const auto& [page, bytes] : testing::ReferencePages(ReadFile(index))) {
          EXPECT_EQ(ReadFile(album + "/" + page), bytes) << page << " without a journal";
        }
      }
      const testing::ProcessResult again = RunProcess({"--new-album", source, album});
      EXPECT_EQ(again.exitCode, done ? 1 : 0) << again.err;
      EXPECT_EQ(InsideSnapshot(album), whole);
    }
  }
  ::testing::Test::RecordProperty("Kills", kills);
  EXPECT_GT(kills, 20);
}

// Expected: a tree of two albums, killed at any step, is finished by the same command.
TEST_F(ReorderTest, AKilledTreeOfAlbumsIsFinishedByTheSameCommand) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  // A picture at the top, and two in a folder below it.
  const std::string tree = dir / "tree";
  stdfs::create_directories(tree + "/Lisbon");
  for (const char* name : {"/c1.jpg", "/Lisbon/c2.jpg", "/Lisbon/c3.jpg"}) {
    stdfs::copy_file(stdfs::path(colours) / stdfs::path(name).filename(), tree + name);
  }
  ExpectKilledNewAlbumsFinished(tree, false);
}

// Expected: removing the entry of an album of a tree, killed after whichever system call that
// changes the disk, is finished or undone by --remove-pictures without numbers: the album is as it
// was before the removal, or as after it with the sub-album whole in the desktop's trash.
TEST_F(ReorderTest, AKilledRemovalOfAnAlbumOfATreeIsFinishedOrUndone) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  const std::string tree = dir / "tree";
  stdfs::create_directories(tree + "/Lisbon");
  for (const char* name : {"/c1.jpg", "/Lisbon/c2.jpg", "/Lisbon/c3.jpg"}) {
    stdfs::copy_file(stdfs::path(colours) / stdfs::path(name).filename(), tree + name);
  }
  const std::string made = dir / "made";
  ASSERT_EQ(RunProcess({"--new-album", tree, made}).exitCode, 0);
  const std::map<std::string, std::string> before = InsideSnapshot(made);
  const std::map<std::string, std::string> lisbon = InsideSnapshot(made + "/Lisbon");
  const std::string trashed = home + "/data/Trash/files/Lisbon";
  const auto fresh = [&] {
    stdfs::remove_all(album);
    stdfs::remove_all(home + "/data/Trash");
    stdfs::copy(made, album, stdfs::copy_options::recursive);
  };
  fresh();
  ASSERT_EQ(RunProcess({"--remove-pictures", index, "1"}).exitCode, 0);
  const std::map<std::string, std::string> after = InsideSnapshot(album);
  ASSERT_FALSE(stdfs::exists(album + "/Lisbon"));
  EXPECT_EQ(InsideSnapshot(trashed), lisbon);
  int kills = 0;
  for (const char* call : kChangingCalls) {
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE(std::string("killed at ") + call + " " + std::to_string(nth));
      fresh();
      const std::string inject = std::string(call) + ":signal=KILL:when=" + std::to_string(nth);
      const testing::ProcessResult killed =
          RunProcess({"--remove-pictures", index, "1"},
                     {"strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=" + std::string(call),
                      "-e", "inject=" + inject});
      if (killed.exitCode == 0) break;
      ASSERT_TRUE(killed.signal == SIGKILL || killed.exitCode == 128 + SIGKILL) << killed.err;
      ++kills;
      const testing::ProcessResult again = RunProcess({"--remove-pictures", index});
      EXPECT_EQ(again.exitCode, 0) << again.err;
      const std::map<std::string, std::string> now = InsideSnapshot(album);
      EXPECT_TRUE(now == before || now == after);
      if (now == after) {
        EXPECT_EQ(InsideSnapshot(trashed), lisbon);
      }
    }
  }
  ::testing::Test::RecordProperty("Kills", kills);
  EXPECT_GT(kills, 10);
}

// Expected: a killed --new-album of one folder is finished by the same command, which refuses an
// album that is whole, and finishes one it began whose pages are missing.
TEST_F(ReorderTest, AKilledNewAlbumIsFinishedByTheSameCommand) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  ExpectKilledNewAlbumsFinished(colours, true);
  stdfs::remove_all(album);
  ASSERT_EQ(RunProcess({"--new-album", colours, album}).exitCode, 0);
  const std::map<std::string, std::string> whole = InsideSnapshot(album);
  // An album begun before its journal waited for the pages: its index file without them.
  for (const char* page : {"/index.html", "/Image3.html"}) stdfs::remove(album + page);
  const testing::ProcessResult finished = RunProcess({"--new-album", colours, album});
  EXPECT_EQ(finished.exitCode, 0) << finished.err;
  EXPECT_EQ(InsideSnapshot(album), whole);
  // An index file of other pictures is not this command's to finish.
  stdfs::remove(album + "/index.html");
  stdfs::rename(colours, dir / "other");
  const testing::ProcessResult refused = RunProcess({"--new-album", dir / "other", album});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_FALSE(stdfs::exists(album + "/index.html"));
  stdfs::rename(dir / "other", colours);
}

// Expected: when a file that an interrupted move renamed was changed since, nothing is finished
// or undone and the journal stays, until the person gives the change up.
TEST_F(ReorderTest, AChangedFileKeepsTheJournalUntilTheChangeIsGivenUp) {
  if (std::system("strace -V >/dev/null 2>&1") != 0) GTEST_SKIP() << "strace is not installed";
  std::string moving;
  for (int nth = 2; moving.empty() && nth < 20; ++nth) {
    FreshAlbum();
    const std::string inject = "renameat2:signal=KILL:when=" + std::to_string(nth);
    RunProcess({"--move-picture", index, "5", "2"}, {"strace", "-f", "-qq", "-o", "/dev/null", "-e",
                                                     "trace=renameat2", "-e", "inject=" + inject});
    for (const auto& entry : stdfs::directory_iterator(album + "/pictures")) {
      if (entry.path().filename().string().find("(moving)") != std::string::npos) {
        moving = entry.path().string();
      }
    }
  }
  ASSERT_FALSE(moving.empty()) << "no kill left a picture held aside";
  WriteFile(moving, ReadFile(moving) + "edited");
  const std::map<std::string, std::string> left = Snapshot(album);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{index}, {"--remove-pictures", index}}) {
    const testing::ProcessResult refused = RunProcess(args);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find(moving), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("--abandon-change " + index), std::string::npos) << refused.err;
    EXPECT_EQ(Snapshot(album), left);
  }
  const testing::ProcessResult checked = RunProcess({"--check", index});
  EXPECT_NE(checked.out.find("--abandon-change " + index), std::string::npos) << checked.out;
  EXPECT_EQ(RunProcess({"--abandon-change", index}).exitCode, 0);
  EXPECT_FALSE(stdfs::exists(album + "/" + std::string(kJournalName)));
  EXPECT_EQ(RunProcess({index}).exitCode, 0);
}

// Expected: pictures that come out as pictures the album holds already are left out and counted,
// known from the pictures made before without being decoded where they were made before; a picture
// added twice in one run is added once, with a note; the run succeeds; --allow-duplicates adds
// them all the same. What the cache remembers counts only while the album holds that picture. A
// file that holds the bytes of the album's own picture is left out, allowed or not; one a byte
// other is added.
TEST_F(ReorderTest, PicturesTheAlbumHoldsAreLeftOutUnlessAllowed) {
  const std::string cache = dir / "cache";
  ASSERT_EQ(setenv("XDG_CACHE_HOME", cache.c_str(), 1), 0);
  FreshAlbum();
  testing::WriteFlatJpeg(dir / "new.jpg", {128, 128, 128});
  stdfs::copy(dir / "new.jpg", dir / "new copy.jpg");
  // A photo made at a size: made again, its picture comes out other than it.
  const std::vector<std::string> resized = {"--picture-size", "200x150"};
  testing::WriteTestJpeg(dir / "photo.jpg", testing::TestJpeg(320, 240));
  ASSERT_EQ(
      testing::RunCli({"--add-pictures", resized[0], resized[1], index, dir / "photo.jpg"}, fs)
          .code,
      0);
  const std::string own = album + "/pictures/p7.jpg";
  stdfs::copy(own, dir / "p7 elsewhere.jpg");
  std::string changed = ReadFile(own);
  changed[15] = static_cast<char>(changed[15] ^ 1);  // the JFIF header's density
  WriteFile(dir / "one byte.jpg", changed);
  // Making a picture within a budget of 1 MiB is refused, so only a picture known without being
  // decoded is told to be in the album.
  const std::vector<std::string> noDecoding = {"--max-memory", "1"};
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::vector<std::string> sources;
    std::string said;
    // The pictures the album has after it.
    std::size_t pictures;
    // Whether picture 3 is deleted from the album first.
    bool removeThird = false;
  };
  const std::string ownSaid = "holds the bytes of the album's own picture " + own + ": left out";
  const std::vector<Case> cases = {
      {"the album's own photo", resized, {own}, ownSaid, 7},
      {"a copy of it", resized, {dir / "p7 elsewhere.jpg"}, ownSaid, 7},
      {"the album's own, allowed", {"--allow-duplicates"}, {own}, ownSaid, 7},
      {"an album's picture again",
       {},
       {colours + "/c2.jpg"},
       "1 picture is in the album already",
       7},
      {"known through the cache",
       noDecoding,
       {colours + "/c2.jpg"},
       "1 picture is in the album already",
       7},
      {"the album's pictures and a new one twice",
       {},
       {colours, dir / "new.jpg", dir / "new copy.jpg"},
       "6 pictures are in the album already",
       8},
      {"a picture removed since",
       noDecoding,
       {colours + "/c3.jpg"},
       "c3.jpg is refused: making it would need",
       7,
       true},
      {"allowed", {"--allow-duplicates"}, {colours + "/c2.jpg"}, "", 8},
      {"one byte other than the album's own", resized, {dir / "one byte.jpg"}, "", 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.removeThird) {
      ASSERT_EQ(testing::RunCli({"--remove-pictures", "--delete", index, "3"}, fs).code, 0);
    }
    std::vector<std::string> args = {"--add-pictures"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back(index);
    args.insert(args.end(), c.sources.begin(), c.sources.end());
    const auto count = [&] {
      return static_cast<std::size_t>(std::distance(stdfs::directory_iterator(album + "/pictures"),
                                                    stdfs::directory_iterator()));
    };
    const std::string before = ReadFile(index);
    const std::size_t countBefore = count();
    testing::CliResult result = testing::RunCli(args, fs);
    EXPECT_EQ(result.code, c.said.find("refused") == std::string::npos ? 0 : 1) << result.err;
    EXPECT_NE(result.err.find(c.said), std::string::npos) << result.err;
    EXPECT_EQ(count(), c.pictures);
    // Nothing added leaves the index file as it was.
    if (count() == countBefore) {
      EXPECT_EQ(ReadFile(index), before);
    }
  }
  EXPECT_NE(testing::RunCli({"--add-pictures", "--verbose", index, dir / "new copy.jpg"}, fs)
                .err.find(index + ":"),
            std::string::npos);
  unsetenv("XDG_CACHE_HOME");
}

// `text` with its first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The edit file `text` with the block of `file` cut out; the block itself, when `block` is given.
std::string WithoutBlock(const std::string& text, const std::string& file,
                         std::string* block = nullptr) {
  const std::size_t at = text.find("\n[" + file + "]\n");
  std::size_t end = at + 1;
  for (int line = 0; line < 3; ++line) end = text.find('\n', end) + 1;
  if (block != nullptr) *block = text.substr(at + 1, end - at - 1);
  return text.substr(0, at + 1) + text.substr(end);
}

// Expected: an edit file read back changes the captions, the order and the pictures of the album
// in one change, with every other byte of the index file kept, in its line ends and character
// set, plain text written as typed; what cannot be applied is told by its line, and an index file
// changed meanwhile is left as it is.
TEST_F(ReorderTest, AnEditFileChangesTheAlbumAsOneChange) {
  using Edit = std::function<std::string(const std::string&)>;
  struct Case {
    const char* what;
    Edit edit;
    // The index file after, or the error that keeps the edit from being applied.
    std::string index;
    std::string error;
    std::vector<Part> parts;
  };
  const std::string before = IndexText(kParts);
  const std::vector<Case> cases = {
      {"caption changed", [](const std::string& t) { return Replaced(t, "\nc2\n", "\nTwo\n"); },
       Replaced(before, "c2\r\n", "Two\r\n"), "", kParts},
      {"block moved",
       [](const std::string& t) {
         std::string block;
         const std::string rest = WithoutBlock(t, "p6.jpg", &block);
         return Replaced(rest, "[p1.jpg]", block + "\n[p1.jpg]");
       },
       IndexText(Moved(kParts, 6, 1)), "", Moved(kParts, 6, 1)},
      {"block deleted", [](const std::string& t) { return WithoutBlock(t, "p2.jpg"); },
       IndexText(Without(kParts, {2})), "", Without(kParts, {2})},
      {"plain text as typed",
       [](const std::string& t) { return Replaced(t, "\nc2\n", "\nFish & chips<BR>5 < 6\n"); },
       Replaced(before, "c2\r\n", "Fish &amp; chips<BR>5 &lt; 6\r\n"), "", kParts},
      {"markup as it stands",
       [](const std::string& t) { return Replaced(t, "\nc2\n", "\n<b>c2</b> & co\n"); },
       Replaced(before, "c2\r\n", "<b>c2</b> & co\r\n"), "", kParts},
      {"# as a description",
       [](const std::string& t) { return Replaced(t, "about c3", "# not a comment"); },
       Replaced(before, "about c3", "# not a comment"), "", kParts},
      {"a file named twice", [](const std::string& t) { return t + "\n[p1.jpg]\nagain\nagain\n"; },
       before, "p1.jpg has a block already", kParts},
      {"an unknown file", [](const std::string& t) { return t + "\n[p9.jpg]\nx\ny\n"; }, before,
       "p9.jpg is no picture of the album", kParts},
      {"a caption starting with ;",
       [](const std::string& t) { return Replaced(t, "\nc4\n", "\n;c4\n"); }, before,
       "the caption of p4.jpg is empty or starts with", kParts},
      {"title changed",
       [](const std::string& t) { return Replaced(t, "title: Colours", "title: Farben"); },
       Replaced(before, "Colours\r\n", "Farben\r\n"), "", kParts},
      {"title made a comment",
       [](const std::string& t) { return Replaced(t, "title: Colours", "title: ;Colours"); },
       before, "the title is empty or starts with", kParts},
      {"no blocks", [](const std::string& t) { return t.substr(0, t.find("\n[")); }, before, "",
       kParts},
      {"title changed without blocks",
       [](const std::string& t) {
         return Replaced(t.substr(0, t.find("\n[")), "title: Colours", "title: Farben");
       },
       before, "", kParts},
      {"a block cut short",
       [](const std::string& t) { return t.substr(0, t.rfind('\n', t.size() - 2) + 1); }, before,
       "the block of p6.jpg ends before", kParts},
      {"a stray line",
       [](const std::string& t) { return Replaced(t, "\n[p2.jpg]", "\nx\n[p2.jpg]"); }, before,
       "neither a comment", kParts},
      {"a second title", [](const std::string& t) { return t + "\ntitle: Again\n"; }, before,
       "a second title", kParts},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshAlbum();
    auto shown = ReadForEditing(index, fs, {});
    ASSERT_TRUE(shown.ok());
    auto edit = ParseEditFile(c.edit(EditFileText(shown.value(), index)), shown.value());
    if (!c.error.empty()) {
      ASSERT_FALSE(edit.ok());
      EXPECT_NE(Describe(edit.failure()->front()).find(c.error), std::string::npos)
          << Describe(edit.failure()->front());
      continue;
    }
    ASSERT_TRUE(edit.ok()) << Describe(edit.failure()->front());
    AlbumOptions options;
    options.deleteRemoved = true;
    const AlbumOutcome outcome = EditAlbum(index, edit.value(), fs, options);
    ASSERT_TRUE(outcome.ok()) << Describe(*outcome.failure, WordsWithoutSteps());
    EXPECT_EQ(ReadFile(index), c.index);
    std::vector<int> pictures;
    std::copy_if(c.parts.begin(), c.parts.end(), std::back_inserter(pictures),
                 [](Part p) { return p; });
    for (std::size_t i = 0; i < pictures.size(); ++i) {
      EXPECT_EQ(NumberDrawnIn(album + "/pictures/p" + std::to_string(i + 1) + ".jpg"), pictures[i]);
    }
  }
  // A Latin-1 index file keeps its character set; what it cannot hold becomes a reference.
  FreshAlbum();
  WriteFile(index, Replaced(before, "about c1", "Caf\xE9"));
  auto latin = ReadForEditing(index, fs, {});
  ASSERT_TRUE(latin.ok());
  const std::string shownText = EditFileText(latin.value(), index);
  EXPECT_NE(shownText.find("Caf\xC3\xA9\n"), std::string::npos);
  auto cup = ParseEditFile(Replaced(shownText, "Caf\xC3\xA9\n", "Caf\xC3\xA9 \xE2\x98\x95\n"),
                           latin.value());
  ASSERT_TRUE(cup.ok());
  ASSERT_TRUE(EditAlbum(index, cup.value(), fs, {}).ok());
  EXPECT_EQ(ReadFile(index), Replaced(before, "about c1", "Caf\xE9 &#9749;"));
  // An index file changed since the edit began is left as it is.
  auto late = ParseEditFile(Replaced(EditFileText(latin.value(), index), "\nc5\n", "\nFive\n"),
                            latin.value());
  ASSERT_TRUE(late.ok());
  const std::string changed = ReadFile(index);
  const AlbumOutcome refused = EditAlbum(index, late.value(), fs, {});
  ASSERT_FALSE(refused.ok());
  EXPECT_TRUE(refused.failure->Is<AlbumFailure::IndexChanged>());
  EXPECT_EQ(ReadFile(index), changed);
}

// Expected: --edit runs the editor that EDITOR names on the edit file, a command the shell reads
// or a program alone, applies what it saved and removes the file.
TEST_F(ReorderTest, EditRunsTheEditorAndAppliesWhatItSaved) {
  const std::string runtime = dir / "run";
  stdfs::create_directories(runtime);
  const std::string script = dir / "caption-editor";
  WriteFile(script, "#!/bin/sh\nexec sed -i 's/^c3$/Third/' \"$1\"\n");
  stdfs::permissions(script, stdfs::perms::owner_exec, stdfs::perm_options::add);
  for (const std::string& editor : {std::string("sed -i s/^c3$/Third/"), script}) {
    SCOPED_TRACE(editor);
    FreshAlbum();
    const testing::ProcessResult result =
        RunProcess({"--edit", index}, {"XDG_RUNTIME_DIR=" + runtime, "EDITOR=" + editor});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadFile(index), Replaced(IndexText(kParts), "c3\r\n", "Third\r\n"));
    EXPECT_TRUE(stdfs::is_empty(runtime));
  }
}

// Expected: an edit file that is no album's text, an editor that deletes it or cannot start, and a
// script that returns a faulty file again and again leave the index file untouched, each told in
// its words, each error at the line the kept file shows it on; the editor runs at most once more
// on a file it returned unchanged, and the file is kept only where it holds an edit; an edit file
// with CR line ends alone is read as lines.
TEST_F(ReorderTest, EditFilesThatCannotBeAppliedLeaveTheIndexFileUntouched) {
  struct Case {
    const char* what;
    // The script's commands on the edit file "$1", or the editor command where `script` is false.
    std::string editor;
    bool script;
    // What the error says, what the line it names holds, and whether the edit is applied.
    std::string says;
    std::string faultyLine;
    bool applied;
  };
  const std::vector<Case> cases = {
      {"a NUL byte",
       "sed -i 's/^c3$/c~3/' \"$1\"; tr '~' '\\000' <\"$1\" >\"$1.t\"; cat \"$1.t\" >\"$1\"; "
       "rm \"$1.t\"",
       true, "NUL",
       std::string("c\0"
                   "3",
                   3),
       false},
      {"Latin-1 bytes", "sed -i \"s/^c3\\$/Caf$(printf '\\351')/\" \"$1\"", true, "UTF-8",
       "Caf\xE9", false},
      {"a lone CR", "sed -i \"s/^c3\\$/c$(printf '\\r')3/\" \"$1\"", true, "CR", "c\r3", false},
      {"a caption that drops its pair", "sed -i 's/^c3$/;c3/' \"$1\"", true, "starts with", ";c3",
       false},
      {"CR line ends alone",
       "sed -i 's/^c3$/Third/' \"$1\"; tr '\\n' '\\r' <\"$1\" >\"$1.t\"; cat \"$1.t\" >\"$1\"; "
       "rm \"$1.t\"",
       true, "", "", true},
      {"the file deleted", "rm \"$1\"", true, "gone", "", false},
      {"no such editor", "quillmere-no-such-editor --wait", false, "could not be started", "",
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshAlbum();
    const std::string runtime = dir / "run";
    stdfs::remove_all(runtime);
    stdfs::create_directories(runtime);
    const std::string runs = dir / "runs";
    stdfs::remove(runs);
    std::string editor = c.editor;
    if (c.script) {
      editor = dir / "fault-editor";
      WriteFile(editor, "#!/bin/sh\necho run >>" + runs + "\n" + c.editor + "\n");
      stdfs::permissions(editor, stdfs::perms::owner_exec, stdfs::perm_options::add);
    }
    const testing::ProcessResult result =
        RunProcess({"--edit", index}, {"XDG_RUNTIME_DIR=" + runtime, "EDITOR=" + editor});
    const std::string before = IndexText(kParts);
    EXPECT_EQ(ReadFile(index), c.applied ? Replaced(before, "c3\r\n", "Third\r\n") : before);
    EXPECT_EQ(result.exitCode, c.applied ? 0 : 1) << result.err;
    EXPECT_NE(result.err.find(c.says), std::string::npos) << result.err;
    const std::string ran = c.script ? ReadFile(runs) : "";
    EXPECT_LE(std::count(ran.begin(), ran.end(), '\n'), 2);
    const std::string kept = runtime + "/quillmere-edit.txt";
    EXPECT_EQ(stdfs::exists(kept), !c.faultyLine.empty());
    EXPECT_EQ(result.err.find("kept in") != std::string::npos, !c.faultyLine.empty()) << result.err;
    if (c.faultyLine.empty()) continue;
    std::smatch named, shown;
    ASSERT_TRUE(std::regex_search(result.err, named, std::regex("line ([0-9]+): "))) << result.err;
    const std::string keptText = ReadFile(kept);
    ASSERT_TRUE(std::regex_search(keptText, shown, std::regex("line ([0-9]+): "))) << keptText;
    EXPECT_EQ(shown[1].str(), named[1].str());
    std::vector<std::string> lines(1);
    for (const char byte : keptText) {
      if (byte == '\n') {
        lines.emplace_back();
      } else {
        lines.back() += byte;
      }
    }
    const std::size_t line = std::stoul(named[1].str());
    ASSERT_LE(line, lines.size());
    EXPECT_EQ(lines[line - 1], c.faultyLine);
  }
}

}  // namespace
}  // namespace quillmere
