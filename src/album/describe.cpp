// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The words for what the album's work could not do.
#include "album/album.h"
#include "platform/signals.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

// Tells whether `error` refuses a picture for the limits, rather than finding it unreadable.
bool IsRefusal(const PictureError& error) {
  return error.kind == PictureError::Kind::kTooManyPixels ||
         error.kind == PictureError::Kind::kTooMuchMemory;
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

std::string NamesTakenText(const AlbumFailure& failure) {
  const std::string names = NamesText(failure.names);
  const bool one = failure.names.size() == 1;
  const std::string verb = one ? " already exists" : " already exist";
  const std::string it = one ? "it" : "them";
  const std::string number = one ? "its number" : "their numbers";
  if (failure.line == 0) {
    return names + verb + ", though no line of " + failure.subject + " names " + it +
           ", and the pictures to add would take " + number + "; nothing was written. Move " + it +
           " out of the album first.";
  }
  const std::string line = std::to_string(failure.line);
  return names + verb + ", and the pictures to add would take " + number + ": the pair that line " +
         line + " of " + failure.subject +
         " drops has moved every picture after it onto the files of the one before, which no "
         "added picture must write over. Put lines and files in step first: make line " +
         line + " a caption again, then quillmere-cli --remove-pictures " + failure.subject + " " +
         failure.detail +
         " leaves that picture out and renumbers the files after it. Nothing "
         "was written.";
}

}  // namespace

std::string Describe(const PictureProblem& problem) {
  using PKind = PictureProblem::Kind;
  switch (problem.kind) {
    case PKind::kNotAPicture:
      return (IsRefusal(problem.picture) ? "is refused: " : "cannot be read as a picture: ") +
             Describe(problem.picture);
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
      return "makes the same picture as " + problem.same +
             ", which the album holds already: left out";
  }
  return "";
}

std::string Describe(const AlbumFailure& failure) {
  const std::string& subject = failure.subject;
  switch (failure.kind) {
    case Kind::kPicturesUnreadable:
      return "Could not read the folder of pictures " + subject + ": " + ErrorText(failure.error) +
             ".";
    case Kind::kNoPictures:
      return "No picture could be read from " + subject + "; nothing was written.";
    case Kind::kAlbumInUse:
      return "The folder " + subject + " already holds " + NamesText(failure.names) +
             ", which a new album would write; nothing was written. Choose an empty or a new "
             "folder.";
    case Kind::kNamesTaken:
      return NamesTakenText(failure);
    case Kind::kAlbumFolder:
      return Describe(*failure.run());
    case Kind::kNotAFolder:
      return subject + " is not a folder; nothing was written.";
    case Kind::kFolderNotMade:
      return "Could not make the folder " + subject + ": " + ErrorText(failure.error) + ".";
    case Kind::kFolderNotOpened:
      return "Could not open the folder " + subject + ": " + ErrorText(failure.error) + ".";
    case Kind::kOutsideTheAlbum:
      return "The prefix \"" + subject + "\" of " + failure.detail +
             " names files outside its folder, where pictures are never written; nothing was "
             "written.";
    case Kind::kLinkedFolder:
      return "The folder " + subject +
             " is a symbolic link, and pictures are never written through one; nothing was "
             "written.";
    case Kind::kPicturesElsewhere:
      return "The pictures of " + subject +
             " are named by a URL, so their thumbnails cannot be made here.";
    case Kind::kIndex:
    case Kind::kSite:
      return Describe(*failure.run());
    case Kind::kIndexIsLink:
      return "Index file " + subject +
             " is a symbolic link, which writing it anew would replace; give the file it leads "
             "to.";
    case Kind::kHeadIncomplete:
      return "Index file " + subject +
             " has fewer than five head values, so added pictures would be read as head values; "
             "nothing was written.";
    case Kind::kNotWritten:
      return "Could not write " + subject + ": " + ErrorText(failure.error) + ".";
    case Kind::kSupport:
      return Describe(std::get<SupportFailure>(failure.cause));
    case Kind::kImageLibrary:
      return "The image library could not be loaded: " +
             Describe(std::get<PictureError>(failure.cause)) + ".";
    case Kind::kStopped: {
      const int reason = failure.stopReason;
      const std::string by = reason > 0 ? " by " + SignalName(reason) : std::string();
      return "The work was stopped" + by + ": " + failure.detail;
    }
    case Kind::kNoSuchPicture:
      return "There is no picture " + failure.detail + " in " + subject + ", which has " +
             std::to_string(failure.line) + (failure.line == 1 ? " picture" : " pictures") +
             "; nothing was changed.";
    case Kind::kNotAFile:
      return subject +
             " is not a regular file, so the pictures cannot be renumbered; nothing was changed.";
    case Kind::kNoTrash:
      return subject + " cannot be moved to the desktop's trash: " + ErrorText(failure.error) +
             "; nothing was changed.";
    case Kind::kNotRenamed:
      return "Could not rename " + subject + " to " + failure.detail + ": " +
             ErrorText(failure.error) + "; what was renamed was renamed back.";
    case Kind::kLinesWouldJoin:
      return "Index file " + subject +
             " has a line that ends in CR alone before one that ends in LF, and moving its pairs "
             "would join them; nothing was changed. Give its lines one kind of end first.";
    case Kind::kNotFinished:
      return failure.detail + " holds the change, but " + subject +
             " could not be moved away: " + ErrorText(failure.error) +
             ". The next album command on it finishes the change; --remove-pictures --delete "
             "finishes it by deleting.";
  }
  return "";
}

}  // namespace quillmere
