// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/progress_text.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "index/index_file.h"
#include "index/markup_text.h"

namespace quillmere {
namespace {

// "about 40 seconds left", "about 3 minutes left", "about 2 hours left".
std::string TimeLeftText(std::chrono::seconds left) {
  const auto seconds = left.count();
  auto about = [](long long count, const char* unit) {
    return "about " + std::to_string(count) + " " + unit + (count == 1 ? "" : "s") + " left";
  };
  if (seconds < 60) return about(std::max<long long>(seconds, 1), "second");
  if (seconds < 3600) return about((seconds + 30) / 60, "minute");
  return about((seconds + 1800) / 3600, "hour");
}

}  // namespace

WorkProgress PageProgressInPictures(std::uint64_t pagesDone, std::uint64_t pages) {
  const std::uint64_t pictures = pages > 0 ? pages - 1 : 0;
  const std::uint64_t done = pagesDone > 0 ? pagesDone - 1 : 0;
  return {WorkStage::kPages, std::min(done, pictures), pictures};
}

double DoneShare(const WorkProgress& progress) {
  if (progress.weightTotal > 0) {
    return std::clamp(progress.weightDone / progress.weightTotal, 0.0, 1.0);
  }
  if (progress.total == 0) return 0;
  return std::min(1.0, static_cast<double>(progress.done) / static_cast<double>(progress.total));
}

std::optional<std::chrono::seconds> TimeLeft(const WorkProgress& progress,
                                             std::chrono::steady_clock::duration spent) {
  const double share = DoneShare(progress);
  if (spent < kEstimateAfter || share <= 0 || share >= 1 || progress.done >= progress.total) {
    return std::nullopt;
  }
  const double left = std::chrono::duration<double>(spent).count() * (1 - share) / share;
  return std::chrono::seconds(std::llround(left));
}

std::string ProgressText(std::string_view album, const WorkProgress& progress,
                         std::optional<std::chrono::seconds> left, const std::locale& locale) {
  std::string text(album);
  text += progress.stage == WorkStage::kPictures ? ": making pictures, " : ": writing pages, ";
  text += GroupedNumber(progress.done, locale) + " of " + GroupedNumber(progress.total, locale);
  if (progress.stage == WorkStage::kPages) text += progress.total == 1 ? " picture" : " pictures";
  if (left) text += ", " + TimeLeftText(*left);
  return text;
}

std::string AlbumNameOf(const std::string& indexPath) {
  namespace stdfs = std::filesystem;
  stdfs::path folder = stdfs::path(indexPath).parent_path();
  if (folder.empty() || folder == ".") {
    std::error_code error;
    folder = stdfs::current_path(error);
  }
  std::string name = folder.lexically_normal().filename().string();
  if (name.empty()) name = folder.lexically_normal().parent_path().filename().string();
  return name.empty() ? folder.string() : name;
}

std::string AlbumNameOf(std::string_view title, const std::string& indexPath) {
  if (title.empty()) return AlbumNameOf(indexPath);
  // A title of plain text is named as its page shows it: "Tom &amp; Jerry" is "Tom & Jerry".
  const std::string shown = ShownOnOneLine(title);
  title = shown;
  if (title.size() <= kShownTitleLength) return std::string(title);
  // Cut between characters: before a byte that starts one, never inside a UTF-8 sequence.
  std::size_t end = kShownTitleLength;
  while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80) --end;
  return std::string(title.substr(0, end)) + "\u2026";
}

std::string AlbumTitleOf(const std::string& indexPath, FileSystem& fs) {
  // The title stands in the first lines; a head longer than this is read no further.
  constexpr std::size_t kHeadBytes = 4096;
  std::string head(kHeadBytes, '\0');
  std::size_t size = 0;
  if (Result<std::unique_ptr<ReadableFile>> file = fs.OpenForReading(indexPath)) {
    Result<std::size_t> got = ReadFully(*file.value(), head.data(), head.size());
    if (got) size = got.value();
  }
  head.resize(size);
  Result<IndexHead, IndexError> parsed = ParseIndexHead(head);
  return AlbumNameOf(parsed ? parsed.value().SiteTitle : std::string_view(), indexPath);
}

std::locale UsersLocale() {
  try {
    return std::locale("");
  } catch (const std::runtime_error&) {
    return std::locale::classic();
  }
}

std::string StartStageText(StartStage stage) {
  switch (stage) {
    case StartStage::kReadingIndexFile:
      return "Reading the index file...";
    case StartStage::kReadingPictures:
      return "Reading the pictures...";
    case StartStage::kWaiting:
      return "Waiting for another run of Quillmere on this folder to end...";
  }
  return "";
}

std::string WaitingText(const std::string& folder) {
  return "waiting for another quillmere run on " + folder + " to end";
}

}  // namespace quillmere
