// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --edit: an album edited in the person's own text editor.
#pragma once

#include <string>

#include "cli/command_line.h"
#include "cli/options.h"

namespace quillmere {

// Edits the album of `indexPath` in the person's text editor, applies the edit and writes the
// site; the exit code.
int Edit(const std::string& indexPath, const ParsedOptions& options, const Console& console,
         FileSystem& fs);

}  // namespace quillmere
