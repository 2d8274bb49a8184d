// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/remembered_destination.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string_view>

#include "paths/paths.h"

namespace quillmere {
namespace {

constexpr std::string_view kFileName = "published-to";
constexpr std::size_t kMostBytes = std::size_t{16} << 20;

// The album folder's full path, as the file keys it; none when it cannot be found.
std::optional<std::string> KeyOf(const std::string& albumFolder) {
  std::error_code error;
  const std::filesystem::path full =
      std::filesystem::canonical(albumFolder.empty() ? "." : albumFolder, error);
  if (error) return std::nullopt;
  std::string key = full.string();
  // A tab or a line end would break the line it is kept on.
  if (key.find_first_of("\t\n") != std::string::npos) return std::nullopt;
  return key;
}

// Every album's destination, as the file at `path` holds them.
std::map<std::string, std::string> ReadAll(const std::string& path, FileSystem& fs) {
  std::map<std::string, std::string> all;
  Result<std::unique_ptr<ReadableFile>> file = fs.OpenForReading(path);
  if (!file) return all;
  Result<WholeFile> whole = ReadWhole(*file.value(), kMostBytes);
  if (!whole) return all;
  const std::string& text = whole.value().bytes;
  std::string_view rest = text;
  while (!rest.empty()) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    const std::size_t tab = line.find('\t');
    if (tab == std::string_view::npos || tab == 0 || tab + 1 == line.size()) continue;
    all[std::string(line.substr(0, tab))] = std::string(line.substr(tab + 1));
  }
  return all;
}

}  // namespace

std::optional<std::string> DestinationsFile() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config != nullptr && *config == '/')
    return std::string(config) + "/quillmere/" + std::string(kFileName);
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home != '/') return std::nullopt;
  return std::string(home) + "/.config/quillmere/" + std::string(kFileName);
}

std::optional<std::string> RememberedDestination(const std::string& albumFolder, FileSystem& fs) {
  const std::optional<std::string> path = DestinationsFile();
  const std::optional<std::string> key = KeyOf(albumFolder);
  if (!path || !key) return std::nullopt;
  std::map<std::string, std::string> all = ReadAll(*path, fs);
  const auto found = all.find(*key);
  if (found == all.end()) return std::nullopt;
  return found->second;
}

Result<void> RememberDestination(const std::string& albumFolder, const std::string& destination,
                                 FileSystem& fs) {
  const std::optional<std::string> path = DestinationsFile();
  const std::optional<std::string> key = KeyOf(albumFolder);
  if (!path || !key || destination.find_first_of("\t\n") != std::string::npos) {
    return std::make_error_code(std::errc::invalid_argument);
  }
  const std::string folder = FolderAsGiven(*path);
  if (auto error = fs.CreateFolders(folder).error()) return error;
  Result<std::unique_ptr<Folder>> held = fs.OpenFolder(folder);
  if (!held) return held.error();
  Result<std::unique_ptr<FolderLock>> lock = held.value()->TryLock();
  if (!lock) return lock.error();
  std::map<std::string, std::string> all = ReadAll(*path, fs);
  all[*key] = destination;
  std::string text;
  for (const auto& [album, where] : all) {
    text += album;
    text += '\t';
    text += where;
    text += '\n';
  }
  Result<std::unique_ptr<NewFile>> file = held.value()->CreateFile();
  if (!file) return file.error();
  if (auto error = file.value()->Write(text.data(), text.size()).error()) return error;
  Placement placement;
  placement.replace = true;
  placement.mode = 0600;
  return file.value()->PutInPlace(kFileName, placement);
}

}  // namespace quillmere
