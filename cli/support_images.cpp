#include "cli/support_images.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <variant>

#include "cli/site_names.h"
#include "index/index_file.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;

// Closes a descriptor when it goes out of scope.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

int WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return 0;
}

// Copies `from` to the new file `to`; fails with EEXIST when `to` exists, and removes what it
// made of `to` on any other failure. Returns the error and whether it was the reading side's.
struct CopyError {
  int error = 0;
  bool reading = false;
};

CopyError CopyToNewFile(const std::string& from, const std::string& to) {
  Descriptor in(::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (in.get() < 0) return {errno, true};
  Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
  if (out.get() < 0) return {errno, false};
  CopyError failure;
  char block[1 << 16];
  for (;;) {
    ssize_t got = ::read(in.get(), block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      failure = {errno, true};
      break;
    }
    if (got == 0) break;
    if (int error = WriteAll(out.get(), block, static_cast<std::size_t>(got))) {
      failure = {error, false};
      break;
    }
  }
  if (failure.error == 0) failure.error = out.Close();
  if (failure.error != 0) ::unlink(to.c_str());
  return failure;
}

std::string ProgramFolder() {
  std::error_code error;
  stdfs::path program = stdfs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.parent_path().string();
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return stdfs::is_directory(path, error);
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return stdfs::is_regular_file(path, error);
}

// The bundled images' folder, or why there is none.
struct Bundled {
  std::string folder;
  std::string failure;
};

// The first folder of SupportImageSources that exists, checked to hold all twelve images.
Bundled FindBundledImages() {
  std::vector<std::string> sources = SupportImageSources();
  for (const std::string& folder : sources) {
    if (!IsFolder(folder)) continue;
    for (std::string_view image : SupportImages) {
      if (!IsRegularFile(folder + std::string(image))) {
        return {{},
                "The bundled support image " + std::string(image.substr(1)) + " is missing from " +
                    folder + "."};
      }
    }
    return {folder, {}};
  }
  std::string looked;
  for (const std::string& folder : sources) looked += (looked.empty() ? "" : ", ") + folder;
  return {{},
          "The bundled support images were not found (looked in " + looked + "); set " +
              kDataDirVariable + " to the folder that holds their \"support\" folder."};
}

}  // namespace

std::vector<std::string> SupportImageSources() {
  const char* dataDir = std::getenv(kDataDirVariable);
  if (dataDir != nullptr && *dataDir != '\0') {
    return {(stdfs::path(dataDir) / "support").lexically_normal().string()};
  }
  std::vector<std::string> sources;
  std::string programFolder = ProgramFolder();
  if (!programFolder.empty()) {
    sources.push_back((stdfs::path(programFolder) / QUILLMERE_PROGRAM_TO_DATA / "support")
                          .lexically_normal()
                          .string());
  }
  sources.push_back(QUILLMERE_SOURCE_SUPPORT_DIR);
  return sources;
}

SupportCopy AddSupportImages(const std::string& indexPath, FileSystem& fs) {
  SupportCopy copy;
  if (!Exist(indexPath, fs)) {
    copy.failure = "File " + indexPath + " was not found!";
    return copy;
  }
  std::variant<IndexFile, IndexError> read = ReadIndexFile(indexPath, fs);
  if (const auto* error = std::get_if<IndexError>(&read)) {
    copy.failure = DescribeIndexError(indexPath, *error);
    return copy;
  }
  const IndexFile& index = std::get<IndexFile>(read);
  std::string folderName(index.SupportFolder);
  if (folderName.empty()) {
    copy.failure = indexPath +
                   " names no support folder, so the pages look for the support images at the "
                   "top of the file system; give a folder such as \"support\" as the fourth "
                   "value of its head first.";
    return copy;
  }
  if (NamesAnotherPlace(folderName + std::string(SupportImages[0]))) {
    copy.failure = "The support folder " + Printable(folderName) + " of " + indexPath +
                   " is not on this machine; nothing can be copied there.";
    return copy;
  }

  Bundled bundled = FindBundledImages();
  if (!bundled.failure.empty()) {
    copy.failure = bundled.failure;
    return copy;
  }
  copy.from = bundled.folder;
  std::string siteFolder = FolderName(indexPath);
  copy.into = PathOnDisk(siteFolder, folderName);

  std::error_code error;
  stdfs::create_directories(copy.into, error);
  if (error || !IsFolder(copy.into)) {
    copy.failure = "Could not create the support folder " + Printable(copy.into) + ": " +
                   (error ? error.message() : ErrorText(ENOTDIR)) + ".";
    return copy;
  }
  for (std::string_view image : SupportImages) {
    std::string name = folderName + std::string(image);
    std::string target = PathOnDisk(siteFolder, name);
    if (std::error_code ignored; stdfs::exists(stdfs::symlink_status(target, ignored))) {
      copy.present.push_back(name);
      continue;
    }
    CopyError failure = CopyToNewFile(copy.from + std::string(image), target);
    if (failure.error == EEXIST && !failure.reading) {
      copy.present.push_back(name);
    } else if (failure.error != 0) {
      copy.failure = "Could not copy " + copy.from + std::string(image) + " to " +
                     Printable(target) + ": " + ErrorText(failure.error) + ".";
      return copy;
    } else {
      copy.copied.push_back(name);
    }
  }
  return copy;
}

}  // namespace quillmere
