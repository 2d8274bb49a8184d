// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Hostile sizes: a 200 MB index file of one line without a line end, and an index file of a
// million pictures. They take a while and carry the ctest label "slow".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "run/generate.h"
#include "support/forwarding_file_system.h"
#include "support/reference_site.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::ReferenceIndex;
using testing::TempFolder;
using testing::WriteFile;

// A run that takes longer than this has gone wrong, e.g. become quadratic in the input's size.
constexpr std::chrono::minutes kTimeLimit{10};

// FNV-1a with 64 bits, continued from `hash`.
std::uint64_t Hash(std::string_view bytes, std::uint64_t hash = 14695981039346656037u) {
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211u;
  return hash;
}

// Takes the pages' bytes in place of the disk, which would need 3 GB for a million pictures:
// every page is counted, and the pages named in `sampled` keep their size, hash and first
// 64 KiB. Everything else, the index file included, goes to the disk.
class PageCounter final : public testing::ForwardingFileSystem {
 public:
  struct Page {
    std::uint64_t size = 0, hash = Hash({});
    std::string start;
  };

  explicit PageCounter(std::set<std::string> sampled)
      : ForwardingFileSystem(disk_), sampled_(std::move(sampled)) {}

  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) override {
    Result<std::unique_ptr<Folder>> opened = disk_.OpenFolder(path);
    if (!opened) return opened;
    return std::make_unique<CountingFolder>(std::move(opened.value()), *this);
  }

  std::uint64_t pages = 0;
  std::map<std::string, Page> sampledPages;

 private:
  // Counts and hashes a page's bytes; putting it in place files it under its name.
  struct Sink final : NewFile {
    explicit Sink(PageCounter& counter) : counter_(counter) {}
    Result<void> Write(const char* data, std::size_t size) override {
      page_.size += size;
      page_.hash = Hash({data, size}, page_.hash);
      if (page_.start.size() < (64u << 10)) page_.start.append(data, size);
      return {};
    }
    // Pages are written in order, never at an offset.
    Result<void> WriteAt(const char*, std::size_t, std::uint64_t) override {
      return std::make_error_code(std::errc::not_supported);
    }
    Result<void> PutInPlace(std::string_view name, const Placement&) override {
      ++counter_.pages;
      if (counter_.sampled_.count(std::string(name)) != 0) {
        counter_.sampledPages[std::string(name)] = std::move(page_);
      }
      return {};
    }
    PageCounter& counter_;
    Page page_;
  };

  // The site folder on disk, but for new files, which go to a Sink.
  struct CountingFolder final : testing::ForwardingFolder {
    CountingFolder(std::unique_ptr<Folder> disk, PageCounter& counter)
        : ForwardingFolder(std::move(disk)), counter_(counter) {}
    Result<std::unique_ptr<NewFile>> CreateFile() override {
      return std::make_unique<Sink>(counter_);
    }
    void RemoveLeftovers() override {}
    PageCounter& counter_;
  };

  PosixFileSystem disk_;
  std::set<std::string> sampled_;
};

// Runs the index file at `path` into `fs` and checks that it went well in bounded time.
void RunWithin(const std::string& path, PageCounter& fs, std::int64_t pictures) {
  const auto start = std::chrono::steady_clock::now();
  RunOutcome outcome = GenerateSite(path, fs);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kTimeLimit);
  ASSERT_TRUE(outcome.ok()) << Describe(outcome, WordsWithoutSteps());
  EXPECT_EQ(outcome.pictureCount, pictures);
  EXPECT_EQ(outcome.pages.written, static_cast<std::uint64_t>(pictures) + 1);
  EXPECT_EQ(fs.pages, static_cast<std::uint64_t>(pictures) + 1);
}

// The one line is the site title, whatever it holds besides line ends; the run writes an index
// page of some 400 MB that shows it twice, and no picture page.
TEST(Slow, TwoHundredMegabyteLineWithoutLineEnd) {
  TempFolder dir;
  const std::string piece("Title \t<b>\"&'\x01;*?$(x)`y` \x1a\xe9\xff", 28);
  ReferenceIndex model;
  model.title.reserve(200u << 20);
  while (model.title.size() + piece.size() <= (200u << 20)) model.title += piece;
  model.title.resize(200u << 20, 'x');
  WriteFile(dir / "index.txt", model.title);

  PageCounter fs({"index.html"});
  RunWithin(dir / "index.txt", fs, 0);
  const std::string expected = ReferenceIndexPage(model);
  const PageCounter::Page& page = fs.sampledPages["index.html"];
  EXPECT_EQ(page.size, expected.size());
  EXPECT_EQ(page.hash, Hash(expected));
}

// The model's index page for n pictures is the page for none with one grid row per picture put
// in before its end (one thumbnail per row), and a row is the first picture's row renumbered.
TEST(Slow, MillionPictures) {
  constexpr int kPictures = 1'000'000;
  TempFolder dir;
  std::string text = "A million pictures\r\nthumbs/t\r\npics/p\r\nsupport\r\n1\r\n";
  text.reserve(50u << 20);
  for (int n = 1; n <= kPictures; ++n) {
    text += "Picture\r\nLong description of picture " + std::to_string(n) + "\r\n";
  }
  WriteFile(dir / "index.txt", text);
  ReferenceIndex model = testing::ReferenceRead(text);
  ASSERT_EQ(model.pictures.size(), static_cast<std::size_t>(kPictures));

  ReferenceIndex some = model;
  auto pageWith = [&](long count) {
    some.pictures.assign(model.pictures.begin(), model.pictures.begin() + count);
    return ReferenceIndexPage(some);
  };
  const std::string none = pageWith(0);
  const std::string ending = "</CENTER>\r\n</BODY></HTML>\r\n";
  const std::string head = none.substr(0, none.size() - ending.size());
  const std::string first = pageWith(1).substr(head.size());
  const std::string row1 = first.substr(0, first.size() - ending.size());
  auto rowOf = [&row1](int n) {
    std::string row = row1;
    for (std::string_view one : {"show_foto(1)", "thumbs/t1.jpg"}) {
      row.replace(row.find(one) + one.find('1'), 1, std::to_string(n));
    }
    return row;
  };
  ASSERT_EQ(pageWith(3), head + rowOf(1) + rowOf(2) + rowOf(3) + ending);
  std::uint64_t indexSize = head.size() + ending.size(), indexHash = Hash(head);
  for (int n = 1; n <= kPictures; ++n) {
    const std::string row = rowOf(n);
    indexSize += row.size();
    indexHash = Hash(row, indexHash);
  }
  indexHash = Hash(ending, indexHash);

  PageCounter fs({"index.html", "Image1.html", "Image500000.html", "Image1000000.html"});
  RunWithin(dir / "index.txt", fs, kPictures);
  EXPECT_EQ(fs.sampledPages["index.html"].size, indexSize);
  EXPECT_EQ(fs.sampledPages["index.html"].hash, indexHash);
  for (int n : {1, 500'000, kPictures}) {
    EXPECT_EQ(fs.sampledPages["Image" + std::to_string(n) + ".html"].start,
              ReferencePicturePage(model, n))
        << n;
  }
}

}  // namespace
}  // namespace quillmere
