// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Giving up an interrupted change to an album that cannot be finished or undone: its journal goes,
// and the album stays as it now stands.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "run/generate.h"

namespace quillmere {

// Removes the journal of the folder of the index file at `indexPath`, holding the folder's lock
// meanwhile; tells whether there was one.
Result<bool, RunFailure> AbandonChange(const std::string& indexPath, FileSystem& fs,
                                       const RunOptions& options = {});

}  // namespace quillmere
