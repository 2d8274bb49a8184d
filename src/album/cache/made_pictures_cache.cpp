// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/cache/made_pictures_cache.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "run/record_words.h"

namespace quillmere {
namespace {

// The cache's folder inside the folder of caches, its file inside that, and the file's first line.
constexpr std::string_view kFolderName = "quillmere";
constexpr std::string_view kFileName = "made-pictures";
constexpr std::string_view kFirstLine = "quillmere made-pictures 1";

// Room enough for the longest line an entry takes.
constexpr std::uint64_t kLineRoom = 128;
// What a cache file may hold beyond the lines of the most entries before it is not read at all.
constexpr std::uint64_t kFileSlack = 4u << 20;

// How often and how long apart a save tries for the lock that another run's save holds.
constexpr int kLockTries = 40;
constexpr std::chrono::milliseconds kLockPoll{50};

// One line of the file: an original's hash, what was made of it and when it was last used.
struct ParsedLine {
  ContentHash original;
  MadeMark made;
  std::int64_t used = 0;
};

// The entry that `line` holds (four words: the original's hash, the made picture's size and hash,
// the time it was last used), or none for a line that is not one.
std::optional<ParsedLine> ParseLine(std::string_view line) {
  const std::vector<std::string_view> words = SplitWords(line);
  if (words.size() != 4) return std::nullopt;
  const std::optional<ContentHash> original = ContentHashFromHex(words[0]);
  const std::optional<std::uint64_t> size = ParseDecimal<std::uint64_t>(words[1]);
  const std::optional<ContentHash> made = ContentHashFromHex(words[2]);
  const std::optional<std::int64_t> used = ParseDecimal<std::int64_t>(words[3]);
  if (!original || !size || !made || !used) return std::nullopt;
  return ParsedLine{*original, {*size, *made}, *used};
}

// Opens the cache's folder inside `home`, making it where it is missing.
Result<std::unique_ptr<Folder>> OpenOrMakeCacheFolder(Folder& home) {
  Result<std::unique_ptr<Folder>> opened = home.OpenFolder(kFolderName);
  if (opened || opened.error() != std::errc::no_such_file_or_directory) return opened;
  Result<std::unique_ptr<Folder>> made = home.MakeFolder(kFolderName);
  if (made || made.error() != std::errc::file_exists) return made;
  return home.OpenFolder(kFolderName);
}

// Takes the lock of `folder`, waiting a little for another run that holds it.
Result<std::unique_ptr<FolderLock>> LockCacheFolder(Folder& folder) {
  for (int tried = 1;; ++tried) {
    Result<std::unique_ptr<FolderLock>> lock = folder.TryLock();
    if (lock || !IsLockBusy(lock.error()) || tried == kLockTries) return lock;
    std::this_thread::sleep_for(kLockPoll);
  }
}

}  // namespace

std::int64_t SecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::optional<std::string> UserCacheFolder() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && *cache == '/') return std::string(cache);
  const char* home = std::getenv("HOME");
  if (home != nullptr && *home == '/') return std::string(home) + "/.cache";
  return std::nullopt;
}

MadePicturesCache MadePicturesCache::Load(FileSystem& fs, const std::string& cacheHome,
                                          MadePicturesSettings settings) {
  MadePicturesCache cache(cacheHome, std::move(settings));
  Result<std::unique_ptr<Folder>> folder =
      fs.OpenFolder(cacheHome + "/" + std::string(kFolderName));
  if (folder) cache.entries_ = cache.ReadEntries(*folder.value());
  return cache;
}

std::optional<MadeMark> MadePicturesCache::Lookup(const ContentHash& original) {
  const auto found = entries_.find(original);
  if (found == entries_.end()) return std::nullopt;
  found->second.used = settings_.now();
  changed_ = true;
  return found->second.made;
}

void MadePicturesCache::Remember(const ContentHash& original, const MadeMark& made) {
  entries_.insert_or_assign(original, Entry{made, settings_.now()});
  changed_ = true;
}

Result<void> MadePicturesCache::Save(FileSystem& fs) {
  if (!changed_) return {};
  if (std::error_code error = fs.CreateFolders(cacheHome_).error()) return error;
  Result<std::unique_ptr<Folder>> home = fs.OpenFolder(cacheHome_);
  if (!home) return home.error();
  Result<std::unique_ptr<Folder>> folder = OpenOrMakeCacheFolder(*home.value());
  if (!folder) return folder.error();
  Result<std::unique_ptr<FolderLock>> lock = LockCacheFolder(*folder.value());
  if (!lock) return lock.error();
  folder.value()->RemoveLeftovers();
  Merge(ReadEntries(*folder.value()));
  Prune();
  if (std::error_code error = Write(*folder.value()).error()) return error;
  changed_ = false;
  return {};
}

MadePicturesCache::Entries MadePicturesCache::ReadEntries(Folder& folder) const {
  const std::uint64_t most = settings_.most * kLineRoom + kFileSlack;
  Result<WholeFile> file = ReadWholeFile(folder, kFileName, most);
  if (!file) return {};
  std::string_view text = file.value().bytes;
  const std::size_t firstEnd = text.find('\n');
  if (firstEnd == std::string_view::npos || text.substr(0, firstEnd) != kFirstLine) return {};
  text.remove_prefix(firstEnd + 1);
  Entries entries;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    if (const std::optional<ParsedLine> line = ParseLine(text.substr(0, end))) {
      entries.insert_or_assign(line->original, Entry{line->made, line->used});
    }
    text.remove_prefix(std::min(end + 1, text.size()));
  }
  return entries;
}

void MadePicturesCache::Merge(const Entries& saved) {
  for (const auto& [original, entry] : saved) {
    const auto [held, added] = entries_.try_emplace(original, entry);
    if (!added && held->second.used < entry.used) held->second = entry;
  }
}

void MadePicturesCache::Prune() {
  if (entries_.size() <= settings_.most) return;
  std::vector<std::pair<std::int64_t, ContentHash>> byUse;
  byUse.reserve(entries_.size());
  for (const auto& [original, entry] : entries_) byUse.emplace_back(entry.used, original);
  const auto forgotten = static_cast<std::ptrdiff_t>(entries_.size() - settings_.most);
  std::nth_element(byUse.begin(), byUse.begin() + forgotten, byUse.end());
  for (auto it = byUse.begin(); it != byUse.begin() + forgotten; ++it) entries_.erase(it->second);
}

Result<void> MadePicturesCache::Write(Folder& folder) const {
  std::string text(kFirstLine);
  text += '\n';
  text.reserve(text.size() + entries_.size() * kLineRoom);
  for (const auto& [original, entry] : entries_) {
    text += HexText(original) + ' ' + std::to_string(entry.made.size) + ' ' +
            HexText(entry.made.hash) + ' ' + std::to_string(entry.used) + '\n';
  }
  Result<std::unique_ptr<NewFile>> file = folder.CreateFile();
  if (!file) return file.error();
  if (std::error_code error = file.value()->Write(text.data(), text.size()).error()) return error;
  Placement placement;
  placement.mode = 0600;
  return file.value()->PutInPlace(kFileName, placement);
}

}  // namespace quillmere
