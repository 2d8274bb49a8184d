// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The floor for a fresh site: the same files with the same bytes, created through the same
// temporary-file-and-rename steps, with nothing else done. The bytes are rendered before the clock
// starts, so only the file system's work is timed.
#include <fcntl.h>
#include <unistd.h>

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

bool WriteReplacing(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".tmp";
  int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = ::close(fd) == 0 && ok;
  return ok && ::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: minimal-writer INDEX_FILE\n");
    return 2;
  }
  const std::string indexPath = argv[1];
  const std::string folder = indexPath.substr(0, indexPath.rfind('/') + 1);
  quillmere::PosixFileSystem fs;
  auto read = quillmere::ReadIndexFile(indexPath, fs);
  const auto& index = std::get<quillmere::IndexFile>(read);

  std::vector<std::pair<std::string, std::string>> pages;
  StringSink indexPage;
  quillmere::EmitIndexPage(indexPage, index);
  pages.emplace_back(folder + "index.html", std::move(indexPage.bytes));
  for (std::int64_t n = 1; n <= index.PictureCount(); ++n) {
    StringSink page;
    quillmere::EmitPicturePage(page, index, n);
    pages.emplace_back(folder + quillmere::PicturePageName(n), std::move(page.bytes));
  }

  auto start = std::chrono::steady_clock::now();
  for (const auto& [path, bytes] : pages) {
    if (!WriteReplacing(path, bytes)) {
      std::perror(path.c_str());
      return 1;
    }
  }
  std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  std::printf("%.6f\n", spent.count());
  return 0;
}
