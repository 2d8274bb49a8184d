// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// --publish: an album's site sent to its destination through rsync, in an order that never shows
// a visitor a page whose pictures are not there yet.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/stop_request.h"
#include "publish/destination.h"
#include "publish/site_files.h"

namespace quillmere {

// The file at the top of a destination that lists what this program published there.
inline constexpr std::string_view kPublishedListName = ".quillmere-published";

// How far the sending of one phase has come, as rsync tells it.
struct PublishProgress {
  std::uint64_t bytes = 0;
  int percent = 0;
  // The time left as rsync writes it ("0:01:02"); empty when it does not say.
  std::string timeLeft;
};

// How a publish is done.
struct PublishOptions {
  // Says what would be sent and removed, and sends nothing.
  bool dryRun = false;
  // ssh asks no question (for the window): a host key not yet known, or a passphrase, fails.
  bool batch = false;
  const StopRequest* stop = nullptr;
  std::function<void(const PublishProgress&)> progress;
};

// What a publish did, or would do.
struct PublishOutcome {
  // The files sent (or that would be), and those removed from the destination (or that would be),
  // as paths from the album's folder.
  std::vector<std::string> sent;
  std::vector<std::string> removed;
  // Files at the destination that were the same as the album's and are now taken as published.
  std::uint64_t adopted = 0;
  // Files at the destination that this program did not publish and that differ from the album's:
  // left as they are, and not sent.
  std::vector<std::string> foreign;
};

// Why a publish failed.
struct PublishFailure {
  enum class Kind {
    // The album is not whole, or is held by another run (see `refusal`).
    kSiteRefused,
    // The destination is the album's folder or a folder inside it.
    kInsideAlbum,
    // The destination's list of published files is not one this program wrote, or cannot be read.
    kForeignList,
    kListUnreadable,
    // A file the publish hands to rsync could not be written (`error`).
    kWorkFiles,
    kNoRsync,
    kNoSsh,
    kNoRsyncThere,
    kHostKeyUnknown,
    kNotLetIn,
    kNoConnection,
    // Some files were not sent, or vanished while being sent.
    kPartial,
    kVanished,
    kStopped,
    // Another failure that rsync reports with `status` and its last words (`said`).
    kRsync,
  };
  Kind kind = Kind::kRsync;
  SiteRefusal refusal;
  std::error_code error;
  int status = 0;
  std::string said;
  // The signal or stop reason that ended the publish (kStopped).
  int stopReason = 0;
};

// Publishes the album of the index file at `indexPath`, and every album of a tree below it, to
// `destination` through the system's rsync, with its folders locked: first the list of published
// files, then the pictures, videos, thumbnails, picture pages and support images together, then
// the index pages deepest first, then the removal of the files it published there before and
// the album no longer has, then the list again. A file at the destination that it did not publish
// is adopted when it is the same as the album's, and otherwise left alone and named.
Result<PublishOutcome, PublishFailure> Publish(const std::string& indexPath,
                                               const Destination& destination, FileSystem& fs,
                                               const PublishOptions& options);

}  // namespace quillmere
