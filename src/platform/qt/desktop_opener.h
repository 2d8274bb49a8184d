// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Opening a file with the desktop's default application for its kind.
#pragma once

#include <QString>
#include <functional>

namespace quillmere {

// Hands a file to whatever opens it; true when it was taken, false when nothing could open it.
using DesktopOpener = std::function<bool(const QString& path)>;

// Hands the file at `path` to the desktop, which opens it with the user's default application
// for that kind of file. The path travels as a file URL, never through a shell. False when the
// desktop has no way to open it (no launcher at all); what a launcher does afterwards is not
// known.
bool OpenWithDesktop(const QString& path);

}  // namespace quillmere
