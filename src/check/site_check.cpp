// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "check/site_check.h"

#include <algorithm>
#include <cerrno>
#include <set>
#include <utility>
#include <vector>

#include "check/pair_rhythm.h"
#include "index/index_file.h"
#include "index/picture_section.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "run/journal_settle.h"
#include "run/message_text.h"
#include "site/jpeg_shape.h"
#include "site/page_entries.h"
#include "site/page_output.h"
#include "site/site_writer.h"
#include "site/video_container.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

// How many findings of one kind were listed, and how many were only counted.
struct Listing {
  std::uint64_t listed = 0;
  std::uint64_t unlistedProblems = 0;
  std::uint64_t unlistedNotes = 0;
};

// Tells whether `path` names a JPEG by its extension.
bool IsJpegName(std::string_view path) {
  for (std::string_view extension : {".jpg", ".jpeg", ".JPG", ".JPEG"}) {
    if (path.ends_with(extension)) return true;
  }
  return false;
}

// Tells whether `path` names a video that a page shows, by its extension.
bool IsVideoName(std::string_view path) {
  return std::any_of(kVideoFileExtensions.begin(), kVideoFileExtensions.end(),
                     [&](std::string_view extension) { return path.ends_with(extension); });
}

// What the container of a video says of the video; "" when it is whole or cannot be read.
std::string VideoDamage(const Result<VideoContainer>& container) {
  if (!container) return "";
  switch (container.value()) {
    case VideoContainer::kWhole:
      break;
    case VideoContainer::kCutShort:
      return "ends early: the video is cut short";
    case VideoContainer::kNoIndex:
      return "lacks the index of its frames, so that no browser can play it";
    case VideoContainer::kNotAVideo:
      return "is not an MP4 or WebM video";
  }
  return "";
}

// What a file that the pages name is like on the disk.
enum class FileState { kWhole, kDamaged, kMissing, kNotAFile };

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

class Checker {
 public:
  Checker(const std::string& indexPath, FileSystem& fs, const FindingSink& sink,
          const CommandWords& words)
      : indexPath_(indexPath), fs_(fs), sink_(sink), words_(words) {}

  SiteCheck Run(const IndexText& text, const IndexHead& head) {
    check_.siteFolder = FolderAsGiven(indexPath_);
    CheckFifthValue(head);
    CheckPictureSection(text.bytes(), head);
    ReportUnlisted(droppedListed_, "more dropped pair", "more dropped pairs");
    ReportUnlisted(shiftsListed_, "more line where the pictures move",
                   "more lines where the pictures move");
    if (head.fifthValueLine == 0) ReportShortHead(head);
    CheckIndexFileIsNoPage(text.source);
    CheckSupportImages(head);
    CheckPagesOnDisk();
    CheckPagesShowTheIndexFile(text);
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
    SectionShape shape = LearnSectionShape(PictureLines(text, head));
    LookBeyondTheLastPicture(head, shape.pictureCount);
    if (Result<std::unique_ptr<Folder>> site = fs_.OpenFolder(check_.siteFolder); site) {
      entries_ = FindPageEntries(head, shape.pictureCount, *site.value());
    }
    PairRhythm rhythm(shape.model, /*learning=*/false);
    PairReader pairs(PictureLines(text, head));
    while (const std::optional<LinePair> next = pairs.Next()) {
      const LinePair& pair = *next;
      if (pair.dropped()) {
        CheckDroppedPair(pair, pairs, rhythm);
        continue;
      }
      const std::int64_t n = ++check_.pictureCount;
      // Findings come in the order of their lines: the caption's, then the description's.
      const LineShift shift = rhythm.JudgePicture(pair, pairs);
      if (shift.line != 0 && shift.captionPlace) ReportShift(pair, shift, rhythm.InStep(), pairs);
      const FileState thumbnail =
          LookFor("thumbnail", PictureFileName(head.ThumbPrefix, n), pair.firstLineNumber);
      const FileState picture =
          LookFor("picture", PictureFileName(head.ImagePrefix, n), pair.firstLineNumber);
      if (const VideoEntry* video = entries_.videos.Of(n)) {
        LookFor("video", NumberedFileName(head.ImagePrefix, n, video->extension),
                pair.firstLineNumber);
      }
      const bool makeable = thumbnail == FileState::kMissing || thumbnail == FileState::kDamaged;
      if (makeable && picture == FileState::kWhole) {
        check_.thumbnailsCanBeMade = true;
      }
      CheckDescriptionLine(pair, shift, pairs, rhythm);
    }
  }

  // Looks for a thumbnail or picture numbered after the last picture, the sign of a pair dropped
  // without renumbering the files after it; such files are not checked otherwise.
  void LookBeyondTheLastPicture(const IndexHead& head, std::int64_t pictureCount) {
    filesElsewhere_ = true;
    for (std::string_view prefix : {head.ImagePrefix, head.ThumbPrefix}) {
      const std::string name = PictureFileName(prefix, pictureCount + 1);
      if (NamesAnotherPlace(name)) continue;
      filesElsewhere_ = false;
      Result<EntryInfo> entry = fs_.Inspect(PathOnDisk(check_.siteFolder, name), /*follow=*/true);
      if (entry && entry.value().kind == EntryInfo::Kind::kRegular) {
        fileBeyond_ = name;
        return;
      }
    }
  }

  // Reports a last caption without its description, and where the description line of the
  // picture `pair` shows that the pictures moved by one line or was meant as a comment.
  void CheckDescriptionLine(const LinePair& pair, const LineShift& shift,
                            const PairReader& following, const PairRhythm& rhythm) {
    const std::int64_t n = check_.pictureCount;
    // Out of step, a missing last description is one more sign of the move reported already.
    if (pair.secondLineNumber == 0 && rhythm.InStep()) {
      std::string text = "picture " + std::to_string(n) +
                         " has no description line: the file ends after its caption";
      if (const std::uint64_t likely = rhythm.LikelyShiftLine(); likely != 0) {
        text += ", so a line was likely dropped or added before it, most likely at line " +
                std::to_string(likely);
      }
      Add(pair.firstLineNumber, text);
    }
    if (shift.line != 0 && !shift.captionPlace) {
      ReportShift(pair, shift, rhythm.InStep(), following);
    }
    if (pair.secondLineNumber != 0 && pair.secondLine.starts_with(';')) {
      Add(pair.secondLineNumber, "picture " + std::to_string(n) + "'s description, line " +
                                     std::to_string(pair.secondLineNumber) + " " +
                                     QuotedExcerpt(pair.secondLine) +
                                     ", is shown as it is: a line starting with \";\" is a "
                                     "comment only where a caption belongs");
    }
  }

  // Reports a line of the picture `pair` from which the pictures move by one line.
  void ReportShift(const LinePair& pair, const LineShift& shift, bool nowInStep,
                   const PairReader& following) {
    if (!Listed(shiftsListed_, /*note=*/false)) return;
    const std::int64_t n = check_.pictureCount;
    const std::string_view line = shift.captionPlace ? pair.firstLine : pair.secondLine;
    const bool looksLikeACaption = shift.captionPlace == nowInStep;
    std::string text = "picture " + std::to_string(n) +
                       (shift.captionPlace ? "'s caption, line " : "'s description, line ") +
                       std::to_string(shift.line) + " " + QuotedExcerpt(line) + ", looks like a " +
                       (looksLikeACaption ? "caption" : "description") +
                       (nowInStep ? " again" : "") +
                       ": a line was likely dropped or added before it, and ";
    const LinePair next = NextPictureAfter(following);
    if (shift.captionPlace) {
      text += nowInStep ? "the pictures from this one on are in step again"
                        : "every picture from this one on is one line off";
    } else if (next.dropped()) {
      text += "no picture comes after it";
    } else {
      text += nowInStep ? "the pictures after it are in step again"
                        : "every picture after it moves by one line: " + NowShows(next);
    }
    Add(shift.line, text);
  }

  // Reports a pair that a blank or comment line drops, and what it does to the pictures after
  // it; `following` stands at the pair after it.
  void CheckDroppedPair(const LinePair& pair, const PairReader& following, PairRhythm& rhythm) {
    // A drop at the end of the file, or of a line that held nothing, loses nothing.
    if (!MayMoveThePictures(pair)) return;
    const bool comment = PairDropOf(pair.firstLine) == PairDrop::kComment;
    const bool wasInStep = rhythm.InStep();
    const DropVerdict verdict = rhythm.JudgeDrop(pair, following);
    // A blank line loses a picture even in step; a comment line is meant to, as long as the text
    // and the files both show the pictures after it in step.
    const bool filesInStep = fileBeyond_.empty() && !filesElsewhere_;
    const bool harmless = (verdict == DropVerdict::kKeepsStep && wasInStep && filesInStep) ||
                          verdict == DropVerdict::kNothingFollows;
    // Two comment lines in a row are a comment, unless the text or the files show that the
    // pictures after them moved.
    const bool picturesMoved =
        verdict == DropVerdict::kMoves ||
        (verdict == DropVerdict::kKeepsStep && wasInStep && !fileBeyond_.empty());
    if (!HoldsText(pair.secondLine) && !picturesMoved) return;
    const bool note = comment && harmless;
    if (!Listed(droppedListed_, note)) return;
    std::string what = comment ? "comment line " : "blank line ";
    what += std::to_string(pair.firstLineNumber) + " drops line " +
            std::to_string(pair.secondLineNumber) + " with it: " + QuotedExcerpt(pair.secondLine) +
            "; " + Consequence(verdict, wasInStep, rhythm.InStep(), following);
    Add(pair.firstLineNumber, note ? "note: " + what : what, note);
  }

  // Tells whether a finding is listed one by one; counts it when it is not.
  bool Listed(Listing& listing, bool note) {
    if (listing.listed == kListedDroppedPairs) {
      ++(note ? listing.unlistedNotes : listing.unlistedProblems);
      ++(note ? check_.notes : check_.problems);
      return false;
    }
    ++listing.listed;
    return true;
  }

  // What a drop did to the pictures after it.
  std::string Consequence(DropVerdict verdict, bool wasInStep, bool nowInStep,
                          const PairReader& following) const {
    const LinePair next = NextPictureAfter(following);
    if (verdict == DropVerdict::kNothingFollows || next.dropped()) {
      return "no picture comes after it";
    }
    switch (verdict) {
      case DropVerdict::kUnclear:
        return "the pictures after it may have moved by one line: " + NowShows(next) +
               ", and the lines around it do not tell whether that is right" +
               (fileBeyond_.empty() ? "" : "; " + FileBeyondRemark());
      case DropVerdict::kMoves:
        if (nowInStep) return "the pictures after it are in step again";
        return "every picture after it moves by one line: " + NowShows(next);
      case DropVerdict::kKeepsStep:
      case DropVerdict::kNothingFollows:
        break;
    }
    if (!wasInStep) return "the pictures after it are still one line off: " + NowShows(next);
    if (filesElsewhere_) {
      return "the lines after it stay in step, but the picture files are not on this machine, "
             "so whether they were renumbered cannot be told";
    }
    if (!fileBeyond_.empty()) {
      return "the lines after it stay in step, but " + FileBeyondRemark() + ", so from picture " +
             std::to_string(check_.pictureCount + 1) + " " + QuotedExcerpt(next.caption) +
             " on each caption likely stands with the picture before its own";
    }
    return "the pictures after it stay in step";
  }

  // What the file numbered after the last picture says.
  std::string FileBeyondRemark() const {
    return Visible(fileBeyond_) +
           " lies beyond the last picture: the picture files were likely not renumbered";
  }

  // The next picture's pair after `following`; a dropped pair when no picture comes.
  static LinePair NextPictureAfter(PairReader following) {
    while (const std::optional<LinePair> next = following.Next()) {
      if (!next->dropped()) return *next;
    }
    return {};
  }

  // Which line the picture after the last one read, `next`, now shows as its caption.
  std::string NowShows(const LinePair& next) const {
    return "picture " + std::to_string(check_.pictureCount + 1) + " now shows line " +
           std::to_string(next.firstLineNumber) + " " + QuotedExcerpt(next.caption) +
           " as its caption";
  }

  // Counted already; one line for each kind says how many more there are.
  void ReportUnlisted(const Listing& listing, const char* one, const char* many) {
    const std::uint64_t unlisted = listing.unlistedProblems + listing.unlistedNotes;
    if (unlisted == 0) return;
    sink_({0, listing.unlistedProblems == 0,
           "and " + Plural(unlisted, one, many) + " not listed (the first " +
               std::to_string(kListedDroppedPairs) + " are)"});
  }

  void CheckIndexFileIsNoPage(const EntryInfo& source) {
    Result<std::unique_ptr<Folder>> folder = fs_.OpenFolder(check_.siteFolder);
    if (!folder) return;  // the search for old pages below tells why
    const std::string page =
        PageThatIsTheIndexFile(indexPath_, source, check_.pictureCount, *folder.value(), fs_);
    if (!page.empty()) {
      indexIsAPage_ = true;
      Add(0, "the index file is the page " + Visible(page) +
                 " itself, which a run would write over; a run refuses it");
    }
  }

  // Looks for the file that the pages name `name`; reports it on `line` unless it is there and
  // whole. A name of another place counts as whole: it cannot be looked for.
  FileState LookFor(const char* what, const std::string& name, std::uint64_t line) {
    if (NamesAnotherPlace(name)) {
      ++check_.namesNotChecked;
      return FileState::kWhole;
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
      Add(line, std::string(what) + " " + Visible(name) + " is not a file");
      return FileState::kNotAFile;
    } else {
      problem = DamageOf(PathOnDisk(check_.siteFolder, name), entry.value().size);
      if (problem.empty()) return FileState::kWhole;
      Add(line, std::string(what) + " " + Visible(name) + " " + problem);
      return FileState::kDamaged;
    }
    Add(line, std::string(what) + " " + Visible(name) + " " + problem);
    return FileState::kMissing;
  }

  // What a crash or a cut-off copy did to the file at `path`, `size` bytes long, as its size and
  // its last bytes tell: empty, a JPEG without its end, or a video cut short; "" when nothing
  // shows.
  std::string DamageOf(const std::string& path, std::uint64_t size) {
    if (size == 0) return "is empty (0 bytes)";
    const bool video = IsVideoName(path);
    if (!video && !IsJpegName(path)) return "";
    Result<std::unique_ptr<ReadableFile>> file = fs_.OpenForReading(path);
    if (!file) return "";
    if (video) return VideoDamage(ReadVideoContainer(*file.value(), size));
    Result<std::optional<JpegShape>> shape = ReadJpegShape(*file.value(), size);
    const bool cutShort = shape && shape.value() && !shape.value()->complete;
    return cutShort ? "ends early: the end of the JPEG is missing" : "";
  }

  // Pages that a crash left empty: the next run writes them anew, though they look like no page
  // of this program; then pages left over from an earlier run with more pictures.
  void CheckPagesOnDisk() {
    Result<std::vector<std::string>> names = fs_.ListFolder(check_.siteFolder);
    if (!names) {
      Add(0, "the site folder " + Visible(check_.siteFolder.empty() ? "." : check_.siteFolder) +
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
      emptyPages_.insert(name);
      Add(0, "page " + Visible(name) +
                 " is empty (0 bytes), as a crash can leave it; the next run writes it anew");
    }
    std::sort(leftovers.begin(), leftovers.end());
    for (const auto& [number, name] : leftovers) {
      Add(0, "page " + Visible(name) + " is left over from an earlier run with more pictures");
    }
  }

  // Pages that do not show what the index file holds now, as a change cut short leaves them:
  // missing, or older than its content. Found by comparing each page with what a run would write,
  // writing nothing; pages reported empty already are left out.
  void CheckPagesShowTheIndexFile(const IndexText& text) {
    if (indexIsAPage_) return;
    Result<std::unique_ptr<Folder>> folder = fs_.OpenFolder(check_.siteFolder);
    if (!folder) return;  // the search for old pages above tells why
    Result<IndexFile, IndexError> index = ParseIndexText(text.bytes());
    if (!index) return;
    std::vector<std::string> differing;
    PageRules rules;
    rules.differing = &differing;
    SiteWriter compare(*folder.value(), rules);
    Result<void, PageFailure> compared = compare.WriteIndexPage(index.value(), entries_);
    if (compared) compared = compare.WritePicturePages(index.value(), entries_);
    if (const PageFailure* failure = compared.failure()) ReportUncomparedPage(*failure);
    std::erase_if(differing, [&](const std::string& page) { return emptyPages_.contains(page); });
    ReportDifferingPages(*folder.value(), differing, index.value().PictureCount() + 1);
  }

  // Reports the page that could not be compared with what a run would write.
  void ReportUncomparedPage(const PageFailure& failure) {
    const std::string page = Visible(failure.page());
    if (const auto* foreign = failure.As<PageFailure::ForeignPage>()) {
      Add(0, "page " + Visible(foreign->page) +
                 " is no page of this program, so a run leaves it alone and stops there");
    } else if (const auto* unread = failure.As<PageFailure::NotWritten>()) {
      Add(0,
          "page " + page + " cannot be compared with the index file: " + ErrorText(unread->error));
    }
  }

  // Reports the `differing` pages of the `pages` a run writes in `folder`: each that is missing
  // or older than the index file's content, unless none of them is there at all.
  void ReportDifferingPages(Folder& folder, const std::vector<std::string>& differing,
                            std::int64_t pages) {
    std::vector<std::string> missing;
    for (const std::string& page : differing) {
      Result<EntryInfo> entry = folder.Inspect(page);
      if (entry && entry.value().kind == EntryInfo::Kind::kMissing) missing.push_back(page);
    }
    // A site never written is no change cut short.
    if (static_cast<std::int64_t>(missing.size()) == pages && emptyPages_.empty()) return;
    std::uint64_t listed = 0, unlisted = 0;
    for (const std::string& page : differing) {
      if (listed == kListedDroppedPairs) {
        ++unlisted;
        ++check_.problems;
        continue;
      }
      ++listed;
      const bool gone = std::find(missing.begin(), missing.end(), page) != missing.end();
      Add(0, "page " + Visible(page) +
                 (gone ? " is missing; the next run writes it"
                       : " is older than the index file's content; the next run writes it anew"));
    }
    if (unlisted != 0) {
      sink_({0, false,
             "and " + Plural(unlisted, "more page", "more pages") +
                 " that the next run writes, not listed"});
    }
  }

  // The journal of a change that an interrupted run left: only reported, never acted on. It is
  // read whole, as a run reads it, through the site folder's descriptor.
  void CheckJournal() {
    Result<std::unique_ptr<Folder>> opened = fs_.OpenFolder(check_.siteFolder);
    if (!opened) return;
    Folder& folder = *opened.value();
    auto read = ReadJournal(folder);
    if (read && !read.value()) return;
    const Journal* journal = read ? &*read.value() : nullptr;
    const std::string by =
        journal ? " of " + Visible(words_.Change(journal->change)) : std::string();
    const std::string left =
        "an interrupted run" + by + " left its journal " + Visible(std::string(kJournalName));
    const Result<void, JournalProblem> examined =
        journal ? ExamineJournal(folder, *journal) : Result<void, JournalProblem>();
    using Kind = JournalProblem::Kind;
    const JournalProblem* problem = examined.failure();
    const RunFailure failure = problem != nullptr ? JournalFailure(*problem, check_.siteFolder)
                                                  : RunFailure(RunFailure::NotFound{});
    if (const auto* unsettled = failure.As<RunFailure::JournalFileChanged>()) {
      Add(0, left + ", which can be neither finished nor undone: " +
                 Visible(UnsettledChangeText(*unsettled, words_)));
      return;
    }
    if (problem && problem->kind == Kind::kIndexChanged) {
      Add(0, left +
                 ", which can be neither finished nor undone, since the index file was edited "
                 "since; check the files it lists, then " +
                 Visible(words_.Step(NextStep::kAbandonChange, indexPath_)) + " removes it");
      return;
    }
    // A generation leaves a change whose pictures wait for the trash to the album's commands.
    const Result<bool, JournalProblem> waits =
        journal ? WaitsForTheTrash(folder, *journal) : Result<bool, JournalProblem>(false);
    const std::string who = waits && waits.value()
                                ? "the next album command here (" +
                                      words_.Step(NextStep::kFinishChange, "") + " without numbers)"
                                : "the next run that writes here";
    Add(0, left + "; " + who + " finishes or undoes that run");
  }

  void CheckSupportImages(const IndexHead& head) {
    bool missing = false;
    for (std::string_view image : SupportImages) {
      if (LookFor("support image", std::string(head.SupportFolder) + std::string(image), 0) !=
          FileState::kWhole) {
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
  const CommandWords& words_;
  SiteCheck check_;
  // The dropped pairs and the moves without one, listed or only counted.
  Listing droppedListed_;
  Listing shiftsListed_;
  // A thumbnail or picture numbered after the last picture, or "" when there is none.
  std::string fileBeyond_;
  // Whether the pictures and thumbnails are elsewhere (a URL), so that none can be looked for.
  bool filesElsewhere_ = false;
  // The entries that show a video beside their poster, and those that are albums.
  PageEntries entries_;
  // Whether the index file is one of the pages, and the pages found empty.
  bool indexIsAPage_ = false;
  std::set<std::string> emptyPages_;
};

}  // namespace

Result<SiteCheck, RunFailure> CheckSite(const std::string& indexPath, FileSystem& fs,
                                        const FindingSink& sink, const CommandWords& words) {
  Result<IndexText, RunFailure> loaded = LoadChosenIndexFile(indexPath, fs);
  if (auto* failure = loaded.failure()) return std::move(*failure);
  const IndexText& text = loaded.value();
  Result<IndexHead, IndexError> head = ParseIndexHead(text.bytes());
  if (const auto* error = head.failure()) {
    return IndexFailure(indexPath, *error);
  }
  return Checker(indexPath, fs, sink, words).Run(text, head.value());
}

}  // namespace quillmere
