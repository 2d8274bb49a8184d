// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "index/markup_text.h"

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

#include "index/utf8.h"

namespace quillmere {
namespace {

// The named character references that are decoded, with their code points.
constexpr std::array<std::pair<std::string_view, std::uint32_t>, 40> kNamedReferences{{
    {"amp", 0x26},    {"lt", 0x3C},      {"gt", 0x3E},      {"quot", 0x22},     {"apos", 0x27},
    {"nbsp", 0xA0},   {"copy", 0xA9},    {"reg", 0xAE},     {"deg", 0xB0},      {"middot", 0xB7},
    {"laquo", 0xAB},  {"raquo", 0xBB},   {"szlig", 0xDF},   {"agrave", 0xE0},   {"aacute", 0xE1},
    {"acirc", 0xE2},  {"auml", 0xE4},    {"aring", 0xE5},   {"ccedil", 0xE7},   {"egrave", 0xE8},
    {"eacute", 0xE9}, {"ecirc", 0xEA},   {"euml", 0xEB},    {"iacute", 0xED},   {"iuml", 0xEF},
    {"ntilde", 0xF1}, {"oacute", 0xF3},  {"ocirc", 0xF4},   {"ouml", 0xF6},     {"oslash", 0xF8},
    {"uacute", 0xFA}, {"uuml", 0xFC},    {"Auml", 0xC4},    {"Eacute", 0xC9},   {"Ouml", 0xD6},
    {"Uuml", 0xDC},   {"ndash", 0x2013}, {"mdash", 0x2014}, {"hellip", 0x2026}, {"euro", 0x20AC},
}};

bool IsAsciiLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigitOf(char c, int base) {
  if (c >= '0' && c <= '9') return true;
  return base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'));
}

// The code point of the numeric reference body `digits` ("233" or "xE9"), if it is one.
std::optional<std::uint32_t> NumericReference(std::string_view digits) {
  int base = 10;
  if (!digits.empty() && (digits.front() == 'x' || digits.front() == 'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.size() > 6) return std::nullopt;
  std::uint32_t code = 0;
  for (const char c : digits) {
    if (!IsDigitOf(c, base)) return std::nullopt;
    const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    code = code * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  return code;
}

// The code point the reference body `name` (between "&" and ";") stands for, if known.
std::optional<std::uint32_t> ReferenceCode(std::string_view name) {
  if (!name.empty() && name.front() == '#') return NumericReference(name.substr(1));
  for (const auto& [known, code] : kNamedReferences) {
    if (known == name) return code;
  }
  return std::nullopt;
}

// The length of the line break tag ("<BR>", "<br/>", "<br />" in any case) at the start of
// `text`; 0 when it starts with none.
std::size_t BreakTagLength(std::string_view text) {
  if (text.size() < 4 || text[0] != '<' || (text[1] | 0x20) != 'b' || (text[2] | 0x20) != 'r') {
    return 0;
  }
  std::size_t at = 3;
  while (at < text.size() && text[at] == ' ') ++at;
  if (at < text.size() && text[at] == '/') ++at;
  return at < text.size() && text[at] == '>' ? at + 1 : 0;
}

// Tells whether the code point `code` is a control character (C0, DEL or C1).
bool IsControlCode(std::uint32_t code) {
  return code < 0x20 || (code >= 0x7F && code < 0xA0);
}

// `line` with its character references decoded as DecodeReferences does; a reference to a control
// character kept as it is where `keepControls`.
std::string Decoded(std::string_view line, bool keepControls) {
  std::string text;
  std::size_t i = 0;
  while (i < line.size()) {
    const std::size_t end = line[i] == '&' ? line.find(';', i + 1) : std::string_view::npos;
    const auto code = end != std::string_view::npos && end - i <= 10
                          ? ReferenceCode(line.substr(i + 1, end - i - 1))
                          : std::nullopt;
    if (code && !(keepControls && IsControlCode(*code))) {
      AppendUtf8(text, *code);
      i = end + 1;
    } else {
      text += line[i++];
    }
  }
  return text;
}

// The pieces of `line` between its line break tags, each as `piece` makes it, joined by `joint`.
// The breaks are found first, so that a decoded "&lt;BR&gt;" stays text.
template <class Piece>
std::string JoinedAtBreaks(std::string_view line, std::string_view joint, const Piece& piece) {
  std::string text;
  std::size_t start = 0;
  for (std::size_t i = line.find('<'); i != std::string_view::npos; i = line.find('<', i + 1)) {
    const std::size_t length = BreakTagLength(line.substr(i));
    if (length == 0) continue;
    text += piece(line.substr(start, i - start));
    text += joint;
    start = i + length;
    i = start - 1;
  }
  text += piece(line.substr(start));
  return text;
}

}  // namespace

bool HoldsMarkup(std::string_view line) {
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    const char next = line[i + 1];
    if (line[i] != '<' || !(IsAsciiLetter(next) || next == '/' || next == '!')) continue;
    if (BreakTagLength(line.substr(i)) == 0) return true;
  }
  return false;
}

std::string DecodeReferences(std::string_view line) {
  return Decoded(line, /*keepControls=*/false);
}

std::string EscapeMarkup(std::string_view text) {
  std::string line;
  for (const char c : text) {
    if (c == '&') {
      line += "&amp;";
    } else if (c == '<') {
      line += "&lt;";
    } else if (c == '>') {
      line += "&gt;";
    } else {
      line += c;
    }
  }
  return line;
}

std::string LineEndsAs(std::string_view text, std::string_view replacement) {
  std::string line;
  line.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\r' || text[i] == '\n') {
      line += replacement;
    } else {
      line += text[i];
    }
  }
  return line;
}

std::string PlainLine(std::string_view text) {
  return LineEndsAs(EscapeMarkup(text), "<BR>");
}

std::string ShownText(std::string_view line) {
  if (HoldsMarkup(line)) return std::string(line);
  return JoinedAtBreaks(line, "\n", [](std::string_view piece) { return DecodeReferences(piece); });
}

std::string ShownOnOneLine(std::string_view line) {
  const std::string shown = ShownText(line);
  std::string text;
  text.reserve(shown.size());
  std::string_view rest = shown;
  while (!rest.empty()) {
    const std::size_t valid = Utf8SequenceLength(rest);
    const std::size_t length = valid == 0 ? 1 : valid;
    const bool control = valid != 0 && IsControlCode(Utf8CodePoint(rest.substr(0, valid)));
    if (control) {
      text += ' ';
    } else {
      text.append(rest.substr(0, length));
    }
    rest.remove_prefix(length);
  }
  return text;
}

std::string EditableOnOneLine(std::string_view line) {
  if (HoldsMarkup(line)) return std::string(line);
  return JoinedAtBreaks(
      line, "<BR>", [](std::string_view piece) { return Decoded(piece, /*keepControls=*/true); });
}

std::string LineOfEditable(std::string_view text) {
  if (HoldsMarkup(text)) return std::string(text);
  return JoinedAtBreaks(text, "<BR>", [](std::string_view piece) { return EscapeMarkup(piece); });
}

}  // namespace quillmere
