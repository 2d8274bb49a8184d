// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --list: each picture of an album with its number, files and caption.
#pragma once

#include <string>

#include "cli/command_line.h"

namespace quillmere {

// Prints the pictures of the album of `indexPath`, aligned on a terminal and split by tabs
// elsewhere; the exit code.
int List(const std::string& indexPath, const Console& console, FileSystem& fs);

}  // namespace quillmere
