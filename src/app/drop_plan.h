// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What the files and folders dropped on the window, or given to the program at its start, ask it
// to do, decided from what they are.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/file_system.h"

namespace quillmere {

// What a drop asks the window to do.
struct DropPlan {
  enum class Action {
    // Nothing was dropped that the window could take.
    kNothing,
    // Generate the site of the index file `paths[0]`, as Generate does with a chosen file.
    kGenerate,
    // Make a new album of the pictures in the folder `paths[0]`.
    kNewAlbum,
    // Open the album editor on the album whose index file is `paths[0]`.
    kEditAlbum,
    // Add the pictures `paths` to the album of the window's site.
    kAddPictures,
    // Take none of it, for the reason `refusal`.
    kRefuse,
  };
  Action action = Action::kNothing;
  QStringList paths;
  // Why the drop is refused, as the user reads it.
  QString refusal;
};

// Decides what `paths` ask for: an album's folder is its album to edit, another folder a new
// album of its pictures and videos; one text
// file (or a path that is not there, which the run then reports) is an index file to generate;
// pictures and videos are added to the album of the window's site, when it has one (`hasSite`).
// What a file is comes from its first bytes, whatever its name, as the album's commands tell it.
// Anything else is refused with its reason.
DropPlan PlanDrop(const QStringList& paths, bool hasSite, FileSystem& fs);

// The folder proposed for a new album of the pictures in `picturesFolder`: beside it, named after
// it, and not there yet; in the user's Pictures folder (or home) instead where the pictures' own
// folder cannot be written (a card, a disc) or is one of the `refused` places already tried.
QString ProposedAlbumFolder(const QString& picturesFolder, const QStringList& refused = {});

}  // namespace quillmere
