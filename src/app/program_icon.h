// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The program's icon.
#pragma once

#include <QIcon>

namespace quillmere {

// The icon built into the program in all its sizes, or the desktop theme's icon for the
// program's id when none was built in.
QIcon ProgramIcon(const QString& appId);

}  // namespace quillmere
