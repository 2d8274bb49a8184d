// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Why the work on an album stopped before its end, each kind with what it is about, and the line
// that tells a person.
#pragma once

#include <cstdint>
#include <string>
#include <system_error>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "album/picture_types.h"
#include "run/generate.h"
#include "run/message_text.h"
#include "site/support_images.h"

namespace quillmere {

// Why the work on an album stopped before its end: one of its kinds, each with what it is about.
struct AlbumFailure {
  // The pictures' folder `folder` could not be listed.
  struct PicturesUnreadable {
    std::string folder;
    std::error_code error;
  };
  // No picture could be read from what was given as `givenAs`; nothing was written.
  struct NoPictures {
    std::string givenAs;
  };
  // The new album's folder `folder` already holds `names`, which the album would write; nothing
  // was written.
  struct AlbumInUse {
    std::string folder;
    std::vector<std::string> names;
  };
  // Files `names` of the album of `indexPath` are in the way of the pictures to be added; the pair
  // dropped at `droppedLine` (or none, 0), which would be picture `droppedPicture` with its
  // caption back, explains them. Nothing was written.
  struct NamesTaken {
    std::string indexPath;
    std::vector<std::string> names;
    std::uint64_t droppedLine = 0;
    std::int64_t droppedPicture = 0;
  };
  // The album's folder could not be had for the work (another run has it, it cannot be locked, or
  // an interrupted change in it cannot be settled), as `run` tells.
  struct FolderUnavailable {
    RunFailure run;
  };
  // What was given as the album folder, `path`, is something other than a folder.
  struct NotAFolder {
    std::string path;
  };
  // The folder `path` could not be made.
  struct FolderNotMade {
    std::string path;
    std::error_code error;
  };
  // The folder `path`, which should exist, could not be opened.
  struct FolderNotOpened {
    std::string path;
    std::error_code error;
  };
  // The prefix `prefix` of the index file `indexPath` names files outside its folder.
  struct OutsideTheAlbum {
    std::string prefix;
    std::string indexPath;
  };
  // The folder `path`, on the way to the album's images, is a symbolic link.
  struct LinkedFolder {
    std::string path;
  };
  // The pictures of the index file `indexPath` are named by a URL.
  struct PicturesElsewhere {
    std::string indexPath;
  };
  // The index file could not be used, as `run` tells.
  struct IndexUnusable {
    RunFailure run;
  };
  // The index file `indexPath` is a symbolic link, which replacing it would break.
  struct IndexIsLink {
    std::string indexPath;
  };
  // The head of the index file `indexPath` ends before its fifth value, so that added pictures
  // would be read as head values.
  struct HeadIncomplete {
    std::string indexPath;
  };
  // The file `path` could not be written.
  struct NotWritten {
    std::string path;
    std::error_code error;
  };
  // The support images were not all copied, as `support` tells.
  struct SupportNotCopied {
    SupportFailure support;
  };
  // The module with the image library could not be loaded, for `error`.
  struct NoImageLibrary {
    PictureError error;
  };
  // The site was not written, as `run` tells.
  struct SiteNotWritten {
    RunFailure run;
  };
  // The work was asked to stop, by `reason` (a signal number or StopRequest::kByUser), and what
  // was left as it was.
  struct Stopped {
    int reason = 0;
    std::string leftAsItWas;
  };
  // The album of the index file `indexPath` has `count` pictures, and none numbered `number`;
  // nothing was changed.
  struct NoSuchPicture {
    std::string indexPath;
    std::int64_t number = 0;
    std::uint64_t count = 0;
  };
  // The file `path` of a picture to renumber is not a regular file; nothing was changed.
  struct NotAFile {
    std::string path;
  };
  // The file `path` cannot go to the desktop's trash, for `error`; nothing was changed.
  struct NoTrash {
    std::string path;
    std::error_code error;
  };
  // The file `path` could not take the name `to`, for `error`; what was renamed was undone.
  struct NotRenamed {
    std::string path;
    std::string to;
    std::error_code error;
  };
  // Moving the pairs of the index file `indexPath` would join two of its lines, whose ends mix a
  // CR alone with LF; nothing was changed.
  struct LinesWouldJoin {
    std::string indexPath;
  };
  // The index file `indexPath` holds the change, but `path`, which the change then removes or
  // sends to the trash, is still there, for `error`.
  struct NotFinished {
    std::string path;
    std::string indexPath;
    std::error_code error;
  };
  // The index file `indexPath` is no longer what an edit was made on; nothing was changed.
  struct IndexChanged {
    std::string indexPath;
  };
  // An edit would leave the pair of picture `picture` (0 for the title) of the index file
  // `indexPath` to be dropped, or the title to be skipped: its line empty, blank or starting with
  // ";"; nothing was changed.
  struct CaptionDropsPair {
    std::string indexPath;
    std::int64_t picture = 0;
  };
  // The text editor failed on the edit file `editFile`, or could not be started (`error`);
  // nothing was changed.
  struct EditorFailed {
    std::string editFile;
    std::error_code error{};
  };
  // The edit file `editFile` could not be read back after the editor, for `error` (no such file
  // where the editor removed it); nothing was changed.
  struct EditFileLost {
    std::string editFile;
    std::error_code error;
  };
  // The edit file `editFile` still has `errors` errors, as it came back unchanged since they were
  // shown or with no one to show them to; nothing was changed.
  struct EditFileFaulty {
    std::string editFile;
    std::size_t errors = 0;
  };

  // The folders `first` and `second`, beside each other in a tree of pictures, have names that
  // differ only in case (or in the form their accented letters are written in), so that their
  // albums would be one folder where the site is served from a file system that ignores the
  // difference; nothing was written.
  struct FoldersClash {
    std::string first;
    std::string second;
  };
  // The folder `path` of a tree of pictures has the name of a file or folder that the album of
  // its parent folder `parent` writes, where its own album would have to be; nothing was written.
  struct FolderNameTaken {
    std::string path;
    std::string parent;
  };
  // The album of the index file `indexPath`, below an entry to be removed, holds a change that was
  // cut short; nothing was changed.
  struct AlbumBelowUnfinished {
    std::string indexPath;
  };
  // The album of the index file `indexPath` names its support images at a place that albums of
  // a tree below it could not share, so a folder of folders is not added to it; nothing was
  // written.
  struct SupportNotShared {
    std::string indexPath;
  };

  using Why =
      std::variant<PicturesUnreadable, NoPictures, AlbumInUse, NamesTaken, FolderUnavailable,
                   NotAFolder, FolderNotMade, FolderNotOpened, OutsideTheAlbum, LinkedFolder,
                   PicturesElsewhere, IndexUnusable, IndexIsLink, HeadIncomplete, NotWritten,
                   SupportNotCopied, NoImageLibrary, SiteNotWritten, Stopped, NoSuchPicture,
                   NotAFile, NoTrash, NotRenamed, LinesWouldJoin, NotFinished, IndexChanged,
                   CaptionDropsPair, EditorFailed, EditFileLost, EditFileFaulty, FoldersClash,
                   FolderNameTaken, AlbumBelowUnfinished, SupportNotShared>;

  // A failure of the kind `kind`, with what it is about.
  template <class K, std::enable_if_t<std::is_constructible_v<Why, K&&>, int> = 0>
  AlbumFailure(K&& kind) : why(std::forward<K>(kind)) {}

  // Which kind it is, and what it is about.
  Why why;

  // Whether it is of the kind `Kind`.
  template <class Kind>
  bool Is() const {
    return std::holds_alternative<Kind>(why);
  }
  // What it is about, where it is of the kind `Kind`; null otherwise.
  template <class Kind>
  const Kind* As() const {
    return std::get_if<Kind>(&why);
  }
  // The run's failure that this one is; null when it is none.
  const RunFailure* run() const;
  // For Stopped, what stopped the work: a signal number or StopRequest::kByUser; 0 otherwise.
  int stopReason() const;
};

// The one line that tells the user of a failure, naming changes and next steps in the front end's
// `words`.
std::string Describe(const AlbumFailure& failure, const CommandWords& words);

}  // namespace quillmere
