#include "cli/command_line.h"

#include <optional>
#include <vector>

#include "run/generate.h"

namespace quillmere {
namespace {

constexpr const char* kProgram = "quillmere-cli";
constexpr const char* kUsage = "Usage: quillmere-cli [--verbose] INDEX_FILE";

constexpr const char* kHelp =
    "Generates a picture-browsing web site from INDEX_FILE: index.html with a thumbnail grid\n"
    "and one ImageN.html page per picture, written into the index file's folder.\n"
    "\n"
    "Options:\n"
    "  -v, --verbose  print a summary line after a successful run\n"
    "  -h, --help     show this help and exit\n"
    "      --version  show the version and exit\n"
    "\n"
    "Exit status: 0 on success, 1 when the run failed, 2 on wrong usage.\n";

struct Options {
  bool help = false;
  bool version = false;
  bool verbose = false;
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
    } else if (!options.unknownOption) {
      options.unknownOption = arg;
    }
  }
  return options;
}

int UsageError(std::ostream& err, const std::string& problem) {
  err << kProgram << ": " << problem << "\n" << kUsage << "\n";
  return kExitUsage;
}

void PrintSummary(std::ostream& out, const RunOutcome& outcome) {
  std::uint64_t pages = outcome.pages.written + outcome.pages.unchanged;
  out << pages << (pages == 1 ? " page" : " pages") << " in " << outcome.siteFolder << " ("
      << outcome.pages.written << " written, " << outcome.pages.unchanged
      << " already up to date)\n";
}

}  // namespace

int RunCommandLine(std::span<const std::string> args, std::ostream& out, std::ostream& err,
                   FileSystem& fs) {
  Options options = ParseOptions(args);
  if (options.unknownOption) return UsageError(err, "unknown option " + *options.unknownOption);
  if (options.help) {
    out << kUsage << "\n" << kHelp;
    return kExitOk;
  }
  if (options.version) {
    out << kProgram << " " << kVersion << "\n";
    return kExitOk;
  }
  if (options.files.size() != 1) {
    return UsageError(
        err, options.files.empty() ? "no index file given" : "only one index file can be given");
  }
  RunOutcome outcome = GenerateSite(options.files.front(), fs);
  if (!outcome.ok()) {
    err << outcome.message << "\n";
    return kExitFailure;
  }
  if (options.verbose) PrintSummary(out, outcome);
  return kExitOk;
}

}  // namespace quillmere
