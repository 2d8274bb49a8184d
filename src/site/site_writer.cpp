// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/site_writer.h"

#include "site/pages.h"

namespace quillmere {

// Emits a page once to learn its size, which decides whether the old page can be equal, then
// into the page file, and once more when the old page turned out to differ after its start.
template <class Emit>
std::optional<PageError> SiteWriter::WritePage(std::string_view name, const Emit& emit) {
  if (rules_.stop != nullptr && rules_.stop->requested()) {
    return PageError{std::string(name), {PageFailure::Kind::kStopped, {}}};
  }
  ByteCounter counter;
  emit(counter);
  PageFile page(folder_, buffers_, name, counter.size(), rules_);
  emit(page);
  if (page.NeedsAnotherPass()) emit(page);
  Result<PageOutcome, PageFailure> outcome = page.Finish();
  if (const auto* failure = outcome.failure()) {
    return PageError{std::string(name), *failure};
  }
  ++(outcome.value() == PageOutcome::kUnchanged ? tally_.unchanged : tally_.written);
  if (rules_.progress != nullptr) {
    rules_.progress->PagesDone(tally_.written + tally_.unchanged, totalPages_);
  }
  return std::nullopt;
}

std::optional<PageError> SiteWriter::WriteIndexPage(const IndexFile& index) {
  totalPages_ = static_cast<std::uint64_t>(index.PictureCount()) + 1;
  return WritePage(kIndexPageName, [&](auto& sink) { EmitIndexPage(sink, index); });
}

std::optional<PageError> SiteWriter::WritePicturePages(const IndexFile& index,
                                                       const VideoEntries& videos) {
  for (std::int64_t n = 1; n <= index.PictureCount(); ++n) {
    const VideoEntry* video = videos.Of(n);
    auto failure =
        WritePage(PicturePageName(n), [&](auto& sink) { EmitPicturePage(sink, index, n, video); });
    if (failure) return failure;
  }
  return std::nullopt;
}

}  // namespace quillmere
