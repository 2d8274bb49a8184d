// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where the album layer's modules lie: beside the program, at the same path from its folder in
// the build tree and where it is installed.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// The path of the module `name`; empty when the program's folder is unknown.
std::string ModulePath(std::string_view name);

}  // namespace quillmere
