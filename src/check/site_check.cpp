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
    CheckLeftoverPages();
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

  // Looks for the file that the pages name `name`; reports it on `line` unless it is there.
  // Returns false when it is not there.
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
      return true;
    }
    Add(line, std::string(what) + " " + Visible(name) + " " + problem);
    return false;
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

  void CheckLeftoverPages() {
    Result<std::vector<std::string>> names = fs_.ListFolder(check_.siteFolder);
    if (!names) {
      Add(0, "the site folder " + Visible(check_.siteFolder) +
                 " cannot be searched for old picture pages: " + ErrorText(names.error()));
      return;
    }
    std::vector<std::pair<std::int64_t, std::string>> leftovers;
    for (std::string& name : names.value()) {
      const std::int64_t number = PicturePageNumber(name);
      if (number > check_.pictureCount) leftovers.emplace_back(number, std::move(name));
    }
    std::sort(leftovers.begin(), leftovers.end());
    for (const auto& [number, name] : leftovers) {
      Add(0, "page " + Visible(name) + " is left over from an earlier run with more pictures");
    }
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
