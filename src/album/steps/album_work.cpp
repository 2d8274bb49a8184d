// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/album_work.h"

#include <new>

namespace quillmere {
namespace {

using Kind = AlbumFailure::Kind;

AlbumFailure RunFailed(Kind kind, RunFailure run) {
  return AlbumFailedFor(kind, std::move(run));
}

}  // namespace

AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas) {
  const int reason = options.run.stop != nullptr ? options.run.stop->reason() : 0;
  return AlbumFailedFor(Kind::kStopped, AlbumFailure::StoppedWork{reason, std::move(leftAsItWas)});
}

std::optional<AlbumFailure> FinishSite(AlbumFolder& album, AlbumWork& work) {
  AlbumOutcome& outcome = work.outcome;
  outcome.site =
      GenerateSiteInLockedFolder(outcome.indexPath, *album.folder, work.fs, work.options.run);
  if (!outcome.site.ok()) return RunFailed(Kind::kSite, *outcome.site.failure);
  return std::nullopt;
}

void WithinMemory(AlbumOutcome& outcome, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailed(Kind::kNotWritten, outcome.indexPath, SystemError(ENOMEM));
  }
}

}  // namespace quillmere
