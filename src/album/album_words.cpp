// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The words for what the album's work could not do.
#include <algorithm>
#include <string>
#include <variant>

#include "album/album_failure.h"
#include "album/album_outcome.h"
#include "platform/signals.h"

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

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

// The front end's words for `hint`, or none.
std::string WordsFor(HintWords words, Hint hint) {
  return words != nullptr ? words(hint) : std::string();
}

std::string NamesTakenText(const AlbumFailure::NamesInTheWay& inTheWay, HintWords words) {
  const std::string names = NamesText(inTheWay.names);
  const std::string& index = inTheWay.place;
  const bool one = inTheWay.names.size() == 1;
  const std::string verb = one ? " already exists" : " already exist";
  const std::string it = one ? "it" : "them";
  const std::string number = one ? "its number" : "their numbers";
  if (inTheWay.droppedLine == 0) {
    return names + verb + ", though no line of " + index + " names " + it +
           ", and the pictures to add would take " + number + "; nothing was written. Move " + it +
           " out of the album first.";
  }
  const std::string line = std::to_string(inTheWay.droppedLine);
  const std::string picture = std::to_string(inTheWay.droppedPicture);
  const std::string remove = WordsFor(words, Hint::kRemovePicture);
  const std::string removing = remove.empty() ? "removing picture " + picture + " of " + index
                                              : remove + " " + index + " " + picture;
  return names + verb + ", and the pictures to add would take " + number + ": the pair that line " +
         line + " of " + index +
         " drops has moved every picture after it onto the files of the one before, which no "
         "added picture must write over. Put lines and files in step first: make line " +
         line + " a caption again, then " + removing +
         " leaves that picture out and renumbers the files after it. Nothing "
         "was written.";
}

// The line for a failure about a file or folder, for `kind`.
std::string FileFailureText(AlbumFailure::Kind kind, const AlbumFailure::AboutFile& about) {
  const std::string& path = about.path;
  const std::string reason = ErrorText(about.error);
  switch (kind) {
    case Kind::kPicturesUnreadable:
      return "Could not read the folder of pictures " + path + ": " + reason + ".";
    case Kind::kNoPictures:
      return "No picture could be read from " + path + "; nothing was written.";
    case Kind::kNotAFolder:
      return path + " is not a folder; nothing was written.";
    case Kind::kFolderNotMade:
      return "Could not make the folder " + path + ": " + reason + ".";
    case Kind::kFolderNotOpened:
      return "Could not open the folder " + path + ": " + reason + ".";
    case Kind::kLinkedFolder:
      return "The folder " + path +
             " is a symbolic link, and pictures are never written through one; nothing was "
             "written.";
    case Kind::kPicturesElsewhere:
      return "The pictures of " + path +
             " are named by a URL, so their thumbnails cannot be made here.";
    case Kind::kIndexIsLink:
      return "Index file " + path +
             " is a symbolic link, which writing it anew would replace; give the file it leads "
             "to.";
    case Kind::kHeadIncomplete:
      return "Index file " + path +
             " has fewer than five head values, so added pictures would be read as head values; "
             "nothing was written.";
    case Kind::kNotAFile:
      return path +
             " is not a regular file, so the pictures cannot be renumbered; nothing was changed.";
    case Kind::kNoTrash:
      return path + " cannot be moved to the desktop's trash: " + reason + "; nothing was changed.";
    case Kind::kEditorFailed:
      if (about.error) {
        return "The text editor could not be started on " + path + ": " + reason +
               ", so the edit was not applied; nothing was changed.";
      }
      return "The text editor did not finish its work on " + path +
             ", so the edit was not applied; nothing was changed.";
    case Kind::kIndexChanged:
      return "Index file " + path +
             " was changed since the edit began, so the edit was not applied; nothing was "
             "changed.";
    case Kind::kLinesWouldJoin:
      return "Index file " + path +
             " has a line that ends in CR alone before one that ends in LF, and moving its pairs "
             "would join them; nothing was changed. Give its lines one kind of end first.";
    default:
      return "Could not write " + path + ": " + reason + ".";
  }
}

// The line for each of the failure's payloads.
struct FailureText {
  Kind kind;
  HintWords words;

  std::string operator()(const AlbumFailure::AboutFile& about) const {
    return FileFailureText(kind, about);
  }
  std::string operator()(const AlbumFailure::NamesInTheWay& inTheWay) const {
    if (kind == Kind::kNamesTaken) return NamesTakenText(inTheWay, words);
    return "The folder " + inTheWay.place + " already holds " + NamesText(inTheWay.names) +
           ", which a new album would write; nothing was written. Choose an empty or a new "
           "folder.";
  }
  std::string operator()(const AlbumFailure::PrefixOutside& outside) const {
    return "The prefix \"" + outside.prefix + "\" of " + outside.indexPath +
           " names files outside its folder, where pictures are never written; nothing was "
           "written.";
  }
  std::string operator()(const AlbumFailure::StoppedWork& stopped) const {
    const std::string by = stopped.reason > 0 ? " by " + SignalName(stopped.reason) : std::string();
    return "The work was stopped" + by + ": " + stopped.leftAsItWas;
  }
  std::string operator()(const AlbumFailure::NoSuchPicture& none) const {
    if (kind == Kind::kCaptionDropsPair) {
      const std::string line =
          none.number == 0 ? "title" : "caption of picture " + std::to_string(none.number);
      return "The " + line + " of " + none.indexPath +
             " would be empty or start with \";\", which makes the index file leave its pair "
             "out; nothing was changed.";
    }
    return "There is no picture " + std::to_string(none.number) + " in " + none.indexPath +
           ", which has " + std::to_string(none.count) +
           (none.count == 1 ? " picture" : " pictures") + "; nothing was changed.";
  }
  std::string operator()(const AlbumFailure::NotRenamed& rename) const {
    return "Could not rename " + rename.path + " to " + rename.to + ": " + ErrorText(rename.error) +
           "; what was renamed was renamed back.";
  }
  std::string operator()(const AlbumFailure::NotFinished& unfinished) const {
    const std::string deleting = WordsFor(words, Hint::kDeleteRemoved);
    return unfinished.indexPath + " holds the change, but " + unfinished.path +
           " could not be moved away: " + ErrorText(unfinished.error) +
           ". The next album command on it finishes the change" +
           (deleting.empty() ? "." : "; " + deleting + " finishes it by deleting.");
  }
  std::string operator()(const RunFailure& run) const { return Describe(run); }
  std::string operator()(const SupportFailure& support) const { return Describe(support); }
  std::string operator()(const PictureError& error) const {
    return "The image library could not be loaded: " + Describe(error, words) + ".";
  }
};

}  // namespace

std::string Describe(const PictureProblem& problem, HintWords words) {
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
      return "makes the same picture as " + problem.same + ", made before it: left out";
    case PKind::kInAlbum:
      return "makes the same picture as " + problem.same +
             ", which the album holds already: left out";
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
  }
  return "";
}

std::string Describe(const AlbumFailure& failure, HintWords words) {
  return std::visit(FailureText{failure.kind, words}, failure.about);
}

}  // namespace quillmere
