// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The desktop's trash, reached through GIO, which keeps to freedesktop.org's Trash standard. GIO
// and the libraries it needs live in a module of their own (gio_trash.cpp), loaded when the first
// file goes to the trash, so that no other command pays for loading them.
#pragma once

namespace quillmere {

// The module's function that moves the file at the absolute `path` to its user's trash: 0 when it
// does, an errno value when not.
using TrashFileFunction = int(const char* path);

// The module's entry point, defined by the module alone (which exports it) and found in it by
// its name; a definition of another type does not compile.
extern "C" {
TrashFileFunction QuillmereTrashFile;
}

// The name of the module's entry point.
inline constexpr const char* kTrashFileSymbol = "QuillmereTrashFile";

// The module's file name, found at the same path from the program's folder in the build tree and
// where it is installed.
inline constexpr const char* kTrashModuleName = "quillmere-trash.so";

}  // namespace quillmere
