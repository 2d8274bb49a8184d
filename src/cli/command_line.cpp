// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/command_line.h"

#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <iostream>
#include <limits>
#include <optional>
#include <variant>
#include <vector>

#include "album/album.h"
#include "album/picture_maker.h"
#include "check/site_check.h"
#include "cli/descriptor_stream.h"
#include "cli/progress_line.h"
#include "cli/shell_word.h"
#include "platform/signals.h"
#include "run/add_support_images.h"
#include "run/generate.h"
#include "run/message_text.h"
#include "version/version.h"

namespace quillmere {
namespace {

constexpr const char* kProgram = "quillmere-cli";
constexpr const char* kUsage =
    "Usage: quillmere-cli [--verbose] [--force] [--sync] [--no-wait] INDEX_FILE\n"
    "       quillmere-cli --check [--quiet] INDEX_FILE\n"
    "       quillmere-cli --add-support-images [--quiet] [--no-wait] INDEX_FILE\n"
    "       quillmere-cli --new-album [PICTURE_OPTIONS] [--verbose] PICTURES_FOLDER ALBUM_FOLDER\n"
    "       quillmere-cli --add-pictures [PICTURE_OPTIONS] [--verbose] [--force] INDEX_FILE "
    "PICTURE_OR_FOLDER...\n"
    "       quillmere-cli --make-thumbnails [--thumbnail-size WxH] [--remake] [LIMITS] "
    "[--verbose]\n"
    "                     [--force] INDEX_FILE\n"
    "       quillmere-cli --remove-pictures [--delete] [--verbose] [--force] INDEX_FILE [N...]\n"
    "       quillmere-cli --move-picture [--verbose] [--force] INDEX_FILE FROM TO";

constexpr const char* kHelp =
    "Generates a picture-browsing web site from INDEX_FILE: index.html with a thumbnail grid\n"
    "and one ImageN.html page per picture, written into the index file's folder.\n"
    "With --new-album, --add-pictures or --make-thumbnails it first makes an album's pictures\n"
    "and thumbnails from pictures of your own; --remove-pictures and --move-picture leave out\n"
    "or reorder an album's pictures with their files.\n"
    "PICTURE_OPTIONS are --picture-size, --thumbnail-size, --keep-metadata and LIMITS;\n"
    "LIMITS are --max-pixels and --max-memory.\n"
    "\n"
    "      --check       write nothing; read INDEX_FILE as a run does and list on standard\n"
    "                    output, one line each as INDEX_FILE:LINE: ..., the thumbnails,\n"
    "                    pictures and support images that the pages would name but that are\n"
    "                    missing, the picture lines that a blank or comment line drops, the\n"
    "                    lines from which captions and descriptions move by one line (told\n"
    "                    from what the file's own captions and descriptions look like, or\n"
    "                    said to be unclear), a last caption without its description, old\n"
    "                    ImageN.html pages beyond the last picture and a thumbnails-per-row\n"
    "                    value that is not a plain whole number; then a summary line. A\n"
    "                    picture commented out is a note only when the pictures after it\n"
    "                    stay in step and no picture file beyond the last one is left.\n"
    "                    Names with a URL are not checked.\n"
    "      --add-support-images\n"
    "                    copy the twelve bundled support images into the support folder that\n"
    "                    INDEX_FILE names, creating it when needed; files already there are\n"
    "                    kept as they are\n"
    "      --new-album   make a new album in ALBUM_FOLDER (created when missing; refused when\n"
    "                    it holds an index file or pages) from the pictures in PICTURES_FOLDER,\n"
    "                    ordered by the date taken, then by name: pictures/p1.jpg ...,\n"
    "                    thumbs/t1.jpg ..., the support images, index.txt and the site. Files\n"
    "                    that are no pictures are listed and left out; the originals are only\n"
    "                    read. Pictures are turned upright, made sRGB and stripped of all\n"
    "                    metadata, the place they were taken included\n"
    "      --add-pictures\n"
    "                    add the pictures given (or those in the folders given) to the album of\n"
    "                    INDEX_FILE after its last one: their pictures and thumbnails, their\n"
    "                    lines at the end of INDEX_FILE, whose bytes stay as they are, and the\n"
    "                    site; a picture that comes out byte for byte as one the album holds\n"
    "                    is left out with a note\n"
    "      --allow-duplicates\n"
    "                    with --add-pictures, add such pictures all the same\n"
    "      --make-thumbnails\n"
    "                    write the thumbnail of every picture of INDEX_FILE from the picture,\n"
    "                    except where the thumbnail is whole and not older than its picture\n"
    "                    and, when --thumbnail-size is given, has the size it gives; list\n"
    "                    missing or unreadable pictures with their line; then write the site\n"
    "      --remake      with --make-thumbnails, remake every thumbnail\n"
    "      --remove-pictures\n"
    "                    leave the pictures numbered N... out of the album of INDEX_FILE: their\n"
    "                    pairs of lines leave INDEX_FILE (all its other bytes stay), their\n"
    "                    pictures and thumbnails go to the desktop's trash, the files of the\n"
    "                    pictures after them are renumbered to stay with their captions, the\n"
    "                    site is written and its ImageN.html pages beyond the last picture are\n"
    "                    removed. With no N, only finish a removal that was interrupted\n"
    "      --delete      with --remove-pictures, delete the pictures' files instead\n"
    "      --move-picture\n"
    "                    move picture FROM of the album of INDEX_FILE to the place TO, its pair\n"
    "                    of lines and its files, and renumber those in between\n"
    "      --picture-size WxH|original\n"
    "                    fit pictures within W by H pixels (default 780x560, for the picture\n"
    "                    page's pop-up of 825x650); original keeps their size, and copies JPEGs\n"
    "                    byte for byte, metadata included\n"
    "      --thumbnail-size WxH\n"
    "                    fit thumbnails within W by H pixels (default 100x100, the index page's\n"
    "                    grid cell)\n"
    "      --keep-metadata\n"
    "                    keep on the fitted pictures what the originals record (date, camera,\n"
    "                    the place they were taken); thumbnails never carry it\n"
    "      --max-pixels N\n"
    "                    refuse pictures that declare more than N pixels (default 268402689,\n"
    "                    16383x16383), decided from their headers before they are decoded\n"
    "      --max-memory MIB\n"
    "                    refuse pictures whose making would need more than MIB mebibytes of\n"
    "                    memory (default 512), reckoned from their headers\n"
    "  -q, --quiet       with --check, print only the problems; with --add-support-images,\n"
    "                    print nothing unless it fails\n"
    "  -v, --verbose     print a summary line after generating; with pictures, also the\n"
    "                    image library's own words for those that cannot be read\n"
    "      --force       replace index.html and ImageN.html files in the folder even when\n"
    "                    they do not look like pages that Quillmere writes\n"
    "      --sync        flush the pages to the disk before they take their names, so that a\n"
    "                    power cut leaves each old or whole new (index files, pictures and\n"
    "                    thumbnails always are); otherwise the next run mends a page that a\n"
    "                    crash cut short\n"
    "      --no-wait     fail at once when another quillmere run is changing the same folder,\n"
    "                    instead of waiting for it to end\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Environment:\n"
    "  QUILLMERE_DATA_DIR  the folder whose \"support\" folder holds the bundled support\n"
    "                      images (otherwise ../share/quillmere beside the program)\n"
    "\n"
    "Exit status: 0 on success, 1 when the run failed, --check found a problem or a picture\n"
    "was listed as left out, 2 on wrong usage, 128 plus the signal's number when a signal\n"
    "stopped the work. Messages that stop a run and listed pictures go to standard error.\n";

enum class Mode {
  kGenerate,
  kCheck,
  kAddSupportImages,
  kNewAlbum,
  kAddPictures,
  kMakeThumbnails,
  kRemovePictures,
  kMovePicture
};

struct Options {
  bool help = false;
  bool version = false;
  bool verbose = false;
  bool quiet = false;
  bool force = false;
  bool keepMetadata = false;
  bool sync = false;
  bool noWait = false;
  bool remake = false;
  bool allowDuplicates = false;
  bool deleteRemoved = false;
  std::vector<Mode> modes;
  std::vector<std::string> files;
  std::optional<std::string> pictureSize;
  std::optional<std::string> thumbnailSize;
  std::optional<std::string> maxPixels;
  std::optional<std::string> maxMemory;
  std::optional<std::string> unknownOption;
  std::optional<std::string> missingValue;
};

// Takes the value of the option `name` from "NAME=VALUE" or from the argument after it; false
// when `arg` is not that option.
bool TakeValue(std::span<const std::string> args, std::size_t& i, std::string_view name,
               std::optional<std::string>& value, Options& options) {
  const std::string& arg = args[i];
  if (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=') {
    value = arg.substr(name.size() + 1);
    return true;
  }
  if (arg != name) return false;
  if (i + 1 < args.size()) {
    value = args[++i];
  } else if (!options.missingValue) {
    options.missingValue = arg;
  }
  return true;
}

Options ParseOptions(std::span<const std::string> args) {
  Options options;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg.front() != '-') {
      options.files.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
    } else if (arg == "--version") {
      options.version = true;
    } else if (arg == "-v" || arg == "--verbose") {
      options.verbose = true;
    } else if (arg == "-q" || arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--force") {
      options.force = true;
    } else if (arg == "--keep-metadata") {
      options.keepMetadata = true;
    } else if (arg == "--sync") {
      options.sync = true;
    } else if (arg == "--no-wait") {
      options.noWait = true;
    } else if (arg == "--remake") {
      options.remake = true;
    } else if (arg == "--allow-duplicates") {
      options.allowDuplicates = true;
    } else if (arg == "--delete") {
      options.deleteRemoved = true;
    } else if (arg == "--check") {
      options.modes.push_back(Mode::kCheck);
    } else if (arg == "--add-support-images") {
      options.modes.push_back(Mode::kAddSupportImages);
    } else if (arg == "--new-album") {
      options.modes.push_back(Mode::kNewAlbum);
    } else if (arg == "--add-pictures") {
      options.modes.push_back(Mode::kAddPictures);
    } else if (arg == "--make-thumbnails") {
      options.modes.push_back(Mode::kMakeThumbnails);
    } else if (arg == "--remove-pictures") {
      options.modes.push_back(Mode::kRemovePictures);
    } else if (arg == "--move-picture") {
      options.modes.push_back(Mode::kMovePicture);
    } else if (TakeValue(args, i, "--picture-size", options.pictureSize, options) ||
               TakeValue(args, i, "--thumbnail-size", options.thumbnailSize, options) ||
               TakeValue(args, i, "--max-pixels", options.maxPixels, options) ||
               TakeValue(args, i, "--max-memory", options.maxMemory, options)) {
      continue;
    } else if (!options.unknownOption) {
      options.unknownOption = arg;
    }
  }
  return options;
}

// The exit code of a run that failed with `failure`: 128 + the signal that stopped it, else 1.
int ExitCodeOf(const RunFailure& failure) {
  const bool bySignal = failure.status == RunFailure::Status::kStopped && failure.stopReason > 0;
  return bySignal ? ExitStatusForSignal(failure.stopReason) : kExitFailure;
}

int UsageError(std::ostream& err, const std::string& problem) {
  err << kProgram << ": " << Visible(problem) << "\n" << kUsage << "\n";
  return kExitUsage;
}

std::string Count(std::uint64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

void PrintSummary(std::ostream& out, const RunOutcome& outcome) {
  std::uint64_t pages = outcome.pages.written + outcome.pages.unchanged;
  out << pages << (pages == 1 ? " page" : " pages") << " in " << Visible(outcome.siteFolder) << " ("
      << outcome.pages.written << " written, " << outcome.pages.unchanged
      << " already up to date)\n";
}

// Tells on a terminal that the run waits for another; scripts wait without a word.
class WaitingMessage final : public LockWaiting {
 public:
  WaitingMessage(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}
  void WaitingFor(const std::string& folder) override {
    if (!terminal_) return;
    err_ << kProgram << ": waiting for another quillmere run on " << Visible(folder) << " to end\n";
    err_.flush();
  }

 private:
  std::ostream& err_;
  bool terminal_;
};

// The options of a run that changes a site, as the command line gives them.
RunOptions RunOptionsFrom(const Options& options, const StopRequest& stop, PageProgress* progress,
                          LockWaiting* waiting) {
  RunOptions run;
  run.replaceForeignPages = options.force;
  run.stop = &stop;
  run.progress = progress;
  run.wait = !options.noWait;
  run.waiting = waiting;
  run.sync = options.sync;
  return run;
}

// The pages written so far, on the progress line of a terminal.
class PagesOnProgressLine final : public PageProgress {
 public:
  PagesOnProgressLine(std::ostream& err, bool terminal) : line_(err, terminal, "Pages written:") {}
  void PagesDone(std::uint64_t done, std::uint64_t total) override { line_.Update(done, total); }
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
    PagesOnProgressLine progress(err, console.errIsTerminal);
    WaitingMessage waiting(err, console.errIsTerminal);
    const StopOnSignals stopOnSignals(stop);
    outcome = GenerateSite(indexPath, fs, RunOptionsFrom(options, stop, &progress, &waiting));
    progress.Finish();
  }
  if (!outcome.ok()) {
    err << Visible(Describe(outcome)) << "\n";
    if (outcome.status == RunOutcome::Status::kForeignPage) {
      err << kProgram << ": --force replaces such pages anyway\n";
    }
    return ExitCodeOf(outcome);
  }
  if (options.verbose) PrintSummary(out, outcome);
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
  std::variant<SiteCheck, RunFailure> result = CheckSite(indexPath, fs, print);
  if (const auto* failure = std::get_if<RunFailure>(&result)) {
    err << Visible(Describe(*failure)) << "\n";
    return kExitFailure;
  }
  const SiteCheck& check = std::get<SiteCheck>(result);
  if (!quiet) {
    if (check.supportImagesCanBeAdded) {
      out << file << ": hint: quillmere-cli --add-support-images " << Visible(ShellWord(indexPath))
          << " copies the missing support images\n";
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

int AddSupport(const std::string& indexPath, const Options& options, const Console& console,
               FileSystem& fs) {
  std::ostream& out = console.out;
  std::ostream& err = console.err;
  const bool quiet = options.quiet;
  StopRequest stop;
  WaitingMessage waiting(err, console.errIsTerminal);
  SupportRun run;
  {
    const StopOnSignals stopOnSignals(stop);
    run = AddSupportImages(indexPath, fs, RunOptionsFrom(options, stop, nullptr, &waiting));
  }
  if (run.refused) {
    err << Visible(Describe(*run.refused)) << "\n";
    return ExitCodeOf(*run.refused);
  }
  const SupportCopy& copy = run.copy;
  if (!quiet) {
    for (const std::string& name : copy.copied) out << "copied " << Visible(name) << "\n";
  }
  if (copy.failure) {
    err << Visible(Describe(*copy.failure)) << "\n";
    return kExitFailure;
  }
  for (const std::string& name : copy.dangling) {
    err << kProgram << ": " << Visible(name)
        << " is a symbolic link to a file that does not exist; it was left as it is\n";
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
    err << kProgram << ": could not write to standard output"
        << (error ? ": " + ErrorText(error) : std::string()) << "\n";
    if (code == kExitOk) code = kExitFailure;
  }
  err.flush();
  if (err.fail() && code == kExitOk) code = kExitFailure;
  return code;
}

// Whether the mode makes pictures or thumbnails.
bool MakesPictures(Mode mode) {
  return mode == Mode::kNewAlbum || mode == Mode::kAddPictures || mode == Mode::kMakeThumbnails;
}

bool IsAlbumMode(Mode mode) {
  return MakesPictures(mode) || mode == Mode::kRemovePictures || mode == Mode::kMovePicture;
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
std::variant<PictureLimits, std::string> LimitsFrom(const Options& options) {
  // A trillion pixels and a tebibyte are beyond any machine that runs this program.
  constexpr std::uint64_t kMostPixels = 1'000'000'000'000;
  constexpr std::uint64_t kMostMebibytes = std::uint64_t{1} << 20;
  PictureLimits limits;
  if (options.maxPixels) {
    std::optional<std::uint64_t> pixels = ReadCount(*options.maxPixels, 1, kMostPixels);
    if (!pixels) {
      return "--max-pixels takes a whole number of pixels from 1 to 1000000000000, not " +
             *options.maxPixels;
    }
    limits.maxPixels = *pixels;
  }
  if (options.maxMemory) {
    std::optional<std::uint64_t> mebibytes = ReadCount(*options.maxMemory, 1, kMostMebibytes);
    if (!mebibytes) {
      return "--max-memory takes a whole number of MiB from 1 to 1048576, not " +
             *options.maxMemory;
    }
    limits.maxMemory = *mebibytes << 20;
  }
  return limits;
}

// The sizes, metadata and limits of pictures and thumbnails the options ask for; the usage
// problem when they are not understood.
std::variant<AlbumOptions, std::string> SizesFrom(const Options& options) {
  AlbumOptions album;
  album.keepMetadata = options.keepMetadata;
  album.remake = options.remake;
  album.allowDuplicates = options.allowDuplicates;
  album.deleteRemoved = options.deleteRemoved;
  album.libraryText = options.verbose;
  std::variant<PictureLimits, std::string> limits = LimitsFrom(options);
  if (auto* problem = std::get_if<std::string>(&limits)) return std::move(*problem);
  album.limits = std::get<PictureLimits>(limits);
  if (options.pictureSize) {
    if (*options.pictureSize == "original") {
      album.pictureSize = std::nullopt;
    } else if (std::optional<FitBox> box = ReadSize(*options.pictureSize)) {
      album.pictureSize = box;
    } else {
      return "--picture-size takes WxH (from 1 to 100000 each) or original, not " +
             *options.pictureSize;
    }
  }
  if (options.thumbnailSize) {
    std::optional<FitBox> box = ReadSize(*options.thumbnailSize);
    if (!box) {
      return "--thumbnail-size takes WxH (from 1 to 100000 each), not " + *options.thumbnailSize;
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

// What is wrong with the use of the options, or "".
std::string UsageProblem(const Options& options, Mode mode) {
  if (options.modes.size() > 1) {
    return "--check, --add-support-images, --new-album, --add-pictures, --make-thumbnails, "
           "--remove-pictures and --move-picture are used one at a time";
  }
  if (options.missingValue) return *options.missingValue + " needs a value";
  if (options.quiet && options.verbose) return "--quiet and --verbose cannot be used together";
  if (options.force &&
      (mode == Mode::kNewAlbum || (mode != Mode::kGenerate && !IsAlbumMode(mode)))) {
    return "--force is for generating a site";
  }
  if (options.quiet && IsAlbumMode(mode)) {
    return "--quiet is for --check and --add-support-images";
  }
  if (options.sync && mode != Mode::kGenerate && !IsAlbumMode(mode)) {
    return "--sync is for generating a site and for the album's commands";
  }
  if (options.noWait && mode == Mode::kCheck) return "--no-wait is for commands that write";
  if (options.pictureSize && mode != Mode::kNewAlbum && mode != Mode::kAddPictures) {
    return "--picture-size is for --new-album and --add-pictures";
  }
  if (options.keepMetadata && mode != Mode::kNewAlbum && mode != Mode::kAddPictures) {
    return "--keep-metadata is for --new-album and --add-pictures";
  }
  if (options.thumbnailSize && !MakesPictures(mode)) {
    return "--thumbnail-size is for --new-album, --add-pictures and --make-thumbnails";
  }
  if (options.maxPixels && !MakesPictures(mode)) {
    return "--max-pixels is for --new-album, --add-pictures and --make-thumbnails";
  }
  if (options.maxMemory && !MakesPictures(mode)) {
    return "--max-memory is for --new-album, --add-pictures and --make-thumbnails";
  }
  if (options.remake && mode != Mode::kMakeThumbnails) return "--remake is for --make-thumbnails";
  if (options.allowDuplicates && mode != Mode::kAddPictures) {
    return "--allow-duplicates is for --add-pictures";
  }
  if (options.deleteRemoved && mode != Mode::kRemovePictures) {
    return "--delete is for --remove-pictures";
  }
  const std::size_t files = options.files.size();
  switch (mode) {
    case Mode::kNewAlbum:
      if (files != 2) return "--new-album takes a folder of pictures and an album folder";
      return "";
    case Mode::kAddPictures:
      if (files < 2) return "--add-pictures takes an index file and the pictures to add";
      return "";
    case Mode::kRemovePictures:
      if (files < 1 || !PictureNumbers(options.files)) {
        return "--remove-pictures takes an index file and the numbers of the pictures to remove";
      }
      return "";
    case Mode::kMovePicture:
      if (files != 3 || !PictureNumbers(options.files)) {
        return "--move-picture takes an index file, the number of a picture and the place to "
               "move it to";
      }
      return "";
    case Mode::kGenerate:
    case Mode::kCheck:
    case Mode::kAddSupportImages:
    case Mode::kMakeThumbnails:
      break;
  }
  if (files != 1) return files == 0 ? "no index file given" : "only one index file can be given";
  return "";
}

// The pictures made so far, then the pages written, on the progress line of a terminal.
class AlbumOnProgressLine final : public PictureProgress, public PageProgress {
 public:
  AlbumOnProgressLine(std::ostream& err, bool terminal)
      : pictures_(err, terminal, "Pictures made:"), pages_(err, terminal, "Pages written:") {}
  void PicturesDone(std::uint64_t done, std::uint64_t total) override {
    pictures_.Update(done, total);
  }
  void PagesDone(std::uint64_t done, std::uint64_t total) override {
    pictures_.Finish();
    pages_.Update(done, total);
  }
  void Finish() {
    pictures_.Finish();
    pages_.Finish();
  }

 private:
  ProgressLine pictures_;
  ProgressLine pages_;
};

void PrintProblems(const AlbumOutcome& outcome, std::ostream& err) {
  for (const PictureProblem& problem : outcome.problems) {
    if (problem.line != 0) {
      err << Visible(outcome.indexPath) << ":" << problem.line << ": " << Visible(problem.file)
          << " " << Visible(Describe(problem)) << "\n";
    } else {
      err << kProgram << ": " << Visible(problem.file) << " " << Visible(Describe(problem)) << "\n";
    }
  }
}

void PrintAlbumSummary(Mode mode, const AlbumOutcome& outcome, std::ostream& out) {
  switch (mode) {
    case Mode::kNewAlbum:
      out << Count(outcome.picturesAdded, "picture", "pictures") << " in "
          << Visible(outcome.indexPath) << "\n";
      break;
    case Mode::kAddPictures:
      out << Count(outcome.picturesAdded, "picture", "pictures") << " added to "
          << Visible(outcome.indexPath) << "\n";
      break;
    case Mode::kRemovePictures:
      out << Count(outcome.picturesRemoved, "picture", "pictures") << " removed from "
          << Visible(outcome.indexPath) << "\n";
      break;
    case Mode::kMovePicture:
      break;
    default:
      out << Count(outcome.thumbnailsWritten, "thumbnail", "thumbnails") << " written, "
          << outcome.thumbnailsUpToDate << " already up to date\n";
      break;
  }
  PrintSummary(out, outcome.site);
}

// Runs the album command of `mode` on `files` as `album` says.
AlbumOutcome RunAlbumCommand(Mode mode, const std::vector<std::string>& files,
                             const AlbumOptions& album, FileSystem& fs) {
  switch (mode) {
    case Mode::kNewAlbum:
      return MakeNewAlbum(files[0], files[1], fs, album);
    case Mode::kAddPictures:
      return AddPictures(files[0], {files.begin() + 1, files.end()}, fs, album);
    case Mode::kRemovePictures:
      return RemovePictures(files[0], *PictureNumbers(files), fs, album);
    case Mode::kMovePicture: {
      const std::vector<std::int64_t> places = *PictureNumbers(files);
      return MovePicture(files[0], places[0], places[1], fs, album);
    }
    default:
      return MakeThumbnails(files[0], fs, album);
  }
}

// What the command line adds to what the album's work says, where it has an option for it.
void PrintHints(const AlbumOutcome& outcome, std::ostream& err) {
  const AlbumFailure& failure = outcome.failure;
  if (failure.kind == AlbumFailure::Kind::kSite &&
      failure.run.status == RunFailure::Status::kForeignPage) {
    err << kProgram << ": --force replaces such pages anyway\n";
  }
  if (failure.kind == AlbumFailure::Kind::kNoTrash) {
    err << kProgram << ": --delete deletes the removed pictures instead\n";
  }
  if (failure.ok() && std::any_of(outcome.problems.begin(), outcome.problems.end(),
                                  [](const PictureProblem& problem) {
                                    return problem.kind == PictureProblem::Kind::kDuplicate;
                                  })) {
    err << kProgram << ": --allow-duplicates adds such pictures anyway\n";
  }
}

int RunAlbumMode(Mode mode, const Options& options, AlbumOptions album, const Console& console,
                 FileSystem& fs) {
  std::ostream& err = console.err;
  StopRequest stop;
  AlbumOutcome outcome;
  {
    AlbumOnProgressLine progress(err, console.errIsTerminal);
    WaitingMessage waiting(err, console.errIsTerminal);
    album.progress = &progress;
    album.run = RunOptionsFrom(options, stop, &progress, &waiting);
    const StopOnSignals stopOnSignals(stop);
    outcome = RunAlbumCommand(mode, options.files, album, fs);
    progress.Finish();
  }
  PrintProblems(outcome, err);
  if (!outcome.failure.ok()) err << Visible(Describe(outcome.failure)) << "\n";
  PrintHints(outcome, err);
  if (!outcome.failure.ok()) {
    const int signal = outcome.failure.kind == AlbumFailure::Kind::kStopped ||
                               outcome.failure.run.status == RunFailure::Status::kStopped
                           ? outcome.failure.run.stopReason
                           : 0;
    return signal > 0 ? ExitStatusForSignal(signal) : kExitFailure;
  }
  if (options.verbose) PrintAlbumSummary(mode, outcome, console.out);
  const bool onlyNotes = std::all_of(outcome.problems.begin(), outcome.problems.end(),
                                     [](const PictureProblem& problem) { return problem.note(); });
  return onlyNotes ? kExitOk : kExitFailure;
}

int Dispatch(std::span<const std::string> args, const Console& console, FileSystem& fs) {
  std::ostream& out = console.out;
  std::ostream& err = console.err;
  Options options = ParseOptions(args);
  if (options.unknownOption) return UsageError(err, "unknown option " + *options.unknownOption);
  if (options.help) {
    out << kUsage << "\n\n" << kHelp;
    return kExitOk;
  }
  if (options.version) {
    out << kProgram << " " << kVersionText << "\n";
    return kExitOk;
  }
  const Mode mode = options.modes.empty() ? Mode::kGenerate : options.modes.front();
  if (std::string problem = UsageProblem(options, mode); !problem.empty()) {
    return UsageError(err, problem);
  }
  if (IsAlbumMode(mode)) {
    std::variant<AlbumOptions, std::string> sizes = SizesFrom(options);
    if (auto* problem = std::get_if<std::string>(&sizes)) return UsageError(err, *problem);
    return RunAlbumMode(mode, options, std::get<AlbumOptions>(sizes), console, fs);
  }
  const std::string& indexPath = options.files.front();
  switch (mode) {
    case Mode::kCheck:
      return Check(indexPath, options.quiet, out, err, fs);
    case Mode::kAddSupportImages:
      return AddSupport(indexPath, options, console, fs);
    default:
      break;
  }
  return Generate(indexPath, options, console, fs);
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
  const int code = RunCommandLine(args, Console{out, err, IsTerminal(STDERR_FILENO)}, fs);
  // The image library's threads end before the program does.
  EndPictureLibrary();
  return code;
}

}  // namespace quillmere
