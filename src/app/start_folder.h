// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Where the open-file dialog of Generate starts, kept from one start of the program to the next.
#pragma once

#include <QString>

namespace quillmere {

// The folder of the last index file chosen, as the user's settings of the program keep it; the
// user's Pictures folder when there is none or it no longer exists; otherwise the home folder.
QString IndexStartFolder();

// Keeps the folder of the index file `chosen` as the start of later dialogs, also after the
// program has ended.
void RememberIndexFile(const QString& chosen);

}  // namespace quillmere
