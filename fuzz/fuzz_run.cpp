// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Runs the whole program on arbitrary index file bytes in a scratch folder: the run must write
// exactly the pages the model gives, leave no temporary file, write nothing outside the site
// folder, find everything up to date when run again, and bring the pages up to date after an edit.
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/model_text.h"
#include "index/index_file.h"
#include "index/text_encoding.h"
#include "run/generate.h"
#include "site/page_output.h"
#include "support/reference_site.h"

namespace {

using quillmere::RunOutcome;

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  FUZZ_CHECK(dir != nullptr, folder.c_str());
  while (const dirent* entry = ::readdir(dir)) {
    std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  return names;
}

void EmptyFolder(const std::string& folder) {
  for (const std::string& name : Names(folder)) ::unlink((folder + name).c_str());
}

// The scratch folder of this process: made at the first input, removed at exit.
struct Scratch {
  Scratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillmere-fuzz-XXXXXX";
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr, "mkdtemp");
    root = pattern + "/";
    site = root + "site/";
    FUZZ_CHECK(::mkdir(site.c_str(), 0700) == 0, "mkdir");
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  ~Scratch() {
    EmptyFolder(site);
    ::rmdir(site.c_str());
    ::rmdir(root.c_str());
  }

  std::string root;  // holds only the site folder
  std::string site;  // ends with "/"
};

void WriteWhole(const std::string& path, std::string_view bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  FUZZ_CHECK(fd >= 0, path.c_str());
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    FUZZ_CHECK(put > 0, path.c_str());
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  FUZZ_CHECK(::close(fd) == 0, path.c_str());
}

std::string ReadWhole(const std::string& path) {
  std::string bytes;
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return "<missing>";
  char block[65536];
  for (ssize_t got; (got = ::read(fd, block, sizeof block)) > 0;) {
    bytes.append(block, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return bytes;
}

// The pages the model gives for `text`, by name.
std::map<std::string, std::string> ModelPages(std::string_view text) {
  auto parsed = quillmere::ParseIndexText(text);
  FUZZ_CHECK(parsed.ok(), "the reader accepts it");
  const quillmere::IndexFile& index = parsed.value();
  const quillmere::testing::ReferenceIndex model = ModelIndex(text, index.head);
  const std::int32_t perRow = index.head.PicsPerRow;
  FUZZ_CHECK(model.picsPerRow == perRow, "thumbnails per row");
  std::map<std::string, std::string> pages{{"index.html", ReferenceIndexPage(model)}};
  for (int n = 1; n <= static_cast<int>(model.pictures.size()); ++n) {
    pages[quillmere::PicturePageName(n)] = ReferencePicturePage(model, n);
  }
  return pages;
}

bool IsTemporaryName(const std::string& name) {
  return name.front() == '.' || name.find(".tmp") != std::string::npos;
}

// Checks the site folder after a run of `text`: the pages `expected` names hold exactly their
// content, the pages in `leftOver` (from an earlier run with more pictures) are as they were, and
// nothing else is there.
void CheckSite(const Scratch& scratch, const std::map<std::string, std::string>& expected,
               const std::map<std::string, std::string>& leftOver) {
  FUZZ_CHECK(Names(scratch.root) == std::vector<std::string>{"site"}, "outside the site folder");
  std::size_t pages = 0;
  for (const std::string& name : Names(scratch.site)) {
    FUZZ_CHECK(!IsTemporaryName(name), name.c_str());
    if (name == "index.txt") continue;
    ++pages;
    auto page = expected.find(name);
    if (page == expected.end()) {
      page = leftOver.find(name);
      FUZZ_CHECK(page != leftOver.end(), name.c_str());
    }
    FUZZ_CHECK(ReadWhole(scratch.site + name) == page->second, name.c_str());
  }
  FUZZ_CHECK(pages >= expected.size(), "every page written");
}

// Runs on `text` in the scratch site folder; returns the pages the model gives when it succeeds.
std::map<std::string, std::string> Run(const Scratch& scratch, std::string_view text,
                                       const std::map<std::string, std::string>& before) {
  WriteWhole(scratch.site + "index.txt", text);
  quillmere::PosixFileSystem fs;
  RunOutcome outcome = quillmere::GenerateSite(scratch.site + "index.txt", fs);
  FUZZ_CHECK(outcome.siteFolder == scratch.site, "site folder");
  using quillmere::RunFailure;
  const auto* notText = outcome.failure ? outcome.failure->As<RunFailure::NotText>() : nullptr;
  const auto* badPicsPerRow =
      outcome.failure ? outcome.failure->As<RunFailure::BadPicsPerRow>() : nullptr;
  if (notText != nullptr || badPicsPerRow != nullptr) {
    FUZZ_CHECK((notText != nullptr) == quillmere::LooksBinary(text),
               "only a file with NUL bytes at its start is no text");
    const std::string named = notText != nullptr ? notText->path : badPicsPerRow->path;
    FUZZ_CHECK(named == scratch.site + "index.txt", "the index file is named");
    FUZZ_CHECK(outcome.pages.written + outcome.pages.unchanged == 0, "nothing written");
    CheckSite(scratch, {}, before);
    return before;
  }
  FUZZ_CHECK(outcome.ok(), quillmere::Describe(outcome, quillmere::WordsWithoutSteps()).c_str());
  std::map<std::string, std::string> pages = ModelPages(text);
  FUZZ_CHECK(outcome.pictureCount + 1 == static_cast<std::int64_t>(pages.size()), "pictures");
  std::uint64_t changed = 0;
  for (const auto& [name, bytes] : pages) {
    auto old = before.find(name);
    changed += old == before.end() || old->second != bytes ? 1 : 0;
  }
  FUZZ_CHECK(outcome.pages.written == changed, "only changed pages are written");
  FUZZ_CHECK(outcome.pages.unchanged == pages.size() - changed, "unchanged pages");
  std::map<std::string, std::string> site = before;
  for (const auto& [name, bytes] : pages) site[name] = bytes;
  CheckSite(scratch, pages, site);
  return site;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch scratch;
  EmptyFolder(scratch.site);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  // A first run into an empty folder, the same run again, then a run after an edit that drops
  // the last byte, which changes the last page or the number of pages.
  std::map<std::string, std::string> site = Run(scratch, text, {});
  site = Run(scratch, text, site);
  if (!text.empty()) Run(scratch, text.substr(0, text.size() - 1), site);
  EmptyFolder(scratch.site);
  return 0;
}
