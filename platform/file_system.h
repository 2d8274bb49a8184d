// The thin layer over the file system that the rest of the program writes and reads through.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillmere {

// Error code used when a file to be read is neither a regular file nor a folder.
inline constexpr int kNotRegularFile = -1;

// Returns the system's text for an error code, with the program's own codes included.
std::string ErrorText(int code);

// An operation's result: a value, or a system error code (errno) when `error` is not 0.
template <class T>
struct Result {
  T value{};
  int error = 0;
  explicit operator bool() const { return error == 0; }
};

// What a path names, without following a final symbolic link (or following it, when asked).
struct EntryInfo {
  enum class Kind { kMissing, kRegular, kFolder, kSymlink, kOther };
  Kind kind = Kind::kMissing;
  std::uint64_t size = 0;
  mode_t mode = 0;
};

// A file opened for reading.
class ReadableFile {
 public:
  virtual ~ReadableFile() = default;
  // Reads up to `size` bytes into `data`; 0 bytes read means the end of the file.
  virtual Result<std::size_t> Read(char* data, std::size_t size) = 0;
  // Tells the file's size at this moment, as a hint for the reader's buffer.
  virtual Result<std::uint64_t> Size() = 0;
};

// A file opened for writing; closing it is part of writing it.
class WritableFile {
 public:
  virtual ~WritableFile() = default;
  // Writes all of `size` bytes or reports why not.
  virtual int Write(const char* data, std::size_t size) = 0;
  // Closes the file and reports a failure of the last writes the system held back.
  virtual int Close() = 0;
};

// A newly created file and the path it was given.
struct TemporaryFile {
  std::unique_ptr<WritableFile> file;
  std::string path;
};

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
  // Creates the file `path`, which must not exist yet, with `mode` less the umask.
  virtual Result<std::unique_ptr<WritableFile>> CreateNew(const std::string& path, mode_t mode) = 0;
  // Creates the folder `path` and any missing folders above it; an existing folder is fine.
  virtual int CreateFolders(const std::string& path) = 0;
  // Creates a new hidden file beside `nearPath`, named after it, with `mode` less the umask.
  virtual Result<TemporaryFile> CreateTemporary(const std::string& nearPath, mode_t mode) = 0;
  // Sets the permission bits of `path` exactly to `mode`.
  virtual int SetMode(const std::string& path, mode_t mode) = 0;
  // Moves `from` over `to` in one step.
  virtual int Rename(const std::string& from, const std::string& to) = 0;
  // Removes the file at `path`.
  virtual int Remove(const std::string& path) = 0;
};

// The file system of this machine, through POSIX calls.
class PosixFileSystem final : public FileSystem {
 public:
  Result<EntryInfo> Inspect(const std::string& path, bool follow) override;
  Result<std::vector<std::string>> ListFolder(const std::string& folder) override;
  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override;
  Result<std::unique_ptr<WritableFile>> CreateNew(const std::string& path, mode_t mode) override;
  int CreateFolders(const std::string& path) override;
  Result<TemporaryFile> CreateTemporary(const std::string& nearPath, mode_t mode) override;
  int SetMode(const std::string& path, mode_t mode) override;
  int Rename(const std::string& from, const std::string& to) override;
  int Remove(const std::string& path) override;

 private:
  unsigned long temporaryCount_ = 0;
};

}  // namespace quillmere
