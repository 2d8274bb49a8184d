// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The thin layer over the file system that the rest of the program writes and reads through.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/result.h"

namespace quillmere {

// The program's own reasons why a file step failed, beside the system's (errno) ones.
enum class FileError {
  // A file to be read is neither a regular file nor a folder.
  kNotRegularFile = 1,
};

// The category of FileError codes.
const std::error_category& FileErrorCategory();

inline std::error_code make_error_code(FileError error) {
  return {static_cast<int>(error), FileErrorCategory()};
}

// The error code of the system's error number `number` (an errno value).
inline std::error_code SystemError(int number) {
  return {number, std::system_category()};
}

// Returns the words for an error code, the system's or the program's own.
inline std::string ErrorText(std::error_code error) {
  return error.message();
}

// What a path names, without following a final symbolic link (or following it, when asked).
struct EntryInfo {
  enum class Kind { kMissing, kRegular, kFolder, kSymlink, kOther };
  Kind kind = Kind::kMissing;
  std::uint64_t size = 0;
  mode_t mode = 0;
  // Which file it is: two entries with the same device and inode are the same file.
  dev_t device = 0;
  ino_t inode = 0;
  // How many names the file has.
  std::uint64_t links = 0;
  // When the file's content last changed, in nanoseconds since 1970.
  std::int64_t modified = 0;
  // Who owns it.
  uid_t user = 0;
  gid_t group = 0;
};

// The user and group that own a file.
struct Owner {
  uid_t user = 0;
  gid_t group = 0;
};

// How a new file takes its name.
struct Placement {
  // The permission bits it gets (only 0777 of them count); none keeps those it was created with,
  // 0666 less the umask.
  std::optional<mode_t> mode;
  // The owner and group it gets where the process may set them (root); none gives it those of
  // its folder when the process runs as root, and leaves it the process's otherwise.
  std::optional<Owner> owner;
  // Whether it replaces what already has the name, in one step; otherwise an existing entry is
  // left alone and the placing fails with EEXIST.
  bool replace = true;
  // Whether its data reaches the disk before its name appears, so that a power cut leaves the
  // name with the whole file or no name at all.
  bool durable = false;
};

// How a file that replaces the entry `old` takes its name: with the permission bits of `old`,
// never its set-user-ID, set-group-ID or sticky bits, and with its owner and group where the
// process may give them (root).
inline Placement KeepingModeAndOwner(const EntryInfo& old) {
  Placement placement;
  placement.mode = old.mode & 0777;
  placement.owner = Owner{old.user, old.group};
  return placement;
}

// A file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `size` bytes into `data`; 0 bytes read means the end of the file.
  virtual Result<std::size_t> Read(char* data, std::size_t size) = 0;
  // Reads up to `size` bytes from `offset` on, without moving the position of Read.
  virtual Result<std::size_t> ReadAt(char* data, std::size_t size, std::uint64_t offset) = 0;
  // Describes the open file as it is at this moment.
  virtual Result<EntryInfo> Describe() = 0;
  // Describes the file as its opening found it, without asking the system again.
  virtual const EntryInfo& AsOpened() const = 0;
};

// Reads from `file`'s position into `data` until `capacity` bytes are in, the file ends, or at
// least `expected` bytes are in when a read gives fewer than it was asked for: a regular file
// gives all it holds to one read, so that a file just opened is read whole in one call with its
// size as opened for `expected` and one byte more for `capacity`, and fills `data` only when it
// has grown since. Returns how many bytes came.
Result<std::size_t> ReadInto(ReadableFile& file, char* data, std::size_t capacity,
                             std::size_t expected);

// Reads `size` bytes from `file`'s position into `data`, or fewer where the file ends first.
inline Result<std::size_t> ReadFully(ReadableFile& file, char* data, std::size_t size) {
  return ReadInto(file, data, size, size);
}

// Reads `size` bytes from `offset` of `file` into `data`, or fewer where the file ends first,
// without moving its position.
Result<std::size_t> ReadFullyAt(ReadableFile& file, char* data, std::size_t size,
                                std::uint64_t offset);

// A file's bytes, read whole, and the file as its opening found it.
struct WholeFile {
  std::string bytes;
  EntryInfo entry;
};

// Reads the whole of `file`, just opened, in one read where it has not grown since it was opened;
// fails with EFBIG when it holds more than `most` bytes.
Result<WholeFile> ReadWhole(ReadableFile& file, std::uint64_t most = UINT64_MAX);

// A new file in a folder that no one sees until it is put in place; dropped without a trace
// when it is destroyed before that.
class NewFile {
 public:
  virtual ~NewFile() = default;
  // Writes all of `size` bytes or reports why not.
  [[nodiscard]] virtual Result<void> Write(const char* data, std::size_t size) = 0;
  // Writes all of `size` bytes at `offset`, where the file may already hold bytes (a container
  // whose header is written last), or reports why not; later writes still append.
  [[nodiscard]] virtual Result<void> WriteAt(const char* data, std::size_t size,
                                             std::uint64_t offset) = 0;
  // Reads up to `size` bytes of what was written, from `offset` on (a container that moves its
  // header before its data, a file checked before it is put in place); 0 bytes read means the
  // end. A file that cannot be read back fails with ENOTSUP. Defined here, so that the class has
  // no function of its own in one object file: its type information then comes with every module
  // that uses it (the video module is loaded by a program that does not export its symbols).
  virtual Result<std::size_t> ReadAt(char* /*data*/, std::size_t /*size*/,
                                     std::uint64_t /*offset*/) {
    return std::make_error_code(std::errc::not_supported);
  }
  // Puts the file in place under `name` as `placement` says, and closes it. On failure nothing of
  // it stays.
  [[nodiscard]] virtual Result<void> PutInPlace(std::string_view name,
                                                const Placement& placement) = 0;
};

// A lock that one process at a time may hold; released when it is destroyed, or when its
// process ends however it ends.
class FolderLock {
 public:
  virtual ~FolderLock() = default;
};

// A folder opened once, so that every later step names the same folder whatever happens to the
// path it was opened by. Names are single names inside it, never paths.
class Folder {
 public:
  virtual ~Folder() = default;
  // Describes the entry `name`, without following a symbolic link.
  virtual Result<EntryInfo> Inspect(std::string_view name) = 0;
  // Opens the regular file `name` for reading; refuses a symbolic link (ELOOP) and anything but a
  // regular file (FileError::kNotRegularFile) without blocking.
  virtual Result<std::unique_ptr<ReadableFile>> OpenForReading(std::string_view name) = 0;
  // Opens the regular file `name`, or the one a symbolic link of that name leads to, for reading;
  // refuses anything but a regular file without blocking.
  virtual Result<std::unique_ptr<ReadableFile>> OpenThroughLinkForReading(
      std::string_view name) = 0;
  // Creates a new file in the folder, with 0666 less the umask as its permission bits.
  virtual Result<std::unique_ptr<NewFile>> CreateFile() = 0;
  // Removes the hidden files that runs killed while putting a file in place left behind.
  virtual void RemoveLeftovers() = 0;
  // Lists the names in the folder, "." and ".." left out.
  virtual Result<std::vector<std::string>> List() = 0;
  // Opens the folder `name` inside it; refuses a symbolic link (ELOOP or ENOTDIR).
  virtual Result<std::unique_ptr<Folder>> OpenFolder(std::string_view name) = 0;
  // Makes the folder `name` inside it, which must not exist yet, and opens it. Made by root, it
  // gets this folder's owner and group.
  virtual Result<std::unique_ptr<Folder>> MakeFolder(std::string_view name) = 0;
  // Gives the entry `from` the name `to` in one step; unless `replace`, an entry that has the
  // name `to` is left alone and the renaming fails with EEXIST.
  [[nodiscard]] virtual Result<void> Rename(std::string_view from, std::string_view to,
                                            bool replace) = 0;
  // Removes the entry `name`, a file or a symbolic link, never a folder.
  [[nodiscard]] virtual Result<void> Remove(std::string_view name) = 0;
  // Removes the empty folder `name`.
  [[nodiscard]] virtual Result<void> RemoveFolder(std::string_view name) = 0;
  // Makes the names the folder got or lost so far last through a power cut.
  [[nodiscard]] virtual Result<void> Sync() = 0;
  // Makes the data of every file of this folder's file system reach the disk, in one step.
  [[nodiscard]] virtual Result<void> SyncFileSystem() = 0;
  // Takes the lock of this folder, unless another process (or another opening of the folder)
  // holds it: then fails at once with EWOULDBLOCK.
  virtual Result<std::unique_ptr<FolderLock>> TryLock() = 0;
};

// Reads the regular file `name` of `folder` whole, as OpenForReading opens it (no symbolic link,
// nothing that blocks): one open, one look at the file, one read where it does not grow meanwhile,
// one close. Fails with EFBIG when it holds more than `most` bytes.
Result<WholeFile> ReadWholeFile(Folder& folder, std::string_view name,
                                std::uint64_t most = UINT64_MAX);

// Access to files and folders; tests put their own implementation in its place.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Describes the entry at `path`; a final symbolic link is followed when `follow` is true.
  virtual Result<EntryInfo> Inspect(const std::string& path, bool follow) = 0;
  // Lists the names in `folder`, "." and ".." left out.
  virtual Result<std::vector<std::string>> ListFolder(const std::string& folder) = 0;
  // Opens an existing regular file for reading; refuses anything else without blocking.
  virtual Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) = 0;
  // Opens the folder at `path` for the steps of Folder.
  virtual Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) = 0;
  // Creates the folder `path` and any missing folders above it; an existing folder is fine. Made
  // by root, each gets the owner and group of the folder it is made in.
  [[nodiscard]] virtual Result<void> CreateFolders(const std::string& path) = 0;
};

// The file system of this machine, through POSIX calls.
class PosixFileSystem final : public FileSystem {
 public:
  // How new files come into being in a folder.
  enum class NewFiles {
    // Unnamed until put in place, where the file system can do that; otherwise as kNamed.
    kUnnamedWherePossible,
    // Under a hidden name of their own from the start.
    kNamed,
  };

  explicit PosixFileSystem(NewFiles newFiles = NewFiles::kUnnamedWherePossible)
      : newFiles_(newFiles) {}

  Result<EntryInfo> Inspect(const std::string& path, bool follow) override;
  Result<std::vector<std::string>> ListFolder(const std::string& folder) override;
  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override;
  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) override;
  Result<void> CreateFolders(const std::string& path) override;

 private:
  NewFiles newFiles_;
};

// Tells whether `name` is one that a new file of a folder has while it is put in place; such a
// file is removed by RemoveLeftovers once the process that made it has ended.
bool IsHiddenNewFileName(std::string_view name);

// Tells whether the process numbered `pid` has certainly ended: no process has that number now.
// A number that names no process of this program's (0 or below) has not.
bool ProcessHasEnded(std::int64_t pid);

// Tells whether `error` says that a lock is held by another.
inline bool IsLockBusy(std::error_code error) {
  return error == std::errc::operation_would_block ||
         error == std::errc::resource_unavailable_try_again;
}

}  // namespace quillmere

template <>
struct std::is_error_code_enum<quillmere::FileError> : std::true_type {};
