// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "run/message_text.h"

#include <algorithm>
#include <cstdint>
#include <sstream>

#include "index/utf8.h"

namespace quillmere {
namespace {

// The length of the character at the start of `text`: a valid UTF-8 sequence of a printable
// character, or a single byte that must be escaped (length 1, `escape` set).
std::size_t CharacterLength(std::string_view text, bool& escape) {
  const auto lead = static_cast<unsigned char>(text[0]);
  escape = false;
  if (lead < 0x20 || lead == 0x7F) {
    escape = true;
    return 1;
  }
  if (lead < 0x80) return 1;
  const std::size_t length = Utf8SequenceLength(text);
  // The C1 control characters, U+0080 to U+009F, act on terminals like the C0 ones.
  if (length == 0 || Utf8CodePoint(text.substr(0, length)) < 0xA0) {
    escape = true;
    return 1;
  }
  return length;
}

void AppendEscaped(std::string& out, char c) {
  static constexpr char kDigits[] = "0123456789abcdef";
  const auto byte = static_cast<unsigned char>(c);
  out += "\\x";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 0x0F];
}

// Appends up to `limit` characters of `text` made visible; returns the bytes taken.
std::size_t AppendVisible(std::string& out, std::string_view text, std::size_t limit) {
  std::size_t at = 0;
  for (std::size_t shown = 0; at < text.size() && shown < limit; ++shown) {
    bool escape = false;
    const std::size_t length = CharacterLength(text.substr(at), escape);
    if (escape) {
      AppendEscaped(out, text[at]);
    } else {
      out.append(text.substr(at, length));
    }
    at += length;
  }
  return at;
}

}  // namespace

std::string Visible(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  AppendVisible(out, text, text.size());
  return out;
}

std::string QuotedExcerpt(std::string_view text) {
  std::string out = "\"";
  const std::size_t taken = AppendVisible(out, text, kExcerptLength);
  if (taken < text.size()) out += "\u2026";
  out += '"';
  return out;
}

std::string Count(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string PicturesAndVideos(std::uint64_t entries, std::uint64_t videos) {
  const std::uint64_t stills = entries - std::min(videos, entries);
  if (videos == 0) return Count(stills, "picture", "pictures");
  if (stills == 0) return Count(videos, "video", "videos");
  return Count(stills, "picture", "pictures") + " and " + Count(videos, "video", "videos");
}

std::string GroupedNumber(std::uint64_t number) {
  // Thousands set apart with commas, as the program's own messages write numbers.
  struct Commas final : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
  };
  static const std::locale commas(std::locale::classic(), new Commas);
  return GroupedNumber(number, commas);
}

std::string GroupedNumber(std::uint64_t number, const std::locale& locale) {
  std::ostringstream text;
  text.imbue(locale);
  text << number;
  return text.str();
}

namespace {

// Changes by their journal's word, and no next step.
class WithoutSteps final : public CommandWords {
 public:
  std::string Change(ChangeKind kind) const override { return std::string(ChangeWord(kind)); }
  std::string Step(NextStep /*step*/, const std::string& /*indexPath*/) const override {
    return "";
  }
};

}  // namespace

const CommandWords& WordsWithoutSteps() {
  static const WithoutSteps words;
  return words;
}

}  // namespace quillmere
