// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Albums made from a folder of pictures: a new album with its pictures, thumbnails, support
// images, index file and site; pictures added to an album, removed from it or moved in it; an
// album's thumbnails made anew.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "album/pictures/picture_types.h"
#include "platform/file_system.h"
#include "run/generate.h"
#include "run/progress_text.h"
#include "site/support_images.h"

namespace quillmere {

class Trash;

// Pictures are fitted within this box by default: the picture page's pop-up window is 825 by
// 650 pixels, and its margins, the description box above the picture, the picture's border and
// its shadow leave about 790 by 570 of it, with room for a description of two lines.
inline constexpr FitBox kDefaultPictureSize{780, 560};

// Thumbnails are fitted within this box by default: the index page's grid cell, 100 by 100
// pixels in a column 134 wide, which holds the thumbnail's border and shadow beside it.
inline constexpr FitBox kDefaultThumbnailSize{100, 100};

// Thumbnails per row of a new album: five columns of 134 pixels fit a window 700 wide.
inline constexpr int kNewAlbumPicsPerRow = 5;

// The names a new album gives its index file, thumbnails, pictures and support folder.
inline constexpr std::string_view kAlbumIndexName = "index.txt";
inline constexpr std::string_view kAlbumThumbPrefix = "thumbs/t";
inline constexpr std::string_view kAlbumPicturePrefix = "pictures/p";
inline constexpr std::string_view kAlbumSupportFolder = "support";

// Hears how far the work on the pictures has come; told by one thread at a time.
class PictureProgress {
 public:
  virtual ~PictureProgress() = default;
  // Tells how many of the pictures to work on are done, and how much of their work.
  virtual void PicturesDone(const WorkProgress& progress) = 0;
};

// How the pictures are made, and what the run that follows may do.
struct AlbumOptions {
  // The box the pictures are fitted within; none keeps them at their size, and JPEGs byte for
  // byte.
  std::optional<FitBox> pictureSize = kDefaultPictureSize;
  FitBox thumbnailSize = kDefaultThumbnailSize;
  // Whether the thumbnail size was asked for: --make-thumbnails then remakes every thumbnail
  // whose size is not what that size gives for its picture.
  bool thumbnailSizeAsked = false;
  // Whether --make-thumbnails remakes every thumbnail, whatever its time and size.
  bool remake = false;
  // What a picture may declare and need; one over them is refused, decided from its header.
  PictureLimits limits;
  // Whether a picture that cannot be read is told of with the image library's own words too.
  bool libraryText = false;
  // Whether fitted pictures keep what the originals record (date, camera, place taken); they are
  // stripped of it by default, and thumbnails always are.
  bool keepMetadata = false;
  // The box videos are fitted within, either way round; a larger one is encoded smaller.
  FitBox videoSize = kDefaultVideoSize;
  // The longest video taken, in milliseconds.
  std::uint64_t maxVideoMilliseconds = kDefaultMaxVideoMilliseconds;
  // The run that writes the site afterwards; its stop request also stops the pictures' work,
  // between pictures.
  RunOptions run;
  // Told after each picture; none costs nothing.
  PictureProgress* progress = nullptr;
  // How many pictures are made at once; 0 for one per core the program may use.
  unsigned threads = 0;
  // Whether a picture that repeats one of the album's byte for byte is added all the same.
  bool allowDuplicates = false;
  // Whether the pictures made are remembered in the user's cache folder, so that an original
  // added again is known without being decoded.
  bool rememberPictures = true;
  // Whether the files of removed pictures are deleted rather than moved to the desktop's trash.
  bool deleteRemoved = false;
  // Where the files of removed pictures go instead; none for the desktop's trash.
  Trash* trash = nullptr;
};

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

  // Whether it only tells what was passed over, and leaves the work's outcome a success.
  bool note() const {
    return kind == Kind::kFolderSkipped || kind == Kind::kNotAFile || kind == Kind::kDuplicate ||
           kind == Kind::kVideo || kind == Kind::kOtherFile || kind == Kind::kFirstFrame ||
           kind == Kind::kInAlbum || kind == Kind::kLivePhotoVideo;
  }
};

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
  std::uint64_t picturesRemoved = 0;
  std::uint64_t thumbnailsWritten = 0;
  std::uint64_t thumbnailsUpToDate = 0;
  // The run that wrote the site, when it was reached.
  RunOutcome site;

  bool ok() const { return !failure.has_value(); }
};

// The one line that tells the user of a failure, with the front end's `words` for what deals with
// it.
std::string Describe(const AlbumFailure& failure, HintWords words = nullptr);

// The one line that tells the user of a picture left out, with the front end's `words` for a
// limit that refused it.
std::string Describe(const PictureProblem& problem, HintWords words = nullptr);

// The title that a new album made from the pictures in `picturesFolder` takes: the folder's name
// in words.
std::string NewAlbumTitle(const std::string& picturesFolder);

// Makes a new album in `albumFolder` (created when missing) from the pictures in
// `picturesFolder`: refuses a folder that holds an index file or pages, writing nothing; orders
// the pictures by the date they were taken, then by name; lists the files that cannot be read
// as pictures and leaves them out; writes the pictures and thumbnails, the support images, the
// index file and then the site. The pictures' folder is only read.
AlbumOutcome MakeNewAlbum(const std::string& picturesFolder, const std::string& albumFolder,
                          FileSystem& fs, const AlbumOptions& options);

// Adds the pictures `sources` (files, or folders whose pictures are taken as MakeNewAlbum takes
// them) to the album of the index file at `indexPath`: numbered after its last picture, their
// pictures and thumbnails written, their pairs put after every byte the index file has, which is
// replaced whole; then writes the site. A picture whose fitted JPEG is byte for byte one the
// album holds (or one added before it) is left out with a note, unless duplicates are allowed.
AlbumOutcome AddPictures(const std::string& indexPath, const std::vector<std::string>& sources,
                         FileSystem& fs, const AlbumOptions& options);

// Removes the pictures numbered `numbers` from the album of the index file at `indexPath`: their
// pairs of lines leave the index file, whose other bytes stay as they are; their pictures and
// thumbnails go to the desktop's trash (or are deleted); the files of the pictures after them take
// the numbers their pairs now have; the site is written, and its picture pages beyond the last
// picture that this program wrote are removed. Everything is checked before anything changes, and
// a change cut short is finished or undone by the next run. No numbers only finishes such a change
// and writes the site.
AlbumOutcome RemovePictures(const std::string& indexPath, std::vector<std::int64_t> numbers,
                            FileSystem& fs, const AlbumOptions& options);

// Moves picture `from` of the album of the index file at `indexPath` to the place `to`: its pair of
// lines is put before the pair of the picture now there (after it when it moves down), and the
// files of the pictures between take the numbers their pairs now have; then writes the site. As
// safe as RemovePictures.
AlbumOutcome MovePicture(const std::string& indexPath, std::int64_t from, std::int64_t to,
                         FileSystem& fs, const AlbumOptions& options);

// Writes the thumbnail of every picture of the index file at `indexPath` from its picture,
// leaving alone a whole thumbnail that is not older than its picture and, when the thumbnail
// size was asked for, has the size it gives; remakes all when asked; lists a missing or
// unreadable picture with its line and goes on; then writes the site.
AlbumOutcome MakeThumbnails(const std::string& indexPath, FileSystem& fs,
                            const AlbumOptions& options);

}  // namespace quillmere
