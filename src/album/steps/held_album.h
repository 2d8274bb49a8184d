// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// An album's index file as the album's work reads it: its text and head, the lines that name its
// pictures, and the pairs its blank and comment lines drop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/change/album_folder.h"
#include "album/steps/album_work.h"
#include "index/index_file.h"
#include "platform/file_system.h"

namespace quillmere {

// The index file's text and head.
struct ChosenIndex {
  IndexText text;
  IndexHead head;
  // Its name in its folder.
  std::string name;
};

// Reads the head of the index file at `indexPath`, whose text `text` was read through its held
// folder.
Result<ChosenIndex, AlbumFailure> ReadAlbumIndex(const std::string& indexPath, IndexText text);

// The numbers of the lines that name the pictures, in order; whether the last pair lacks its
// second line; and the first pair that a blank or comment line drops while its second line
// holds text (0 when none), which puts the pictures after it out of step with their files.
struct PictureLineNumbers {
  std::vector<std::uint64_t> lines;
  bool lastPairOpen = false;
  std::uint64_t firstDroppedLine = 0;
};

PictureLineNumbers PictureLinesOf(const ChosenIndex& index);

// An existing album as a command that changes it holds it: its folder, locked, and its index file.
struct HeldAlbum {
  AlbumFolder album;
  ChosenIndex index;
};

// Opens and locks the folder of `indexPath`, settling a change cut short there, and reads its
// index file through that folder, refusing a symbolic link at its name.
Result<HeldAlbum, AlbumFailure> HoldAlbum(const std::string& indexPath, FileSystem& fs,
                                          const AlbumOptions& options);

// What a command does to the album it holds; the failure when it cannot.
using HeldAlbumStep = std::function<Result<void, AlbumFailure>(HeldAlbum&, AlbumWork&)>;

// Holds the album of `indexPath` as HoldAlbum does and runs `step` on it, within the memory the
// work may take; the outcome fails with what either says.
AlbumOutcome WorkOnHeldAlbum(const std::string& indexPath, FileSystem& fs,
                             const AlbumOptions& options, const HeldAlbumStep& step);

}  // namespace quillmere
