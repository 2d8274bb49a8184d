// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The words for what the album's work could not do.
#include <algorithm>
#include <string>
#include <variant>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/signals.h"

namespace quillmere {
namespace {

using Failure = AlbumFailure;

// Tells whether `error` refuses a picture for the limits, rather than finding it unreadable.
bool IsRefusal(const PictureError& error) {
  return error.kind == PictureError::Kind::kTooManyPixels ||
         error.kind == PictureError::Kind::kTooMuchMemory ||
         error.kind == PictureError::Kind::kTooLong;
}

// Up to kNamesShown of `names`, then how many more there are: "a, b and 3 more".
std::string NamesText(const std::vector<std::string>& names) {
  constexpr std::size_t kNamesShown = 4;
  std::string text;
  const std::size_t shown = std::min(names.size(), kNamesShown);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i > 0) text += i + 1 == shown && shown == names.size() ? " and " : ", ";
    text += names[i];
  }
  if (names.size() > shown) text += " and " + std::to_string(names.size() - shown) + " more";
  return text;
}

// The line for each kind of failure, naming next steps in the front end's words.
struct FailureText {
  const CommandWords& words;

  std::string operator()(const Failure::PicturesUnreadable& f) const {
    return "Could not read the folder of pictures " + f.folder + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::NoPictures& f) const {
    return "No picture could be read from " + f.givenAs + "; nothing was written.";
  }
  std::string operator()(const Failure::AlbumInUse& f) const {
    return "The folder " + f.folder + " already holds " + NamesText(f.names) +
           ", which a new album would write; nothing was written. Choose an empty or a new "
           "folder.";
  }
  std::string operator()(const Failure::NamesTaken& f) const {
    const std::string names = NamesText(f.names);
    const std::string& index = f.indexPath;
    const bool one = f.names.size() == 1;
    const std::string verb = one ? " already exists" : " already exist";
    const std::string it = one ? "it" : "them";
    const std::string number = one ? "its number" : "their numbers";
    if (f.droppedLine == 0) {
      return names + verb + ", though no line of " + index + " names " + it +
             ", and the pictures to add would take " + number + "; nothing was written. Move " +
             it + " out of the album first.";
    }
    const std::string line = std::to_string(f.droppedLine);
    const std::string picture = std::to_string(f.droppedPicture);
    const std::string remove = words.Step(NextStep::kRemovePicture, index);
    const std::string removing =
        remove.empty() ? "removing picture " + picture + " of " + index : remove + " " + picture;
    return names + verb + ", and the pictures to add would take " + number +
           ": the pair that line " + line + " of " + index +
           " drops has moved every picture after it onto the files of the one before, which no "
           "added picture must write over. Put lines and files in step first: make line " +
           line + " a caption again, then " + removing +
           " leaves that picture out and renumbers the files after it. Nothing was written.";
  }
  std::string operator()(const Failure::FolderUnavailable& f) const {
    return Describe(f.run, words);
  }
  std::string operator()(const Failure::NotAFolder& f) const {
    return f.path + " is not a folder; nothing was written.";
  }
  std::string operator()(const Failure::FolderNotMade& f) const {
    return "Could not make the folder " + f.path + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::FolderNotOpened& f) const {
    return "Could not open the folder " + f.path + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::OutsideTheAlbum& f) const {
    return "The prefix \"" + f.prefix + "\" of " + f.indexPath +
           " names files outside its folder, where pictures are never written; nothing was "
           "written.";
  }
  std::string operator()(const Failure::LinkedFolder& f) const {
    return "The folder " + f.path +
           " is a symbolic link, and pictures are never written through one; nothing was "
           "written.";
  }
  std::string operator()(const Failure::PicturesElsewhere& f) const {
    return "The pictures of " + f.indexPath +
           " are named by a URL, so their thumbnails cannot be made here.";
  }
  std::string operator()(const Failure::IndexUnusable& f) const { return Describe(f.run, words); }
  std::string operator()(const Failure::IndexIsLink& f) const {
    return "Index file " + f.indexPath +
           " is a symbolic link, which writing it anew would replace; give the file it leads "
           "to.";
  }
  std::string operator()(const Failure::HeadIncomplete& f) const {
    return "Index file " + f.indexPath +
           " has fewer than five head values, so added pictures would be read as head values; "
           "nothing was written.";
  }
  std::string operator()(const Failure::NotWritten& f) const {
    return "Could not write " + f.path + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::SupportNotCopied& f) const { return Describe(f.support); }
  std::string operator()(const Failure::NoImageLibrary& f) const {
    return "The image library could not be loaded: " + Describe(f.error, words) + ".";
  }
  std::string operator()(const Failure::SiteNotWritten& f) const { return Describe(f.run, words); }
  std::string operator()(const Failure::Stopped& f) const {
    const std::string by = f.reason > 0 ? " by " + SignalName(f.reason) : std::string();
    return "The work was stopped" + by + ": " + f.leftAsItWas;
  }
  std::string operator()(const Failure::NoSuchPicture& f) const {
    return "There is no picture " + std::to_string(f.number) + " in " + f.indexPath +
           ", which has " + std::to_string(f.count) + (f.count == 1 ? " picture" : " pictures") +
           "; nothing was changed.";
  }
  std::string operator()(const Failure::NotAFile& f) const {
    return f.path +
           " is not a regular file, so the pictures cannot be renumbered; nothing was changed.";
  }
  std::string operator()(const Failure::NoTrash& f) const {
    return f.path + " cannot be moved to the desktop's trash: " + ErrorText(f.error) +
           "; nothing was changed.";
  }
  std::string operator()(const Failure::NotRenamed& f) const {
    return "Could not rename " + f.path + " to " + f.to + ": " + ErrorText(f.error) +
           "; what was renamed was renamed back.";
  }
  std::string operator()(const Failure::LinesWouldJoin& f) const {
    return "Index file " + f.indexPath +
           " has a line that ends in CR alone before one that ends in LF, and moving its pairs "
           "would join them; nothing was changed. Give its lines one kind of end first.";
  }
  std::string operator()(const Failure::NotFinished& f) const {
    const std::string deleting = words.Step(NextStep::kDeleteRemoved, "");
    return f.indexPath + " holds the change, but " + f.path +
           " could not be moved away: " + ErrorText(f.error) +
           ". The next album command on it finishes the change" +
           (deleting.empty() ? "." : "; " + deleting + " finishes it by deleting.");
  }
  std::string operator()(const Failure::IndexChanged& f) const {
    return "Index file " + f.indexPath +
           " was changed since the edit began, so the edit was not applied; nothing was "
           "changed.";
  }
  std::string operator()(const Failure::CaptionDropsPair& f) const {
    const std::string line =
        f.picture == 0 ? "title" : "caption of picture " + std::to_string(f.picture);
    return "The " + line + " of " + f.indexPath +
           " would be empty or start with \";\", which makes the index file leave its pair "
           "out; nothing was changed.";
  }
  std::string operator()(const Failure::EditorFailed& f) const {
    if (f.error) {
      return "The text editor could not be started: " + ErrorText(f.error) +
             "; nothing was changed.";
    }
    return "The text editor ended without finishing its work, so the edit was not applied; "
           "nothing was changed.";
  }
  std::string operator()(const Failure::EditFileLost& f) const {
    if (f.error == std::errc::no_such_file_or_directory) {
      return "The edit file " + f.editFile +
             " was gone when the text editor ended, so there was no edit to apply; nothing was "
             "changed.";
    }
    return "The edit file " + f.editFile + " could not be read back: " + ErrorText(f.error) +
           "; nothing was changed.";
  }
  std::string operator()(const Failure::EditFileFaulty& f) const {
    return "The edit file " + f.editFile + " still has " + std::to_string(f.errors) +
           (f.errors == 1 ? " error" : " errors") +
           ", so the edit was not applied; nothing was changed.";
  }
  std::string operator()(const Failure::FoldersClash& f) const {
    return "The folders " + f.first + " and " + f.second +
           " differ only in case or in how their accented letters are written, so their albums "
           "would be one folder on a file system that ignores that; nothing was written. Rename "
           "one of them.";
  }
  std::string operator()(const Failure::AlbumBelowUnfinished& f) const {
    std::string text = "The album of " + f.indexPath +
                       ", which an entry to be removed opens, holds a change that was cut short; "
                       "nothing was changed.";
    const std::string step = words.Step(NextStep::kFinishChange, f.indexPath);
    return step.empty() ? text : text + " " + step + " finishes it first.";
  }
  std::string operator()(const Failure::SupportNotShared& f) const {
    return "The album of " + f.indexPath +
           " does not keep its support images in its own folder support, which the albums of its "
           "sub-folders would share, so a folder of folders is not added to it; nothing was "
           "written. Add the folders one at a time.";
  }
  std::string operator()(const Failure::FolderNameTaken& f) const {
    return "The folder " + f.path + " has the name of a file or folder of the album of " +
           f.parent +
           ", where its own album would have to be; nothing was written. Rename the folder.";
  }
};

// What a duplicate `problem` repeats: the album's picture, or the video of an entry.
std::string SameAs(const PictureProblem& problem) {
  return (problem.video ? "is the same video as that of " : "makes the same picture as ") +
         problem.same;
}

// Why the entry in a parent was left as it was, and how to bring it up to date.
std::string ParentNotUpdated(const PictureProblem& problem, const CommandWords& words) {
  std::string text = "does not yet say what the album of " + problem.same + " holds now";
  if (problem.error) text += ": " + ErrorText(problem.error);
  const std::string step = words.Step(NextStep::kFinishChange, problem.same);
  return step.empty() ? text : text + "; " + step + " brings it up to date";
}

}  // namespace

std::string Describe(const PictureProblem& problem, const CommandWords& words) {
  using PKind = PictureProblem::Kind;
  switch (problem.kind) {
    case PKind::kNotAPicture:
      return (IsRefusal(problem.picture) ? "is refused: " : "cannot be read as a picture: ") +
             Describe(problem.picture, words);
    case PKind::kMissing:
      return problem.error ? "is missing: " + ErrorText(problem.error) : "is missing";
    case PKind::kNotWritten:
      return "could not be written: " + ErrorText(problem.error);
    case PKind::kFolderSkipped:
      return "is a folder and was skipped: pictures in sub-folders are not taken";
    case PKind::kDanglingLink:
      return "is a symbolic link that leads to no file: left out";
    case PKind::kNotAFile:
      return "is neither a file nor a folder: skipped";
    case PKind::kDuplicate:
      return SameAs(problem) + ", made before it: left out";
    case PKind::kInAlbum:
      return SameAs(problem) + ", which the album holds already: left out";
    case PKind::kVideo:
      return "is a video (" + problem.picture.format +
             "), but the video module cannot be loaded (" + problem.picture.libraryText +
             "): left out";
    case PKind::kNotAVideo:
      return (IsRefusal(problem.picture) ? "is refused: " : "cannot be made into a video: ") +
             Describe(problem.picture, words);
    case PKind::kOtherFile:
      return "is neither a picture nor a video: left out";
    case PKind::kLivePhotoVideo:
      return "is the video of the Live Photo " + problem.same + ": its still was taken, left out";
    case PKind::kFirstFrame:
      return "is animated: its first frame was taken";
    case PKind::kOwnFile:
      return (problem.video ? "holds the bytes of the album's own video of "
                            : "holds the bytes of the album's own picture ") +
             problem.same + ": left out";
    case PKind::kLinkToFolder:
      return "is a link to a folder and was not followed";
    case PKind::kTooDeep:
      return "is a folder more than " + std::to_string(kMostTreeDepth) +
             " folders below the top of the tree: not walked";
    case PKind::kFolderUnreadable:
      return "is a folder that could not be read: " + ErrorText(problem.error) +
             ": its pictures are not taken";
    case PKind::kParentNotUpdated:
      return ParentNotUpdated(problem, words);
    case PKind::kKeptInRemovedAlbum:
      return "is not the program's: kept in the folder of the album removed";
  }
  return "";
}

std::string Describe(const AlbumFailure& failure, const CommandWords& words) {
  return std::visit(FailureText{words}, failure.why);
}

const RunFailure* AlbumFailure::run() const {
  if (const auto* folder = As<FolderUnavailable>()) return &folder->run;
  if (const auto* index = As<IndexUnusable>()) return &index->run;
  if (const auto* site = As<SiteNotWritten>()) return &site->run;
  return nullptr;
}

int AlbumFailure::stopReason() const {
  const auto* stopped = As<Stopped>();
  return stopped != nullptr ? stopped->reason : 0;
}

}  // namespace quillmere
