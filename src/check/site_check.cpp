// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "check/site_check.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "check/pair_rhythm.h"
#include "check/site_names.h"
#include "index/index_file.h"
#include "index/picture_section.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "run/journal.h"
#include "run/message_text.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// Tells whether a line read in place of a long description holds something the reader would
// have taken as a description: neither blank nor a comment.
bool HoldsDescription(std::string_view line) {
  if (line.find_first_not_of(' ') == std::string_view::npos) return false;
  return line.front() != ';';
}

// The most of a journal that --check reads to name the command that left it.
constexpr std::size_t kLargestJournalShown = 64 * 1024;

// Tells whether `path` names a JPEG by its extension.
bool IsJpegName(std::string_view path) {
  for (std::string_view extension : {".jpg", ".jpeg", ".JPG", ".JPEG"}) {
    if (path.ends_with(extension)) return true;
  }
  return false;
}

// How far from its end a JPEG's end-of-image marker is looked for: some cameras write a few
// bytes of their own after it.
constexpr std::uint64_t kJpegTail = 4096;

// Tells whether the JPEG `file`, `size` bytes long, ends as a whole JPEG does, with its
// end-of-image marker near its end. A file that does not start as a JPEG counts as whole, since
// it is no JPEG cut short.
Result<bool> JpegEndsWhole(ReadableFile& file, std::uint64_t size) {
  char start[2] = {};
  Result<std::size_t> gotStart = file.ReadAt(start, sizeof start, 0);
  if (!gotStart) return gotStart.error();
  if (gotStart.value() != 2 || start[0] != '\xFF' || start[1] != '\xD8') return true;
  const std::uint64_t tailSize = std::min(size - 2, kJpegTail);
  std::string tail(static_cast<std::size_t>(tailSize), '\0');
  Result<std::size_t> gotEnd = file.ReadAt(tail.data(), tail.size(), size - tailSize);
  if (!gotEnd) return gotEnd.error();
  tail.resize(gotEnd.value());
  return tail.find("\xFF\xD9") != std::string::npos;
}

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

class Checker {
 public:
  Checker(const std::string& indexPath, FileSystem& fs, const FindingSink& sink)
      : indexPath_(indexPath), fs_(fs), sink_(sink) {}

  SiteCheck Run(const IndexText& text, const IndexHead& head) {
    check_.siteFolder = FolderName(indexPath_);
    CheckFifthValue(head);
    CheckPictureSection(text.bytes(), head);
    ReportUnlistedDrops();
    if (head.fifthValueLine == 0) ReportShortHead(head);
    CheckIndexFileIsNoPage(text.source);
    CheckSupportImages(head);
    CheckPagesOnDisk();
    CheckJournal();
    return std::move(check_);
  }

 private:
  void Add(std::uint64_t line, std::string text, bool note = false) {
    ++(note ? check_.notes : check_.problems);
    sink_({line, note, std::move(text)});
  }

  void CheckFifthValue(const IndexHead& head) {
    if (head.fifthValueLine == 0) return;
    const std::string number = QuotedExcerpt(head.fifthValueText);
    std::string onePerRow;
    if (head.fifthValueNumber < 1) onePerRow = ", so each row holds 1 thumbnail";
    if (!head.fifthValuePlain) {
      Add(head.fifthValueLine, "thumbnails per row " + number +
                                   " is not a plain whole number; it reads as " +
                                   std::to_string(head.fifthValueNumber) + onePerRow);
    } else if (head.fifthValueNumber < 1) {
      Add(head.fifthValueLine, "thumbnails per row " + number + " is below 1" + onePerRow);
    }
  }

  void ReportShortHead(const IndexHead& head) {
    int values = 0;
    for (std::string_view value :
         {head.SiteTitle, head.ThumbPrefix, head.ImagePrefix, head.SupportFolder}) {
      if (!value.empty()) ++values;
    }
    Add(0, "the head ends after " + Plural(static_cast<std::uint64_t>(values), "value", "values") +
               " of five, so no picture is read");
  }

  void CheckPictureSection(std::string_view text, const IndexHead& head) {
    PairReader pairs(PictureLines(text, head));
    for (LinePair pair; pairs.Next(pair);) {
      if (pair.dropped()) {
        CheckDroppedPair(pair, pairs);
        continue;
      }
      const std::int64_t n = ++check_.pictureCount;
      // Out of step, a missing last description is one more sign of the drop reported already.
      if (pair.secondLineNumber == 0 && inStep_) {
        Add(pair.firstLineNumber, "picture " + std::to_string(n) +
                                      " has no description line: the file ends after its caption");
      }
      LookFor("thumbnail", PictureFileName(head.ThumbPrefix, n), pair.firstLineNumber);
      LookFor("picture", PictureFileName(head.ImagePrefix, n), pair.firstLineNumber);
    }
  }

  // Reports a pair that a blank or comment line drops, and what it does to the pictures after
  // it; `following` stands at the pair after it.
  void CheckDroppedPair(const LinePair& pair, const PairReader& following) {
    // A drop at the end of the file, or of a line that held nothing, loses nothing.
    if (pair.secondLineNumber == 0 || !HoldsDescription(pair.secondLine)) return;
    const bool comment = pair.firstLine.starts_with(';');
    const bool wasInStep = inStep_;
    inStep_ = InStepAfter(pair, following);
    // A blank line loses a picture even in step; a comment line is meant to, unless it puts the
    // pictures after it out of step.
    const bool note = comment && inStep_;
    if (droppedListed_ == kListedDroppedPairs) {
      ++(note ? unlistedNotes_ : unlistedProblems_);
      ++(note ? check_.notes : check_.problems);
      return;
    }
    ++droppedListed_;
    std::string what = comment ? "comment line " : "blank line ";
    what += std::to_string(pair.firstLineNumber) + " drops line " +
            std::to_string(pair.secondLineNumber) + " with it: " + QuotedExcerpt(pair.secondLine) +
            "; " + Consequence(wasInStep, following);
    Add(pair.firstLineNumber, note ? "note: " + what : what, note);
  }

  // What a drop did to the pictures after it, now that inStep_ tells how they stand.
  std::string Consequence(bool wasInStep, PairReader following) const {
    if (inStep_) {
      return wasInStep ? "the pictures after it stay in step"
                       : "the pictures after it are in step again";
    }
    LinePair next;
    while (following.Next(next) && next.dropped()) {
    }
    const std::string offBy = wasInStep ? "every picture after it moves by one line: "
                                        : "the pictures after it are still one line off: ";
    return offBy + "picture " + std::to_string(check_.pictureCount + 1) + " now shows line " +
           std::to_string(next.firstLineNumber) + " " + QuotedExcerpt(next.caption) +
           " as its caption";
  }

  // Counted already; one line says how many more there are.
  void ReportUnlistedDrops() {
    const std::uint64_t unlisted = unlistedProblems_ + unlistedNotes_;
    if (unlisted == 0) return;
    sink_({0, unlistedProblems_ == 0,
           "and " + Plural(unlisted, "more dropped pair", "more dropped pairs") +
               " not listed (the first " + std::to_string(kListedDroppedPairs) + " are)"});
  }

  void CheckIndexFileIsNoPage(const EntryInfo& source) {
    Result<std::unique_ptr<Folder>> folder = fs_.OpenFolder(check_.siteFolder);
    if (!folder) return;  // the search for old pages below tells why
    const std::string page =
        PageThatIsTheIndexFile(indexPath_, source, check_.pictureCount, *folder.value(), fs_);
    if (!page.empty()) {
      Add(0, "the index file is the page " + Visible(page) +
                 " itself, which a run would write over; a run refuses it");
    }
  }

  // Looks for the file that the pages name `name`; reports it on `line` unless it is there and
  // whole. Returns false when it is not there.
  bool LookFor(const char* what, const std::string& name, std::uint64_t line) {
    if (NamesAnotherPlace(name)) {
      ++check_.namesNotChecked;
      return true;
    }
    ++check_.filesChecked;
    std::string problem;
    Result<EntryInfo> entry = fs_.Inspect(PathOnDisk(check_.siteFolder, name), /*follow=*/true);
    if (!entry) {
      problem = entry.error() == std::errc::not_a_directory
                    ? "is missing"
                    : "cannot be checked: " + ErrorText(entry.error());
    } else if (entry.value().kind == EntryInfo::Kind::kMissing) {
      problem = "is missing";
    } else if (entry.value().kind != EntryInfo::Kind::kRegular) {
      problem = "is not a file";
    } else {
      problem = DamageOf(PathOnDisk(check_.siteFolder, name), entry.value().size);
      if (!problem.empty()) Add(line, std::string(what) + " " + Visible(name) + " " + problem);
      return true;
    }
    Add(line, std::string(what) + " " + Visible(name) + " " + problem);
    return false;
  }

  // What a crash or a cut-off copy did to the file at `path`, `size` bytes long, as its size and
  // its last bytes tell: empty, or a JPEG without its end; "" when nothing shows.
  std::string DamageOf(const std::string& path, std::uint64_t size) {
    if (size == 0) return "is empty (0 bytes)";
    if (!IsJpegName(path)) return "";
    Result<std::unique_ptr<ReadableFile>> file = fs_.OpenForReading(path);
    if (!file) return "";
    Result<bool> whole = JpegEndsWhole(*file.value(), size);
    return whole && !whole.value() ? "ends early: the end of the JPEG is missing" : "";
  }

  // Pages that a crash left empty: the next run writes them anew, though they look like no page
  // of this program; then pages left over from an earlier run with more pictures.
  void CheckPagesOnDisk() {
    Result<std::vector<std::string>> names = fs_.ListFolder(check_.siteFolder);
    if (!names) {
      Add(0, "the site folder " + Visible(check_.siteFolder) +
                 " cannot be searched for old picture pages: " + ErrorText(names.error()));
      return;
    }
    std::vector<std::pair<std::int64_t, std::string>> empty, leftovers;
    for (std::string& name : names.value()) {
      const std::int64_t number = name == kIndexPageName ? 0 : PicturePageNumber(name);
      if (number > check_.pictureCount) {
        leftovers.emplace_back(number, std::move(name));
        continue;
      }
      if (number == 0 && name != kIndexPageName) continue;
      Result<EntryInfo> entry = fs_.Inspect(check_.siteFolder + name, /*follow=*/false);
      if (entry && entry.value().kind == EntryInfo::Kind::kRegular && entry.value().size == 0) {
        empty.emplace_back(number, std::move(name));
      }
    }
    std::sort(empty.begin(), empty.end());
    for (const auto& [number, name] : empty) {
      Add(0, "page " + Visible(name) +
                 " is empty (0 bytes), as a crash can leave it; the next run writes it anew");
    }
    std::sort(leftovers.begin(), leftovers.end());
    for (const auto& [number, name] : leftovers) {
      Add(0, "page " + Visible(name) + " is left over from an earlier run with more pictures");
    }
  }

  // The journal of a change that an interrupted run left: only reported, never acted on.
  void CheckJournal() {
    const std::string path = check_.siteFolder + std::string(kJournalName);
    Result<std::unique_ptr<ReadableFile>> file = fs_.OpenForReading(path);
    if (!file) return;
    std::string text(static_cast<std::size_t>(kLargestJournalShown), '\0');
    Result<std::size_t> got = file.value()->Read(text.data(), text.size());
    text.resize(got ? got.value() : 0);
    std::optional<Journal> journal = ParseJournal(text);
    const std::string by = journal ? " of " + Visible(journal->command) : std::string();
    Add(0, "an interrupted run" + by + " left its journal " + Visible(std::string(kJournalName)) +
               "; the next run that writes here finishes or undoes that run");
  }

  void CheckSupportImages(const IndexHead& head) {
    bool missing = false;
    for (std::string_view image : SupportImages) {
      if (!LookFor("support image", std::string(head.SupportFolder) + std::string(image), 0)) {
        missing = true;
      }
    }
    check_.supportImagesCanBeAdded =
        missing && !head.SupportFolder.empty() &&
        !NamesAnotherPlace(std::string(head.SupportFolder) + std::string(SupportImages[0]));
  }

  const std::string& indexPath_;
  FileSystem& fs_;
  const FindingSink& sink_;
  SiteCheck check_;
  std::uint64_t droppedListed_ = 0;
  // Whether the pictures read so far are in step, as the last dropped pair left them.
  bool inStep_ = true;
  std::uint64_t unlistedProblems_ = 0;
  std::uint64_t unlistedNotes_ = 0;
};

}  // namespace

std::variant<SiteCheck, RunFailure> CheckSite(const std::string& indexPath, FileSystem& fs,
                                              const FindingSink& sink) {
  std::variant<IndexText, RunFailure> loaded = LoadChosenIndexFile(indexPath, fs);
  if (auto* failure = std::get_if<RunFailure>(&loaded)) return std::move(*failure);
  const IndexText& text = std::get<IndexText>(loaded);
  std::variant<IndexHead, IndexError> head = ParseIndexHead(text.bytes());
  if (const auto* error = std::get_if<IndexError>(&head)) {
    return IndexFailure(indexPath, *error);
  }
  return Checker(indexPath, fs, sink).Run(text, std::get<IndexHead>(head));
}

}  // namespace quillmere
