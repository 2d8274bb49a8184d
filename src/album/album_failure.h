// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Why the work on an album stopped before its end, and the line that tells a person.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <variant>
#include <vector>

#include "album/picture_types.h"
#include "run/generate.h"
#include "site/support_images.h"

namespace quillmere {

// Why the work on an album stopped before its end: a kind, and what the kind is about.
struct AlbumFailure {
  enum class Kind {
    // The pictures' folder could not be listed (AboutFile).
    kPicturesUnreadable,
    // No picture could be read from the pictures given (AboutFile: what they were given as);
    // nothing was written.
    kNoPictures,
    // The new album's folder already holds files the album would write (NamesInTheWay); nothing
    // was written.
    kAlbumInUse,
    // Files of the album are in the way of the pictures to be added (NamesInTheWay, with the
    // dropped pair that explains them). Nothing was written.
    kNamesTaken,
    // The album's folder could not be had for the work (another run has it, it cannot be locked,
    // or an interrupted change in it cannot be settled): its RunFailure tells why.
    kAlbumFolder,
    // What was given as the album folder is something other than a folder (AboutFile).
    kNotAFolder,
    // A folder could not be made (AboutFile).
    kFolderNotMade,
    // A folder that should exist could not be opened (AboutFile).
    kFolderNotOpened,
    // A prefix of the index file names files outside its folder (PrefixOutside).
    kOutsideTheAlbum,
    // A folder on the way to the album's images is a symbolic link (AboutFile).
    kLinkedFolder,
    // The pictures of the index file are named by a URL (AboutFile: the index file).
    kPicturesElsewhere,
    // The index file could not be used: its RunFailure tells why.
    kIndex,
    // The index file is a symbolic link, which replacing it would break (AboutFile).
    kIndexIsLink,
    // The head of the index file ends before its fifth value, so that added pictures would be
    // read as head values (AboutFile: the index file).
    kHeadIncomplete,
    // A file could not be written (AboutFile).
    kNotWritten,
    // The support images were not all copied: its SupportFailure tells why.
    kSupport,
    // The module with the image library could not be loaded, for its PictureError.
    kImageLibrary,
    // The site was not written: its RunFailure tells why.
    kSite,
    // The work was asked to stop (StoppedWork).
    kStopped,
    // A number names no picture of the album (NoSuchPicture); nothing was changed.
    kNoSuchPicture,
    // The file of a picture to renumber is not a regular file (AboutFile); nothing was changed.
    kNotAFile,
    // A file cannot go to the desktop's trash (AboutFile); nothing was changed.
    kNoTrash,
    // A file could not take its new name (NotRenamed); what was renamed was undone.
    kNotRenamed,
    // Moving the pairs of the index file would join two of its lines, whose ends mix a CR alone
    // with LF (AboutFile: the index file); nothing was changed.
    kLinesWouldJoin,
    // The index file holds the change, but a file that the change then removes or sends to the
    // trash is still there (NotFinished).
    kNotFinished,
    // The index file is no longer what an edit was made on (AboutFile: the index file); nothing
    // was changed.
    kIndexChanged,
    // An edit would leave a picture's pair to be dropped, or the title to be skipped: its line
    // empty, blank or starting with ";" (NoSuchPicture: the picture, 0 for the title); nothing
    // was changed.
    kCaptionDropsPair,
    // The text editor failed on the edit file, or could not be run (AboutFile: the edit file);
    // nothing was changed.
    kEditorFailed,
  };

  // The file or folder at `path`, and the system's reason where there is one.
  struct AboutFile {
    std::string path;
    std::error_code error{};
  };
  // The files `names` in the way: of the new album in the folder `place` (kAlbumInUse), or of
  // the pictures to add to the album of the index file `place` (kNamesTaken), where the pair
  // dropped at `droppedLine` (or none, 0), which would be picture `droppedPicture` with its
  // caption back, explains them.
  struct NamesInTheWay {
    std::string place;
    std::vector<std::string> names;
    std::uint64_t droppedLine = 0;
    std::int64_t droppedPicture = 0;
  };
  // The prefix `prefix` of the index file `indexPath`.
  struct PrefixOutside {
    std::string prefix;
    std::string indexPath;
  };
  // What stopped the work (a signal number or StopRequest::kByUser), and what was left as it was.
  struct StoppedWork {
    int reason = 0;
    std::string leftAsItWas;
  };
  // The album of the index file `indexPath` has `count` pictures, and none numbered `number`.
  struct NoSuchPicture {
    std::string indexPath;
    std::int64_t number = 0;
    std::uint64_t count = 0;
  };
  // The file `path` could not take the name `to`, for `error`.
  struct NotRenamed {
    std::string path;
    std::string to;
    std::error_code error;
  };
  // The index file `indexPath` holds the change, but `path`, which the change then removes or
  // sends to the trash, is still there, for `error`.
  struct NotFinished {
    std::string path;
    std::string indexPath;
    std::error_code error;
  };

  Kind kind = Kind::kNotWritten;
  // What the kind is about; for kIndex, kSite and kAlbumFolder the run's failure, for kSupport
  // the support images', for kImageLibrary the picture module's.
  std::variant<AboutFile, NamesInTheWay, PrefixOutside, StoppedWork, NoSuchPicture, NotRenamed,
               NotFinished, RunFailure, SupportFailure, PictureError>
      about;

  // The run's failure that this one is; null when it is none.
  const RunFailure* run() const { return std::get_if<RunFailure>(&about); }
  // The file this failure is about; null when it is about something else.
  const AboutFile* file() const { return std::get_if<AboutFile>(&about); }
  // For kStopped, what stopped the work: a signal number or StopRequest::kByUser; 0 otherwise.
  int stopReason() const {
    const auto* stopped = std::get_if<StoppedWork>(&about);
    return stopped != nullptr ? stopped->reason : 0;
  }
};

// The one line that tells the user of a failure, with the front end's `words` for what deals with
// it.
std::string Describe(const AlbumFailure& failure, HintWords words = nullptr);

// The failure of `kind` about the file or folder at `path`, with the system's `error` where there
// is one.
inline AlbumFailure AlbumFailed(AlbumFailure::Kind kind, std::string path,
                                std::error_code error = {}) {
  return AlbumFailure{kind, AlbumFailure::AboutFile{std::move(path), error}};
}

// The failure of `kind` about `about`: one of AlbumFailure's own payloads, or the failure of
// another part of the program that it is.
template <class About>
AlbumFailure AlbumFailedFor(AlbumFailure::Kind kind, About about) {
  return AlbumFailure{kind, std::move(about)};
}

}  // namespace quillmere
