// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Opening a file with the desktop's default application for its kind.
#pragma once

#include <QString>

namespace quillmere {

// Hands the file at `path` to the desktop, which opens it with the user's default application
// for that kind of file. The path travels as a file URL, never through a shell; whether the
// desktop managed to open it is not reported.
void OpenWithDesktop(const QString& path);

}  // namespace quillmere
