// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Failures of the file layer at every call of every step, and a disk that really runs out: after
// each, the run names the failing page and the reason, every page holds either its complete old
// or its complete new content, and no temporary file is left behind.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_words.h"
#include "run/generate.h"
#include "site/page_output.h"
#include "support/failure_subject.h"
#include "support/faulty_file_system.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::FaultyFileSystem;
using testing::ListNames;
using testing::ReadFile;
using testing::Step;
using testing::TempFolder;
using testing::WriteFile;

using Pages = std::map<std::string, std::string>;

// Compares page bytes and describes a difference briefly: pages here can be megabytes long.
::testing::AssertionResult SameBytes(const std::string& actual, const std::string& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  std::size_t at = 0;
  while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
  auto around = [at](const std::string& bytes) {
    std::size_t from = at < 20 ? 0 : at - 20;
    return ::testing::PrintToString(bytes.substr(from, 60));
  };
  return ::testing::AssertionFailure()
         << actual.size() << " bytes instead of " << expected.size() << ", first difference at "
         << at << ": " << around(actual) << " instead of " << around(expected);
}

// The order in which a run writes the pages of `pages`.
std::vector<std::string> RunOrder(const Pages& pages) {
  std::vector<std::string> order{"index.html"};
  for (std::size_t n = 1; n < pages.size(); ++n) order.push_back(PicturePageName(n));
  return order;
}

std::string Picture(int n, const std::string& caption, const std::string& text) {
  return caption + " " + std::to_string(n) + "\r\n" + text + "\r\n";
}

std::string Head(const std::string& title) {
  return title + "\r\nthumbs/t\r\npics/p\r\nsupport\r\n3\r\n";
}

// The error a step is made to fail with; each step its own, so that the outcome shows which.
int InjectedErrno(Step step) {
  switch (step) {
    case Step::kWrite:
      return ENOSPC;
    case Step::kPutInPlace:
      return EDQUOT;
    case Step::kCreateFile:
      return EMFILE;
    case Step::kOpenFolder:
      return ENOTDIR;
    case Step::kDescribe:
      return EOVERFLOW;
    case Step::kRead:
      return EBADMSG;
    case Step::kOpenForReading:
      return EIO;
    default:
      return EACCES;
  }
}

std::error_code InjectedError(Step step) {
  return SystemError(InjectedErrno(step));
}

// A site folder brought back to the same state before each injected failure.
struct Scenario {
  std::string name;
  std::optional<std::string> oldText;  // the index file of an earlier run, if there was one
  std::string newText;
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
  *out << scenario.name;
}

class FaultInjectionTest : public ::testing::TestWithParam<Scenario> {
 protected:
  void SetUp() override {
    if (GetParam().oldText) oldPages = testing::ReferencePages(*GetParam().oldText);
    newPages = testing::ReferencePages(GetParam().newText);
  }

  // Empties the folder, puts the old pages back and the new index file in place.
  void Restore() {
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      std::filesystem::remove_all(entry.path());
    }
    for (const auto& [name, bytes] : oldPages) WriteFile(dir / name, bytes);
    WriteFile(dir / "index.txt", GetParam().newText);
  }

  std::string Expected(const Pages& pages) const {
    std::vector<std::string> names{"index.txt"};
    for (const auto& [name, bytes] : pages) names.push_back(name);
    std::sort(names.begin(), names.end());
    std::string joined;
    for (const std::string& name : names) joined += (joined.empty() ? "" : " ") + name;
    return joined;
  }

  // Checks the folder after a run that stopped at `failedPage` (empty: it did not stop).
  void CheckPages(const std::string& failedPage) {
    Pages site = oldPages;
    bool reached = false;
    for (const std::string& name : RunOrder(newPages)) {
      if (name == failedPage) reached = true;
      if (!reached) site[name] = newPages.at(name);
    }
    // A page is either its complete old content or, when the run passed it, its complete new one.
    EXPECT_EQ(ListNames(dir.path()), Expected(site));
    for (const auto& [name, bytes] : site) {
      EXPECT_TRUE(SameBytes(ReadFile(dir / name), bytes)) << name;
    }
  }

  TempFolder dir;
  PosixFileSystem fs;
  Pages oldPages;
  Pages newPages;
};

TEST_P(FaultInjectionTest, EveryCallOfEveryStepCanFail) {
  // A clean run through the counting layer tells how often each step is called.
  Restore();
  FaultyFileSystem counting(fs);
  ASSERT_TRUE(GenerateSite(dir / "index.txt", counting).ok());
  CheckPages("");
  int runs = 0;
  for (std::size_t s = 0; s < static_cast<std::size_t>(Step::kCount); ++s) {
    const Step step = static_cast<Step>(s);
    const std::error_code error = InjectedError(step);
    for (int nth = 1; nth <= counting.Calls(step); ++nth) {
      SCOPED_TRACE(std::string(StepName(step)) + " call " + std::to_string(nth) + " of " +
                   std::to_string(counting.Calls(step)));
      Restore();
      FaultyFileSystem faulty(fs);
      faulty.FailAt(step, nth, error);
      RunOutcome outcome = GenerateSite(dir / "index.txt", faulty);
      ++runs;
      ASSERT_EQ(faulty.Calls(step) >= nth, true);
      if (outcome.ok()) {
        // Only a failure the run can work around: a read of an old page to compare it, which
        // then is written anew, or a look at the chosen path for a link, which makes the run
        // compare every page with the index file instead.
        EXPECT_TRUE(step == Step::kRead || step == Step::kInspect);
        CheckPages("");
        continue;
      }
      const RunFailure& failure = *outcome.failure;
      const std::string subject = testing::SubjectOf(failure);
      if (failure.Is<RunFailure::NotFound>()) {
        // The existence check of the index file.
        EXPECT_EQ(step, Step::kInspect);
        EXPECT_EQ(nth, 1);
        EXPECT_EQ(subject, dir / "index.txt");
        CheckPages(RunOrder(newPages).front());
      } else if (failure.Is<RunFailure::IndexUnreadable>()) {
        EXPECT_EQ(subject, dir / "index.txt");
        EXPECT_EQ(failure.error(), error);
        CheckPages(RunOrder(newPages).front());
      } else if (failure.Is<RunFailure::NotLocked>() ||
                 failure.Is<RunFailure::JournalUnreadable>()) {
        // The folder's lock, or the look for the journal of an interrupted change.
        EXPECT_EQ(subject, dir.path()) << Describe(outcome, CommandLineWords());
        EXPECT_EQ(failure.error(), error);
        CheckPages(RunOrder(newPages).front());
      } else if (failure.Is<RunFailure::PageNotWritten>()) {
        EXPECT_EQ(failure.error(), error) << Describe(outcome, CommandLineWords());
        ASSERT_EQ(subject.rfind(dir.path(), 0), 0u) << Describe(outcome, CommandLineWords());
        const std::string page = subject.substr(dir.path().size());
        EXPECT_EQ(newPages.count(page), 1u) << Describe(outcome, CommandLineWords());
        CheckPages(page);
      } else {
        ADD_FAILURE() << Describe(outcome, CommandLineWords());
      }
    }
  }
  RecordProperty("InjectedFailures", runs);
}

std::string LongText(std::size_t size, char fill) {
  std::string text(size, fill);
  for (std::size_t i = 0; i < size; i += 97) text[i] = static_cast<char>('a' + i % 26);
  return text;
}

std::vector<Scenario> Scenarios() {
  std::string small;
  for (int n = 1; n <= 4; ++n) small += Picture(n, "Caption", "Long description");

  // Pages of several buffers (a buffer holds 256 KiB): a title of 300 KB stands twice on the
  // index page, and picture 2 has a long description of 600 KB.
  const std::string title = LongText(300'000, 'T');
  const std::string big = LongText(600'000, 'L');
  std::string large =
      Picture(1, "Caption", "x") + Picture(2, "Caption", big) + Picture(3, "Caption", "y");
  // The same sizes, differing only near the end: the old pages match for whole buffers first.
  std::string lateTitle = title;
  lateTitle[lateTitle.size() - 2] = '!';
  std::string lateBig = big;
  lateBig[lateBig.size() - 3] = '!';
  std::string lateLarge =
      Picture(1, "Caption", "x") + Picture(2, "Caption", lateBig) + Picture(3, "Caption", "Y");

  std::string mixed = Picture(1, "Caption", "changed") + Picture(2, "Caption", "Long description") +
                      Picture(3, "Caption", "Long description, now longer") +
                      Picture(4, "Caption", "Long description") + Picture(5, "Caption", "new");
  return {
      {"FirstRun", std::nullopt, Head("Album") + small},
      {"RerunWithEveryPageChanged", Head("Album") + small, Head("Other") + small},
      {"RerunWithSomePagesChanged", Head("Album") + small, Head("Album") + mixed},
      {"LargeFirstRun", std::nullopt, Head(title) + large},
      {"LargeRerunDifferingLate", Head(title) + large, Head(lateTitle) + lateLarge},
      {"LargeRerunUnchanged", Head(title) + large, Head(title) + large},
  };
}

INSTANTIATE_TEST_SUITE_P(Runs, FaultInjectionTest, ::testing::ValuesIn(Scenarios()),
                         [](const auto& test) { return test.param.name; });

// --- A disk that really runs out --------------------------------------------------------------

bool HasTemporaryFile(const std::string& folder) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().front() == '.') return true;
  }
  return false;
}

// A tmpfs of `size` mounted on a fresh folder for as long as it lives; only root may mount.
class TinyDisk {
 public:
  explicit TinyDisk(const std::string& size) : path_(parent_ / "disk") {
    std::filesystem::create_directory(path_);
    mounted_ = ::mount("tmpfs", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV,
                       ("size=" + size + ",mode=0700").c_str()) == 0;
  }
  TinyDisk(const TinyDisk&) = delete;
  TinyDisk& operator=(const TinyDisk&) = delete;
  ~TinyDisk() {
    if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }
  bool Resize(const std::string& size) {
    return ::mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_NOSUID | MS_NODEV,
                   ("size=" + size + ",mode=0700").c_str()) == 0;
  }
  // The disk's folder, ending with "/".
  std::string path() const { return path_ + "/"; }

 private:
  TempFolder parent_;
  std::string path_;
  bool mounted_ = false;
};

// Forty pictures: a small index file, but an index page of some 55 KB and a picture page of some
// 2 KB each, more than a 128 KiB disk holds.
std::string BulkyIndex() {
  std::string text = Head("Bulky");
  for (int n = 1; n <= 40; ++n) text += Picture(n, "Caption", LongText(100, 'd'));
  return text;
}

// The page in `folder` that a run which ran out of space stopped at, or "" when it did not stop
// at a page for that reason.
std::string PageOutOfSpace(const RunOutcome& outcome, const std::string& folder) {
  if (!outcome.FailedWith<RunFailure::PageNotWritten>() ||
      outcome.failure->error() != std::errc::no_space_on_device ||
      testing::SubjectOf(*outcome.failure).rfind(folder, 0) != 0) {
    return "";
  }
  return testing::SubjectOf(*outcome.failure).substr(folder.size());
}

// Checks that the pages before `failedPage` in the run's order are complete and new, and that
// the rest hold `before` (or are missing when `before` lacks them).
void CheckStoppedRun(const std::string& folder, const Pages& now, const Pages& before,
                     const std::string& failedPage) {
  bool reached = false;
  for (const std::string& name : RunOrder(now)) {
    if (name == failedPage) reached = true;
    auto old = before.find(name);
    std::string expected = !reached              ? now.at(name)
                           : old != before.end() ? old->second
                                                 : "<missing>";
    EXPECT_TRUE(SameBytes(ReadFile(folder + name), expected)) << name;
  }
  EXPECT_TRUE(reached || failedPage.empty()) << failedPage;
  EXPECT_FALSE(HasTemporaryFile(folder)) << ListNames(folder);
}

// Fills the disk at `folder` with a file, then frees `leave` bytes of it again.
void FillDisk(const std::string& folder, std::uintmax_t leave) {
  const std::string path = folder + "filler";
  std::FILE* filler = std::fopen(path.c_str(), "wb");
  ASSERT_NE(filler, nullptr);
  const std::string block(4096, 'f');
  while (std::fwrite(block.data(), 1, block.size(), filler) == block.size()) {
  }
  std::fclose(filler);
  const std::uintmax_t size = std::filesystem::file_size(path);
  std::filesystem::resize_file(path, size > leave ? size - leave : 0);
}

// Expected: the run stops at the first page that does not fit with "No space left on device";
// the pages before it are complete, it and the later ones are not there, and no temporary file
// stays. Once there is room, a second run completes the site and finds the complete pages up to
// date. On a disk that is full again, a run that rewrites every page and grows one stops at that
// one: the pages before it are new, it and the rest keep their old content.
TEST(DiskFull, TinyTmpfsRunsOutAndAReRunCompletesTheSite) {
  TinyDisk disk("128k");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs is not permitted here";
  PosixFileSystem fs;
  const std::string text = BulkyIndex();
  const Pages pages = testing::ReferencePages(text);
  WriteFile(disk.path() + "index.txt", text);

  RunOutcome full = GenerateSite(disk.path() + "index.txt", fs);
  const std::string failed = PageOutOfSpace(full, disk.path());
  ASSERT_NE(failed, "") << Describe(full, CommandLineWords());
  ASSERT_NE(failed, "index.html");
  CheckStoppedRun(disk.path(), pages, {}, failed);

  ASSERT_TRUE(disk.Resize("4m"));
  RunOutcome again = GenerateSite(disk.path() + "index.txt", fs);
  ASSERT_TRUE(again.ok()) << Describe(again, CommandLineWords());
  EXPECT_EQ(again.pages.unchanged, full.pages.written);
  EXPECT_EQ(again.pages.written, pages.size() - full.pages.written);
  CheckStoppedRun(disk.path(), pages, {}, "");

  // Every long description changes but keeps its size; picture 10's grows by 60 KB.
  std::string changed = Head("Bulky");
  for (int n = 1; n <= 40; ++n) {
    changed += Picture(n, "Caption", LongText(n == 10 ? 60'100 : 100, 'e'));
  }
  const Pages changedPages = testing::ReferencePages(changed);
  WriteFile(disk.path() + "index.txt", changed);
  FillDisk(disk.path(), 32 * 1024);
  RunOutcome stopped = GenerateSite(disk.path() + "index.txt", fs);
  EXPECT_EQ(PageOutOfSpace(stopped, disk.path()), "Image10.html")
      << Describe(stopped, CommandLineWords());
  CheckStoppedRun(disk.path(), changedPages, pages, "Image10.html");
}

}  // namespace
}  // namespace quillmere
