// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The claim of a running edit on its edit file: a hidden file beside it that names the file and,
// by its own name, the process. A run that is killed leaves its claim, by which the next run knows
// the edit file as one nobody edits any more and removes it; an edit file kept for the person
// carries no claim and stays.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace quillmere {

// This process's claim on one edit file, held as long as it lives.
class EditFileClaim {
 public:
  // A claim in `folder` (which must outlive it) that names no file yet.
  explicit EditFileClaim(Folder& folder);
  EditFileClaim(const EditFileClaim&) = delete;
  EditFileClaim& operator=(const EditFileClaim&) = delete;
  // Lets go of the claim, leaving the edit file as it is.
  ~EditFileClaim();

  // Claims the edit file `name` of the folder, before the file is written; a claim that cannot be
  // written costs only the cleaning after a kill.
  void Claim(const std::string& name);

 private:
  Folder& folder_;
  std::string claimName_;
  bool written_ = false;
};

// Removes the edit files of `folder` whose claiming processes have ended, and their claims.
void RemoveEndedEditFiles(Folder& folder);

}  // namespace quillmere
