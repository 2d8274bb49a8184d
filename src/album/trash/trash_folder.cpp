// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/trash/trash_folder.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quillmere {
namespace {

Result<struct stat> StatOf(const std::string& path, bool follow) {
  struct stat st {};
  const int rc = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  if (rc != 0) return SystemError(errno);
  return st;
}

// The folder that holds `path`, which is absolute and does not end with "/".
std::string ParentOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

// The path `path` names once every symbolic link on the way is followed.
Result<std::string> RealPathOf(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return SystemError(errno);
  std::string result(real);
  std::free(real);
  return result;
}

// Makes the folder `path` with only its owner's access, unless it exists.
Result<void> MakeFolder(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) return {};
  return SystemError(errno);
}

// Makes the folder `path` and the missing folders above it, as the user's trash is made.
Result<void> MakeFolders(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) == 0) return {};
  if (errno == EEXIST) {
    Result<struct stat> made = StatOf(path, /*follow=*/true);
    if (!made) return made.error();
    return S_ISDIR(made.value().st_mode) ? std::error_code() : SystemError(ENOTDIR);
  }
  if (errno != ENOENT || path == "/") return SystemError(errno);
  if (std::error_code error = MakeFolders(ParentOf(path)).error()) return error;
  return MakeFolder(path);
}

// The folder where the file system of the folder `folder` (a real path) is mounted.
std::string MountPointOf(std::string folder, dev_t device) {
  while (folder != "/") {
    const std::string parent = ParentOf(folder);
    Result<struct stat> above = StatOf(parent, /*follow=*/true);
    if (!above || above.value().st_dev != device) break;
    folder = parent;
  }
  return folder;
}

// Tells whether `path` is a folder that `user` owns and that may serve as a trash.
bool IsOwnFolder(const struct stat& st, uid_t user) {
  return S_ISDIR(st.st_mode) && st.st_uid == user;
}

// The trash of the file system mounted at `top`: ".Trash/UID" where ".Trash" is a sticky folder
// and "UID" is (or can be made) the user's own, otherwise ".Trash-UID".
Result<std::string> SharedTrashOf(const std::string& top, uid_t user) {
  const std::string base = top == "/" ? std::string() : top;
  const std::string uid = std::to_string(user);
  Result<struct stat> shared = StatOf(base + "/.Trash", /*follow=*/false);
  if (shared && S_ISDIR(shared.value().st_mode) && (shared.value().st_mode & S_ISVTX) != 0) {
    const std::string own = base + "/.Trash/" + uid;
    Result<struct stat> existing = StatOf(own, /*follow=*/false);
    if (existing ? IsOwnFolder(existing.value(), user) : ::mkdir(own.c_str(), 0700) == 0) {
      return own;
    }
  }
  const std::string own = base + "/.Trash-" + uid;
  Result<struct stat> existing = StatOf(own, /*follow=*/false);
  if (existing) {
    if (!IsOwnFolder(existing.value(), user)) return SystemError(EACCES);
    return own;
  }
  if (::mkdir(own.c_str(), 0700) != 0) return SystemError(errno);
  return own;
}

// Makes a file in the folder `folder` and removes it again.
Result<void> TryFolder(const std::string& folder) {
  const std::string probe = folder + "/.quillmere-probe-" + std::to_string(::getpid());
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return SystemError(errno);
  ::close(fd);
  if (::unlink(probe.c_str()) != 0) return SystemError(errno);
  return {};
}

}  // namespace

TrashPlaces TrashPlaces::OfThisUser() {
  TrashPlaces places;
  places.user = ::geteuid();
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') {
    places.home = home;
  } else if (const struct passwd* entry = ::getpwuid(places.user)) {
    places.home = entry->pw_dir;
  }
  const char* data = std::getenv("XDG_DATA_HOME");
  places.dataHome =
      data != nullptr && *data == '/' ? std::string(data) : places.home + "/.local/share";
  return places;
}

Result<std::string> TrashFolderFor(const std::string& path, const TrashPlaces& places) {
  Result<struct stat> file = StatOf(path, /*follow=*/false);
  if (!file) return file.error();
  Result<struct stat> home = StatOf(places.home, /*follow=*/true);
  if (!home) return home.error();
  const std::string folder = ParentOf(path);
  Result<struct stat> parent = StatOf(folder, /*follow=*/true);
  if (!parent) return parent.error();
  // A file of an overlay has a device of its own; its folder tells the file system it is on.
  const bool onHome =
      file.value().st_dev == home.value().st_dev || parent.value().st_dev == home.value().st_dev;
  std::string trash;
  if (onHome) {
    trash = places.dataHome + "/Trash";
    if (std::error_code error = MakeFolders(trash).error()) return error;
  } else {
    Result<std::string> real = RealPathOf(folder);
    if (!real) return real.error();
    Result<std::string> shared =
        SharedTrashOf(MountPointOf(real.value(), file.value().st_dev), places.user);
    if (!shared) return shared.error();
    trash = shared.value();
  }
  for (const char* part : {"/info", "/files"}) {
    if (std::error_code error = MakeFolder(trash + part).error()) return error;
  }
  return trash;
}

Result<void> TryTrashFolder(const std::string& folder) {
  for (const char* part : {"/files", "/info"}) {
    if (std::error_code error = TryFolder(folder + part).error()) return error;
  }
  return {};
}

}  // namespace quillmere
