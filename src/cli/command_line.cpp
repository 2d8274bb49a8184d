#include "cli/command_line.h"

#include <unistd.h>

#include <iostream>
#include <optional>
#include <variant>
#include <vector>

#include "check/site_check.h"
#include "check/support_images.h"
#include "cli/descriptor_stream.h"
#include "cli/progress_line.h"
#include "cli/shell_word.h"
#include "platform/signals.h"
#include "run/generate.h"
#include "run/message_text.h"
#include "version/version.h"

namespace quillmere {
namespace {

constexpr const char* kProgram = "quillmere-cli";
constexpr const char* kUsage =
    "Usage: quillmere-cli [--verbose] [--force] INDEX_FILE\n"
    "       quillmere-cli --check [--quiet] INDEX_FILE\n"
    "       quillmere-cli --add-support-images [--quiet] INDEX_FILE";

constexpr const char* kHelp =
    "Generates a picture-browsing web site from INDEX_FILE: index.html with a thumbnail grid\n"
    "and one ImageN.html page per picture, written into the index file's folder.\n"
    "\n"
    "      --check       write nothing; read INDEX_FILE as a run does and list on standard\n"
    "                    output, one line each as INDEX_FILE:LINE: ..., the thumbnails,\n"
    "                    pictures and support images that the pages would name but that are\n"
    "                    missing, the picture lines that a blank or comment line drops and\n"
    "                    whether the pictures after them stay in step, a last caption\n"
    "                    without its description, old ImageN.html pages beyond the last\n"
    "                    picture and a thumbnails-per-row value that is not a plain whole\n"
    "                    number; then a summary line. A picture commented out whole is a\n"
    "                    note. Names with a URL are not checked.\n"
    "      --add-support-images\n"
    "                    copy the twelve bundled support images into the support folder that\n"
    "                    INDEX_FILE names, creating it when needed; files already there are\n"
    "                    kept as they are\n"
    "  -q, --quiet       with --check, print only the problems; with --add-support-images,\n"
    "                    print nothing unless it fails\n"
    "  -v, --verbose     print a summary line after generating\n"
    "      --force       replace index.html and ImageN.html files in the folder even when\n"
    "                    they do not look like pages that Quillmere writes\n"
    "  -h, --help        show this help and exit\n"
    "      --version     show the version and exit\n"
    "\n"
    "Environment:\n"
    "  QUILLMERE_DATA_DIR  the folder whose \"support\" folder holds the bundled support\n"
    "                      images (otherwise ../share/quillmere beside the program)\n"
    "\n"
    "Exit status: 0 on success, 1 when the run failed or --check found a problem,\n"
    "2 on wrong usage. Messages that stop a run go to standard error.\n";

enum class Mode { kGenerate, kCheck, kAddSupportImages };

struct Options {
  bool help = false;
  bool version = false;
  bool verbose = false;
  bool quiet = false;
  bool force = false;
  std::vector<Mode> modes;
  std::vector<std::string> files;
  std::optional<std::string> unknownOption;
};

Options ParseOptions(std::span<const std::string> args) {
  Options options;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
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
    } else if (arg == "--check") {
      options.modes.push_back(Mode::kCheck);
    } else if (arg == "--add-support-images") {
      options.modes.push_back(Mode::kAddSupportImages);
    } else if (!options.unknownOption) {
      options.unknownOption = arg;
    }
  }
  return options;
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
    const StopOnSignals stopOnSignals(stop);
    outcome = GenerateSite(indexPath, fs, RunOptions{options.force, &stop, &progress});
    progress.Finish();
  }
  if (!outcome.ok()) {
    err << Visible(Describe(outcome)) << "\n";
    if (outcome.status == RunOutcome::Status::kForeignPage) {
      err << kProgram << ": --force replaces such pages anyway\n";
    }
    if (outcome.status == RunOutcome::Status::kStopped && outcome.stopReason > 0) {
      return 128 + outcome.stopReason;
    }
    return kExitFailure;
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

int AddSupport(const std::string& indexPath, bool quiet, std::ostream& out, std::ostream& err,
               FileSystem& fs) {
  SupportCopy copy = AddSupportImages(indexPath, fs);
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
  if (options.modes.size() > 1) {
    return UsageError(err, "--check and --add-support-images are used one at a time");
  }
  if (options.quiet && options.verbose) {
    return UsageError(err, "--quiet and --verbose cannot be used together");
  }
  if (options.force && !options.modes.empty()) {
    return UsageError(err, "--force is for generating a site");
  }
  if (options.files.size() != 1) {
    return UsageError(
        err, options.files.empty() ? "no index file given" : "only one index file can be given");
  }
  const std::string& indexPath = options.files.front();
  switch (options.modes.empty() ? Mode::kGenerate : options.modes.front()) {
    case Mode::kCheck:
      return Check(indexPath, options.quiet, out, err, fs);
    case Mode::kAddSupportImages:
      return AddSupport(indexPath, options.quiet, out, err, fs);
    case Mode::kGenerate:
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
  return RunCommandLine(args, Console{out, err, IsTerminal(STDERR_FILENO)}, fs);
}

}  // namespace quillmere
