// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album changed as one edit: opened and locked, the edit checked against it, its lines
// rewritten and its files renumbered together; --remove-pictures, --move-picture, --edit and the
// window's editor all change an album through it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/change/album_folder.h"
#include "album/steps/album_work.h"
#include "album/steps/held_album.h"
#include "album/steps/image_folders.h"
#include "album/text/album_edit.h"
#include "platform/file_system.h"

namespace quillmere {

// The album as a change of its order needs it: its folder, index file, pictures' lines and the
// folders of its images.
struct OpenAlbum {
  AlbumFolder album;
  ChosenIndex index;
  PictureLineNumbers numbers;
  // Found only for an edit that renumbers files.
  ImageFolders folders{};
  // The pictures' folder once for each kind of file beside a picture that goes with its entry:
  // each kind of video, where the index file says it has videos, and the album file.
  std::vector<ImageFolder> companions{};

  std::int64_t count() const { return static_cast<std::int64_t>(numbers.lines.size()); }
};

// Opens, locks and reads the album of `indexPath`.
Result<OpenAlbum, AlbumFailure> OpenForEdit(const std::string& indexPath, FileSystem& fs,
                                            const AlbumOptions& options);

// Refuses a number that names no picture of the album.
Result<void, AlbumFailure> CheckNumber(const OpenAlbum& open, std::int64_t number,
                                       const std::string& indexPath);

// Makes `edit` to the album `open` as one change.
Result<void, AlbumFailure> MakeEdit(OpenAlbum& open, const AlbumEdit& edit, AlbumWork& work);

// What a command does to the album it has opened for an edit; the failure when it cannot.
using AlbumChangeStep = std::function<Result<void, AlbumFailure>(OpenAlbum&, AlbumWork&)>;

// Runs `change` on the album of `indexPath` and then writes the site; the outcome fails with what
// either says.
AlbumOutcome ChangeAlbum(const std::string& indexPath, FileSystem& fs, const AlbumOptions& options,
                         const AlbumChangeStep& change);

}  // namespace quillmere
