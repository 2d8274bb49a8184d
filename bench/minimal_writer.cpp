// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The floor for a fresh site: the same files with the same bytes, created through the same
// temporary-file-and-rename steps, with nothing else done. The bytes are rendered before the clock
// starts, so only the file system's work is timed. With --sync, the pages' data is flushed before
// they take their names as Quillmere's --sync does it: in groups, one flush of the file system
// each, then the folder once. With --compare, it is the floor for a re-run that finds every page
// unchanged: each page opened, read in one read of its size and a byte more, compared and closed.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <variant>
#include <vector>

#include "index/index_file.h"
#include "site/page_output.h"
#include "site/pages.h"

namespace {

struct StringSink {
  std::string bytes;
  void Put(std::string_view piece) { bytes += piece; }
};

// Pages flushed with one call before they take their names, as Quillmere groups them.
constexpr std::size_t kGroup = 128;

bool WriteTemporary(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".tmp";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return ::close(fd) == 0 && ok;
}

bool Rename(const std::string& path) {
  return ::rename((path + ".tmp").c_str(), path.c_str()) == 0;
}

// Tells whether the page at `path` holds exactly `bytes`, read into `buffer`.
bool HoldsExactly(const std::string& path, const std::string& bytes, std::vector<char>& buffer) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  if (buffer.size() < bytes.size() + 1) buffer.resize(bytes.size() + 1);
  const ssize_t got = ::read(fd, buffer.data(), bytes.size() + 1);
  ::close(fd);
  return got == static_cast<ssize_t>(bytes.size()) &&
         std::equal(bytes.begin(), bytes.end(), buffer.begin());
}

// Opens, reads and compares every page; prints the seconds it took, or fails when one differs.
int CompareAll(const std::vector<std::pair<std::string, std::string>>& pages) {
  std::vector<char> buffer;
  auto start = std::chrono::steady_clock::now();
  for (const auto& [path, bytes] : pages) {
    if (!HoldsExactly(path, bytes, buffer)) {
      std::fprintf(stderr, "%s: not the page it should be\n", path.c_str());
      return 1;
    }
  }
  std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", spent.count());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const bool sync = argc == 3 && std::string(argv[1]) == "--sync";
  const bool compare = argc == 3 && std::string(argv[1]) == "--compare";
  if (argc != 2 && !sync && !compare) {
    std::fprintf(stderr, "usage: minimal-writer [--sync|--compare] INDEX_FILE\n");
    return 2;
  }
  const std::string indexPath = argv[argc - 1];
  const std::string folder = indexPath.substr(0, indexPath.rfind('/') + 1);
  quillmere::PosixFileSystem fs;
  auto read = quillmere::ReadIndexFile(indexPath, fs);
  const auto& index = read.value();

  std::vector<std::pair<std::string, std::string>> pages;
  StringSink indexPage;
  quillmere::EmitIndexPage(indexPage, index);
  pages.emplace_back(folder + "index.html", std::move(indexPage.bytes));
  for (std::int64_t n = 1; n <= index.PictureCount(); ++n) {
    StringSink page;
    quillmere::EmitPicturePage(page, index, n);
    pages.emplace_back(folder + quillmere::PicturePageName(n), std::move(page.bytes));
  }

  if (compare) return CompareAll(pages);

  auto start = std::chrono::steady_clock::now();
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (std::size_t first = 0; first < pages.size(); first += sync ? kGroup : 1) {
    const std::size_t end = std::min(pages.size(), first + (sync ? kGroup : 1));
    for (std::size_t i = first; i < end; ++i) {
      if (!WriteTemporary(pages[i].first, pages[i].second)) {
        std::perror(pages[i].first.c_str());
        return 1;
      }
    }
    if (sync && ::syncfs(folderFd) != 0) return 1;
    for (std::size_t i = first; i < end; ++i) {
      if (!Rename(pages[i].first)) {
        std::perror(pages[i].first.c_str());
        return 1;
      }
    }
  }
  if (sync && ::fsync(folderFd) != 0) return 1;
  ::close(folderFd);
  std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", spent.count());
  return 0;
}
