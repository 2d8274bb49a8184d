// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album edited in the person's own text editor: its edit file written where only they can read
// it, the editor run on it (again, with the errors at its top, until the file can be applied or
// comes back unchanged), and the edit applied as one change. No lock is held while the editor is
// open.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/edit_album.h"
#include "album/text/edit_file.h"

namespace quillmere {

// Runs the person's text editor on the file at `path` and waits for it; its exit status, or the
// error that kept it from running.
using RunEditor = std::function<Result<int>(const std::string& path)>;

// The person's text editor: how it is run, and whether it may be run again on a file that does not
// parse (a person is there to mend it, rather than a script that would return it so forever).
struct TextEditor {
  RunEditor run;
  bool again = true;
};

// What editing an album did.
struct EditOutcome {
  // The work on the album: its failure, and the run that wrote its site.
  AlbumOutcome album;
  // Whether the edit changed nothing, as saved unchanged or without blocks.
  bool unchanged = false;
  // The edit file, kept where the edit was not applied and it holds what the person wrote; empty
  // when it was removed, or is gone.
  std::string keptEditFile;
  // The errors that kept the edit file from being applied, numbered as the kept file shows them.
  std::vector<EditFileError> errors;
  // The editor's exit status where it failed; 0 otherwise.
  int editorStatus = 0;
};

// The folder where edit files are written: $XDG_RUNTIME_DIR where it is an absolute path, else
// the program's folder in the user's cache folder; none when neither is known.
std::optional<std::string> EditFileFolder();

// Edits the album of the index file at `indexPath` with `editor`, writing the edit file in
// `folder`, and applies the edit as EditAlbum does.
EditOutcome EditInEditor(const std::string& indexPath, const std::string& folder,
                         const TextEditor& editor, FileSystem& fs, const AlbumOptions& options);

}  // namespace quillmere
