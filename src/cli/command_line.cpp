// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <iostream>
#include <limits>
#include <optional>
#include <variant>
#include <vector>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/add_pictures.h"
#include "album/commands/make_thumbnails.h"
#include "album/commands/move_picture.h"
#include "album/commands/new_album.h"
#include "album/commands/remove_pictures.h"
#include "album/pictures/picture_maker.h"
#include "check/site_check.h"
#include "cli/console_words.h"
#include "cli/descriptor_stream.h"
#include "cli/edit_command.h"
#include "cli/list_command.h"
#include "cli/options.h"
#include "cli/progress_line.h"
#include "cli/publish_command.h"
#include "cli/shell_word.h"
#include "paths/paths.h"
#include "platform/signals.h"
#include "run/abandon_change.h"
#include "run/add_support_images.h"
#include "run/generate.h"
#include "run/journal.h"
#include "run/message_text.h"
#include "run/progress_text.h"
#include "site/albums_below.h"
#include "site/page_output.h"
#include "version/version.h"

namespace quillmere {
namespace {

using Options = ParsedOptions;
using Id = OptionId;

// The pictures made and the pages written so far, on the progress line of a terminal.
class WorkOnProgressLine final : public PictureProgress, public PageProgress {
 public:
  WorkOnProgressLine(std::ostream& err, bool terminal, std::string album)
      : line_(err, terminal, std::move(album)) {}
  void PicturesDone(const WorkProgress& progress) override { line_.Update(progress); }
  void PagesDone(std::uint64_t done, std::uint64_t total) override {
    line_.Update(PageProgressInPictures(done, total));
  }
  void Finish() { line_.Finish(); }

 private:
  ProgressLine line_;
};

int Generate(const std::string& indexPath, const Options& options, const Console& console,
             FileSystem& fs) {
  std::ostream& out = console.out;
  std::ostream& err = console.err;
  StopRequest stop;
  RunOutcome outcome;
  {
    WorkOnProgressLine progress(
        err, console.errIsTerminal,
        console.errIsTerminal ? AlbumTitleOf(indexPath, fs) : std::string());
    WaitingMessage waiting(err, console.errIsTerminal);
    const StopOnSignals stopOnSignals(stop);
    outcome = GenerateSite(indexPath, fs, RunOptionsFrom(options, stop, &progress, &waiting));
    progress.Finish();
  }
  if (outcome.failure) {
    Tell(err, Visible(Describe(*outcome.failure, CommandLineWords())));
    PrintHint(*outcome.failure, indexPath, err);
    return ExitCodeOf(*outcome.failure);
  }
  if (options.Has(Id::kVerbose)) PrintSummary(out, outcome, indexPath);
  return kExitOk;
}

int Check(const std::string& indexPath, bool quiet, std::ostream& out, std::ostream& err,
          FileSystem& fs) {
  const std::string file = Visible(indexPath);
  auto print = [&](const Finding& finding) {
    if (quiet && finding.note) return;
    out << file;
    if (finding.line != 0) out << ":" << finding.line;
    out << ": " << finding.text << "\n";
  };
  Result<SiteCheck, RunFailure> result = CheckSite(indexPath, fs, print, CommandLineWords());
  if (const auto* failure = result.failure()) {
    Tell(err, Visible(Describe(*failure, CommandLineWords())));
    return kExitFailure;
  }
  const SiteCheck& check = result.value();
  if (!quiet) {
    const CommandWords& words = CommandLineWords();
    const std::string word = ShellWord(indexPath);
    if (check.supportImagesCanBeAdded) {
      out << file << ": hint: " << Visible(words.Step(NextStep::kAddSupportImages, word))
          << " copies the missing support images\n";
    }
    if (check.thumbnailsCanBeMade) {
      out << file << ": hint: " << Visible(words.Step(NextStep::kMakeThumbnails, word))
          << " makes the missing thumbnails from their pictures\n";
    }
    out << file << ": "
        << Count(static_cast<std::uint64_t>(check.pictureCount), "picture", "pictures") << ", "
        << Count(check.filesChecked, "file", "files") << " checked";
    if (check.namesNotChecked != 0) {
      out << ", " << Count(check.namesNotChecked, "URL", "URLs") << " not checked";
    }
    out << ", "
        << (check.problems == 0 ? "no problems" : Count(check.problems, "problem", "problems"));
    if (check.notes != 0) out << ", " << Count(check.notes, "note", "notes");
    out << "\n";
  }
  return check.problems == 0 ? kExitOk : kExitFailure;
}

int Abandon(const std::string& indexPath, const Options& options, const Console& console,
            FileSystem& fs) {
  StopRequest stop;
  WaitingMessage waiting(console.err, console.errIsTerminal);
  Result<bool, RunFailure> abandoned =
      AbandonChange(indexPath, fs, RunOptionsFrom(options, stop, nullptr, &waiting));
  if (const auto* failure = abandoned.failure()) {
    Tell(console.err, Visible(Describe(*failure, CommandLineWords())));
    return ExitCodeOf(*failure);
  }
  if (options.Has(Id::kQuiet)) return kExitOk;
  const std::string journal = Visible(FolderAsGiven(indexPath) + std::string(kJournalName));
  if (abandoned.value()) {
    console.out << "Removed the journal " << journal
                << " of an interrupted change; the album stays as it now stands.\n";
  } else {
    console.out << "There is no journal " << journal << "; nothing was changed.\n";
  }
  return kExitOk;
}

int AddSupport(const std::string& indexPath, const Options& options, const Console& console,
               FileSystem& fs) {
  std::ostream& out = console.out;
  std::ostream& err = console.err;
  const bool quiet = options.Has(Id::kQuiet);
  StopRequest stop;
  WaitingMessage waiting(err, console.errIsTerminal);
  SupportRun run;
  {
    const StopOnSignals stopOnSignals(stop);
    run = AddSupportImages(indexPath, fs, RunOptionsFrom(options, stop, nullptr, &waiting));
  }
  if (run.refused) {
    Tell(err, Visible(Describe(*run.refused, CommandLineWords())));
    return ExitCodeOf(*run.refused);
  }
  const SupportCopy& copy = run.copy;
  if (!quiet) {
    for (const std::string& name : copy.copied) out << "copied " << Visible(name) << "\n";
  }
  if (copy.failure) {
    Tell(err, Visible(Describe(*copy.failure)));
    return kExitFailure;
  }
  for (const std::string& name : copy.dangling) {
    Tell(err,
         Visible(name) + " is a symbolic link to a file that does not exist; it was left as it is");
  }
  if (!quiet) {
    std::string into = Visible(copy.into);
    if (copy.copied.empty() && copy.dangling.empty()) {
      out << "All " << copy.present.size() << " support images are already in " << into
          << "; nothing copied\n";
    } else {
      out << Count(copy.copied.size(), "support image", "support images") << " copied from "
          << Visible(copy.from) << " into " << into;
      if (!copy.present.empty()) out << ", " << copy.present.size() << " already there";
      if (!copy.dangling.empty()) out << ", " << copy.dangling.size() << " left missing";
      out << "\n";
    }
  }
  return copy.dangling.empty() ? kExitOk : kExitFailure;
}

// Flushes both streams; a write that failed on either turns success into failure.
int FinishOutput(std::ostream& out, std::ostream& err, int code) {
  out.flush();
  if (out.fail()) {
    const std::error_code error = StreamError(out);
    Tell(err,
         "could not write to standard output" + (error ? ": " + ErrorText(error) : std::string()));
    if (code == kExitOk) code = kExitFailure;
  }
  err.flush();
  if (err.fail() && code == kExitOk) code = kExitFailure;
  return code;
}

// Reads "WxH" as a box of whole numbers from 1 to 100000; none when it is not one.
std::optional<FitBox> ReadSize(std::string_view text) {
  constexpr int kMost = 100000;
  FitBox box;
  const char* end = text.data() + text.size();
  auto [afterWidth, widthError] = std::from_chars(text.data(), end, box.width);
  if (widthError != std::errc() || afterWidth == end ||
      (*afterWidth != 'x' && *afterWidth != 'X')) {
    return std::nullopt;
  }
  auto [afterHeight, heightError] = std::from_chars(afterWidth + 1, end, box.height);
  if (heightError != std::errc() || afterHeight != end || afterWidth + 1 == end) {
    return std::nullopt;
  }
  if (box.width < 1 || box.height < 1 || box.width > kMost || box.height > kMost) {
    return std::nullopt;
  }
  return box;
}

// Reads a whole number from `least` to `most`; none when `text` is not one.
std::optional<std::uint64_t> ReadCount(std::string_view text, std::uint64_t least,
                                       std::uint64_t most) {
  std::uint64_t value = 0;
  const char* end = text.data() + text.size();
  auto [after, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || after != end || value < least || value > most) return std::nullopt;
  return value;
}

// The limits of pictures the options ask for; the usage problem when they are not understood.
Result<PictureLimits, std::string> LimitsFrom(const Options& options) {
  // A trillion pixels and a tebibyte are beyond any machine that runs this program.
  constexpr std::uint64_t kMostPixels = 1'000'000'000'000;
  constexpr std::uint64_t kMostMebibytes = std::uint64_t{1} << 20;
  PictureLimits limits;
  const std::optional<std::string> maxPixels = options.Value(Id::kMaxPixels);
  const std::optional<std::string> maxMemory = options.Value(Id::kMaxMemory);
  if (maxPixels) {
    std::optional<std::uint64_t> pixels = ReadCount(*maxPixels, 1, kMostPixels);
    if (!pixels) {
      return "--max-pixels takes a whole number of pixels from 1 to 1000000000000, not " +
             *maxPixels;
    }
    limits.maxPixels = *pixels;
  }
  if (maxMemory) {
    std::optional<std::uint64_t> mebibytes = ReadCount(*maxMemory, 1, kMostMebibytes);
    if (!mebibytes) {
      return "--max-memory takes a whole number of MiB from 1 to 1048576, not " + *maxMemory;
    }
    limits.maxMemory = *mebibytes << 20;
  }
  return limits;
}

// The sizes, metadata and limits of pictures and thumbnails the options ask for; the usage
// problem when they are not understood.
Result<AlbumOptions, std::string> SizesFrom(const Options& options) {
  AlbumOptions album;
  album.keepMetadata = options.Has(Id::kKeepMetadata);
  album.remake = options.Has(Id::kRemake);
  album.allowDuplicates = options.Has(Id::kAllowDuplicates);
  album.deleteRemoved = options.Has(Id::kDelete);
  album.libraryText = options.Has(Id::kVerbose);
  Result<PictureLimits, std::string> limits = LimitsFrom(options);
  if (auto* problem = limits.failure()) return std::move(*problem);
  album.limits = limits.value();
  const std::optional<std::string> pictureSize = options.Value(Id::kPictureSize);
  const std::optional<std::string> thumbnailSize = options.Value(Id::kThumbnailSize);
  if (pictureSize) {
    if (*pictureSize == "original") {
      album.pictureSize = std::nullopt;
    } else if (std::optional<FitBox> box = ReadSize(*pictureSize)) {
      album.pictureSize = box;
    } else {
      return "--picture-size takes WxH (from 1 to 100000 each) or original, not " + *pictureSize;
    }
  }
  if (const std::optional<std::string> videoSize = options.Value(Id::kVideoSize)) {
    std::optional<FitBox> box = ReadSize(*videoSize);
    if (!box) return "--video-size takes WxH (from 1 to 100000 each), not " + *videoSize;
    album.videoSize = *box;
  }
  if (const std::optional<std::string> seconds = options.Value(Id::kMaxVideoSeconds)) {
    // A year is beyond any video a phone or camera makes.
    constexpr std::uint64_t kMostSeconds = std::uint64_t{366} * 24 * 3600;
    std::optional<std::uint64_t> most = ReadCount(*seconds, 1, kMostSeconds);
    if (!most) {
      return "--max-video-seconds takes a whole number of seconds from 1 to 31622400, not " +
             *seconds;
    }
    album.maxVideoMilliseconds = *most * 1000;
  }
  if (thumbnailSize) {
    std::optional<FitBox> box = ReadSize(*thumbnailSize);
    if (!box) {
      return "--thumbnail-size takes WxH (from 1 to 100000 each), not " + *thumbnailSize;
    }
    album.thumbnailSize = *box;
    album.thumbnailSizeAsked = true;
  }
  return album;
}

// The picture numbers given after the index file in `files`; none when one is no whole number
// from 1 on.
std::optional<std::vector<std::int64_t>> PictureNumbers(const std::vector<std::string>& files) {
  constexpr auto kMost = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::vector<std::int64_t> numbers;
  for (std::size_t i = 1; i < files.size(); ++i) {
    std::optional<std::uint64_t> number = ReadCount(files[i], 1, kMost);
    if (!number) return std::nullopt;
    numbers.push_back(static_cast<std::int64_t>(*number));
  }
  return numbers;
}

// Tells of the files the work left out or could not make, one line each; the pictures the album
// holds already and the other files passed over (sidecars, texts) are counted in one line each,
// and named only when `verbose`.
void PrintProblems(const AlbumOutcome& outcome, bool verbose, std::ostream& err) {
  std::uint64_t others = 0;
  std::uint64_t inAlbum = 0;
  for (const PictureProblem& problem : outcome.problems) {
    if (problem.kind == PictureProblem::Kind::kOtherFile ||
        problem.kind == PictureProblem::Kind::kInAlbum) {
      ++(problem.kind == PictureProblem::Kind::kOtherFile ? others : inAlbum);
      if (!verbose) continue;
    }
    // A picture named by a line of the index file is told of at that line.
    const std::string where =
        problem.line != 0 ? Visible(outcome.indexPath) + ":" + std::to_string(problem.line) + ": "
                          : std::string();
    Tell(err, where + Visible(problem.file) + " " + Visible(Describe(problem, CommandLineWords())));
  }
  if (inAlbum != 0) {
    Tell(err, Count(inAlbum, "picture is", "pictures are") + " in the album already" +
                  (verbose ? "" : " (--verbose names them)"));
  }
  if (others != 0) {
    Tell(err, Count(others, "other file", "other files") + " left out" +
                  (verbose ? "" : " (--verbose names them)"));
  }
}

// "picture 3", or "pictures 3, 5 and 7": the numbers given, each once, in their order.
std::string PicturesNumbered(std::vector<std::int64_t> numbers) {
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::string text = numbers.size() == 1 ? "picture " : "pictures ";
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) text += i + 1 == numbers.size() ? " and " : ", ";
    text += std::to_string(numbers[i]);
  }
  return text;
}

// The operand problems of the commands, "" when their operands are right.
std::string OneIndexFile(const std::vector<std::string>& files) {
  if (files.size() == 1) return "";
  return files.empty() ? "no index file given" : "only one index file can be given";
}

std::string NewAlbumOperands(const std::vector<std::string>& files) {
  return files.size() == 2 ? "" : "--new-album takes a folder of pictures and an album folder";
}

std::string AddPicturesOperands(const std::vector<std::string>& files) {
  return files.size() >= 2 ? "" : "--add-pictures takes an index file and the pictures to add";
}

std::string PublishOperands(const std::vector<std::string>& files) {
  if (files.size() == 1 || files.size() == 2) return "";
  return "--publish takes an index file and, the first time, a destination";
}

std::string RemovePicturesOperands(const std::vector<std::string>& files) {
  if (!files.empty() && PictureNumbers(files)) return "";
  return "--remove-pictures takes an index file and the numbers of the pictures to remove";
}

std::string MovePictureOperands(const std::vector<std::string>& files) {
  if (files.size() == 3 && PictureNumbers(files)) return "";
  return "--move-picture takes an index file, the number of a picture and the place to move it "
         "to";
}

// The album commands on their operands `files`, as `album` says.
AlbumOutcome RunNewAlbum(const std::vector<std::string>& files, const AlbumOptions& album,
                         FileSystem& fs) {
  return MakeNewAlbum(files[0], files[1], fs, album);
}

AlbumOutcome RunAddPictures(const std::vector<std::string>& files, const AlbumOptions& album,
                            FileSystem& fs) {
  return AddPictures(files[0], {files.begin() + 1, files.end()}, fs, album);
}

AlbumOutcome RunRemovePictures(const std::vector<std::string>& files, const AlbumOptions& album,
                               FileSystem& fs) {
  return RemovePictures(files[0], *PictureNumbers(files), fs, album);
}

AlbumOutcome RunMovePicture(const std::vector<std::string>& files, const AlbumOptions& album,
                            FileSystem& fs) {
  const std::vector<std::int64_t> places = *PictureNumbers(files);
  return MovePicture(files[0], places[0], places[1], fs, album);
}

AlbumOutcome RunMakeThumbnails(const std::vector<std::string>& files, const AlbumOptions& album,
                               FileSystem& fs) {
  return MakeThumbnails(files[0], fs, album);
}

// "N pictures" of the album after the command.
std::string PicturesNow(const AlbumOutcome& outcome) {
  return Count(static_cast<std::uint64_t>(outcome.site.pictureCount), "picture", "pictures");
}

// What each album command did, in the words of its summary.
std::string NewAlbumDone(const Options& /*options*/, const AlbumOutcome& outcome) {
  std::string made = PicturesAndVideos(outcome.picturesAdded, outcome.videosAdded) + " made";
  if (outcome.albumsMade <= 1) return made;
  return made + " in " + Count(outcome.albumsMade, "album", "albums");
}

std::string AddPicturesDone(const Options& /*options*/, const AlbumOutcome& outcome) {
  std::string added = PicturesAndVideos(outcome.picturesAdded, outcome.videosAdded) + " added";
  if (outcome.albumsMade > 0)
    added += " (" + Count(outcome.albumsMade, "new album", "new albums") + ")";
  return added + ", " + PicturesNow(outcome);
}

std::string RemovePicturesDone(const Options& options, const AlbumOutcome& outcome) {
  const std::vector<std::int64_t> numbers = *PictureNumbers(options.operands);
  if (numbers.empty()) return "nothing removed, " + PicturesNow(outcome);
  return PicturesNumbered(numbers) + " removed" +
         (options.Has(Id::kDelete) ? " (deleted), " : " (to the trash), ") + PicturesNow(outcome);
}

std::string MovePictureDone(const Options& options, const AlbumOutcome& outcome) {
  const std::vector<std::int64_t> places = *PictureNumbers(options.operands);
  return "picture " + std::to_string(places[0]) + " moved to place " + std::to_string(places[1]) +
         ", " + PicturesNow(outcome);
}

std::string MakeThumbnailsDone(const Options& /*options*/, const AlbumOutcome& outcome) {
  return Count(outcome.thumbnailsWritten, "thumbnail", "thumbnails") + " made, " +
         std::to_string(outcome.thumbnailsUpToDate) + " up to date";
}

// The line --verbose prints first after each album command: what it did in numbers.
std::string NewAlbumDetails(const AlbumOutcome& outcome) {
  return PicturesAndVideos(outcome.picturesAdded, outcome.videosAdded) + " in " +
         Visible(outcome.indexPath) + "\n";
}

std::string AddPicturesDetails(const AlbumOutcome& outcome) {
  return PicturesAndVideos(outcome.picturesAdded, outcome.videosAdded) + " added to " +
         Visible(outcome.indexPath) + "\n";
}

std::string RemovePicturesDetails(const AlbumOutcome& outcome) {
  return Count(outcome.picturesRemoved, "picture", "pictures") + " removed from " +
         Visible(outcome.indexPath) + "\n";
}

std::string NoDetails(const AlbumOutcome& /*outcome*/) {
  return "";
}

std::string MakeThumbnailsDetails(const AlbumOutcome& outcome) {
  return Count(outcome.thumbnailsWritten, "thumbnail", "thumbnails") + " written, " +
         std::to_string(outcome.thumbnailsUpToDate) + " already up to date\n";
}

// How the command line runs and reports an album command.
struct AlbumRow {
  AlbumOutcome (*run)(const std::vector<std::string>& files, const AlbumOptions& album,
                      FileSystem& fs);
  std::string (*done)(const Options& options, const AlbumOutcome& outcome);
  std::string (*details)(const AlbumOutcome& outcome);
  // Whether the command works on every album of a tree below the index file's, one at a time.
  bool walksTree = false;
};

// One command of quillmere-cli: the check of its operands, and how it runs: an album command by
// its row, the others by a function of their own.
struct CommandRow {
  Mode mode;
  std::string (*operandProblem)(const std::vector<std::string>& files);
  int (*run)(const Options& options, const Console& console, FileSystem& fs);
  std::optional<AlbumRow> album;
};

// The name of the album that the command of `mode` works on, for its progress on a terminal: the
// title a new album takes, the index file's title otherwise. Only a terminal shows progress, so
// elsewhere the index file is not read for it.
std::string AlbumNameOfCommand(Mode mode, const Options& options, const Console& console,
                               FileSystem& fs) {
  if (!console.errIsTerminal) return "";
  if (mode == Mode::kNewAlbum) return AlbumNameOf(NewAlbumTitle(options.operands[0]), "");
  return AlbumTitleOf(options.operands.front(), fs);
}

// Says once that thumbnails of the size asked for will not fit the index page's cells.
void WarnOfLargeThumbnails(const AlbumOptions& album, std::ostream& err) {
  const FitBox& size = album.thumbnailSize;
  const FitBox& cell = kDefaultThumbnailSize;
  if (!album.thumbnailSizeAsked || (size.width <= cell.width && size.height <= cell.height)) {
    return;
  }
  Tell(err, "thumbnails of " + std::to_string(size.width) + "x" + std::to_string(size.height) +
                " are larger than the index page's " + std::to_string(cell.width) + "x" +
                std::to_string(cell.height) + " cells and will overflow them");
}

// The one line that ends an album command: the album by its title, what was done, and where its
// site is.
std::string AlbumSummary(const AlbumRow& row, const Options& options, const AlbumOutcome& outcome) {
  const std::string album = AlbumNameOf(outcome.site.title, outcome.indexPath);
  return Visible(album) + ": " + row.done(options, outcome) + ", site in " +
         Visible(outcome.site.siteFolder + std::string(kIndexPageName));
}

// Runs the album command of `row` once, on the operands of `options`, and reports it.
int RunOneAlbum(Mode mode, const AlbumRow& row, const Options& options, AlbumOptions album,
                StopRequest& stop, const Console& console, FileSystem& fs) {
  std::ostream& err = console.err;
  AlbumOutcome outcome;
  {
    WorkOnProgressLine progress(err, console.errIsTerminal,
                                AlbumNameOfCommand(mode, options, console, fs));
    WaitingMessage waiting(err, console.errIsTerminal);
    album.progress = &progress;
    album.run = RunOptionsFrom(options, stop, &progress, &waiting);
    outcome = row.run(options.operands, album, fs);
    progress.Finish();
  }
  PrintProblems(outcome, options.Has(Id::kVerbose), err);
  if (outcome.failure) Tell(err, Visible(Describe(*outcome.failure, CommandLineWords())));
  PrintHints(outcome, err);
  if (outcome.failure) return ExitCodeOf(*outcome.failure);
  if (options.Has(Id::kVerbose)) {
    console.out << row.details(outcome);
    PrintSummary(console.out, outcome.site, outcome.indexPath);
  }
  if (!options.Has(Id::kQuiet)) console.out << AlbumSummary(row, options, outcome) << "\n";
  const bool onlyNotes = std::all_of(outcome.problems.begin(), outcome.problems.end(),
                                     [](const PictureProblem& problem) { return problem.note(); });
  return onlyNotes ? kExitOk : kExitFailure;
}

int RunAlbumMode(Mode mode, const AlbumRow& row, const Options& options, const AlbumOptions& album,
                 const Console& console, FileSystem& fs) {
  WarnOfLargeThumbnails(album, console.err);
  StopRequest stop;
  const StopOnSignals stopOnSignals(stop);
  int code = RunOneAlbum(mode, row, options, album, stop, console, fs);
  if (!row.walksTree) return code;
  // Each album below is worked on under its own lock, and one that fails does not keep the
  // others from their turn; a stop ends the walk.
  for (const std::string& below : AlbumsBelow(options.operands.front(), fs)) {
    if (stop.requested()) break;
    Options one = options;
    one.operands.front() = below;
    const int belowCode = RunOneAlbum(mode, row, one, album, stop, console, fs);
    if (code == kExitOk) code = belowCode;
  }
  return code;
}

// The commands that work on one index file and are no album commands.
int RunGenerate(const Options& options, const Console& console, FileSystem& fs) {
  return Generate(options.operands.front(), options, console, fs);
}

// Checks the album of the index file and every album of a tree below it, each finding and summary
// under its own index file's name.
int RunCheck(const Options& options, const Console& console, FileSystem& fs) {
  const std::string& top = options.operands.front();
  const bool quiet = options.Has(Id::kQuiet);
  int code = Check(top, quiet, console.out, console.err, fs);
  for (const std::string& below : AlbumsBelow(top, fs)) {
    if (Check(below, quiet, console.out, console.err, fs) != kExitOk) code = kExitFailure;
  }
  return code;
}

int RunList(const Options& options, const Console& console, FileSystem& fs) {
  return List(options.operands.front(), console, fs);
}

int RunEdit(const Options& options, const Console& console, FileSystem& fs) {
  return Edit(options.operands.front(), options, console, fs);
}

int RunAddSupport(const Options& options, const Console& console, FileSystem& fs) {
  return AddSupport(options.operands.front(), options, console, fs);
}

int RunPublish(const Options& options, const Console& console, FileSystem& fs) {
  return PublishAlbum(options, console, fs);
}

int RunAbandon(const Options& options, const Console& console, FileSystem& fs) {
  return Abandon(options.operands.front(), options, console, fs);
}

// Every command, one row each.
const std::array<CommandRow, 12> kCommands = {{
    {Mode::kGenerate, OneIndexFile, RunGenerate, std::nullopt},
    {Mode::kCheck, OneIndexFile, RunCheck, std::nullopt},
    {Mode::kList, OneIndexFile, RunList, std::nullopt},
    {Mode::kEdit, OneIndexFile, RunEdit, std::nullopt},
    {Mode::kAddSupportImages, OneIndexFile, RunAddSupport, std::nullopt},
    {Mode::kAbandonChange, OneIndexFile, RunAbandon, std::nullopt},
    {Mode::kPublish, PublishOperands, RunPublish, std::nullopt},
    {Mode::kNewAlbum, NewAlbumOperands, nullptr,
     AlbumRow{RunNewAlbum, NewAlbumDone, NewAlbumDetails}},
    {Mode::kAddPictures, AddPicturesOperands, nullptr,
     AlbumRow{RunAddPictures, AddPicturesDone, AddPicturesDetails}},
    {Mode::kRemovePictures, RemovePicturesOperands, nullptr,
     AlbumRow{RunRemovePictures, RemovePicturesDone, RemovePicturesDetails}},
    {Mode::kMovePicture, MovePictureOperands, nullptr,
     AlbumRow{RunMovePicture, MovePictureDone, NoDetails}},
    {Mode::kMakeThumbnails, OneIndexFile, nullptr,
     AlbumRow{RunMakeThumbnails, MakeThumbnailsDone, MakeThumbnailsDetails, true}},
}};

// The row of the command `mode`.
const CommandRow& RowOf(Mode mode) {
  return *std::find_if(kCommands.begin(), kCommands.end(),
                       [mode](const CommandRow& row) { return row.mode == mode; });
}

// What is wrong with the use of the options, or "".
std::string UsageProblem(const Options& options, const CommandRow& row) {
  if (options.modes.size() > 1) {
    std::string commands;
    for (const OptionRow& option : OptionTable()) {
      if (!option.command) continue;
      commands += (commands.empty() ? "" : ", ") + std::string(option.name);
    }
    return commands.replace(commands.rfind(", "), 2, " and ") + " are used one at a time";
  }
  if (options.missingValue) return *options.missingValue + " needs a value";
  if (options.Has(Id::kQuiet) && options.Has(Id::kVerbose)) {
    return "--quiet and --verbose cannot be used together";
  }
  if (std::string problem = OptionNotForMode(options); !problem.empty()) return problem;
  return row.operandProblem(options.operands);
}

int Dispatch(std::span<const std::string> args, const Console& console, FileSystem& fs) {
  std::ostream& out = console.out;
  std::ostream& err = console.err;
  Options options = ParseOptions(args);
  if (options.unknownOption) return UsageError(err, "unknown option " + *options.unknownOption);
  if (options.Has(Id::kHelp)) {
    out << HelpText();
    return kExitOk;
  }
  if (options.Has(Id::kVersion)) {
    out << kProgram << " " << kVersionText << "\n";
    return kExitOk;
  }
  const CommandRow& row = RowOf(options.mode());
  if (std::string problem = UsageProblem(options, row); !problem.empty()) {
    return UsageError(err, problem);
  }
  if (!row.album) return row.run(options, console, fs);
  Result<AlbumOptions, std::string> sizes = SizesFrom(options);
  if (auto* problem = sizes.failure()) return UsageError(err, *problem);
  return RunAlbumMode(row.mode, *row.album, options, sizes.value(), console, fs);
}

}  // namespace

int RunCommandLine(std::span<const std::string> args, const Console& console, FileSystem& fs) {
  return FinishOutput(console.out, console.err, Dispatch(args, console, fs));
}

int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   FileSystem& fs) {
  return RunCommandLine(args, Console{out, err, false}, fs);
}

int RunProgram(int argc, char** argv) {
  // Past the file-size limit a write then fails with a message, instead of ending the program.
  IgnoreFileSizeSignal();
  DescriptorStreamBuffer outBuffer(STDOUT_FILENO), errBuffer(STDERR_FILENO);
  std::ostream out(&outBuffer), err(&errBuffer);
  std::vector<std::string> args(argv + 1, argv + argc);
  PosixFileSystem fs;
  const int code = RunCommandLine(args,
                                  Console{out, err, IsTerminal(STDERR_FILENO),
                                          IsTerminal(STDOUT_FILENO), IsTerminal(STDIN_FILENO)},
                                  fs);
  // The image library's threads end before the program does.
  EndPictureLibrary();
  return code;
}

}  // namespace quillmere
