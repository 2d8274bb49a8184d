// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The renames that give a changed album's files their new numbers, planned before anything
// changes and made as one change of the journal with the index file's new text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/change/album_folder.h"
#include "album/steps/album_work.h"
#include "album/steps/held_album.h"
#include "run/journal.h"

namespace quillmere {

// One rename of the plan, in the folder of `image`, and its step in the journal.
struct PlannedRename {
  ImageFolder* image;
  std::string from;
  std::string to;
  JournalStep step;
};

// What a change of the pictures' order found out before it changes anything: the renames that
// hold the files aside under names no file had, those that then give them their new numbers, and
// the journal's steps after the index file. The folders are flushed between the two kinds of
// renames, so that no order in which renames reach the disk can leave a file without a name.
struct OrderPlan {
  std::vector<PlannedRename> aside;
  std::vector<PlannedRename> home;
  std::vector<JournalStep> stepsAfterIndex;
};

// Plans the renames of the files of every one of `images` to the numbers `newNumbers` says, the
// files of removed pictures going to `trash` (or deleted, as `options` say).
Result<void, AlbumFailure> PlanRenumbering(const std::vector<ImageFolder*>& images,
                                           const std::vector<std::int64_t>& newNumbers,
                                           Trash* trash, const AlbumOptions& options,
                                           OrderPlan& plan);

// Adds to `plan` the removal of the picture pages of `album` numbered after `count` that this
// program wrote; its index file `indexName` is never one of them.
Result<void, AlbumFailure> PlanOldPages(AlbumFolder& album, const std::string& indexName,
                                        std::int64_t count, OrderPlan& plan);

// Renames the files of `album` as `plan` says and writes `text` in place of its index file `index`,
// which holds `before`, as one change by `command` of `work`; the failure when it could not. A stop
// asked for before the index file is replaced puts every file back as it was.
Result<void, AlbumFailure> ChangeWithRenames(AlbumFolder& album, const ChosenIndex& index,
                                             const OrderPlan& plan, const std::string& text,
                                             ChangeKind command, const IndexState& before,
                                             const AlbumWork& work);

}  // namespace quillmere
