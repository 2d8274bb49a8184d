// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The folder of the desktop's trash that takes a file, chosen as GIO chooses it after
// freedesktop.org's trash standard, so that it can be tried before a change relies on it.
#pragma once

#include <sys/types.h>

#include <string>
#include <system_error>

#include "platform/file_system.h"

namespace quillmere {

// Where the user's own trash lies, as the environment says.
struct TrashPlaces {
  // The home folder, and the folder of the user's data ($XDG_DATA_HOME) that holds "Trash".
  std::string home;
  std::string dataHome;
  uid_t user = 0;

  // The places of the user who runs the program.
  static TrashPlaces OfThisUser();
};

// The trash folder (the one that holds "files" and "info") that takes the file at the absolute
// `path`: the user's own on the home's file system, otherwise the file system's ".Trash/UID" or
// ".Trash-UID"; made where it is missing, as GIO would make it, or why it cannot be.
Result<std::string> TrashFolderFor(const std::string& path, const TrashPlaces& places);

// Removes the record that a move of the file at the absolute `path` to the trash left when it was
// cut short before the file went: the one named after the file, in the trash that would take it,
// empty or naming `path` as the file's place, while the trash holds no file of that name; and the
// draft of it that the move writes first. Without that, the file would go to the trash under
// another name.
Result<void> RemoveOrphanTrashInfo(const std::string& path, const TrashPlaces& places);

// Removes from the trash folder `folder` the files by which runs that were killed tried it.
void RemoveEndedProbes(const std::string& folder);

// Makes sure that the trash folder `folder` can take a file: a file is made in its "files" and
// "info" folders and removed again, after RemoveEndedProbes.
Result<void> TryTrashFolder(const std::string& folder);

}  // namespace quillmere
