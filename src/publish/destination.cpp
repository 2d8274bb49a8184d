// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/destination.h"

#include <algorithm>

namespace quillmere {
namespace {

constexpr std::string_view kRsyncScheme = "rsync://";

// `folder` ending with "/", so that rsync puts the files inside it.
std::string AsFolder(std::string_view folder) {
  std::string text(folder);
  if (!text.empty() && text.back() != '/') text += '/';
  return text;
}

// Whether `host`, with an optional "user@" before it, can name a host: letters, digits, ".",
// "-" and "_", or an address in brackets.
bool IsHostName(std::string_view host) {
  if (const std::size_t at = host.rfind('@'); at != std::string_view::npos) {
    if (at == 0) return false;
    host.remove_prefix(at + 1);
  }
  if (host.size() > 2 && host.front() == '[' && host.back() == ']') return true;
  return !host.empty() && host.front() != '-' && std::all_of(host.begin(), host.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
  });
}

// Whether `text` starts with a URL scheme and "://".
bool HasScheme(std::string_view text) {
  const std::size_t end = text.find("://");
  if (end == std::string_view::npos || end == 0) return false;
  return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(end), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' ||
           c == '-' || c == '.';
  });
}

}  // namespace

Result<Destination, DestinationProblem> ParseDestination(std::string_view text) {
  if (text.empty()) return DestinationProblem::kEmpty;
  Destination destination;
  destination.text = std::string(text);
  if (text.starts_with(kRsyncScheme)) {
    std::string_view rest = text.substr(kRsyncScheme.size());
    const std::size_t slash = rest.find('/');
    destination.kind = DestinationKind::kRsyncServer;
    destination.host = std::string(rest.substr(0, slash));
    if (slash == std::string_view::npos || slash + 1 == rest.size() ||
        !IsHostName(destination.host)) {
      return DestinationProblem::kBadHost;
    }
    destination.folder = AsFolder(text);
    return destination;
  }
  if (HasScheme(text)) return DestinationProblem::kOtherScheme;
  const std::size_t colon = text.find(':');
  const std::size_t slash = text.find('/');
  if (colon == std::string_view::npos || text.starts_with("/") || text.starts_with("./") ||
      text.starts_with("../")) {
    // A relative folder is written from "./", so that rsync never reads a name such as
    // "--delete" as an option.
    destination.folder =
        AsFolder(text.starts_with("/") || text.starts_with(".") ? std::string(text)
                                                                : "./" + std::string(text));
    return destination;
  }
  if (slash != std::string_view::npos && slash < colon)
    return DestinationProblem::kColonInLocalPath;
  if (text.substr(colon + 1).starts_with(":")) return DestinationProblem::kDoubleColon;
  destination.kind = DestinationKind::kSsh;
  destination.host = std::string(text.substr(0, colon));
  if (!IsHostName(destination.host)) return DestinationProblem::kBadHost;
  // "host:" is the home folder there.
  destination.folder = colon + 1 == text.size() ? std::string(text) : AsFolder(text);
  return destination;
}

}  // namespace quillmere
