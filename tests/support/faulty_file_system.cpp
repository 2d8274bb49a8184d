// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "support/faulty_file_system.h"

namespace quillmere::testing {
namespace {

class FaultyReadableFile final : public ReadableFile {
 public:
  FaultyReadableFile(std::unique_ptr<ReadableFile> inner, FaultyFileSystem& fs)
      : inner_(std::move(inner)), fs_(fs) {}
  Result<std::size_t> Read(char* data, std::size_t size) override {
    if (std::error_code error = fs_.Count(Step::kRead)) return error;
    return inner_->Read(data, size);
  }
  Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) override {
    if (std::error_code error = fs_.Count(Step::kRead)) return error;
    return inner_->ReadAt(data, size, offset);
  }
  Result<EntryInfo> Describe() override {
    if (std::error_code error = fs_.Count(Step::kDescribe)) return error;
    return inner_->Describe();
  }
  const EntryInfo& AsOpened() const override { return inner_->AsOpened(); }

 private:
  std::unique_ptr<ReadableFile> inner_;
  FaultyFileSystem& fs_;
};

std::unique_ptr<ReadableFile> Wrapped(std::unique_ptr<ReadableFile> file, FaultyFileSystem& fs) {
  return std::make_unique<FaultyReadableFile>(std::move(file), fs);
}

// Writes through `file`, or fails as a full disk does: part of the data lands first.
template <class File>
Result<void> WriteOrFail(File& file, FaultyFileSystem& fs, const char* data, std::size_t size) {
  if (std::error_code error = fs.Count(Step::kWrite)) {
    static_cast<void>(file.Write(data, size / 2));
    return error;
  }
  return file.Write(data, size);
}

class FaultyNewFile final : public NewFile {
 public:
  FaultyNewFile(std::unique_ptr<NewFile> inner, FaultyFileSystem& fs)
      : inner_(std::move(inner)), fs_(fs) {}
  Result<void> Write(const char* data, std::size_t size) override {
    return WriteOrFail(*inner_, fs_, data, size);
  }
  Result<void> WriteAt(const char* data, std::size_t size, std::uint64_t offset) override {
    if (std::error_code error = fs_.Count(Step::kWrite)) return error;
    return inner_->WriteAt(data, size, offset);
  }
  Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) override {
    return inner_->ReadAt(data, size, offset);
  }
  Result<void> PutInPlace(std::string_view name, const Placement& placement) override {
    if (std::error_code error = fs_.Count(Step::kPutInPlace)) return error;
    return inner_->PutInPlace(name, placement);
  }

 private:
  std::unique_ptr<NewFile> inner_;
  FaultyFileSystem& fs_;
};

class FaultyFolder final : public Folder {
 public:
  FaultyFolder(std::unique_ptr<Folder> inner, FaultyFileSystem& fs)
      : inner_(std::move(inner)), fs_(fs) {}
  Result<EntryInfo> Inspect(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kInspect)) return error;
    return inner_->Inspect(name);
  }
  Result<std::unique_ptr<ReadableFile>> OpenForReading(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kOpenForReading)) return error;
    Result<std::unique_ptr<ReadableFile>> opened = inner_->OpenForReading(name);
    if (!opened) return opened;
    return Wrapped(std::move(opened.value()), fs_);
  }
  Result<std::unique_ptr<ReadableFile>> OpenThroughLinkForReading(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kOpenForReading)) return error;
    Result<std::unique_ptr<ReadableFile>> opened = inner_->OpenThroughLinkForReading(name);
    if (!opened) return opened;
    return Wrapped(std::move(opened.value()), fs_);
  }
  Result<std::unique_ptr<NewFile>> CreateFile() override {
    if (std::error_code error = fs_.Count(Step::kCreateFile)) return error;
    Result<std::unique_ptr<NewFile>> created = inner_->CreateFile();
    if (!created) return created;
    return std::make_unique<FaultyNewFile>(std::move(created.value()), fs_);
  }
  void RemoveLeftovers() override { inner_->RemoveLeftovers(); }
  Result<std::vector<std::string>> List() override {
    if (std::error_code error = fs_.Count(Step::kListFolder)) return error;
    return inner_->List();
  }
  Result<std::unique_ptr<Folder>> OpenFolder(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kOpenFolder)) return error;
    return WrappedFolder(inner_->OpenFolder(name));
  }
  Result<std::unique_ptr<Folder>> MakeFolder(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kMakeFolder)) return error;
    return WrappedFolder(inner_->MakeFolder(name));
  }
  Result<void> Rename(std::string_view from, std::string_view to, bool replace) override {
    if (std::error_code error = fs_.Count(Step::kRename)) return error;
    return inner_->Rename(from, to, replace);
  }
  Result<void> Remove(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kRemove)) return error;
    return inner_->Remove(name);
  }
  Result<void> RemoveFolder(std::string_view name) override {
    if (std::error_code error = fs_.Count(Step::kRemove)) return error;
    return inner_->RemoveFolder(name);
  }
  Result<void> Sync() override {
    if (std::error_code error = fs_.Count(Step::kSync)) return error;
    return inner_->Sync();
  }
  Result<void> SyncFileSystem() override {
    if (std::error_code error = fs_.Count(Step::kSync)) return error;
    return inner_->SyncFileSystem();
  }
  Result<std::unique_ptr<FolderLock>> TryLock() override {
    if (std::error_code error = fs_.Count(Step::kLock)) return error;
    return inner_->TryLock();
  }

 private:
  // The folder `opened`, wrapped so that its calls count too.
  Result<std::unique_ptr<Folder>> WrappedFolder(Result<std::unique_ptr<Folder>> opened) {
    if (!opened) return opened;
    return std::unique_ptr<Folder>(std::make_unique<FaultyFolder>(std::move(opened.value()), fs_));
  }

  std::unique_ptr<Folder> inner_;
  FaultyFileSystem& fs_;
};

}  // namespace

const char* StepName(Step step) {
  static const char* const names[] = {"Inspect",    "ListFolder", "OpenForReading", "Read",
                                      "Describe",   "OpenFolder", "CreateFile",     "Write",
                                      "PutInPlace", "Remove",     "MakeFolder",     "Rename",
                                      "Sync",       "Lock"};
  static_assert(std::size(names) == static_cast<std::size_t>(Step::kCount));
  return names[static_cast<std::size_t>(step)];
}

std::error_code FaultyFileSystem::Count(Step step) {
  if (ended_) return SystemError(EIO);
  int calls = ++calls_[static_cast<std::size_t>(step)];
  if (step != failStep_ || calls < failAt_ || (calls > failAt_ && !failLater_)) return {};
  failedOnce_ = true;
  ended_ = endAfterFailing_;
  return failError_;
}

Result<EntryInfo> FaultyFileSystem::Inspect(const std::string& path, bool follow) {
  if (std::error_code error = Count(Step::kInspect)) return error;
  return inner_.Inspect(path, follow);
}

Result<std::vector<std::string>> FaultyFileSystem::ListFolder(const std::string& folder) {
  if (std::error_code error = Count(Step::kListFolder)) return error;
  return inner_.ListFolder(folder);
}

Result<std::unique_ptr<ReadableFile>> FaultyFileSystem::OpenForReading(const std::string& path) {
  if (std::error_code error = Count(Step::kOpenForReading)) return error;
  Result<std::unique_ptr<ReadableFile>> opened = inner_.OpenForReading(path);
  if (!opened) return opened;
  return Wrapped(std::move(opened.value()), *this);
}

Result<std::unique_ptr<Folder>> FaultyFileSystem::OpenFolder(const std::string& path) {
  if (std::error_code error = Count(Step::kOpenFolder)) return error;
  Result<std::unique_ptr<Folder>> opened = inner_.OpenFolder(path);
  if (!opened) return opened;
  return std::make_unique<FaultyFolder>(std::move(opened.value()), *this);
}

}  // namespace quillmere::testing
