// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/window_words.h"

#include <string>
#include <string_view>

namespace quillmere {
namespace {

// The command line's command `option` for the album of `indexPath` (none when ""), as a person
// types it in a terminal.
std::string TerminalCommand(std::string_view option, const std::string& indexPath) {
  return "the command quillmere-cli " + std::string(option) +
         (indexPath.empty() ? std::string() : " " + indexPath);
}

class Words final : public CommandWords {
 public:
  std::string Change(ChangeKind kind) const override {
    switch (kind) {
      case ChangeKind::kNewAlbum:
        return "making a new album";
      case ChangeKind::kAddPictures:
        return "adding pictures";
      case ChangeKind::kRemovePictures:
        return "removing pictures";
      case ChangeKind::kMovePicture:
        return "moving a picture";
      case ChangeKind::kMakeThumbnails:
        return "making thumbnails";
      case ChangeKind::kEdit:
        return "editing the album";
    }
    return "";
  }

  std::string Step(NextStep step, const std::string& indexPath) const override {
    switch (step) {
      case NextStep::kFinishChange:
        return TerminalCommand("--remove-pictures", indexPath);
      case NextStep::kAbandonChange:
        return TerminalCommand("--abandon-change", indexPath);
      case NextStep::kAddSupportImages:
        return TerminalCommand("--add-support-images", indexPath);
      case NextStep::kMakeThumbnails:
        return TerminalCommand("--make-thumbnails", indexPath);
      // The editor removes pictures, and the window has no setting for the rest.
      case NextStep::kRemovePicture:
      case NextStep::kDeleteRemoved:
      case NextStep::kPixelLimit:
      case NextStep::kMemoryBudget:
      case NextStep::kVideoLength:
        return "";
    }
    return "";
  }
};

}  // namespace

const CommandWords& WindowWords() {
  static const Words words;
  return words;
}

}  // namespace quillmere
