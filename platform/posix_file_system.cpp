#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/file_system.h"

namespace quillmere {
namespace {

EntryInfo DescribeStat(const struct stat& st) {
  EntryInfo info;
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.mode = st.st_mode & 07777;
  if (S_ISREG(st.st_mode)) {
    info.kind = EntryInfo::Kind::kRegular;
  } else if (S_ISDIR(st.st_mode)) {
    info.kind = EntryInfo::Kind::kFolder;
  } else if (S_ISLNK(st.st_mode)) {
    info.kind = EntryInfo::Kind::kSymlink;
  } else {
    info.kind = EntryInfo::Kind::kOther;
  }
  return info;
}

// Closes a descriptor on every path out of a scope unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

class PosixReadableFile final : public ReadableFile {
 public:
  explicit PosixReadableFile(int fd) : fd_(fd) {}
  Result<std::size_t> Read(char* data, std::size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_.get(), data, size);
      if (got >= 0) return {static_cast<std::size_t>(got), 0};
      if (errno != EINTR) return {0, errno};
    }
  }
  Result<std::uint64_t> Size() override {
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return {0, errno};
    return {static_cast<std::uint64_t>(st.st_size), 0};
  }

 private:
  FileDescriptor fd_;
};

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  int Write(const char* data, std::size_t size) override {
    while (size > 0) {
      ssize_t put = ::write(fd_.get(), data, size);
      if (put < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      data += put;
      size -= static_cast<std::size_t>(put);
    }
    return 0;
  }
  int Close() override {
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    return ::close(fd_.release()) == 0 ? 0 : errno;
  }

 private:
  FileDescriptor fd_;
};

}  // namespace

std::string ErrorText(int code) {
  if (code == kNotRegularFile) return "Not a regular file";
  return std::strerror(code);
}

Result<EntryInfo> PosixFileSystem::Inspect(const std::string& path, bool follow) {
  struct stat st {};
  int rc = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (rc == 0) return {DescribeStat(st), 0};
  if (errno == ENOENT) return {EntryInfo{}, 0};
  return {EntryInfo{}, errno};
}

Result<std::vector<std::string>> PosixFileSystem::ListFolder(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return {{}, errno};
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
    errno = 0;
  }
  int error = errno;
  ::closedir(dir);
  return {std::move(names), error};
}

Result<std::unique_ptr<ReadableFile>> PosixFileSystem::OpenForReading(const std::string& path) {
  // Non-blocking, so that a FIFO put in the file's place cannot hold the run up.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) return {nullptr, errno};
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return {nullptr, errno};
  if (S_ISDIR(st.st_mode)) return {nullptr, EISDIR};
  if (!S_ISREG(st.st_mode)) return {nullptr, kNotRegularFile};
  int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return {nullptr, errno};
  return {std::make_unique<PosixReadableFile>(fd.release()), 0};
}

Result<std::unique_ptr<WritableFile>> PosixFileSystem::CreateNew(const std::string& path,
                                                                 mode_t mode) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
  if (fd < 0) return {nullptr, errno};
  return {std::make_unique<PosixWritableFile>(fd), 0};
}

int PosixFileSystem::CreateFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) return error.value();
  return std::filesystem::is_directory(path, error) ? 0 : ENOTDIR;
}

Result<TemporaryFile> PosixFileSystem::CreateTemporary(const std::string& nearPath, mode_t mode) {
  std::size_t nameStart = nearPath.rfind('/') + 1;  // 0 when the path has no folder
  std::string stem = nearPath.substr(0, nameStart) + "." + nearPath.substr(nameStart) + ".tmp-" +
                     std::to_string(::getpid()) + "-";
  for (;;) {
    std::string path = stem + std::to_string(++temporaryCount_);
    Result<std::unique_ptr<WritableFile>> created = CreateNew(path, mode);
    if (created) return {{std::move(created.value), std::move(path)}, 0};
    if (created.error != EEXIST) return {{}, created.error};
  }
}

int PosixFileSystem::SetMode(const std::string& path, mode_t mode) {
  return ::chmod(path.c_str(), mode) == 0 ? 0 : errno;
}

int PosixFileSystem::Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int PosixFileSystem::Remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

}  // namespace quillmere
