#include "site/site_writer.h"

#include "site/pages.h"

namespace quillmere {

SiteWriter::SiteWriter(FileSystem& fs, std::string siteFolder)
    : fs_(fs), siteFolder_(std::move(siteFolder)) {}

// Emits a page twice: once to learn its size, which decides whether the old page can be equal,
// and once into the page file.
template <class Emit>
std::optional<PageError> SiteWriter::WritePage(std::string_view name, const Emit& emit) {
  ByteCounter counter;
  emit(counter);
  std::string path = siteFolder_;
  path += name;
  PageFile page(fs_, buffers_, path, counter.size());
  emit(page);
  Result<PageOutcome> outcome = page.Finish();
  if (!outcome) return PageError{std::move(path), outcome.error};
  ++(outcome.value == PageOutcome::kUnchanged ? tally_.unchanged : tally_.written);
  return std::nullopt;
}

std::optional<PageError> SiteWriter::WriteIndexPage(const IndexFile& index) {
  return WritePage(kIndexPageName, [&](auto& sink) { EmitIndexPage(sink, index); });
}

std::optional<PageError> SiteWriter::WritePicturePages(const IndexFile& index) {
  for (std::int64_t n = 1; n <= index.PictureCount(); ++n) {
    auto failure =
        WritePage(PicturePageName(n), [&](auto& sink) { EmitPicturePage(sink, index, n); });
    if (failure) return failure;
  }
  return std::nullopt;
}

}  // namespace quillmere
