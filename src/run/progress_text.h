// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// How far the work on an album or a site has come, in the words that the window and the terminal
// both show.
#pragma once

#include <chrono>
#include <cstdint>
#include <locale>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "run/message_text.h"

namespace quillmere {

// What the work is doing.
enum class WorkStage {
  // Making the pictures and thumbnails.
  kPictures,
  // Writing the pages, one a picture and the index page first.
  kPages,
};

// How far a piece of work has come: `done` of `total` pictures of the stage.
struct WorkProgress {
  WorkStage stage = WorkStage::kPages;
  std::uint64_t done = 0;
  std::uint64_t total = 0;
  // Where the pictures differ in the work they take (a video by its length), `weightDone` of
  // `weightTotal` is done, a video in the making counted by how far it has come; both 0 where
  // each picture takes the same.
  double weightDone = 0;
  double weightTotal = 0;
};

// The share of the work of `progress` that is done, from 0 to 1, by weight where it has one.
double DoneShare(const WorkProgress& progress);

// How long the work goes on before an estimate of the time left is given.
inline constexpr std::chrono::seconds kEstimateAfter{3};

// The progress of the pages of a site, `pagesDone` of `pages`, counted in pictures: the index
// page, written first, is no picture.
WorkProgress PageProgressInPictures(std::uint64_t pagesDone, std::uint64_t pages);

// The time the work of `progress` needs still, at the pace it has taken in `spent` (by weight
// where it has one); none before kEstimateAfter or before anything is done.
std::optional<std::chrono::seconds> TimeLeft(const WorkProgress& progress,
                                             std::chrono::steady_clock::duration spent);

// The words for how far the work on `album` (its title or folder) has come: "Lisbon: making
// pictures, 12 of 200, about 1 minute left".
std::string ProgressText(std::string_view album, const WorkProgress& progress,
                         std::optional<std::chrono::seconds> left, const std::locale& locale);

// What a run does before it can count its work.
enum class StartStage { kReadingIndexFile, kReadingPictures, kWaiting };

// The words for `stage` under the window's progress bar: "Reading the pictures...".
std::string StartStageText(StartStage stage);

// The words that tell on a terminal that a run waits for another run on `folder`.
std::string WaitingText(const std::string& folder);

// The name of the album whose index file is at `indexPath`: its folder's name, the working
// folder's when the path names no folder.
std::string AlbumNameOf(const std::string& indexPath);

// The most bytes of an album's title that the words of progress and of summaries show.
inline constexpr std::size_t kShownTitleLength = 60;

// The name by which progress and summaries call an album: its title `title` as its page shows
// it, cut short where it is long, or, where it has none, the name of the folder of its index file
// at `indexPath`.
std::string AlbumNameOf(std::string_view title, const std::string& indexPath);

// The same, with the title read from the head of the index file at `indexPath` through `fs`.
std::string AlbumTitleOf(const std::string& indexPath, FileSystem& fs);

// The user's locale, or the classic one where the environment names none the system has.
std::locale UsersLocale();

}  // namespace quillmere
