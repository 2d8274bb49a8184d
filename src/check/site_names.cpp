// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "check/site_names.h"

namespace quillmere {
namespace {

bool IsLetter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool NamesAnotherPlace(std::string_view name) {
  if (name.starts_with("//")) return true;
  // A scheme is a letter followed by letters, digits, "+", "-" or ".", and ends at a colon.
  if (name.empty() || !IsLetter(name.front())) return false;
  for (char c : name.substr(1)) {
    if (c == ':') return true;
    if (!IsLetter(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return false;
}

std::string PathOnDisk(std::string_view siteFolder, std::string_view name) {
  if (name.starts_with('/')) return std::string(name);
  std::string path(siteFolder);
  path += name;
  return path;
}

}  // namespace quillmere
