// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where the running program lies, from which its installed files are found.
#pragma once

#include <string>

namespace quillmere {

// The folder of the running program's executable; empty when the system cannot tell.
std::string ProgramFolder();

}  // namespace quillmere
