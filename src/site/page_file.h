// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Writing one page: streamed through a buffer into a new file that then replaces the page,
// unless the page already holds exactly the new bytes.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/file_batch.h"
#include "platform/file_system.h"
#include "platform/stop_request.h"

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

// Hears how far the writing of a site has come.
class PageProgress {
 public:
  virtual ~PageProgress() = default;
  // Called after each page, written or found up to date: `done` of `total` pages are handled.
  virtual void PagesDone(std::uint64_t done, std::uint64_t total) = 0;
};

// What the page writer may do besides writing pages.
struct PageRules {
  // Replace an existing page even when it does not look like a page this program writes.
  bool replaceForeignPages = false;
  // Looked at between pages and between buffers; once it is requested, no page is put in place.
  const StopRequest* stop = nullptr;
  // Told after each page; none costs nothing.
  PageProgress* progress = nullptr;
  // Where written pages wait to be flushed in groups before they take their names; none puts
  // each in place at once, unflushed.
  FileBatch* batch = nullptr;
  // When given, pages are only compared and nothing is written: the name of each page that is
  // missing or differs from what would be written is added here, and the page counts as written.
  std::vector<std::string>* differing = nullptr;
};

// How a page came out.
enum class PageOutcome { kWritten, kUnchanged };

// Why a page was not written: one of its kinds, each with the page's file name in the site folder.
// The page then holds its old content.
struct PageFailure {
  // A step of the file system failed on the page `page` with `error`.
  struct NotWritten {
    std::string page;
    std::error_code error;
  };
  // The file in the place of the page `page` is not a page this program writes, and was left
  // alone.
  struct ForeignPage {
    std::string page;
  };
  // The run was asked to stop before the page `page` was in place.
  struct Stopped {
    std::string page;
  };

  using Why = std::variant<NotWritten, ForeignPage, Stopped>;

  // A failure of the kind `kind`, with the page it is about.
  template <class K, std::enable_if_t<std::is_constructible_v<Why, K&&>, int> = 0>
  PageFailure(K&& kind) : why(std::forward<K>(kind)) {}

  // Which kind it is, and the page it is about.
  Why why;

  // Whether it is of the kind `Kind`.
  template <class Kind>
  bool Is() const {
    return std::holds_alternative<Kind>(why);
  }
  // What it is about, where it is of the kind `Kind`; null otherwise.
  template <class Kind>
  const Kind* As() const {
    return std::get_if<Kind>(&why);
  }
  // The file name, in the site folder, of the page that was not written.
  const std::string& page() const {
    return std::visit([](const auto& kind) -> const std::string& { return kind.page; }, why);
  }
};

// Streams the new content of the page `name` of `folder`, which is known to be `newSize` bytes
// long. While the old page matches it, the old page is only read, through the one descriptor
// opened for it. On the first difference the new content goes to a new file, which replaces
// the page at Finish; the bytes already compared are not taken from the old page but put again
// from the start, in a second pass. An old page that does not look like this program's is
// replaced only when it is empty or holds the start of the new page exactly (what a write cut
// short by a crash leaves), unless the rules say to replace such pages anyway.
//
// Use: put every piece of the page; if NeedsAnotherPass(), put every piece once more; Finish().
class PageFile {
 public:
  PageFile(Folder& folder, PageBuffers& buffers, std::string_view name, std::uint64_t newSize,
           const PageRules& rules);
  PageFile(const PageFile&) = delete;
  PageFile& operator=(const PageFile&) = delete;

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

  // Ends a pass over the page; true when the page must be put once more from its start.
  bool NeedsAnotherPass();

  // Completes the page; on failure the page keeps its old content and no new file stays.
  Result<PageOutcome, PageFailure> Finish();

 private:
  enum class Mode {
    kComparing,
    kComparingRead,
    kComparingStart,
    kSkipping,
    kWriting,
    kDiffers,
    kUnchanged,
    kFailed
  };

  void PutInParts(std::string_view piece);
  void Flush();
  void OldPageNotOpened(std::error_code error);
  void OpenOldPage();
  void CompareOldPage();
  bool MatchesOldPage(const char* data, std::size_t size);
  bool MatchesOldPageRead(const char* data, std::size_t size);
  bool MatchesOldStart(const char* data, std::size_t size);
  bool OldPageEndsHere();
  bool MayReplaceOldPage();
  void StartWriting();
  // Ends the page with `failure`, unless it failed before: the new file goes, the old page stays.
  void Fail(PageFailure failure);
  // Fails as a step of the file system did, with `error`.
  void FailWith(std::error_code error) { Fail(PageFailure::NotWritten{name_, error}); }

  Folder& folder_;
  PageBuffers& buffers_;
  std::string name_;
  std::uint64_t newSize_;
  const PageRules& rules_;
  std::size_t used_ = 0;
  Mode mode_ = Mode::kWriting;
  // Why the page was not written, once it failed (mode kFailed).
  std::optional<PageFailure> failure_;
  // How the new page takes its name: with the old page's permission bits and owner, if there
  // was one.
  Placement placement_;
  std::uint64_t oldSize_ = 0;
  // How much of the old page was compared: while it is taken for the start of the new one, or
  // once it is read whole into the comparison buffer.
  std::uint64_t compared_ = 0;
  std::unique_ptr<ReadableFile> oldPage_;
  std::unique_ptr<NewFile> newFile_;
};

}  // namespace quillmere
