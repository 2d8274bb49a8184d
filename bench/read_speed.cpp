// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Reads an index file several times and prints the median speed in MB/s.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <variant>
#include <vector>

#include "index/index_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: read-speed INDEX_FILE ROUNDS\n");
    return 2;
  }
  quillmere::PosixFileSystem fs;
  std::vector<double> seconds;
  std::uint64_t bytes = 0;
  for (long round = std::strtol(argv[2], nullptr, 10); round > 0; --round) {
    auto start = std::chrono::steady_clock::now();
    auto read = quillmere::ReadIndexFile(argv[1], fs);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!read.ok()) return 1;
    bytes = read.value().source.size;
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%.0f\n", static_cast<double>(bytes) / 1e6 / seconds[seconds.size() / 2]);
  return 0;
}
