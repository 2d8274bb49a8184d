#include "support/faulty_file_system.h"

namespace quillmere::testing {
namespace {

class FaultyReadableFile final : public ReadableFile {
 public:
  FaultyReadableFile(std::unique_ptr<ReadableFile> inner, FaultyFileSystem& fs)
      : inner_(std::move(inner)), fs_(fs) {}
  Result<std::size_t> Read(char* data, std::size_t size) override {
    if (int error = fs_.Count(Step::kRead)) return {0, error};
    return inner_->Read(data, size);
  }
  Result<std::uint64_t> Size() override { return inner_->Size(); }

 private:
  std::unique_ptr<ReadableFile> inner_;
  FaultyFileSystem& fs_;
};

class FaultyWritableFile final : public WritableFile {
 public:
  FaultyWritableFile(std::unique_ptr<WritableFile> inner, FaultyFileSystem& fs)
      : inner_(std::move(inner)), fs_(fs) {}
  int Write(const char* data, std::size_t size) override {
    if (int error = fs_.Count(Step::kWrite)) {
      // Like a full disk: part of the data lands before the failure.
      inner_->Write(data, size / 2);
      return error;
    }
    return inner_->Write(data, size);
  }
  int Close() override {
    int error = fs_.Count(Step::kClose);
    int closed = inner_->Close();
    return error ? error : closed;
  }

 private:
  std::unique_ptr<WritableFile> inner_;
  FaultyFileSystem& fs_;
};

}  // namespace

int FaultyFileSystem::Count(Step step) {
  int calls = ++calls_[static_cast<std::size_t>(step)];
  return step == failStep_ && calls == failAt_ ? failError_ : 0;
}

Result<EntryInfo> FaultyFileSystem::Inspect(const std::string& path, bool follow) {
  if (int error = Count(Step::kInspect)) return {{}, error};
  return inner_.Inspect(path, follow);
}

Result<std::vector<std::string>> FaultyFileSystem::ListFolder(const std::string& folder) {
  if (int error = Count(Step::kListFolder)) return {{}, error};
  return inner_.ListFolder(folder);
}

Result<std::unique_ptr<ReadableFile>> FaultyFileSystem::OpenForReading(const std::string& path) {
  if (int error = Count(Step::kOpenForReading)) return {nullptr, error};
  Result<std::unique_ptr<ReadableFile>> opened = inner_.OpenForReading(path);
  if (opened) opened.value = std::make_unique<FaultyReadableFile>(std::move(opened.value), *this);
  return opened;
}

Result<std::unique_ptr<WritableFile>> FaultyFileSystem::CreateNew(const std::string& path,
                                                                  mode_t mode) {
  if (int error = Count(Step::kCreateTemporary)) return {nullptr, error};
  Result<std::unique_ptr<WritableFile>> created = inner_.CreateNew(path, mode);
  if (created)
    created.value = std::make_unique<FaultyWritableFile>(std::move(created.value), *this);
  return created;
}

Result<TemporaryFile> FaultyFileSystem::CreateTemporary(const std::string& nearPath, mode_t mode) {
  if (int error = Count(Step::kCreateTemporary)) return {{}, error};
  Result<TemporaryFile> created = inner_.CreateTemporary(nearPath, mode);
  if (created) {
    created.value.file = std::make_unique<FaultyWritableFile>(std::move(created.value.file), *this);
  }
  return created;
}

int FaultyFileSystem::SetMode(const std::string& path, mode_t mode) {
  if (int error = Count(Step::kSetMode)) return error;
  return inner_.SetMode(path, mode);
}

int FaultyFileSystem::Rename(const std::string& from, const std::string& to) {
  if (int error = Count(Step::kRename)) return error;
  return inner_.Rename(from, to);
}

int FaultyFileSystem::Remove(const std::string& path) {
  if (int error = Count(Step::kRemove)) return error;
  return inner_.Remove(path);
}

}  // namespace quillmere::testing
