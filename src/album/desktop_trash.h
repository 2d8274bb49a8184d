// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where the files of removed pictures go: to the desktop's trash, or nowhere when they are
// deleted.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "run/journal.h"

namespace quillmere {

// The desktop's trash for the files of the folder at `folderPath`; the module that reaches it is
// loaded when the first file is looked at.
std::unique_ptr<Trash> DesktopTrash(const std::string& folderPath);

// A trash that deletes the files of `folder` (which must outlive it) instead of keeping them.
std::unique_ptr<Trash> DeletingTrash(Folder& folder);

}  // namespace quillmere
