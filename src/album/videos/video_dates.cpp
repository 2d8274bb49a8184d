// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/videos/video_dates.h"

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {
namespace {

// A time as a container records it: the instant, and the zone it was recorded in where it says.
struct RecordedTime {
  std::int64_t seconds = 0;
  std::optional<int> zoneMinutes;
};

// Tells whether `text` holds a digit at each of `count` places from `at`.
bool DigitsAt(std::string_view text, std::size_t at, std::size_t count) {
  if (text.size() < at + count) return false;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

// The number the `count` digits of `text` from `at` make.
int NumberAt(std::string_view text, std::size_t at, std::size_t count) {
  int number = 0;
  for (std::size_t i = at; i < at + count; ++i) number = number * 10 + (text[i] - '0');
  return number;
}

// The minutes east of UTC that `zone` names ("Z", "+10:00", "+1000", "-03"); none where it is
// empty or no zone.
std::optional<int> ZoneOf(std::string_view zone) {
  if (zone == "Z" || zone == "z") return 0;
  if (zone.empty() || (zone[0] != '+' && zone[0] != '-') || !DigitsAt(zone, 1, 2)) {
    return std::nullopt;
  }
  int minutes = NumberAt(zone, 1, 2) * 60;
  std::string_view rest = zone.substr(3);
  if (!rest.empty() && rest[0] == ':') rest.remove_prefix(1);
  if (rest.size() == 2 && DigitsAt(rest, 0, 2)) {
    minutes += NumberAt(rest, 0, 2);
  } else if (!rest.empty()) {
    return std::nullopt;
  }
  if (minutes > 14 * 60) return std::nullopt;
  return zone[0] == '-' ? -minutes : minutes;
}

// The time `text` ("2024-06-01T10:01:00+1000", "2024-06-01T00:01:00.000000Z", a space for the
// "T" too) names; one without a zone is taken as UTC, as QuickTime keeps its times. None for any
// other text, and for times before 1971 (a camera's clock that was never set).
std::optional<RecordedTime> ParseTime(std::string_view text) {
  if (!DigitsAt(text, 0, 4) || !DigitsAt(text, 5, 2) || !DigitsAt(text, 8, 2) ||
      !DigitsAt(text, 11, 2) || !DigitsAt(text, 14, 2) || !DigitsAt(text, 17, 2) ||
      text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  std::tm clock{};
  clock.tm_year = NumberAt(text, 0, 4) - 1900;
  clock.tm_mon = NumberAt(text, 5, 2) - 1;
  clock.tm_mday = NumberAt(text, 8, 2);
  clock.tm_hour = NumberAt(text, 11, 2);
  clock.tm_min = NumberAt(text, 14, 2);
  clock.tm_sec = NumberAt(text, 17, 2);
  std::string_view zone = text.substr(19);
  if (!zone.empty() && zone[0] == '.') {
    zone.remove_prefix(1);
    while (DigitsAt(zone, 0, 1)) zone.remove_prefix(1);
  }
  RecordedTime time;
  time.zoneMinutes = ZoneOf(zone);
  if (!zone.empty() && !time.zoneMinutes) return std::nullopt;
  time.seconds =
      static_cast<std::int64_t>(timegm(&clock)) - std::int64_t{time.zoneMinutes.value_or(0)} * 60;
  if (clock.tm_year < 71 || time.seconds <= 0) return std::nullopt;
  // A zone of "Z" says only that the time is UTC, not where it was recorded.
  if (zone == "Z" || zone == "z") time.zoneMinutes.reset();
  return time;
}

// The time that the entry `key` of `metadata` names; none where it has none.
std::optional<RecordedTime> TimeIn(const AVDictionary* metadata, const char* key) {
  const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
  if (entry == nullptr || entry->value == nullptr) return std::nullopt;
  return ParseTime(entry->value);
}

// "YYYY:MM:DD HH:MM:SS" of `clock`, as pictures record their dates.
std::string ExifText(const std::tm& clock) {
  char text[64];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", clock.tm_year + 1900,
                clock.tm_mon + 1, clock.tm_mday, clock.tm_hour, clock.tm_min, clock.tm_sec);
  return text;
}

// "+HH:MM" of `minutes` east of UTC, as pictures record their zones.
std::string ZoneText(long minutes) {
  char text[32];
  const long away = minutes < 0 ? -minutes : minutes;
  std::snprintf(text, sizeof text, "%c%02ld:%02ld", minutes < 0 ? '-' : '+', away / 60, away % 60);
  return text;
}

}  // namespace

void ReadDateTaken(const AVFormatContext& format, const AVStream& video, VideoFacts& facts) {
  // Apple's creation date is the camera's own clock with its zone; the creation time is UTC.
  const std::optional<RecordedTime> local =
      TimeIn(format.metadata, "com.apple.quicktime.creationdate");
  std::optional<RecordedTime> utc = TimeIn(format.metadata, "creation_time");
  if (!utc) utc = TimeIn(video.metadata, "creation_time");
  std::optional<RecordedTime> taken = utc ? utc : local;
  if (!taken) return;
  if (local && local->zoneMinutes) taken->zoneMinutes = local->zoneMinutes;
  std::tm clock{};
  auto seconds = static_cast<std::time_t>(taken->seconds);
  if (taken->zoneMinutes) {
    seconds += static_cast<std::time_t>(*taken->zoneMinutes) * 60;
    if (gmtime_r(&seconds, &clock) == nullptr) return;
    facts.zoneTaken = ZoneText(*taken->zoneMinutes);
  } else {
    // Where it tells no zone, the video was recorded in the machine's.
    if (localtime_r(&seconds, &clock) == nullptr) return;
    facts.zoneTaken = ZoneText(clock.tm_gmtoff / 60);
  }
  facts.dateTaken = ExifText(clock);
}

}  // namespace quillmere
