// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where the files of removed pictures go: to the desktop's trash, or nowhere when they are
// deleted.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "run/journal_settle.h"

namespace quillmere {

// Why the desktop's trash cannot take an album's files, beside the system's reasons.
enum class TrashError {
  // The trash lies inside the album's folder, where it would be published with the site.
  kInsideAlbum = 1,
};

// The category of TrashError codes.
const std::error_category& TrashErrorCategory();

inline std::error_code make_error_code(TrashError error) {
  return {static_cast<int>(error), TrashErrorCategory()};
}

// The desktop's trash for the files of the folder at `folderPath` (ending with "/", "./" for the
// current folder); the module that reaches it is loaded when the first file is looked at, and the
// trash folder that would take each file is tried, made if need be, before a change relies on it.
std::unique_ptr<Trash> DesktopTrash(const std::string& folderPath);

// A trash that deletes the files of `folder` (which must outlive it) instead of keeping them.
std::unique_ptr<Trash> DeletingTrash(Folder& folder);

}  // namespace quillmere

template <>
struct std::is_error_code_enum<quillmere::TrashError> : std::true_type {};
