#include "site/page_file.h"

#include <algorithm>
#include <cerrno>

namespace quillmere {
namespace {

// The mode a new page gets before the umask, as for any file a program creates.
constexpr mode_t kNewFileMode = 0666;

// Reads until `size` bytes are in or the file ends; returns how many came, or the read's error.
Result<std::size_t> ReadFully(ReadableFile& file, char* data, std::size_t size) {
  std::size_t got = 0;
  while (got < size) {
    Result<std::size_t> part = file.Read(data + got, size - got);
    if (!part) return {got, part.error};
    if (part.value == 0) break;
    got += part.value;
  }
  return {got, 0};
}

}  // namespace

PageBuffers::PageBuffers(std::size_t size)
    : size_(size),
      output_(std::make_unique_for_overwrite<char[]>(size)),
      comparison_(std::make_unique_for_overwrite<char[]>(size)) {}

PageFile::PageFile(FileSystem& fs, PageBuffers& buffers, std::string path, std::uint64_t newSize)
    : fs_(fs), buffers_(buffers), path_(std::move(path)) {
  Result<EntryInfo> old = fs_.Inspect(path_, /*follow=*/false);
  if (!old) {
    Fail(old.error);
    return;
  }
  switch (old.value.kind) {
    case EntryInfo::Kind::kFolder:
      Fail(EISDIR);
      return;
    case EntryInfo::Kind::kRegular:
      oldMode_ = old.value.mode;
      if (old.value.size == newSize) {
        Result<std::unique_ptr<ReadableFile>> reader = fs_.OpenForReading(path_);
        if (reader) {
          oldPage_ = std::move(reader.value);
          mode_ = Mode::kComparing;
          return;
        }
      }
      break;
    default:
      // A missing page, or a link or other entry that the new page simply replaces.
      break;
  }
  StartWriting();
}

PageFile::~PageFile() {
  DiscardTemporary();
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
  std::size_t size = used_;
  used_ = 0;
  if (mode_ == Mode::kComparing) {
    if (MatchesOldPage(data, size)) {
      verified_ += size;
      return;
    }
    StartWriting();
    CopyVerifiedPrefix();
  }
  WriteOut(data, size);
}

bool PageFile::MatchesOldPage(const char* data, std::size_t size) {
  Result<std::size_t> got = ReadFully(*oldPage_, buffers_.comparison(), size);
  return got && got.value == size && std::memcmp(buffers_.comparison(), data, size) == 0;
}

void PageFile::StartWriting() {
  oldPage_.reset();
  mode_ = Mode::kWriting;
  Result<TemporaryFile> created = fs_.CreateTemporary(path_, kNewFileMode);
  if (!created) {
    Fail(created.error);
    return;
  }
  temporary_ = std::move(created.value);
}

// The bytes already found equal in the old page are the new page's start: copy them over.
void PageFile::CopyVerifiedPrefix() {
  if (mode_ != Mode::kWriting || verified_ == 0) return;
  Result<std::unique_ptr<ReadableFile>> reader = fs_.OpenForReading(path_);
  if (!reader) {
    Fail(reader.error);
    return;
  }
  for (std::uint64_t left = verified_; left > 0 && mode_ == Mode::kWriting;) {
    std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffers_.size()));
    Result<std::size_t> got = ReadFully(*reader.value, buffers_.comparison(), part);
    if (got.value != part) {
      // A failed read names its reason; an old page that shrank meanwhile is an I/O error too.
      Fail(got ? EIO : got.error);
      return;
    }
    WriteOut(buffers_.comparison(), part);
    left -= part;
  }
}

void PageFile::WriteOut(const char* data, std::size_t size) {
  if (mode_ != Mode::kWriting) return;
  if (int error = temporary_.file->Write(data, size)) Fail(error);
}

Result<PageOutcome> PageFile::Finish() {
  Flush();
  if (mode_ == Mode::kComparing) {
    char extra;
    Result<std::size_t> more = ReadFully(*oldPage_, &extra, 1);
    if (more && more.value == 0) {
      oldPage_.reset();
      return {PageOutcome::kUnchanged, 0};
    }
    // The old page is longer than it was a moment ago: rewrite it with the verified bytes.
    StartWriting();
    CopyVerifiedPrefix();
  }
  if (mode_ == Mode::kWriting) {
    int error = temporary_.file->Close();
    temporary_.file.reset();
    if (error == 0 && oldMode_) error = fs_.SetMode(temporary_.path, *oldMode_);
    if (error == 0) error = fs_.Rename(temporary_.path, path_);
    if (error != 0) {
      Fail(error);
    } else {
      temporary_.path.clear();
      return {PageOutcome::kWritten, 0};
    }
  }
  DiscardTemporary();
  return {PageOutcome::kWritten, error_};
}

void PageFile::Fail(int error) {
  if (mode_ == Mode::kFailed) return;
  mode_ = Mode::kFailed;
  error_ = error;
  oldPage_.reset();
  DiscardTemporary();
}

void PageFile::DiscardTemporary() {
  if (temporary_.file) {
    temporary_.file->Close();
    temporary_.file.reset();
  }
  if (!temporary_.path.empty()) {
    fs_.Remove(temporary_.path);
    temporary_.path.clear();
  }
}

}  // namespace quillmere
