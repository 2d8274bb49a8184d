// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The destination each album was last published to, kept in the person's settings rather than in
// the album, so that publishing never writes to the index file and an album handed to someone
// else does not carry the sender's host and user name.
#pragma once

#include <optional>
#include <string>

#include "platform/file_system.h"

namespace quillmere {

// The file that holds them, in the settings folder ($XDG_CONFIG_HOME, else ~/.config): one line
// an album, its folder's full path and its destination apart by a tab.
std::optional<std::string> DestinationsFile();

// The destination last used for the album in the folder `albumFolder` ("" for the current one);
// none when there is none.
std::optional<std::string> RememberedDestination(const std::string& albumFolder, FileSystem& fs);

// Remembers `destination` for the album in `albumFolder`.
Result<void> RememberDestination(const std::string& albumFolder, const std::string& destination,
                                 FileSystem& fs);

}  // namespace quillmere
