// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Throughput of the reader, the page writers and the hash of pictures' bytes.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <variant>

#include "album/cache/content_hash.h"
#include "index/index_file.h"
#include "platform/file_system.h"
#include "site/pages.h"
#include "site/site_writer.h"

namespace quillmere {
namespace {

std::string IndexText(long pictures) {
  std::string text = "Benchmark album\nthumbs/t\npictures/p\nsupport\n5\n";
  for (long n = 1; n <= pictures; ++n) {
    text += "Picture " + std::to_string(n) + "\nA <B>long</B> description of picture number " +
            std::to_string(n) + ".\n";
  }
  return text;
}

IndexFile Parsed(const std::string& text) {
  return ParseIndexText(text).value();
}

// Copies pages into a reused buffer, as a page file does, without touching the disk.
class DiscardingSink {
 public:
  void Put(std::string_view piece) {
    if (used_ + piece.size() > sizeof buffer_) used_ = 0;
    std::memcpy(buffer_ + used_, piece.data(), piece.size());
    used_ += piece.size();
    bytes_ += piece.size();
  }
  std::int64_t bytes() const { return static_cast<std::int64_t>(bytes_); }

 private:
  char buffer_[256 * 1024];
  std::size_t used_ = 0;
  std::uint64_t bytes_ = 0;
};

void BM_ParseIndexText(benchmark::State& state) {
  const std::string text = IndexText(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(ParseIndexText(text));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseIndexText)->Arg(100'000)->Unit(benchmark::kMillisecond);

// Hashes the bytes of an original the size of a phone's picture, already in memory.
void BM_HashOfContent(benchmark::State& state) {
  const std::string bytes(static_cast<std::size_t>(state.range(0)), '\x5a');
  for (auto _ : state) benchmark::DoNotOptimize(HashOfContent(bytes));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HashOfContent)->Arg(5'000'000)->Unit(benchmark::kMillisecond);

// Reads an index file from disk (from the page cache after the first round); one long line
// without line end by default, the hardest case for a line splitter.
void BM_ReadIndexFile(benchmark::State& state) {
  const std::size_t size = static_cast<std::size_t>(state.range(0)) << 20;
  std::string path = (std::filesystem::temp_directory_path() / "quillmere-bench-XXXXXX").string();
  int fd = ::mkstemp(path.data());
  if (fd < 0) {
    state.SkipWithError("cannot create a temporary file");
    return;
  }
  std::string block(1 << 20, 'x');
  for (std::size_t i = 0; i < block.size(); i += 100) block[i] = '\n';
  for (std::size_t written = 0; written < size; written += block.size()) {
    if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) break;
  }
  ::close(fd);
  PosixFileSystem fs;
  for (auto _ : state) benchmark::DoNotOptimize(ReadIndexFile(path, fs));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(size));
  std::filesystem::remove(path);
}
BENCHMARK(BM_ReadIndexFile)->Arg(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_EmitIndexPage(benchmark::State& state) {
  const std::string text = IndexText(state.range(0));
  const IndexFile index = Parsed(text);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    DiscardingSink sink;
    EmitIndexPage(sink, index);
    bytes += sink.bytes();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_EmitIndexPage)->Arg(10'000)->Unit(benchmark::kMillisecond);

void BM_EmitPicturePages(benchmark::State& state) {
  const std::string text = IndexText(state.range(0));
  const IndexFile index = Parsed(text);
  std::int64_t bytes = 0;
  for (auto _ : state) {
    DiscardingSink sink;
    for (std::int64_t n = 1; n <= index.PictureCount(); ++n) EmitPicturePage(sink, index, n);
    bytes += sink.bytes();
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_EmitPicturePages)->Arg(10'000)->Unit(benchmark::kMillisecond);

// Pages that are already up to date: size check and comparison only.
void BM_RewriteUnchangedPages(benchmark::State& state) {
  const std::string text = IndexText(state.range(0));
  const IndexFile index = Parsed(text);
  std::string folder = (std::filesystem::temp_directory_path() / "quillmere-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("cannot create a temporary folder");
    return;
  }
  folder += "/";
  PosixFileSystem fs;
  auto opened = fs.OpenFolder(folder);
  if (!opened) {
    state.SkipWithError("cannot open the temporary folder");
    return;
  }
  const PageRules rules;
  if (!SiteWriter(*opened.value(), rules).WritePicturePages(index, quillmere::PageEntries{})) {
    std::filesystem::remove_all(folder);
    state.SkipWithError("cannot write the pages");
    return;
  }
  for (auto _ : state) {
    SiteWriter writer(*opened.value(), rules);
    benchmark::DoNotOptimize(writer.WritePicturePages(index, quillmere::PageEntries{}));
  }
  state.SetItemsProcessed(state.iterations() * index.PictureCount());
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_RewriteUnchangedPages)->Arg(2'000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quillmere

BENCHMARK_MAIN();
