// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Which album a folder is, for the ways into the editor that are given a folder.
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"

namespace quillmere {

// The index file of the album whose folder is `folder`, or nothing when the folder is no album.
// An album folder holds a site this program wrote (its index page) beside its index file: the
// album's own index.txt, or else the one text file (named *.txt) there.
std::optional<std::string> AlbumIndexIn(const std::string& folder, FileSystem& fs);

}  // namespace quillmere
