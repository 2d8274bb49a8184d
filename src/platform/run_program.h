// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Another program run in the foreground and waited for, as a text editor is.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace quillmere {

// Runs the program `arguments[0]` (looked up in PATH) with `arguments` on this process's terminal
// and waits for it to end; its exit status, or 128 + the number of the signal that ended it.
// While it runs, this process ignores the keyboard's interrupt and quit, which are the program's
// to answer.
Result<int> RunInForeground(const std::vector<std::string>& arguments);

// Tells whether `program` can be run: a path to an executable file, or a name that PATH leads to
// one.
bool CanRun(const std::string& program);

}  // namespace quillmere
