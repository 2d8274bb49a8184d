// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --publish: an album sent to its web server, with its destination remembered.
#pragma once

#include "cli/command_line.h"
#include "cli/options.h"

namespace quillmere {

// Publishes the album of the first operand to the second, or to the destination it was last
// published to; prints what was sent, or with --dry-run what would be; the exit code.
int PublishAlbum(const ParsedOptions& options, const Console& console, FileSystem& fs);

}  // namespace quillmere
