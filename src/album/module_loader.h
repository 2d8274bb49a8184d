// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The program's own modules (the image library's and the trash's), found beside the programs at
// the same path in the build tree as where they are installed, and loaded when first needed.
#pragma once

#include <string>
#include <string_view>
#include <system_error>

#include "platform/file_system.h"

namespace quillmere {

// The path of the module `name`; empty when the program's folder is unknown.
std::string ModulePath(std::string_view name);

// Loads the module `name` for good, or gives the system loader's words for why it cannot; callers
// keep what it gives them for the process.
Result<void*, std::string> LoadModule(std::string_view name);

// The entry point `symbol` of the loaded `module` (named `name`), or why there is none.
Result<void*, std::string> EntryOf(void* module, std::string_view name, const char* symbol);

// The error code of a module that could not be loaded for `reason`, whose message keeps it.
std::error_code ModuleNotLoaded(std::string reason);

}  // namespace quillmere
