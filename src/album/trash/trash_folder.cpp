// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/trash/trash_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "album/process_named_files.h"
#include "paths/paths.h"

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

// The start of the name of the file that tries a trash folder, before the number of its process.
constexpr std::string_view kProbePrefix = ".quillmere-probe-";

// The number of the process that made the probe file `name`; 0 when the name is no probe's.
std::int64_t ProberOf(std::string_view name) {
  return ProcessInName(name, kProbePrefix);
}

// Removes the probe files in the folder `folder` whose processes ended before they could remove
// them, as a kill leaves them.
void RemoveEndedProbesIn(const std::string& folder) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  std::vector<std::string> ended;
  while (const struct dirent* entry = ::readdir(listing)) {
    if (ProcessHasEnded(ProberOf(entry->d_name))) ended.emplace_back(folder + "/" + entry->d_name);
  }
  ::closedir(listing);
  for (const std::string& probe : ended) static_cast<void>(::unlink(probe.c_str()));
}

// Makes a file in the folder `folder` and removes it again.
Result<void> TryFolder(const std::string& folder) {
  const std::string probe = folder + "/" + std::string(kProbePrefix) + std::to_string(::getpid());
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

namespace {

// The place that the trash's information file `info` says its file came from, decoded; "" when
// it says none.
std::string OriginalPathIn(std::string_view info) {
  constexpr std::string_view kKey = "Path=";
  while (!info.empty()) {
    const std::size_t end = info.find('\n');
    std::string_view line = info.substr(0, end);
    if (line.starts_with(kKey)) {
      return PercentDecoded(line.substr(kKey.size())).value_or(std::string());
    }
    info.remove_prefix(end == std::string_view::npos ? info.size() : end + 1);
  }
  return std::string();
}

// Tells whether the trash's record of an original place, `recorded`, names the absolute `path`:
// the same path, or for a trash at the top of another file system, the path's end below it.
bool NamesPath(const std::string& recorded, const std::string& path) {
  if (recorded.empty()) return false;
  const std::string normal = std::filesystem::path(path).lexically_normal().string();
  const std::string named = std::filesystem::path(recorded).lexically_normal().string();
  if (named.front() == '/') return named == normal;
  return normal.ends_with("/" + named);
}

// The text of the small file at `path`; none when it cannot be read.
std::optional<std::string> SmallFileText(const std::string& path) {
  constexpr std::size_t kMost = std::size_t{64} * 1024;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string text(kMost, '\0');
  const ssize_t got = ::read(fd, text.data(), text.size());
  ::close(fd);
  if (got < 0) return std::nullopt;
  text.resize(static_cast<std::size_t>(got));
  return text;
}

// Tells whether `entry` of a trash's "info" folder is the record `record` of a file or the file
// that the trash writes first and renames to it ("RECORD.XXXXXX").
bool IsRecordOrItsDraft(std::string_view entry, std::string_view record) {
  constexpr std::size_t kDraftEnd = 7;
  if (entry == record) return true;
  return entry.size() == record.size() + kDraftEnd && entry.starts_with(record) &&
         entry[record.size()] == '.';
}

}  // namespace

Result<void> RemoveOrphanTrashInfo(const std::string& path, const TrashPlaces& places) {
  Result<std::string> trash = TrashFolderFor(path, places);
  if (!trash) return trash.error();
  const std::string name = path.substr(path.rfind('/') + 1);
  Result<struct stat> file = StatOf(trash.value() + "/files/" + name, /*follow=*/false);
  if (file || file.error() != std::errc::no_such_file_or_directory) return {};
  const std::string infoFolder = trash.value() + "/info/";
  DIR* listing = ::opendir(infoFolder.c_str());
  if (listing == nullptr) return SystemError(errno);
  std::vector<std::string> orphans;
  while (const struct dirent* entry = ::readdir(listing)) {
    if (!IsRecordOrItsDraft(entry->d_name, name + ".trashinfo")) continue;
    // A record is written whole before its file moves: one still empty was cut short before.
    std::optional<std::string> text = SmallFileText(infoFolder + entry->d_name);
    if (text && (text->empty() || NamesPath(OriginalPathIn(*text), path))) {
      orphans.emplace_back(entry->d_name);
    }
  }
  ::closedir(listing);
  for (const std::string& orphan : orphans) {
    if (::unlink((infoFolder + orphan).c_str()) != 0 && errno != ENOENT) return SystemError(errno);
  }
  return {};
}

void RemoveEndedProbes(const std::string& folder) {
  for (const char* part : {"/files", "/info"}) RemoveEndedProbesIn(folder + part);
}

Result<void> TryTrashFolder(const std::string& folder) {
  RemoveEndedProbes(folder);
  for (const char* part : {"/files", "/info"}) {
    if (std::error_code error = TryFolder(folder + part).error()) return error;
  }
  return {};
}

}  // namespace quillmere
