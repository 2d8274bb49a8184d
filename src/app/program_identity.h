// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How the program names itself to Qt and to the desktop.
#pragma once

namespace quillmere {

// Gives the application its name and version, the name of its desktop file and its icon.
// The name is the window's class on X11, which the desktop file's StartupWMClass names; on
// Wayland the desktop file's name is the window's application id.
void SetProgramIdentity();

}  // namespace quillmere
