// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Names as a user would type them into a shell.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// `text` quoted for a POSIX shell when it holds anything but letters, digits and "_./+-,=:@".
std::string ShellWord(std::string_view text);

}  // namespace quillmere
