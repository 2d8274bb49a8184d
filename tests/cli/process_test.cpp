// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// quillmere-cli as separate processes on the real file system: runs at once over one folder,
// another user swapping names for links while root writes, signals at random moments, a limit
// on the size of files and an output device that is full. None of these shows through a test
// file system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "support/child_process.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::ChildProcess;
using testing::ListNames;
using testing::ProcessResult;
using testing::ReadFile;
using testing::RunProcess;
using testing::TempFolder;
using testing::WriteFile;

using Pages = std::map<std::string, std::string>;

const std::string kCli = QUILLMERE_CLI;
const std::string kExampleAlbum = QUILLMERE_EXAMPLE_ALBUM;

// An index file whose pages run to several buffers of the page writer (256 KiB) and which
// differs from the others of its kind only deep inside every page: the title of 300 KB is the
// same, the captions and descriptions end in `tag`.
std::string BigIndex(const std::string& tag, int pictures = 3) {
  std::string text = std::string(300'000, 'T') + "\nthumbs/t\npics/p\nsupport\n3\n";
  for (int n = 1; n <= pictures; ++n) {
    text += "Caption " + std::to_string(n) + " " + tag + "\n";
    text += (n == 2 ? std::string(300'000, 'L') : "Long") + " description " + tag + "\n";
  }
  return text;
}

// The names of hidden files in `folder`.
std::vector<std::string> HiddenFiles(const std::string& folder) {
  std::vector<std::string> hidden;
  for (const auto& entry : stdfs::directory_iterator(folder)) {
    std::string name = entry.path().filename();
    if (name.front() == '.') hidden.push_back(name);
  }
  return hidden;
}

// Checks that every page in `folder` is, byte for byte, the page of one of `sites`.
void ExpectEachPageFromOneSite(const std::string& folder, const std::vector<Pages>& sites) {
  for (const auto& [name, bytes] : sites.front()) {
    const std::string page = ReadFile(folder + name);
    bool found = false;
    for (const Pages& site : sites) found = found || site.at(name) == page;
    EXPECT_TRUE(found) << name << " is no run's page (" << page.size() << " bytes)";
  }
}

// Tells whether a run's end is a success or a clear failure: one line on standard error.
::testing::AssertionResult SucceededOrSaidWhy(const ProcessResult& result) {
  if (result.exitCode == 0 && result.err.empty()) return ::testing::AssertionSuccess();
  if (result.exitCode == 1 && !result.err.empty() && result.err.find('\n') == result.err.size() - 1)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "exit " << result.exitCode << ", signal " << result.signal << ": " << result.err;
}

// Expected: two, then ten runs at once over one folder, each with its own index file: every run
// succeeds or says why, every page is afterwards exactly one run's page, and no hidden file stays.
TEST(Processes, RunsAtOnceOverOneFolderEachLeaveWholePages) {
  struct Rounds {
    int runs;
    int rounds;
  };
  for (const Rounds& r : {Rounds{2, 12}, Rounds{10, 3}}) {
    SCOPED_TRACE(std::to_string(r.runs) + " runs at once");
    TempFolder dir;
    std::vector<Pages> sites;
    for (int i = 0; i < r.runs; ++i) {
      const std::string text = BigIndex("run " + std::to_string(i));
      WriteFile(dir / ("index-" + std::to_string(i) + ".txt"), text);
      sites.push_back(testing::ReferencePages(text));
    }
    for (int round = 0; round < r.rounds; ++round) {
      std::vector<std::unique_ptr<ChildProcess>> runs;
      for (int i = 0; i < r.runs; ++i) {
        runs.push_back(std::make_unique<ChildProcess>(
            kCli, std::vector<std::string>{dir / ("index-" + std::to_string(i) + ".txt")}));
      }
      for (auto& run : runs) EXPECT_TRUE(SucceededOrSaidWhy(run->Wait()));
      ExpectEachPageFromOneSite(dir.path(), sites);
      EXPECT_EQ(HiddenFiles(dir.path()), std::vector<std::string>{});
    }
  }
}

// Runs `work` in a child process as the user `uid` (when the test runs as root), until it
// returns or the child is killed; returns the child's number.
pid_t ForkAs(uid_t uid, gid_t gid, const std::function<void()>& work) {
  pid_t pid = ::fork();
  if (pid == 0) {
    if (::getuid() == 0 && (::setgid(gid) != 0 || ::setuid(uid) != 0)) ::_exit(3);
    work();
    ::_exit(0);
  }
  return pid;
}

// Swaps every page name and every hidden name in `folder` for a symbolic link to one of
// `targets`, over and over, until killed.
void SwapNamesForLinks(const std::string& folder, const std::vector<std::string>& targets) {
  for (unsigned turn = 0;; ++turn) {
    std::error_code error;
    for (const auto& entry : stdfs::directory_iterator(folder, error)) {
      const std::string name = entry.path().filename();
      if (name.find(".html") == std::string::npos && name.front() != '.') continue;
      const std::string link = folder + ".swap-" + std::to_string(turn);
      if (::symlink(targets[turn % targets.size()].c_str(), link.c_str()) != 0) continue;
      if (::rename(link.c_str(), entry.path().c_str()) != 0) ::unlink(link.c_str());
    }
  }
}

struct FileState {
  mode_t mode;
  uid_t owner;
  std::string bytes;
  bool operator==(const FileState&) const = default;
};

FileState StateOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return {st.st_mode & 07777, st.st_uid, ReadFile(path)};
}

// Expected: in a folder that another user owns (nobody, when the test runs as root), that user
// swaps the pages and the run's hidden files for links to a root-only secret and to a program
// while root runs, again and again. Root never changes the mode of a file through a link, never
// copies the secret into a page, and never gives a page set-user-ID bits, even when the old page
// had them; every run succeeds or says why.
TEST(Processes, LinksSwappedInByAnotherUserAreNeverFollowed) {
  const passwd* nobody = ::getpwnam("nobody");
  const bool asRoot = ::getuid() == 0 && nobody != nullptr;
  const uid_t attacker = asRoot ? nobody->pw_uid : ::getuid();
  const gid_t attackerGroup = asRoot ? nobody->pw_gid : ::getgid();

  TempFolder outside, parent;
  const std::string secret = outside / "secret", program = outside / "program";
  WriteFile(secret, "TOP SECRET\n");
  ASSERT_EQ(::chmod(secret.c_str(), 0600), 0);
  WriteFile(program, "#!/bin/sh\necho harmless\n");
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  const FileState secretBefore = StateOf(secret), programBefore = StateOf(program);

  const std::string site = parent / "site/";
  ASSERT_EQ(::mkdir(site.c_str(), 0755), 0);
  ASSERT_EQ(::chmod(parent.path().c_str(), 0755), 0);
  const std::vector<std::string> texts = {BigIndex("a"), BigIndex("b")};
  for (std::size_t i = 0; i < texts.size(); ++i) {
    WriteFile(site + "index-" + std::to_string(i) + ".txt", texts[i]);
  }

  // The other user's own pages, with every special bit set, wait to be replaced.
  ASSERT_TRUE(SucceededOrSaidWhy(RunProcess(kCli, {site + "index-0.txt"})));
  for (const char* page : {"index.html", "Image1.html", "Image2.html", "Image3.html"}) {
    const std::string bytes = ReadFile(site + page);
    stdfs::remove(site + page);
    WriteFile(site + page, bytes);
    ASSERT_EQ(::chmod((site + page).c_str(), 06777), 0);
    if (asRoot) {
      ASSERT_EQ(::chown((site + page).c_str(), attacker, attackerGroup), 0);
    }
  }
  if (asRoot) {
    ASSERT_EQ(::chown(site.c_str(), attacker, attackerGroup), 0);
  }
  ASSERT_TRUE(SucceededOrSaidWhy(RunProcess(kCli, {site + "index-1.txt"})));
  for (const char* page : {"index.html", "Image1.html", "Image2.html", "Image3.html"}) {
    const FileState state = StateOf(site + page);
    EXPECT_EQ(state.mode, 0777u) << page << ": the permission bits stay, the special ones go";
    EXPECT_EQ(state.bytes, testing::ReferencePages(texts[1]).at(page)) << page;
  }

  const pid_t swapper = ForkAs(attacker, attackerGroup, [&] {
    SwapNamesForLinks(site, {secret, program});
  });
  ASSERT_GT(swapper, 0);
  for (int run = 0; run < 40; ++run) {
    EXPECT_TRUE(
        SucceededOrSaidWhy(RunProcess(kCli, {site + "index-" + std::to_string(run % 2) + ".txt"})));
  }
  ::kill(swapper, SIGKILL);
  ::waitpid(swapper, nullptr, 0);

  EXPECT_EQ(StateOf(secret), secretBefore);
  EXPECT_EQ(StateOf(program), programBefore);
  for (const auto& entry : stdfs::directory_iterator(site)) {
    struct stat st {};
    ASSERT_EQ(::lstat(entry.path().c_str(), &st), 0);
    if (!S_ISREG(st.st_mode)) continue;
    EXPECT_EQ(st.st_mode & 07000, 0u) << entry.path();
    EXPECT_EQ(ReadFile(entry.path()).find("TOP SECRET"), std::string::npos) << entry.path();
  }
}

// A site of many small pages over an older one, so that a run takes long enough to be
// interrupted anywhere, and writes every page anew.
struct Rewrite {
  explicit Rewrite(const TempFolder& dir)
      : oldText(Text("old")), newText(Text("new")), folder(dir.path()) {
    oldPages = testing::ReferencePages(oldText);
    newPages = testing::ReferencePages(newText);
  }
  static std::string Text(const std::string& tag) {
    std::string text = "Album " + tag + "\nthumbs/t\npics/p\nsupport\n4\n";
    for (int n = 1; n <= 800; ++n) text += "Picture " + std::to_string(n) + "\n" + tag + "\n";
    return text;
  }
  // Puts the old site back and the new index file in place.
  void Reset() const {
    WriteFile(folder + "index.txt", oldText);
    EXPECT_EQ(RunProcess(kCli, {folder + "index.txt"}).exitCode, 0);
    WriteFile(folder + "index.txt", newText);
  }
  std::string oldText, newText, folder;
  Pages oldPages, newPages;
};

// Expected: SIGINT, SIGTERM or SIGHUP at any moment of a run stops it with a message and the
// exit status 128 + the signal's number (or, before the run has begun, the signal's own end);
// no hidden file stays, and every page is whole, old or new. SIGKILL leaves every page whole
// too, and whatever hidden file a kill at the instant of a rename leaves, the next run removes.
TEST(Processes, SignalsAtRandomMomentsLeaveWholePagesAndNoHiddenFiles) {
  TempFolder dir;
  const Rewrite rewrite(dir);
  rewrite.Reset();
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(RunProcess(kCli, {dir / "index.txt"}).exitCode, 0);
  const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  std::mt19937 random(7);
  std::uniform_int_distribution<long> moment(0, runTime.count());
  const std::vector<Pages> sites = {rewrite.oldPages, rewrite.newPages};
  const std::map<int, std::string> names = {
      {SIGINT, "SIGINT"}, {SIGTERM, "SIGTERM"}, {SIGHUP, "SIGHUP"}, {SIGKILL, "SIGKILL"}};
  int stoppedWithMessage = 0;
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGKILL}) {
    for (int round = 0; round < 6; ++round) {
      SCOPED_TRACE(names.at(signal) + " round " + std::to_string(round));
      rewrite.Reset();
      ChildProcess run(kCli, {dir / "index.txt"});
      std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
      run.Signal(signal);
      const ProcessResult result = run.Wait();
      ExpectEachPageFromOneSite(dir.path(), sites);
      if (signal == SIGKILL) {
        EXPECT_EQ(HiddenFiles(dir.path()).size() <= 1, true);
        continue;
      }
      EXPECT_EQ(HiddenFiles(dir.path()), std::vector<std::string>{});
      if (result.exitCode == 128 + signal) {
        ++stoppedWithMessage;
        EXPECT_NE(result.err.find("The run was stopped by " + names.at(signal) + ": page "),
                  std::string::npos)
            << result.err;
      } else {
        EXPECT_TRUE(result.exitCode == 0 || result.signal == signal)
            << result.exitCode << " " << result.signal << " " << result.err;
      }
    }
  }
  EXPECT_GT(stoppedWithMessage, 4) << "most signals must come during the run";
  ASSERT_EQ(RunProcess(kCli, {dir / "index.txt"}).exitCode, 0);
  EXPECT_EQ(HiddenFiles(dir.path()), std::vector<std::string>{});
  for (const auto& [name, bytes] : rewrite.newPages) EXPECT_EQ(ReadFile(dir / name), bytes);
}

// Expected: past a limit on the size of files (ulimit -f) the run stops at the first page over
// it with "File too large", exit status 1, the pages before it complete and no hidden file.
TEST(Processes, AFileSizeLimitStopsTheRunWithAMessage) {
  TempFolder dir;
  std::string text = "Limited\nthumbs/t\npics/p\nsupport\n3\n";
  for (int n = 1; n <= 5; ++n) {
    text += "Caption\n" + std::string(n == 3 ? 200'000 : 1000, 'z') + "\n";
  }
  WriteFile(dir / "index.txt", text);
  ProcessResult result = RunProcess(kCli, {dir / "index.txt"}, [] {
    rlimit limit{64 * 1024, 64 * 1024};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
  EXPECT_EQ(result.exitCode, 1) << result.signal;
  EXPECT_EQ(result.err,
            "quillmere-cli: Could not write page " + (dir / "Image3.html") + ": File too large.\n");
  EXPECT_EQ(ListNames(dir.path()), "Image1.html Image2.html index.html index.txt");
}

// Expected: standard output on a full device is a failure with a message, not a silent success.
TEST(Processes, AFullStandardOutputIsAFailure) {
  TempFolder dir;
  WriteFile(dir / "index.txt", "T\nt\ni\ns\n2\nA\na\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--check", dir / "index.txt"},
        std::vector<std::string>{"--verbose", dir / "index.txt"}}) {
    ProcessResult result = RunProcess(kCli, args, [] {
      int full = ::open("/dev/full", O_WRONLY);
      if (full >= 0) ::dup2(full, 1);
    });
    EXPECT_EQ(result.exitCode, 1) << args.front();
    EXPECT_EQ(result.err,
              "quillmere-cli: could not write to standard output: No space left on device\n");
  }
}

// One album command as a table row: its words, the line it ends with on standard output, and
// whether it warns that its thumbnails will not fit the index page.
struct AlbumCommand {
  std::vector<std::string> args;
  std::string line;
  bool warnsOfSize = false;
};

// Expected: each album command ends with one line on standard output that names the album by its
// title, what was done and where the site is; --quiet leaves the line out, and a thumbnail size
// beyond the index page's cells is warned of once on standard error.
TEST(Processes, EachAlbumCommandEndsWithOneLineSayingWhatItDidAndWhere) {
  TempFolder dir;
  const std::string photos = dir / "Lisbon trip";
  stdfs::create_directory(photos);
  for (const char* name : {"p1.jpg", "p2.jpg", "p3.jpg"}) {
    stdfs::copy_file(kExampleAlbum + "/pictures/" + name, photos + "/" + name);
  }
  const std::string album = dir / "www/lisbon";
  const std::string index = album + "/index.txt";
  const std::string site = ", site in " + album + "/index.html";
  const std::vector<AlbumCommand> commands = {
      {{"--new-album", photos, album}, "Lisbon trip: 3 pictures made" + site},
      {{"--add-pictures", index, kExampleAlbum + "/pictures/p4.jpg"},
       "Lisbon trip: 1 picture added, 4 pictures" + site},
      {{"--move-picture", index, "4", "1"},
       "Lisbon trip: picture 4 moved to place 1, 4 pictures" + site},
      {{"--remove-pictures", "--delete", index, "3", "1"},
       "Lisbon trip: pictures 1 and 3 removed (deleted), 2 pictures" + site},
      {{"--make-thumbnails", "--thumbnail-size", "150x150", index},
       "Lisbon trip: 2 thumbnails made, 0 up to date" + site,
       true},
      {{"--make-thumbnails", "-q", index}, ""},
  };
  for (const AlbumCommand& command : commands) {
    SCOPED_TRACE(command.args.front());
    const ProcessResult result = RunProcess(kCli, command.args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, command.line.empty() ? "" : command.line + "\n");
    if (!command.warnsOfSize) {
      EXPECT_EQ(result.err, "");
      continue;
    }
    EXPECT_TRUE(result.err.starts_with("quillmere-cli: ")) << result.err;
    EXPECT_NE(result.err.find("150x150"), std::string::npos) << result.err;
    EXPECT_EQ(std::count(result.err.begin(), result.err.end(), '\n'), 1) << result.err;
  }
}

}  // namespace
}  // namespace quillmere
