// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How the window words changes and next steps in its messages.
#pragma once

#include "run/message_text.h"

namespace quillmere {

// The window's words: what a change does, and the command line's commands where the window has no
// way of its own to take a step; settings it has no way to change are left out.
const CommandWords& WindowWords();

}  // namespace quillmere
