// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// What an album command did: the pictures it left out or could not make, what it counted, and how
// it ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "album/album_failure.h"
#include "album/picture_types.h"
#include "run/generate.h"

namespace quillmere {

// A picture that was left out, or whose thumbnail was not made, or a file among the pictures that
// was passed over; the work went on without it.
struct PictureProblem {
  enum class Kind {
    // `file` cannot be read as a picture, or is refused as one, for `picture`.
    kNotAPicture,
    // `file` does not exist or is not a file (the file layer's `error`, where there is one).
    kMissing,
    // What was made of `file` could not be written, for `error`.
    kNotWritten,
    // `file`, among the pictures, is a folder, whose pictures are not taken; a note only.
    kFolderSkipped,
    // `file`, among the pictures, is a symbolic link that leads to no file.
    kDanglingLink,
    // `file`, among the pictures, is neither a file nor a folder (a device, a pipe, a socket); a
    // note only.
    kNotAFile,
    // What `file` makes is byte for byte the album's picture `same`, so it was left out; a note
    // only.
    kDuplicate,
    // `file` is a video (of the format `picture.format`), which is not taken where the video
    // module cannot be loaded (`picture.libraryText` says why); a note only.
    kVideo,
    // `file` is a video that cannot be made into the album's, or is refused, for `picture`.
    kNotAVideo,
    // `file` is neither a picture nor a video (a sidecar, a text); a note only, which a front end
    // may count rather than name.
    kOtherFile,
    // `file` is animated, and its first frame was taken; a note only.
    kFirstFrame,
    // What `file` makes is the album's picture `same` already, so it was left out; a note only,
    // which a front end may count rather than name.
    kInAlbum,
    // `file` is the short video of a Live Photo whose still, `same`, was taken; a note only.
    kLivePhotoVideo,
    // `file` holds the bytes of the album's own picture `same` (of its video, where `video`), so
    // it was left out even where duplicates are allowed; a note only.
    kOwnFile,
    // `file`, in a tree of pictures, is a symbolic link to a folder, which the walk of the tree
    // does not follow; a note only.
    kLinkToFolder,
    // `file`, in a tree of pictures, is a folder more than kMostTreeDepth folders below its top,
    // which the walk of the tree does not enter; a note only.
    kTooDeep,
    // `file`, in a tree of pictures, is a folder that could not be opened or listed, for `error`.
    kFolderUnreadable,
    // `file`, the index file of the album above the album of `same` in its tree, could not be
    // changed to say what that album holds now, for `error` where the system gave one.
    kParentNotUpdated,
    // `file` is the person's own, in the folder of an album of a tree that was removed for
    // good; it was kept, and so was its folder. A note only.
    kKeptInRemovedAlbum,
  };
  Kind kind = Kind::kNotAPicture;
  std::string file{};
  // The index file's line that names the picture, or 0.
  std::uint64_t line = 0;
  PictureError picture{};
  std::error_code error{};
  // The path of the album's picture that `file` repeats, or of a Live Photo's still.
  std::string same{};
  // A video's length in milliseconds, where its header tells; 0 otherwise.
  std::uint64_t milliseconds = 0;
  // Whether `file` is a video, which repeats the video of the entry whose poster is `same`.
  bool video = false;

  // Whether it only tells what was passed over, and leaves the work's outcome a success.
  bool note() const {
    return kind == Kind::kFolderSkipped || kind == Kind::kNotAFile || kind == Kind::kDuplicate ||
           kind == Kind::kVideo || kind == Kind::kOtherFile || kind == Kind::kFirstFrame ||
           kind == Kind::kInAlbum || kind == Kind::kLivePhotoVideo || kind == Kind::kOwnFile ||
           kind == Kind::kLinkToFolder || kind == Kind::kTooDeep ||
           kind == Kind::kKeptInRemovedAlbum;
  }
};

// What the work on an album did.
struct AlbumOutcome {
  // Why the work stopped before its end; none when it was all done (problems aside).
  std::optional<AlbumFailure> failure;
  // The pictures left out or not made, in the order of the album.
  std::vector<PictureProblem> problems;
  // The album's index file.
  std::string indexPath;
  // Pictures added to the album or removed from it, and thumbnails written or found newer than
  // their pictures.
  std::uint64_t picturesAdded = 0;
  // How many of the pictures added are videos.
  std::uint64_t videosAdded = 0;
  std::uint64_t picturesRemoved = 0;
  std::uint64_t thumbnailsWritten = 0;
  std::uint64_t thumbnailsUpToDate = 0;
  // Albums made, or finished where an interrupted run began them: one, or those of a tree.
  std::uint64_t albumsMade = 0;
  // The run that wrote the site, when it was reached.
  RunOutcome site;

  bool ok() const { return !failure.has_value(); }
};

// The one line that tells the user of a picture left out, with the front end's `words` for a
// limit that refused it.
std::string Describe(const PictureProblem& problem, const CommandWords& words);

}  // namespace quillmere
