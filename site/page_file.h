// Writing one page: streamed through a buffer into a temporary file that then replaces the page,
// unless the page already holds exactly the new bytes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace quillmere {

// Counts the bytes a page will have without writing them.
class ByteCounter {
 public:
  void Put(std::string_view piece) { size_ += piece.size(); }
  std::uint64_t size() const { return size_; }

 private:
  std::uint64_t size_ = 0;
};

// Scratch memory that all pages of a run share.
class PageBuffers {
 public:
  explicit PageBuffers(std::size_t size = std::size_t{256} * 1024);
  std::size_t size() const { return size_; }
  char* output() { return output_.get(); }
  char* comparison() { return comparison_.get(); }

 private:
  std::size_t size_;
  std::unique_ptr<char[]> output_;
  std::unique_ptr<char[]> comparison_;
};

// How a page came out.
enum class PageOutcome { kWritten, kUnchanged };

// Streams the new content of the page at `path`, which is known to be `newSize` bytes long.
// While the old page matches it, the old page is only read; on the first difference the new
// content goes to a temporary file beside the page, which replaces it at Finish.
class PageFile {
 public:
  PageFile(FileSystem& fs, PageBuffers& buffers, std::string path, std::uint64_t newSize);
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;
  ~PageFile();

  // Appends a piece of the page.
  void Put(std::string_view piece) {
    if (piece.size() <= buffers_.size() - used_) {
      // An empty piece may carry no data pointer at all, which memcpy must never be given.
      if (!piece.empty()) std::memcpy(buffers_.output() + used_, piece.data(), piece.size());
      used_ += piece.size();
    } else {
      PutInParts(piece);
    }
  }

  // Completes the page; on failure the page keeps its old content and no temporary file stays.
  Result<PageOutcome> Finish();

 private:
  enum class Mode { kComparing, kWriting, kFailed };

  void PutInParts(std::string_view piece);
  void Flush();
  bool MatchesOldPage(const char* data, std::size_t size);
  void StartWriting();
  void CopyVerifiedPrefix();
  void WriteOut(const char* data, std::size_t size);
  void Fail(int error);
  void DiscardTemporary();

  FileSystem& fs_;
  PageBuffers& buffers_;
  std::string path_;
  std::size_t used_ = 0;
  Mode mode_ = Mode::kWriting;
  int error_ = 0;
  std::optional<mode_t> oldMode_;
  std::unique_ptr<ReadableFile> oldPage_;
  std::uint64_t verified_ = 0;
  TemporaryFile temporary_;
};

}  // namespace quillmere
