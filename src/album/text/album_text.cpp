// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/text/album_text.h"

#include <algorithm>
#include <cstdint>
#include <ctime>

#include "index/index_file.h"
#include "index/markup_text.h"
#include "index/utf8.h"

namespace quillmere {
namespace {

// The code points of `text`, valid UTF-8 or else ISO-8859-1.
std::vector<std::uint32_t> CodePoints(std::string_view text) {
  std::vector<std::uint32_t> codes;
  codes.reserve(text.size());
  if (!IsUtf8(text)) {
    for (char c : text) codes.push_back(static_cast<unsigned char>(c));
    return codes;
  }
  while (!text.empty()) {
    const std::size_t length = Utf8SequenceLength(text);
    codes.push_back(Utf8CodePoint(text.substr(0, length)));
    text.remove_prefix(length);
  }
  return codes;
}

bool IsControl(std::uint32_t code) {
  return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

// Makes a line that the index file's reader would skip or drop ("" or ";...") a line it reads.
std::string ReadableFirstColumn(std::string text, std::string_view fallback) {
  if (text.empty()) text = fallback;
  if (text.front() == ';') text.replace(0, 1, "&#59;");
  return text;
}

// `text` with every character beyond ASCII as a numeric character reference.
std::string AsciiOnly(std::string_view text) {
  std::string out;
  for (std::uint32_t code : CodePoints(text)) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else {
      out += "&#" + std::to_string(code) + ";";
    }
  }
  return out;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Compares the runs of digits at the start of `a` and `b` by value: <0, 0 or >0; moves both past
// them.
int CompareNumbers(std::string_view& a, std::string_view& b) {
  auto take = [](std::string_view& text) {
    std::size_t end = 0;
    while (end < text.size() && IsDigit(text[end])) ++end;
    std::string_view digits = text.substr(0, end);
    text.remove_prefix(end);
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view() : digits.substr(first);
  };
  const std::string_view x = take(a);
  const std::string_view y = take(b);
  if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
  return x.compare(y);
}

}  // namespace

std::string_view LineEndOf(std::string_view text) {
  const std::size_t at = text.find_first_of("\r\n");
  if (at == std::string_view::npos || text[at] == '\n') return "\n";
  return at + 1 < text.size() && text[at + 1] == '\n' ? "\r\n" : "\r";
}

std::string MarkupText(std::string_view raw) {
  std::string folded;
  bool pendingSpace = false;
  for (std::uint32_t code : CodePoints(raw)) {
    if (code == ' ' || IsControl(code)) {
      pendingSpace = !folded.empty();
      continue;
    }
    if (pendingSpace) folded += ' ';
    pendingSpace = false;
    AppendUtf8(folded, code);
  }
  return EscapeMarkup(folded);
}

std::string CaptionFromFileName(std::string_view fileName) {
  std::string_view stem = fileName;
  const std::size_t dot = stem.rfind('.');
  if (dot != std::string_view::npos && dot > 0) stem = stem.substr(0, dot);
  std::string spaced(stem);
  std::replace_if(
      spaced.begin(), spaced.end(), [](char c) { return c == '_' || c == '-'; }, ' ');
  const std::string whole = MarkupText(fileName);
  return ReadableFirstColumn(MarkupText(spaced), whole.empty() ? "Picture" : whole);
}

std::string TitleFromFolderName(std::string_view folderName) {
  return ReadableFirstColumn(MarkupText(folderName), "Album");
}

std::string DateTakenText(std::string_view recorded) {
  // "YYYY:MM:DD HH:MM:SS"; cameras without a clock write spaces or zeros.
  static constexpr std::string_view kShape = "dddd:dd:dd dd:dd";
  if (recorded.size() < kShape.size()) return "";
  for (std::size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] == 'd' ? !IsDigit(recorded[i]) : recorded[i] != kShape[i]) return "";
  }
  if (recorded.substr(0, 4) == "0000") return "";
  std::string text(recorded.substr(0, kShape.size()));
  text[4] = '-';
  text[7] = '-';
  return text;
}

namespace {

// The number the digits of `text` make; `text` holds digits only.
int NumberOf(std::string_view text) {
  int number = 0;
  for (char c : text) number = number * 10 + (c - '0');
  return number;
}

// The minutes east of UTC that `zone` ("+HH:MM" or "-HH:MM") names; none for any other text.
std::optional<int> ZoneMinutes(std::string_view zone) {
  if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':') return std::nullopt;
  if (!IsDigit(zone[1]) || !IsDigit(zone[2]) || !IsDigit(zone[4]) || !IsDigit(zone[5])) {
    return std::nullopt;
  }
  const int minutes = NumberOf(zone.substr(1, 2)) * 60 + NumberOf(zone.substr(4, 2));
  if (minutes > 14 * 60) return std::nullopt;
  return zone[0] == '-' ? -minutes : minutes;
}

// The days from 1970-01-01 to `year`-`month`-`day` in the proleptic Gregorian calendar.
std::int64_t DaysSince1970(int year, int month, int day) {
  const int y = month <= 2 ? year - 1 : year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yearOfEra = y - era * 400;
  const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

}  // namespace

std::optional<std::int64_t> SecondsTaken(std::string_view recorded, std::string_view zone) {
  if (DateTakenText(recorded).empty()) return std::nullopt;
  std::tm clock{};
  clock.tm_year = NumberOf(recorded.substr(0, 4)) - 1900;
  clock.tm_mon = NumberOf(recorded.substr(5, 2)) - 1;
  clock.tm_mday = NumberOf(recorded.substr(8, 2));
  clock.tm_hour = NumberOf(recorded.substr(11, 2));
  clock.tm_min = NumberOf(recorded.substr(14, 2));
  // Seconds are left out by some cameras.
  if (recorded.size() >= 19 && recorded[16] == ':' && IsDigit(recorded[17]) &&
      IsDigit(recorded[18])) {
    clock.tm_sec = NumberOf(recorded.substr(17, 2));
  }
  if (std::optional<int> minutes = ZoneMinutes(zone)) {
    const std::int64_t days = DaysSince1970(clock.tm_year + 1900, clock.tm_mon + 1, clock.tm_mday);
    const int secondOfDay = clock.tm_hour * 3600 + clock.tm_min * 60 + clock.tm_sec;
    return days * 86400 + secondOfDay - std::int64_t{*minutes} * 60;
  }
  clock.tm_isdst = -1;
  return static_cast<std::int64_t>(std::mktime(&clock));
}

std::string NewIndexText(const AlbumHead& head, const std::vector<PicturePair>& pairs) {
  std::string text = head.title + "\n" + head.thumbPrefix + "\n" + head.picturePrefix + "\n" +
                     head.supportFolder + "\n";
  if (head.videos) text.append(kVideosLine).append("\n");
  if (head.albums) text.append(kAlbumsLine).append("\n");
  if (!head.parent.empty()) text.append(kParentWord).append(" ").append(head.parent).append("\n");
  text += std::to_string(head.picsPerRow) + "\n";
  for (const PicturePair& pair : pairs) text += pair.caption + "\n" + pair.description + "\n";
  return text;
}

std::string WithHeadLine(std::string_view text, std::uint64_t fifthValueLine,
                         std::string_view headLine) {
  std::size_t at = 0;
  for (std::uint64_t line = 1; line < fifthValueLine && at < text.size(); ++line) {
    const std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) return std::string(text);
    at = end + 1;
  }
  std::string with(text.substr(0, at));
  with.append(headLine).append(LineEndOf(text));
  with.append(text.substr(at));
  return with;
}

std::string PairsToAppend(std::string_view existing, bool lastPairOpen,
                          const std::vector<PicturePair>& pairs) {
  const std::string_view end = LineEndOf(existing);
  std::string text;
  if (!existing.empty() && existing.back() != '\n' && existing.back() != '\r') text += end;
  if (lastPairOpen) text += end;
  for (const PicturePair& pair : pairs) {
    text += pair.caption;
    text += end;
    text += pair.description;
    text += end;
  }
  // Bytes beyond ASCII in a file that is not UTF-8 are of some other code page, which the index
  // page then declares; references read the same in every one.
  if (!IsUtf8(existing)) return AsciiOnly(text);
  return text;
}

std::string LineAsUtf8(std::string_view line, bool utf8) {
  if (utf8) return std::string(line);
  std::string out;
  out.reserve(line.size());
  for (char c : line) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string LineInCharacterSet(std::string_view line, bool utf8) {
  if (utf8) return std::string(line);
  std::string out;
  for (std::uint32_t code : CodePoints(line)) {
    if (code <= 0xFF) {
      out += static_cast<char>(code);
    } else {
      out += "&#" + std::to_string(code) + ";";
    }
  }
  return out;
}

bool NameOrderLess(std::string_view a, std::string_view b) {
  std::string_view x = a, y = b;
  while (!x.empty() && !y.empty()) {
    if (IsDigit(x.front()) && IsDigit(y.front())) {
      if (int order = CompareNumbers(x, y); order != 0) return order < 0;
      continue;
    }
    if (x.front() != y.front()) {
      return static_cast<unsigned char>(x.front()) < static_cast<unsigned char>(y.front());
    }
    x.remove_prefix(1);
    y.remove_prefix(1);
  }
  if (x.empty() != y.empty()) return x.empty();
  return a < b;
}

}  // namespace quillmere
