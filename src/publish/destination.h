// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where an album is published: a local folder, a folder on another host reached over ssh, or a
// module of an rsync server, as the person writes it.
#pragma once

#include <string>
#include <string_view>

#include "platform/result.h"

namespace quillmere {

// How a destination is reached.
enum class DestinationKind { kLocal, kSsh, kRsyncServer };

// A destination the program can publish to.
struct Destination {
  DestinationKind kind = DestinationKind::kLocal;
  // As the person wrote it, for messages.
  std::string text;
  // The folder as rsync takes it, ending with "/".
  std::string folder;
  // The host of kSsh and kRsyncServer ("user@host" as written); empty for kLocal.
  std::string host;
};

// Why a destination is refused.
enum class DestinationProblem {
  kEmpty,
  // "https://...": a form that rsync cannot write to.
  kOtherScheme,
  // "photos/a:b": rsync would take the part before the colon for a host.
  kColonInLocalPath,
  // "host::module", the server form better written as rsync://.
  kDoubleColon,
  // "host:path" whose host part cannot be a host name.
  kBadHost,
};

// Reads `text` as a destination: "rsync://host/module/path", "[user@]host:path" (a colon before
// any "/"), or a local folder (one that holds a colon is written from "/" or "./"); refuses any
// other form.
Result<Destination, DestinationProblem> ParseDestination(std::string_view text);

}  // namespace quillmere
