// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/album_work.h"

#include <new>

#include "run/generate.h"
#include "run/journal.h"

namespace quillmere {
AlbumFailure Stopped(const AlbumOptions& options, std::string leftAsItWas) {
  const int reason = options.run.stop != nullptr ? options.run.stop->reason() : 0;
  return AlbumFailure::Stopped{reason, std::move(leftAsItWas)};
}

Result<void, AlbumFailure> FinishSite(AlbumFolder& album, AlbumWork& work) {
  AlbumOutcome& outcome = work.outcome;
  outcome.site =
      GenerateSiteInLockedFolder(outcome.indexPath, *album.folder, work.fs, work.options.run);
  if (!outcome.site.ok()) return AlbumFailure::SiteNotWritten{*outcome.site.failure};
  // The change is done once its pages are: its journal goes only now.
  if (std::error_code error = RemoveJournalOfWrittenChange(*album.folder).error()) {
    return AlbumFailure::NotWritten{album.path + std::string(kJournalName), error};
  }
  return {};
}

void WithinMemory(AlbumOutcome& outcome, const std::function<void()>& work) {
  try {
    work();
  } catch (const std::bad_alloc&) {
    outcome.failure = AlbumFailure::NotWritten{outcome.indexPath, SystemError(ENOMEM)};
  }
}

}  // namespace quillmere
