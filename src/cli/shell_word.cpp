// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/shell_word.h"

namespace quillmere {
namespace {

// Tells whether a shell takes `c` as it is, outside quotes.
bool IsPlain(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("_./+-,=:@").find(c) != std::string_view::npos;
}

}  // namespace

std::string ShellWord(std::string_view text) {
  bool plain = !text.empty();
  for (char c : text) plain = plain && IsPlain(c);
  if (plain) return std::string(text);
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  quoted += '\'';
  return quoted;
}

}  // namespace quillmere
