// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Reads the header of every picture in a folder through the picture module, on as many threads
// as there are cores, as an album's pictures are read before they are decoded; prints the median
// seconds of several rounds.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "album/pictures/picture_maker.h"
#include "run/message_text.h"

namespace {

// Reads every header of `paths` once with `maker`, spread over `threads`; false when one fails.
bool ReadHeaders(quillmere::PictureMaker& maker, const std::vector<std::string>& paths,
                 unsigned threads) {
  quillmere::PosixFileSystem fs;
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::vector<std::thread> workers;
  for (unsigned t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      for (std::size_t i = next++; i < paths.size(); i = next++) {
        auto file = fs.OpenForReading(paths[i]);
        if (!file || !maker.Probe(*file.value(), {})) failed = true;
      }
      maker.EndOfThread();
    });
  }
  for (std::thread& worker : workers) worker.join();
  return !failed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: header-speed FOLDER ROUNDS\n");
    return 2;
  }
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
    paths.push_back(entry.path().string());
  }
  std::mutex fileLock;
  auto maker = quillmere::LoadPictureMaker(fileLock, quillmere::PictureRules{});
  if (!maker) {
    std::fprintf(stderr, "%s\n",
                 quillmere::Describe(maker.error(), quillmere::WordsWithoutSteps()).c_str());
    return 1;
  }
  const unsigned threads = std::max(1U, std::thread::hardware_concurrency());
  std::vector<double> seconds;
  for (long round = std::strtol(argv[2], nullptr, 10); round > 0; --round) {
    const auto start = std::chrono::steady_clock::now();
    if (!ReadHeaders(*maker.value(), paths, threads)) return 1;
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%.4f\n", seconds[seconds.size() / 2]);
  maker.value().reset();
  quillmere::EndPictureLibrary();
  return 0;
}
