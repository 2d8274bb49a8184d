// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <limits>
#include <utility>

#include "platform/file_system.h"

namespace quillmere {
namespace {

// Hidden names of new files: ".qm-" BOOT "-" PID "-" eight random letters or digits ".tmp",
// where BOOT is the start of the system's boot id, so that a process number used again after a
// restart does not keep an earlier boot's leftovers. Names from before had no BOOT part.
constexpr std::string_view kHiddenPrefix = ".qm-";
constexpr std::string_view kHiddenSuffix = ".tmp";
constexpr std::size_t kRandomLength = 8;
constexpr std::size_t kBootLength = 8;

EntryInfo DescribeStat(const struct stat& st) {
  EntryInfo info;
  info.size = static_cast<std::uint64_t>(st.st_size);
  info.mode = st.st_mode & 07777;
  info.device = st.st_dev;
  info.inode = st.st_ino;
  info.links = static_cast<std::uint64_t>(st.st_nlink);
  info.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  info.user = st.st_uid;
  info.group = st.st_gid;
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

Result<void> WriteAll(int fd, const char* data, std::size_t size) {
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

Result<void> WriteAllAt(int fd, const char* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    ssize_t put = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (put < 0) {
      if (errno == EINTR) continue;
      return LastError();
    }
    data += put;
    size -= static_cast<std::size_t>(put);
    offset += static_cast<std::uint64_t>(put);
  }
  return {};
}

// Reads up to `size` bytes at `offset` of `fd` into `data`; fewer only at its end.
Result<std::size_t> ReadSomeAt(int fd, char* data, std::size_t size, std::uint64_t offset) {
  for (;;) {
    ssize_t got = ::pread(fd, data, size, static_cast<off_t>(offset));
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return LastError();
  }
}

class PosixReadableFile final : public ReadableFile {
 public:
  PosixReadableFile(FileDescriptor fd, const EntryInfo& opened)
      : fd_(std::move(fd)), opened_(opened) {}
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
  const EntryInfo& AsOpened() const override { return opened_; }

 private:
  FileDescriptor fd_;
  EntryInfo opened_;
};

// The names of the open folder `dir`, "." and ".." left out; closes it.
Result<std::vector<std::string>> NamesIn(DIR* dir) {
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

// Makes a regular file out of a descriptor opened without blocking, or says why not; its one
// fstat is kept as the file's description. Reading a regular file never waits for a writer, so
// the descriptor keeps O_NONBLOCK.
Result<std::unique_ptr<ReadableFile>> RegularFileFrom(FileDescriptor fd) {
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return LastError();
  if (S_ISDIR(st.st_mode)) return SystemError(EISDIR);
  if (!S_ISREG(st.st_mode)) return make_error_code(FileError::kNotRegularFile);
  return std::make_unique<PosixReadableFile>(std::move(fd), DescribeStat(st));
}

// The first letters of this boot's id, read once: lower-case hexadecimal digits, or "0" times
// kBootLength when the system does not tell.
const std::string& BootTag() {
  static const std::string tag = [] {
    std::string read(kBootLength, '0');
    const int fd = ::open("/proc/sys/kernel/random/boot_id", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return read;
    char id[kBootLength] = {};
    const ssize_t got = ::read(fd, id, sizeof id);
    ::close(fd);
    if (got != static_cast<ssize_t>(sizeof id)) return read;
    for (std::size_t i = 0; i < kBootLength; ++i) {
      const char c = id[i];
      if ((c < '0' || c > '9') && (c < 'a' || c > 'f')) return std::string(kBootLength, '0');
      read[i] = c;
    }
    return read;
  }();
  return tag;
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
  name += BootTag();
  name += '-';
  name += std::to_string(::getpid());
  name += '-';
  for (unsigned char c : random) name += kLetters[c % (sizeof kLetters - 1)];
  name += kHiddenSuffix;
  return name;
}

// Who made a hidden new file: the boot it was made in (empty for names without one) and the
// process number.
struct HiddenMaker {
  std::string_view boot;
  pid_t pid = 0;
};

// Tells whether every character of `text` is one of `allowed`.
bool AllOf(std::string_view text, std::string_view allowed) {
  return text.find_first_not_of(allowed) == std::string_view::npos;
}

// The maker named by a hidden new file's name; a PID of 0 when the name is not one.
HiddenMaker MakerOfHiddenName(std::string_view name) {
  if (!name.starts_with(kHiddenPrefix) || !name.ends_with(kHiddenSuffix)) return {};
  name.remove_prefix(kHiddenPrefix.size());
  name.remove_suffix(kHiddenSuffix.size());
  HiddenMaker maker;
  if (name.size() > kBootLength && name[kBootLength] == '-' &&
      AllOf(name.substr(0, kBootLength), "0123456789abcdef")) {
    maker.boot = name.substr(0, kBootLength);
    name.remove_prefix(kBootLength + 1);
  }
  std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || name.size() - dash - 1 != kRandomLength) return {};
  if (!AllOf(name.substr(dash + 1), "abcdefghijklmnopqrstuvwxyz0123456789")) return {};
  auto [end, error] = std::from_chars(name.data(), name.data() + dash, maker.pid);
  if (error != std::errc() || end != name.data() + dash || maker.pid <= 0) return {};
  return maker;
}

// Tells whether the process that made a hidden file has certainly ended: it ran before this
// boot, or no process has its number now.
bool MakerHasEnded(const HiddenMaker& maker) {
  if (!maker.boot.empty() && maker.boot != BootTag()) return true;
  return ProcessHasEnded(maker.pid);
}

// Gives the file `fd` the owner `placement` asks for, or its folder's owner `folderOwner` when
// the process runs as root. What the process may not set is left as it is.
Result<void> TakeOwner(int fd, const Placement& placement, const Owner& folderOwner) {
  Owner wanted;
  if (placement.owner) {
    wanted = *placement.owner;
  } else if (::geteuid() == 0) {
    wanted = folderOwner;
  } else {
    return {};
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0) return LastError();
  if (st.st_uid == wanted.user && st.st_gid == wanted.group) return {};
  if (::fchown(fd, wanted.user, wanted.group) == 0) return {};
  // Only root may give a file away; others keep what they may.
  if (errno == EPERM || errno == EINVAL) return {};
  return LastError();
}

// Gives the new file `fd` what `placement` asks for before it takes a name: its permission bits,
// its owner, and its data on the disk.
Result<void> Prepare(int fd, const Placement& placement, const Owner& folderOwner) {
  if (placement.mode && ::fchmod(fd, *placement.mode & 0777) != 0) return LastError();
  if (std::error_code error = TakeOwner(fd, placement, folderOwner).error()) return error;
  if (placement.durable) {
    while (::fdatasync(fd) != 0) {
      if (errno != EINTR) return LastError();
    }
  }
  return {};
}

// A new file made with O_TMPFILE: it has no name until it is linked into its folder.
class UnnamedNewFile final : public NewFile {
 public:
  UnnamedNewFile(int folder, Owner folderOwner, FileDescriptor fd)
      : folder_(folder), folderOwner_(folderOwner), fd_(std::move(fd)) {}

  Result<void> Write(const char* data, std::size_t size) override {
    return WriteAll(fd_.get(), data, size);
  }

  Result<void> WriteAt(const char* data, std::size_t size, std::uint64_t offset) override {
    return WriteAllAt(fd_.get(), data, size, offset);
  }

  Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) override {
    return ReadSomeAt(fd_.get(), data, size, offset);
  }

  Result<void> PutInPlace(std::string_view name, const Placement& placement) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    if (std::error_code error = Prepare(fd_.get(), placement, folderOwner_).error()) return error;
    const std::string target(name);
    // Where nothing has the name yet, the file takes it directly and no other name ever exists.
    std::error_code linked = Link(target).error();
    if (!linked) {
      if (::close(fd_.release()) == 0) return {};
      std::error_code error = LastError();
      ::unlinkat(folder_, target.c_str(), 0);
      return error;
    }
    if (linked != std::errc::file_exists || !placement.replace) return linked;
    // Otherwise it takes a hidden name first, which is then renamed over the old entry.
    std::string hidden;
    for (linked = SystemError(EEXIST); linked == std::errc::file_exists;) {
      hidden = HiddenName();
      linked = Link(hidden).error();
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
  Result<void> Link(const std::string& name) {
    // With the right to search any folder (root), the descriptor itself can be linked; otherwise
    // through its entry in /proc, as the system's manual describes for O_TMPFILE.
    if (::linkat(fd_.get(), "", folder_, name.c_str(), AT_EMPTY_PATH) == 0) return {};
    if (errno != ENOENT && errno != EPERM && errno != EINVAL) return LastError();
    const std::string self = "/proc/self/fd/" + std::to_string(fd_.get());
    if (::linkat(AT_FDCWD, self.c_str(), folder_, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return {};
    return LastError();
  }

  int folder_;
  Owner folderOwner_;
  FileDescriptor fd_;
};

// A new file that has a hidden name of its own from the start, where O_TMPFILE is not to be had.
class NamedNewFile final : public NewFile {
 public:
  NamedNewFile(int folder, Owner folderOwner, FileDescriptor fd, std::string hidden)
      : folder_(folder),
        folderOwner_(folderOwner),
        fd_(std::move(fd)),
        hidden_(std::move(hidden)) {}
  ~NamedNewFile() override {
    if (!hidden_.empty()) {
      fd_.reset();
      ::unlinkat(folder_, hidden_.c_str(), 0);
    }
  }

  Result<void> Write(const char* data, std::size_t size) override {
    return WriteAll(fd_.get(), data, size);
  }

  Result<void> WriteAt(const char* data, std::size_t size, std::uint64_t offset) override {
    return WriteAllAt(fd_.get(), data, size, offset);
  }

  Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) override {
    return ReadSomeAt(fd_.get(), data, size, offset);
  }

  Result<void> PutInPlace(std::string_view name, const Placement& placement) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    if (std::error_code error = Prepare(fd_.get(), placement, folderOwner_).error()) return error;
    if (::close(fd_.release()) != 0) return LastError();
    const std::string target(name);
    if (placement.replace) {
      if (::renameat(folder_, hidden_.c_str(), folder_, target.c_str()) != 0) return LastError();
    } else {
      // A second name that fails where the name is taken, then the hidden one removed.
      if (::linkat(folder_, hidden_.c_str(), folder_, target.c_str(), 0) != 0) return LastError();
      ::unlinkat(folder_, hidden_.c_str(), 0);
    }
    hidden_.clear();
    return {};
  }

 private:
  int folder_;
  Owner folderOwner_;
  FileDescriptor fd_;
  std::string hidden_;
};

// An entry's description from fstatat or stat: a missing entry is no error.
Result<EntryInfo> Described(int rc, const struct stat& st) {
  if (rc == 0) return DescribeStat(st);
  if (errno == ENOENT) return EntryInfo{};
  return LastError();
}

// Retries a system call that a signal cut short.
template <class Call>
int Retried(const Call& call) {
  int rc;
  do {
    rc = call();
  } while (rc < 0 && errno == EINTR);
  return rc;
}

// Holds a folder's lock through a descriptor of its own.
class PosixFolderLock final : public FolderLock {
 public:
  explicit PosixFolderLock(FileDescriptor fd) : fd_(std::move(fd)) {}

 private:
  FileDescriptor fd_;
};

class PosixFolder final : public Folder {
 public:
  PosixFolder(FileDescriptor fd, bool listable, Owner owner, PosixFileSystem::NewFiles newFiles)
      : fd_(std::move(fd)),
        listable_(listable),
        owner_(owner),
        newFiles_(newFiles),
        unnamed_(newFiles == PosixFileSystem::NewFiles::kUnnamedWherePossible) {}

  // Opens the folder `name` relative to `at` (a folder's descriptor, or AT_FDCWD), following a
  // final symbolic link only when `follow`.
  static Result<std::unique_ptr<Folder>> Open(int at, const char* name, bool follow,
                                              PosixFileSystem::NewFiles newFiles) {
    const int noFollow = follow ? 0 : O_NOFOLLOW;
    bool listable = true;
    FileDescriptor fd(::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | noFollow));
    if (fd.get() < 0 && errno == EACCES) {
      // A folder that may be written and searched but not listed still takes every step by name.
      listable = false;
      fd.reset(::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC | noFollow));
    }
    if (fd.get() < 0) return LastError();
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return LastError();
    return std::make_unique<PosixFolder>(std::move(fd), listable, Owner{st.st_uid, st.st_gid},
                                         newFiles);
  }

  Result<EntryInfo> Inspect(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    struct stat st {};
    int rc = ::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW);
    return Described(rc, st);
  }

  Result<std::unique_ptr<ReadableFile>> OpenForReading(std::string_view name) override {
    return OpenRegular(name, O_NOFOLLOW);
  }

  Result<std::unique_ptr<ReadableFile>> OpenThroughLinkForReading(std::string_view name) override {
    return OpenRegular(name, 0);
  }

  Result<std::vector<std::string>> List() override {
    const int listed = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listed < 0) return LastError();
    DIR* dir = ::fdopendir(listed);
    if (dir == nullptr) {
      const int error = errno;
      ::close(listed);
      return SystemError(error);
    }
    return NamesIn(dir);
  }

  Result<std::unique_ptr<NewFile>> CreateFile() override {
    if (unnamed_) {
      FileDescriptor fd(::openat(fd_.get(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666));
      if (fd.get() >= 0) return std::make_unique<UnnamedNewFile>(fd_.get(), owner_, std::move(fd));
      // File systems without O_TMPFILE say so in one of these ways; others are real failures.
      if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return LastError();
      unnamed_ = false;
    }
    for (;;) {
      std::string hidden = HiddenName();
      FileDescriptor fd(::openat(fd_.get(), hidden.c_str(),
                                 O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY,
                                 0666));
      if (fd.get() >= 0) {
        return std::make_unique<NamedNewFile>(fd_.get(), owner_, std::move(fd), std::move(hidden));
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
      const HiddenMaker maker = MakerOfHiddenName(entry->d_name);
      // A process that still runs may be about to rename its file into place.
      if (maker.pid == 0 || !MakerHasEnded(maker)) continue;
      struct stat st {};
      if (::fstatat(fd_.get(), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
          S_ISREG(st.st_mode)) {
        ::unlinkat(fd_.get(), entry->d_name, 0);
      }
    }
    ::closedir(dir);
  }

  Result<std::unique_ptr<Folder>> OpenFolder(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    return Open(fd_.get(), std::string(name).c_str(), /*follow=*/false, newFiles_);
  }

  Result<std::unique_ptr<Folder>> MakeFolder(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    const std::string made(name);
    if (::mkdirat(fd_.get(), made.c_str(), 0777) != 0) return LastError();
    Result<std::unique_ptr<Folder>> folder = Open(fd_.get(), made.c_str(), false, newFiles_);
    if (!folder) return folder;
    if (::geteuid() == 0) {
      auto& posix = static_cast<PosixFolder&>(*folder.value());
      if (::fchown(posix.fd_.get(), owner_.user, owner_.group) != 0) return LastError();
      posix.owner_ = owner_;
    }
    return folder;
  }

  Result<void> Rename(std::string_view from, std::string_view to, bool replace) override {
    if (HoldsNul(from) || HoldsNul(to)) return SystemError(EINVAL);
    const std::string source(from), target(to);
    const unsigned flags = replace ? 0 : RENAME_NOREPLACE;
    if (::renameat2(fd_.get(), source.c_str(), fd_.get(), target.c_str(), flags) == 0) return {};
    if (replace || errno != EINVAL) return LastError();
    // A file system that cannot refuse to replace in a rename still refuses in a link.
    if (::linkat(fd_.get(), source.c_str(), fd_.get(), target.c_str(), 0) != 0) return LastError();
    return ::unlinkat(fd_.get(), source.c_str(), 0) == 0 ? std::error_code() : LastError();
  }

  Result<void> Remove(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    return ::unlinkat(fd_.get(), std::string(name).c_str(), 0) == 0 ? std::error_code()
                                                                    : LastError();
  }

  Result<void> RemoveFolder(std::string_view name) override {
    if (HoldsNul(name)) return SystemError(EINVAL);
    return ::unlinkat(fd_.get(), std::string(name).c_str(), AT_REMOVEDIR) == 0 ? std::error_code()
                                                                               : LastError();
  }

  Result<void> Sync() override {
    if (Retried([&] { return ::fsync(fd_.get()); }) == 0) return {};
    // A folder that may not be listed is held without a descriptor that can be flushed; nor can
    // some file systems flush a folder. Its names then last as the file system makes them.
    if (errno == EBADF || errno == EINVAL) return {};
    return LastError();
  }

  Result<void> SyncFileSystem() override {
    if (::syncfs(fd_.get()) == 0) return {};
    if (errno != EBADF) return LastError();
    ::sync();
    return {};
  }

  Result<std::unique_ptr<FolderLock>> TryLock() override {
    FileDescriptor lock(::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.get() < 0) return LastError();
    if (Retried([&] { return ::flock(lock.get(), LOCK_EX | LOCK_NB); }) != 0) return LastError();
    return std::make_unique<PosixFolderLock>(std::move(lock));
  }

 private:
  // Opens the regular file `name` without blocking, with `follow` O_NOFOLLOW or 0.
  Result<std::unique_ptr<ReadableFile>> OpenRegular(std::string_view name, int follow) {
    if (HoldsNul(name)) return SystemError(EINVAL);
    FileDescriptor fd(::openat(fd_.get(), std::string(name).c_str(),
                               O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | follow));
    if (fd.get() < 0) return LastError();
    return RegularFileFrom(std::move(fd));
  }

  FileDescriptor fd_;
  bool listable_;
  Owner owner_;
  PosixFileSystem::NewFiles newFiles_;
  bool unnamed_;
};

}  // namespace

bool ProcessHasEnded(std::int64_t pid) {
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool IsHiddenNewFileName(std::string_view name) {
  return MakerOfHiddenName(name).pid != 0;
}

Result<EntryInfo> PosixFileSystem::Inspect(const std::string& path, bool follow) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  struct stat st {};
  int rc = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return Described(rc, st);
}

Result<std::vector<std::string>> PosixFileSystem::ListFolder(const std::string& folder) {
  if (HoldsNul(folder)) return SystemError(EINVAL);
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (dir == nullptr) return LastError();
  return NamesIn(dir);
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
  return PosixFolder::Open(AT_FDCWD, path.empty() ? "." : path.c_str(), /*follow=*/true, newFiles_);
}

Result<void> PosixFileSystem::CreateFolders(const std::string& path) {
  if (HoldsNul(path)) return SystemError(EINVAL);
  // Each part is opened from the one before, following links as a path does, and made where it
  // is missing: made by root, it takes the owner of the folder it is made in.
  FileDescriptor at(::open(path.starts_with('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
  if (at.get() < 0) return LastError();
  std::string_view rest = path;
  while (!rest.empty()) {
    const std::size_t slash = rest.find('/');
    const std::string part(rest.substr(0, slash));
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
    if (part.empty() || part == ".") continue;
    FileDescriptor next(::openat(at.get(), part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (next.get() < 0 && errno == ENOENT) {
      const bool made = ::mkdirat(at.get(), part.c_str(), 0777) == 0;
      if (!made && errno != EEXIST) return LastError();
      next.reset(::openat(at.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      struct stat parent {};
      if (made && next.get() >= 0 && ::geteuid() == 0 && ::fstat(at.get(), &parent) == 0 &&
          ::fchown(next.get(), parent.st_uid, parent.st_gid) != 0) {
        return LastError();
      }
    }
    if (next.get() < 0) return LastError();
    at = std::move(next);
  }
  return {};
}

}  // namespace quillmere
