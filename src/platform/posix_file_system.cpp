// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <utility>

#include "platform/file_system.h"

namespace quillmere {
namespace {

// Hidden names of new files: ".qm-" PID "-" eight random letters or digits ".tmp".
constexpr std::string_view kHiddenPrefix = ".qm-";
constexpr std::string_view kHiddenSuffix = ".tmp";
constexpr std::size_t kRandomLength = 8;

EntryInfo DescribeStat(const struct stat& st) {
  EntryInfo info;
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.mode = st.st_mode & 07777;
  info.device = st.st_dev;
  info.inode = st.st_ino;
  info.links = static_cast<std::uint64_t>(st.st_nlink);
  info.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
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

// A name or path with a NUL byte in it would be cut short by every system call.
bool HoldsNul(std::string_view text) {
  return text.find('\0') != std::string_view::npos;
}

// Closes a descriptor on every path out of a scope unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    reset(other.release());
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { reset(); }
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

// The error of the system call that just failed.
std::error_code LastError() {
  return SystemError(errno);
}

std::error_code WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return {};
}

class PosixReadableFile final : public ReadableFile {
 public:
  explicit PosixReadableFile(FileDescriptor fd) : fd_(std::move(fd)) {}
  Result<std::size_t> Read(char* data, std::size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_.get(), data, size);
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return LastError();
    }
  }
  Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) override {
    for (;;) {
      ssize_t got = ::pread(fd_.get(), data, size, static_cast<off_t>(offset));
      if (got >= 0) return static_cast<std::size_t>(got);
      if (errno != EINTR) return LastError();
    }
  }
  Result<EntryInfo> Describe() override {
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0) return LastError();
    return DescribeStat(st);
  }

 private:
  FileDescriptor fd_;
};

class PosixWritableFile final : public WritableFile {
 public:
  explicit PosixWritableFile(int fd) : fd_(fd) {}
  std::error_code Write(const char* data, std::size_t size) override {
    return WriteAll(fd_.get(), data, size);
  }
  std::error_code Close() override {
    // Linux releases the descriptor even when close reports an error, so it is never retried.
    return ::close(fd_.release()) == 0 ? std::error_code() : LastError();
  }

 private:
  FileDescriptor fd_;
};

// Makes a regular file out of a descriptor opened without blocking, or says why not.
Result<std::unique_ptr<ReadableFile>> RegularFileFrom(FileDescriptor fd) {
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return LastError();
  if (S_ISDIR(st.st_mode)) return SystemError(EISDIR);
  if (!S_ISREG(st.st_mode)) return make_error_code(FileError::kNotRegularFile);
  int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return LastError();
  return std::make_unique<PosixReadableFile>(std::move(fd));
}

// A hidden name for a new file of this process that no other process picks by chance.
std::string HiddenName() {
  static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char random[kRandomLength] = {};
  if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
    // The name is tried with O_EXCL or linkat, which never take an existing one, so a weaker
    // choice only costs another try now and then.
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    auto mixed = static_cast<std::uint64_t>(now.tv_nsec) * 0x9E3779B97F4A7C15u;
    for (unsigned char& c : random) c = static_cast<unsigned char>(mixed >>= 8);
  }
  std::string name(kHiddenPrefix);
  name += std::to_string(::getpid());
  name += '-';
  for (unsigned char c : random) name += kLetters[c % (sizeof kLetters - 1)];
  name += kHiddenSuffix;
  return name;
}

// The PID in a hidden new file's name, or 0 when the name is not one.
pid_t PidOfHiddenName(std::string_view name) {
  if (!name.starts_with(kHiddenPrefix) || !name.ends_with(kHiddenSuffix)) return 0;
  name.remove_prefix(kHiddenPrefix.size());
  name.remove_suffix(kHiddenSuffix.size());
  std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || name.size() - dash - 1 != kRandomLength) return 0;
  pid_t pid = 0;
  auto [end, error] = std::from_chars(name.data(), name.data() + dash, pid);
  if (error != std::errc() || end != name.data() + dash || pid <= 0) return 0;
  for (char c : name.substr(dash + 1)) {
    if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) return 0;
  }
  return pid;
}

// A new file made with O_TMPFILE: it has no name until it is linked into its folder.
class UnnamedNewFile final : public NewFile {
 public:
  UnnamedNewFile(int folder, FileDescriptor fd) : folder_(folder), fd_(std::move(fd)) {}

  std::error_code Write(const char* data, std::size_t size) override {
    return WriteAll(fd_.get(), data, size);
  }

  std::error_code PutInPlace(std::string_view name, std::optional<mode_t> mode) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    if (mode && ::fchmod(fd_.get(), *mode & 0777) != 0) return LastError();
    const std::string target(name);
    // Where nothing has the name yet, the file takes it directly and no other name ever exists.
    std::error_code linked = Link(target);
    if (!linked) {
      if (::close(fd_.release()) == 0) return {};
      std::error_code error = LastError();
      ::unlinkat(folder_, target.c_str(), 0);
      return error;
    }
    if (linked != std::errc::file_exists) return linked;
    // Otherwise it takes a hidden name first, which is then renamed over the old entry.
    std::string hidden;
    for (linked = SystemError(EEXIST); linked == std::errc::file_exists;) {
      hidden = HiddenName();
      linked = Link(hidden);
      if (linked && linked != std::errc::file_exists) return linked;
    }
    std::error_code error = ::close(fd_.release()) == 0 ? std::error_code() : LastError();
    if (!error && ::renameat(folder_, hidden.c_str(), folder_, target.c_str()) != 0) {
      error = LastError();
    }
    if (error) ::unlinkat(folder_, hidden.c_str(), 0);
    return error;
  }

 private:
  // Gives the unnamed file the name `name` in the folder.
  std::error_code Link(const std::string& name) {
    // With the right to search any folder (root), the descriptor itself can be linked; otherwise
    // through its entry in /proc, as the system's manual describes for O_TMPFILE.
    if (::linkat(fd_.get(), "", folder_, name.c_str(), AT_EMPTY_PATH) == 0) return {};
    if (errno != ENOENT && errno != EPERM && errno != EINVAL) return LastError();
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
    if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
    return LastError();
  }

  int folder_;
  FileDescriptor fd_;
};

// A new file that has a hidden name of its own from the start, where O_TMPFILE is not to be had.
class NamedNewFile final : public NewFile {
 public:
  NamedNewFile(int folder, FileDescriptor fd, std::string hidden)
      : folder_(folder), fd_(std::move(fd)), hidden_(std::move(hidden)) {}
  ~NamedNewFile() override {
    if (!hidden_.empty()) {
      fd_.reset();
      ::unlinkat(folder_, hidden_.c_str(), 0);
    }
  }

  std::error_code Write(const char* data, std::size_t size) override {
    return WriteAll(fd_.get(), data, size);
  }

  std::error_code PutInPlace(std::string_view name, std::optional<mode_t> mode) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    if (mode && ::fchmod(fd_.get(), *mode & 0777) != 0) return LastError();
    if (::close(fd_.release()) != 0) return LastError();
    const std::string target(name);
    if (::renameat(folder_, hidden_.c_str(), folder_, target.c_str()) != 0) return LastError();
    hidden_.clear();
    return {};
  }

 private:
  int folder_;
  FileDescriptor fd_;
  std::string hidden_;
};

// An entry's description from fstatat or stat: a missing entry is no error.
Result<EntryInfo> Described(int rc, const struct stat& st) {
  if (rc == 0) return DescribeStat(st);
  if (errno == ENOENT) return EntryInfo{};
  return LastError();
}

class PosixFolder final : public Folder {
 public:
  PosixFolder(FileDescriptor fd, bool listable, PosixFileSystem::NewFiles newFiles)
      : fd_(std::move(fd)),
        listable_(listable),
        unnamed_(newFiles == PosixFileSystem::NewFiles::kUnnamedWherePossible) {}

  Result<EntryInfo> Inspect(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    struct stat st {};
    int rc = ::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW);
    return Described(rc, st);
  }

  Result<std::unique_ptr<ReadableFile>> OpenForReading(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    FileDescriptor fd(::openat(fd_.get(), std::string(name).c_str(),
                               O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW));
    if (fd.get() < 0) return LastError();
    return RegularFileFrom(std::move(fd));
  }

  Result<std::unique_ptr<NewFile>> CreateFile() override {
    if (unnamed_) {
      FileDescriptor fd(::openat(fd_.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
      if (fd.get() >= 0) return std::make_unique<UnnamedNewFile>(fd_.get(), std::move(fd));
      // File systems without O_TMPFILE say so in one of these ways; others are real failures.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return LastError();
      unnamed_ = false;
    }
    for (;;) {
      std::string hidden = HiddenName();
      FileDescriptor fd(::openat(fd_.get(), hidden.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                                 0666));
      if (fd.get() >= 0) {
        return std::make_unique<NamedNewFile>(fd_.get(), std::move(fd), std::move(hidden));
      }
      if (errno != EEXIST) return LastError();
    }
  }

  void RemoveLeftovers() override {
    if (!listable_) return;
    int listing = ::dup(fd_.get());
    if (listing < 0) return;
    DIR* dir = ::fdopendir(listing);
    if (dir == nullptr) {
      ::close(listing);
      return;
    }
    ::rewinddir(dir);
    while (const dirent* entry = ::readdir(dir)) {
      pid_t pid = PidOfHiddenName(entry->d_name);
      // A process that still runs may be about to rename its file into place.
      if (pid == 0 || ::kill(pid, 0) == 0 || errno != ESRCH) continue;
      struct stat st {};
      if (::fstatat(fd_.get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISREG(st.st_mode)) {
        ::unlinkat(fd_.get(), entry->d_name, 0);
      }
    }
    ::closedir(dir);
  }

 private:
  FileDescriptor fd_;
  bool listable_;
  bool unnamed_;
};

class FileErrorCategoryImpl final : public std::error_category {
 public:
  const char* name() const noexcept override { return "quillmere file"; }
  std::string message(int code) const override {
    switch (static_cast<FileError>(code)) {
      case FileError::kNotRegularFile:
        return "Not a regular file";
    }
    return "Unknown file error";
  }
};

}  // namespace

const std::error_category& FileErrorCategory() {
  static const FileErrorCategoryImpl category;
  return category;
}

bool IsHiddenNewFileName(std::string_view name) {
  return PidOfHiddenName(name) != 0;
}

Result<EntryInfo> PosixFileSystem::Inspect(const std::string& path, bool follow) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  struct stat st {};
  int rc = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return Described(rc, st);
}

Result<std::vector<std::string>> PosixFileSystem::ListFolder(const std::string& folder) {
  if (HoldsNul(folder)) return SystemError(EINVAL);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return LastError();
  std::vector<std::string> names;
  errno = 0;
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(std::move(name));
    errno = 0;
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) return SystemError(error);
  return names;
}

Result<std::unique_ptr<ReadableFile>> PosixFileSystem::OpenForReading(const std::string& path) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  // Non-blocking, so that a FIFO put in the file's place cannot hold the run up.
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) return LastError();
  return RegularFileFrom(std::move(fd));
}

Result<std::unique_ptr<Folder>> PosixFileSystem::OpenFolder(const std::string& path) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  const char* name = path.empty() ? "." : path.c_str();
  bool listable = true;
  FileDescriptor fd(::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0 && errno == EACCES) {
    // A folder that may be written and searched but not listed still takes every step by name.
    listable = false;
    fd.reset(::open(name, O_PATH | O_DIRECTORY | O_CLOEXEC));
  }
  if (fd.get() < 0) return LastError();
  return std::make_unique<PosixFolder>(std::move(fd), listable, newFiles_);
}

Result<std::unique_ptr<WritableFile>> PosixFileSystem::CreateNew(const std::string& path,
                                                                 mode_t mode) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, mode);
  if (fd < 0) return LastError();
  return std::make_unique<PosixWritableFile>(fd);
}

std::error_code PosixFileSystem::CreateFolders(const std::string& path) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (error) return error;
  return std::filesystem::is_directory(path, error) ? std::error_code() : SystemError(ENOTDIR);
}

std::error_code PosixFileSystem::Remove(const std::string& path) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

}  // namespace quillmere
