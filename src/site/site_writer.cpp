// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/site_writer.h"

#include "site/pages.h"

namespace quillmere {

// Emits a page once to learn its size, which decides whether the old page can be equal, then
// into the page file, and once more when the old page turned out to differ after its start.
template <class Emit>
Result<void, PageFailure> SiteWriter::WritePage(std::string_view name, const Emit& emit) {
  if (rules_.stop != nullptr && rules_.stop->requested()) {
    return PageFailure::Stopped{std::string(name)};
  }
  ByteCounter counter;
  emit(counter);
  PageFile page(folder_, buffers_, name, counter.size(), rules_);
  emit(page);
  if (page.NeedsAnotherPass()) emit(page);
  Result<PageOutcome, PageFailure> outcome = page.Finish();
  if (auto* failure = outcome.failure()) return std::move(*failure);
  ++(outcome.value() == PageOutcome::kUnchanged ? tally_.unchanged : tally_.written);
  if (rules_.progress != nullptr) {
    rules_.progress->PagesDone(tally_.written + tally_.unchanged, totalPages_);
  }
  return {};
}

Result<void, PageFailure> SiteWriter::WriteIndexPage(const IndexFile& index,
                                                     const PageEntries& entries) {
  totalPages_ = static_cast<std::uint64_t>(index.PictureCount()) + 1;
  return WritePage(kIndexPageName, [&](auto& sink) { EmitIndexPage(sink, index, entries.albums); });
}

Result<void, PageFailure> SiteWriter::WritePicturePages(const IndexFile& index,
                                                        const PageEntries& entries) {
  for (std::int64_t n = 1; n <= index.PictureCount(); ++n) {
    const VideoEntry* video = entries.videos.Of(n);
    const AlbumEntry* album = entries.albums.Of(n);
    Result<void, PageFailure> written = WritePage(
        PicturePageName(n), [&](auto& sink) { EmitPicturePage(sink, index, n, video, album); });
    if (!written) return written;
  }
  return {};
}

}  // namespace quillmere
