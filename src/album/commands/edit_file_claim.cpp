// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/commands/edit_file_claim.h"

#include <unistd.h>

#include <cstdint>
#include <string_view>

#include "album/process_named_files.h"

namespace quillmere {
namespace {

// The start of a claim's name, before the number of its process.
constexpr std::string_view kClaimPrefix = ".quillmere-editing-";

// The number of the process that holds the claim `name`; 0 when the name is no claim's.
std::int64_t ClaimerOf(std::string_view name) {
  return ProcessInName(name, kClaimPrefix);
}

// Tells whether `name` is one that an edit file is given: "quillmere-edit….txt", in its folder.
bool IsEditFileName(std::string_view name) {
  return name.starts_with("quillmere-edit") && name.ends_with(".txt") &&
         name.find('/') == std::string_view::npos;
}

}  // namespace

EditFileClaim::EditFileClaim(Folder& folder)
    : folder_(folder), claimName_(std::string(kClaimPrefix) + std::to_string(::getpid())) {}

void EditFileClaim::Claim(const std::string& name) {
  Result<std::unique_ptr<NewFile>> claim = folder_.CreateFile();
  if (!claim || !claim.value()->Write(name.data(), name.size())) return;
  Placement placement;
  placement.mode = 0600;
  placement.replace = true;
  if (claim.value()->PutInPlace(claimName_, placement)) written_ = true;
}

EditFileClaim::~EditFileClaim() {
  if (written_) static_cast<void>(folder_.Remove(claimName_));
}

void RemoveEndedEditFiles(Folder& folder) {
  Result<std::vector<std::string>> names = folder.List();
  if (!names) return;
  for (const std::string& claim : names.value()) {
    if (!ProcessHasEnded(ClaimerOf(claim))) continue;
    Result<WholeFile> named = ReadWholeFile(folder, claim, 4096);
    if (named && IsEditFileName(named.value().bytes)) {
      static_cast<void>(folder.Remove(named.value().bytes));
    }
    static_cast<void>(folder.Remove(claim));
  }
}

}  // namespace quillmere
