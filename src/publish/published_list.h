// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The list of the files this program published at a destination, kept there so that it removes
// only what it put there.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace quillmere {

// The text of the list of `files`: a first line that names the format, then one path a line,
// written as the program's record files write a path (EscapedWord).
std::string PublishedListText(const std::set<std::string>& files);

// The files that the list in `file` names; none when it is no such list or cannot be read.
std::optional<std::set<std::string>> ReadPublishedList(ReadableFile& file);

}  // namespace quillmere
