// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album's folders: the folder of its index file, opened once and locked for the whole of a
// change, and the folders its pictures and thumbnails lie in, found before anything is made.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/change/album_change.h"
#include "index/index_file.h"
#include "platform/file_system.h"
#include "run/site_folder.h"
#include "site/page_output.h"

namespace quillmere {

// The folder of an album's index file, opened, locked, and without a change left unfinished.
struct AlbumFolder {
  // Its path, ending with "/".
  std::string path;
  std::unique_ptr<Folder> folder;
  std::unique_ptr<FolderLock> lock;
  // Where the files of removed pictures go, and the trash the album made for itself.
  Trash* trash = nullptr;
  std::unique_ptr<Trash> ownTrash;
  // What settling the change that an interrupted run left there did.
  SettledJournal settled = {};
};

// Opens the folder at `path` (ending with "/"), takes its lock as `options` say (waiting for
// another run, or not), and finishes or undoes a change that an interrupted run left in it, files
// for the trash going where `options` say.
Result<AlbumFolder, AlbumFailure> OpenAlbumFolder(const std::string& path, FileSystem& fs,
                                                  const AlbumOptions& options);

// Holds the folder of the index file `indexPath` as OpenAlbumFolder does, and reads the index
// file through it into `index` as `link` says.
Result<AlbumFolder, AlbumFailure> HoldAlbumFolder(const std::string& indexPath, IndexLink link,
                                                  FileSystem& fs, const AlbumOptions& options,
                                                  std::optional<IndexText>& index);

// The folder that the images of one prefix of an index file lie in: opened when it exists,
// otherwise what is to be made of it.
struct ImageFolder {
  // The folder, once it exists.
  std::unique_ptr<Folder> folder;
  // Its path, ending with "/".
  std::string path;
  // Its path in the album folder: "" or ending with "/".
  std::string relative;
  // The part of the prefix after the folder.
  std::string namePrefix;
  // The deepest folder on the way that exists, and the folders below it that are to be made.
  std::unique_ptr<Folder> existing;
  std::string existingRelative;
  std::vector<std::string> missing;
  // The extension of its files: a picture's, or a video's beside the picture that is its poster.
  std::string_view extension = kPictureFileExtension;

  // The file name of image `n` inside the folder.
  std::string FileName(std::int64_t n) const;
  // The file name of image `n` inside the folder with the extension `other`.
  std::string FileName(std::int64_t n, std::string_view other) const {
    return NumberedFileName(namePrefix, n, other);
  }
  // The path of image `n` in the album folder.
  std::string RelativeName(std::int64_t n) const { return relative + FileName(n); }
};

// Finds the folder of the images named by `prefix` in `album`, making nothing but removing the
// hidden files that killed runs left there; refuses a prefix that leads outside the album folder
// (`indexPath` is named in the failure) and a symbolic link or a file on the way.
Result<ImageFolder, AlbumFailure> FindImageFolder(AlbumFolder& album, std::string_view prefix,
                                                  const std::string& indexPath);

// Plans the folders that making `image` takes in `change`, outermost first.
void PlanFolders(const ImageFolder& image, AlbumChange& change);

// Makes the folders of `image` that are missing, as part of `change` where there is one.
Result<void, AlbumFailure> MakeImageFolder(ImageFolder& image, AlbumChange* change);

// The images `first` to `last` of `image` whose names (with `extension`, else the image's own)
// are taken already, as paths in the album.
Result<std::vector<std::string>> TakenNames(ImageFolder& image, std::int64_t first,
                                            std::int64_t last,
                                            std::optional<std::string_view> extension = {});

}  // namespace quillmere
