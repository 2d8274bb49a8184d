// Hostile sizes: a 200 MB index file of one line without a line end, and an index file of a
// million pictures. They take a while and carry the ctest label "slow".
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "run/generate.h"
#include "site/page_output.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ListNames;
using testing::TempFolder;
using testing::WriteFile;

// Compares the file at `path` with the concatenation of `pieces`, a block at a time.
::testing::AssertionResult FileHolds(const std::string& path,
                                     const std::vector<std::string_view>& pieces) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                       &std::fclose);
  if (!file) return ::testing::AssertionFailure() << "cannot open " << path;
  std::vector<char> block(1 << 20);
  std::uint64_t offset = 0;
  for (std::string_view piece : pieces) {
    while (!piece.empty()) {
      std::size_t want = std::min(piece.size(), block.size());
      std::size_t got = std::fread(block.data(), 1, want, file.get());
      if (got != want || std::string_view(block.data(), got) != piece.substr(0, want)) {
        return ::testing::AssertionFailure() << path << " differs in the block at " << offset;
      }
      piece.remove_prefix(want);
      offset += want;
    }
  }
  if (std::fgetc(file.get()) != EOF) {
    return ::testing::AssertionFailure() << path << " is longer than " << offset << " bytes";
  }
  return ::testing::AssertionSuccess();
}

// Splits `text` at each occurrence of `marker`.
std::vector<std::string> SplitAt(const std::string& text, const std::string& marker) {
  std::vector<std::string> parts;
  std::size_t from = 0;
  for (std::size_t at; (at = text.find(marker, from)) != std::string::npos;
       from = at + marker.size()) {
    parts.push_back(text.substr(from, at - from));
  }
  parts.push_back(text.substr(from));
  return parts;
}

// Expected: the one line is the site title, whatever it holds besides line ends; the run writes
// an index page of some 400 MB that shows it twice, and no picture page. The reader does not
// need the line's length in any buffer but the file's own.
TEST(Slow, TwoHundredMegabyteLineWithoutLineEnd) {
  TempFolder dir;
  const std::string piece("Title \t<b>\"&'\0;*?$(x)`y` \x1a\xe9\xff", 28);
  std::string line;
  line.reserve(200u << 20);
  while (line.size() + piece.size() <= (200u << 20)) line += piece;
  line.resize(200u << 20, 'x');
  WriteFile(dir / "index.txt", line);

  PosixFileSystem fs;
  RunOutcome outcome = GenerateSite(dir / "index.txt", fs);
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  EXPECT_EQ(outcome.pictureCount, 0);
  EXPECT_EQ(ListNames(dir.path()), "index.html index.txt");

  // The model's page for a short stand-in title, with the line put back in its place.
  const std::string marker = "\x01stand-in title\x01";
  testing::ReferenceIndex model;
  model.title = marker;
  std::vector<std::string> around = SplitAt(ReferenceIndexPage(model), marker);
  ASSERT_EQ(around.size(), 3u);
  EXPECT_TRUE(FileHolds(dir / "index.html", {around[0], line, around[1], line, around[2]}));
}

// --- A million pictures -----------------------------------------------------------------------

// Yields the bytes a page must have, piece by piece; an empty piece ends the page.
using Expectation = std::function<std::string()>;

// A file system that keeps no page: each page written is compared with what it must be as it is
// written, and only the fact that it was completed is kept. The index file is read from disk.
class CheckingFileSystem final : public FileSystem {
 public:
  CheckingFileSystem(FileSystem& disk, std::string site,
                     std::function<Expectation(const std::string& name)> expect)
      : disk_(disk), site_(std::move(site)), expect_(std::move(expect)) {}

  Result<EntryInfo> Inspect(const std::string& path, bool follow) override {
    if (!IsPage(path)) return disk_.Inspect(path, follow);
    EntryInfo info;
    if (completed_.count(path.substr(site_.size())) != 0) info.kind = EntryInfo::Kind::kRegular;
    return {info, 0};
  }
  Result<std::vector<std::string>> ListFolder(const std::string& folder) override {
    return disk_.ListFolder(folder);
  }
  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override {
    if (IsPage(path)) return {nullptr, ENOENT};
    return disk_.OpenForReading(path);
  }
  Result<std::unique_ptr<WritableFile>> CreateNew(const std::string& path, mode_t mode) override {
    return disk_.CreateNew(path, mode);
  }
  int CreateFolders(const std::string& path) override { return disk_.CreateFolders(path); }
  Result<TemporaryFile> CreateTemporary(const std::string& nearPath, mode_t) override {
    if (open_ != nullptr) problems.push_back("two files open at once: " + nearPath);
    auto file = std::make_unique<PageCheck>(*this, expect_(nearPath.substr(site_.size())));
    open_ = file.get();
    return {{std::move(file), nearPath + ".tmp"}, 0};
  }
  int SetMode(const std::string&, mode_t) override { return 0; }
  int Rename(const std::string& from, const std::string& to) override {
    if (from != to + ".tmp" || !closedComplete_) problems.push_back("renamed unchecked: " + to);
    closedComplete_ = false;
    if (!completed_.insert(to.substr(site_.size())).second) problems.push_back("twice: " + to);
    return 0;
  }
  int Remove(const std::string& path) override {
    problems.push_back("removed " + path);
    return 0;
  }

  std::size_t completed() const { return completed_.size(); }
  std::vector<std::string> problems;

 private:
  class PageCheck final : public WritableFile {
   public:
    PageCheck(CheckingFileSystem& fs, Expectation expected)
        : fs_(fs), expected_(std::move(expected)) {}
    ~PageCheck() override {
      if (fs_.open_ == this) fs_.open_ = nullptr;
    }
    int Write(const char* data, std::size_t size) override {
      std::string_view written(data, size);
      while (!written.empty() && matches_) {
        if (at_ == piece_.size()) {
          piece_ = expected_();
          at_ = 0;
          if (piece_.empty()) {
            matches_ = false;  // longer than expected
            break;
          }
        }
        std::size_t part = std::min(written.size(), piece_.size() - at_);
        matches_ = written.substr(0, part) == std::string_view(piece_).substr(at_, part);
        at_ += part;
        written.remove_prefix(part);
      }
      return 0;
    }
    int Close() override {
      bool complete = matches_ && at_ == piece_.size() && expected_().empty();
      if (!complete) fs_.problems.push_back("a page differs from the model");
      fs_.closedComplete_ = complete;
      fs_.open_ = nullptr;
      return 0;
    }

   private:
    CheckingFileSystem& fs_;
    Expectation expected_;
    std::string piece_;
    std::size_t at_ = 0;
    bool matches_ = true;
  };

  bool IsPage(const std::string& path) const {
    return path.size() > site_.size() && path.compare(0, site_.size(), site_) == 0 &&
           path.compare(path.size() - 5, 5, ".html") == 0;
  }

  FileSystem& disk_;
  std::string site_;
  std::function<Expectation(const std::string& name)> expect_;
  std::set<std::string> completed_;
  PageCheck* open_ = nullptr;
  bool closedComplete_ = false;
};

// A sample text cut at every occurrence of some slot texts, to be put together again with other
// texts in the slots: the model's page for one picture becomes the page for any other.
class Template {
 public:
  Template(const std::string& sample, const std::vector<std::string>& slots)
      : counts_(slots.size()) {
    std::size_t from = 0;
    for (std::size_t at = 0; at < sample.size();) {
      std::size_t slot = 0;
      while (slot < slots.size() && sample.compare(at, slots[slot].size(), slots[slot]) != 0) {
        ++slot;
      }
      if (slot == slots.size()) {
        ++at;
        continue;
      }
      parts_.emplace_back(sample.substr(from, at - from), slot);
      ++counts_[slot];
      at += slots[slot].size();
      from = at;
    }
    tail_ = sample.substr(from);
  }

  // How often the slot stands in the sample.
  std::size_t Count(std::size_t slot) const { return counts_[slot]; }

  std::string Render(const std::vector<std::string>& values) const {
    std::string text;
    for (const auto& [before, slot] : parts_) {
      text += before;
      text += values[slot];
    }
    return text + tail_;
  }

 private:
  std::vector<std::pair<std::string, std::size_t>> parts_;
  std::vector<std::size_t> counts_;
  std::string tail_;
};

// Expected: the run reads the million pictures and writes an index page of about 1.3 GB and a
// million picture pages, each exactly as the model gives it, one file open at a time. (The pages
// are checked as they are written instead of being kept: they would fill 3 GB of disk.)
TEST(Slow, MillionPictures) {
  constexpr int kPictures = 1'000'000;
  TempFolder dir;
  // One thumbnail per row, so that the grid is one cell after the other.
  std::string text = "A million pictures\r\nthumbs/t\r\npics/p\r\nsupport\r\n1\r\n";
  text.reserve(50u << 20);
  for (int n = 1; n <= kPictures; ++n) {
    text += "Picture\r\nLong description of picture " + std::to_string(n) + "\r\n";
  }
  WriteFile(dir / "index.txt", text);
  const testing::ReferenceIndex model = testing::ReferenceRead(text);
  ASSERT_EQ(model.pictures.size(), static_cast<std::size_t>(kPictures));

  // The index page is the page without pictures with one grid row per picture put in before its
  // end; a row is the row of picture 1 with the number changed.
  testing::ReferenceIndex none = model;
  none.pictures.clear();
  testing::ReferenceIndex one = model;
  one.pictures.resize(1);
  const std::string empty = ReferenceIndexPage(none);
  const std::string ending = "</CENTER>\r\n</BODY></HTML>\r\n";
  ASSERT_EQ(empty.substr(empty.size() - ending.size()), ending);
  const std::string head = empty.substr(0, empty.size() - ending.size());
  const std::string first = ReferenceIndexPage(one);
  ASSERT_EQ(first.substr(0, head.size()), head);
  const Template row(first.substr(head.size(), first.size() - empty.size()),
                     {"show_foto(1)", "thumbs/t1.jpg"});
  ASSERT_EQ(row.Count(0), 1u);
  ASSERT_EQ(row.Count(1), 1u);
  auto rowOf = [&row](int n) {
    const std::string number = std::to_string(n);
    return row.Render({"show_foto(" + number + ")", "thumbs/t" + number + ".jpg"});
  };
  {
    testing::ReferenceIndex three = model;
    three.pictures.resize(3);
    ASSERT_EQ(ReferenceIndexPage(three), head + rowOf(1) + rowOf(2) + rowOf(3) + ending);
  }

  // A picture page between the first and the last names its own number and its neighbours'.
  const Template middle(ReferencePicturePage(model, 500'000), {"499999", "500000", "500001"});
  ASSERT_EQ(middle.Count(0), 1u);
  ASSERT_EQ(middle.Count(1), 2u);
  ASSERT_EQ(middle.Count(2), 2u);
  auto pictureOf = [&](int n) {
    if (n == 1 || n == kPictures) return ReferencePicturePage(model, n);
    return middle.Render({std::to_string(n - 1), std::to_string(n), std::to_string(n + 1)});
  };
  for (int n : {2, 3, 10, 99, 100, 12'345, 999'999}) {
    ASSERT_EQ(pictureOf(n), ReferencePicturePage(model, n)) << n;
  }

  auto expect = [&](const std::string& name) -> Expectation {
    if (name == "index.html") {
      auto next = std::make_shared<int>(0);
      return [&, next]() -> std::string {
        int n = (*next)++;
        if (n == 0) return head;
        if (n <= kPictures) return rowOf(n);
        return n == kPictures + 1 ? ending : std::string();
      };
    }
    int n = std::stoi(name.substr(5));
    auto done = std::make_shared<bool>(false);
    return [&pictureOf, n, done]() -> std::string {
      if (std::exchange(*done, true)) return {};
      return pictureOf(n);
    };
  };
  PosixFileSystem disk;
  CheckingFileSystem fs(disk, dir.path(), expect);
  RunOutcome outcome = GenerateSite(dir / "index.txt", fs);
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  EXPECT_EQ(outcome.pictureCount, kPictures);
  EXPECT_EQ(outcome.pages.written, static_cast<std::uint64_t>(kPictures) + 1);
  EXPECT_EQ(fs.completed(), static_cast<std::size_t>(kPictures) + 1);
  EXPECT_TRUE(fs.problems.empty())
      << fs.problems.size() << " problems, the first: " << fs.problems.front();
  EXPECT_EQ(ListNames(dir.path()), "index.txt");
}

}  // namespace
}  // namespace quillmere
