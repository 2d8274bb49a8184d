// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/page_file.h"

#include <algorithm>
#include <cerrno>

#include "site/page_signature.h"

namespace quillmere {
PageBuffers::PageBuffers(std::size_t size)
    : size_(size),
      output_(std::make_unique_for_overwrite<char[]>(size)),
      comparison_(std::make_unique_for_overwrite<char[]>(size)) {}

PageFile::PageFile(Folder& folder, PageBuffers& buffers, std::string_view name,
                   std::uint64_t newSize, const PageRules& rules)
    : folder_(folder), buffers_(buffers), name_(name), newSize_(newSize), rules_(rules) {
  // The old page is opened at once, without a look at its name first: what cannot be opened as a
  // regular file is looked at only then.
  Result<std::unique_ptr<ReadableFile>> opened = folder_.OpenForReading(name_);
  if (opened) {
    oldPage_ = std::move(opened.value());
    OpenOldPage();
  } else {
    OldPageNotOpened(opened.error());
  }
}

void PageFile::OldPageNotOpened(std::error_code error) {
  // A missing page, or a link or other entry that the new page simply replaces: a link is never
  // followed, so the file it leads to is left alone.
  if (error == std::errc::no_such_file_or_directory ||
      error == std::errc::too_many_symbolic_link_levels || error == FileError::kNotRegularFile) {
    StartWriting();
    return;
  }
  if (error == std::errc::is_a_directory) {
    FailWith(error);
    return;
  }
  // Otherwise what stands there tells whether the reason counts: a folder is never replaced, and
  // an entry that is no regular file always is.
  Result<EntryInfo> old = folder_.Inspect(name_);
  if (!old) {
    FailWith(old.error());
  } else if (old.value().kind == EntryInfo::Kind::kFolder) {
    FailWith(SystemError(EISDIR));
  } else if (old.value().kind == EntryInfo::Kind::kSymlink ||
             old.value().kind == EntryInfo::Kind::kOther || rules_.replaceForeignPages) {
    StartWriting();
  } else {
    FailWith(error);
  }
}

void PageFile::OpenOldPage() {
  const EntryInfo& old = oldPage_->AsOpened();
  // The new page keeps the old one's permissions and owner.
  placement_ = KeepingModeAndOwner(old);
  oldSize_ = old.size;
  if (oldSize_ == newSize_) {
    CompareOldPage();
    return;
  }
  if (oldSize_ == 0 || rules_.replaceForeignPages) {
    StartWriting();
    return;
  }
  Result<bool> written = LooksLikeWrittenPage(*oldPage_, oldSize_);
  if (!written) {
    FailWith(written.error());
  } else if (written.value()) {
    StartWriting();
  } else if (oldSize_ < newSize_) {
    // Maybe what a crash left of this very page: it is, if it holds the page's start exactly.
    mode_ = Mode::kComparingStart;
  } else {
    Fail(PageFailure::ForeignPage{name_});
  }
}

void PageFile::CompareOldPage() {
  if (newSize_ >= buffers_.size()) {
    // A page larger than the buffer is read a buffer at a time, as it is put.
    mode_ = Mode::kComparing;
    return;
  }
  // Otherwise the old page is read whole in one read, with a byte more to find it longer.
  Result<std::size_t> got =
      ReadInto(*oldPage_, buffers_.comparison(), static_cast<std::size_t>(newSize_) + 1,
               static_cast<std::size_t>(newSize_));
  if (got && got.value() == newSize_) {
    mode_ = Mode::kComparingRead;
  } else if (MayReplaceOldPage()) {
    StartWriting();
  }
}

void PageFile::PutInParts(std::string_view piece) {
  while (!piece.empty()) {
    std::size_t part = std::min(piece.size(), buffers_.size() - used_);
    std::memcpy(buffers_.output() + used_, piece.data(), part);
    used_ += part;
    piece.remove_prefix(part);
    if (used_ == buffers_.size()) Flush();
  }
}

void PageFile::Flush() {
  const char* data = buffers_.output();
  const std::size_t size = used_;
  used_ = 0;
  if (rules_.stop != nullptr && rules_.stop->requested()) Fail(PageFailure::Stopped{name_});
  switch (mode_) {
    case Mode::kComparing:
      if (!MatchesOldPage(data, size) && MayReplaceOldPage()) mode_ = Mode::kSkipping;
      break;
    case Mode::kComparingRead:
      if (!MatchesOldPageRead(data, size) && MayReplaceOldPage()) mode_ = Mode::kSkipping;
      break;
    case Mode::kComparingStart:
      if (!MatchesOldStart(data, size)) {
        Fail(PageFailure::ForeignPage{name_});
      } else if (compared_ == oldSize_) {
        mode_ = Mode::kSkipping;
      }
      break;
    case Mode::kWriting:
      if (std::error_code error = newFile_->Write(data, size).error()) {
        FailWith(error);
      }
      break;
    case Mode::kSkipping:
    case Mode::kDiffers:
    case Mode::kUnchanged:
    case Mode::kFailed:
      // The rest of this pass waits for the next, which puts the page from its start; or the
      // page is done with.
      break;
  }
}

bool PageFile::MatchesOldPage(const char* data, std::size_t size) {
  Result<std::size_t> got = ReadFully(*oldPage_, buffers_.comparison(), size);
  return got && got.value() == size && std::memcmp(buffers_.comparison(), data, size) == 0;
}

bool PageFile::MatchesOldPageRead(const char* data, std::size_t size) {
  const bool matches = size <= newSize_ - compared_ &&
                       std::memcmp(buffers_.comparison() + compared_, data, size) == 0;
  compared_ += size;
  return matches;
}

bool PageFile::MatchesOldStart(const char* data, std::size_t size) {
  const auto part = static_cast<std::size_t>(std::min<std::uint64_t>(size, oldSize_ - compared_));
  Result<std::size_t> got = ReadFully(*oldPage_, buffers_.comparison(), part);
  if (!got || got.value() != part) return false;
  compared_ += part;
  return std::memcmp(buffers_.comparison(), data, part) == 0;
}

bool PageFile::OldPageEndsHere() {
  char extra;
  Result<std::size_t> more = ReadFully(*oldPage_, &extra, 1);
  return more && more.value() == 0;
}

bool PageFile::MayReplaceOldPage() {
  if (rules_.replaceForeignPages) return true;
  Result<bool> written = LooksLikeWrittenPage(*oldPage_, oldSize_);
  if (!written) {
    FailWith(written.error());
  } else if (!written.value()) {
    Fail(PageFailure::ForeignPage{name_});
  }
  return mode_ != Mode::kFailed;
}

bool PageFile::NeedsAnotherPass() {
  Flush();
  if (mode_ == Mode::kComparingRead && compared_ == newSize_) {
    // The old page was read whole, as long as the new one, and every byte matched.
    mode_ = Mode::kUnchanged;
    oldPage_.reset();
    return false;
  }
  if (mode_ == Mode::kComparingRead) mode_ = Mode::kSkipping;
  if (mode_ == Mode::kComparing) {
    // Every byte matched; the page is unchanged unless the old one is longer now.
    if (OldPageEndsHere()) {
      mode_ = Mode::kUnchanged;
      oldPage_.reset();
      return false;
    }
    if (MayReplaceOldPage()) mode_ = Mode::kSkipping;
  }
  if (mode_ != Mode::kSkipping) return false;
  oldPage_.reset();
  StartWriting();
  return mode_ == Mode::kWriting;
}

void PageFile::StartWriting() {
  oldPage_.reset();
  if (rules_.differing != nullptr) {
    // Only compared: the page would be written, and that is all there is to know.
    mode_ = Mode::kDiffers;
    return;
  }
  Result<std::unique_ptr<NewFile>> created = folder_.CreateFile();
  if (!created) {
    FailWith(created.error());
    return;
  }
  newFile_ = std::move(created.value());
  mode_ = Mode::kWriting;
}

Result<PageOutcome, PageFailure> PageFile::Finish() {
  Flush();
  if (mode_ == Mode::kUnchanged) return PageOutcome::kUnchanged;
  if (mode_ == Mode::kDiffers) {
    rules_.differing->push_back(name_);
    return PageOutcome::kWritten;
  }
  if (mode_ == Mode::kWriting) {
    if (rules_.stop != nullptr && rules_.stop->requested()) {
      Fail(PageFailure::Stopped{name_});
    } else if (std::error_code error =
                   (rules_.batch != nullptr
                        ? rules_.batch->Add(std::move(newFile_), folder_, name_, placement_)
                        : newFile_->PutInPlace(name_, placement_))
                       .error()) {
      FailWith(error);
    } else {
      newFile_.reset();
      return PageOutcome::kWritten;
    }
  }
  // A pass was left out.
  if (mode_ != Mode::kFailed) FailWith(SystemError(EIO));
  return *failure_;
}

void PageFile::Fail(PageFailure failure) {
  if (mode_ == Mode::kFailed) return;
  mode_ = Mode::kFailed;
  failure_ = std::move(failure);
  oldPage_.reset();
  newFile_.reset();
}

}  // namespace quillmere
