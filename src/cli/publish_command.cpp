// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/publish_command.h"

#include <chrono>
#include <optional>
#include <string>

#include "cli/console_words.h"
#include "paths/paths.h"
#include "platform/signals.h"
#include "publish/publish_words.h"
#include "publish/remembered_destination.h"
#include "run/message_text.h"
#include "run/progress_text.h"

namespace quillmere {
namespace {

using Id = OptionId;

// The bytes sent and the time left, on one line of a terminal rewritten in place.
class SendingLine {
 public:
  SendingLine(std::ostream& err, bool terminal, std::string album)
      : err_(err), terminal_(terminal), album_(std::move(album)) {}
  SendingLine(const SendingLine&) = delete;
  SendingLine& operator=(const SendingLine&) = delete;
  ~SendingLine() { Finish(); }

  void Update(const PublishProgress& progress) {
    const auto now = std::chrono::steady_clock::now();
    if (!terminal_ || now - shown_ < std::chrono::milliseconds(100)) return;
    shown_ = now;
    std::string line = album_ + ": publishing, " + std::to_string(progress.bytes) + " bytes, " +
                       std::to_string(progress.percent) + "%";
    if (!progress.timeLeft.empty()) line += ", " + progress.timeLeft + " left";
    const std::size_t length = line.size();
    if (line.size() < length_) line.append(length_ - line.size(), ' ');
    err_ << '\r' << line << std::flush;
    length_ = length;
  }

  void Finish() {
    if (length_ == 0) return;
    err_ << '\r' << std::string(length_, ' ') << '\r' << std::flush;
    length_ = 0;
  }

 private:
  std::ostream& err_;
  bool terminal_;
  std::string album_;
  std::chrono::steady_clock::time_point shown_{};
  std::size_t length_ = 0;
};

}  // namespace

int PublishAlbum(const ParsedOptions& options, const Console& console, FileSystem& fs) {
  const std::string& indexPath = options.operands.front();
  const std::string folder = FolderAsGiven(indexPath);
  std::optional<std::string> text;
  if (options.operands.size() > 1) {
    text = options.operands[1];
  } else {
    text = RememberedDestination(folder, fs);
  }
  if (!text) {
    return UsageError(console.err, Visible(indexPath) +
                                       " was never published: give its destination, "
                                       "quillmere-cli --publish INDEX_FILE DESTINATION");
  }
  Result<Destination, DestinationProblem> destination = ParseDestination(*text);
  if (auto* problem = destination.failure()) {
    return UsageError(console.err, Visible(DescribeDestinationProblem(*problem, *text)));
  }
  const bool dryRun = options.Has(Id::kDryRun);
  StopRequest stop;
  const StopOnSignals stopOnSignals(stop);
  const std::string album = AlbumNameOf(AlbumTitleOf(indexPath, fs), indexPath);
  SendingLine line(console.err, console.errIsTerminal, album);
  PublishOptions publish;
  publish.dryRun = dryRun;
  publish.stop = &stop;
  publish.progress = [&](const PublishProgress& progress) { line.Update(progress); };
  Result<PublishOutcome, PublishFailure> outcome =
      Publish(indexPath, destination.value(), fs, publish);
  line.Finish();
  if (auto* failure = outcome.failure()) {
    Tell(console.err,
         Visible(DescribePublishFailure(*failure, indexPath, destination.value(), false)));
    if (failure->kind == PublishFailure::Kind::kStopped && stop.reason() > 0) {
      return ExitStatusForSignal(stop.reason());
    }
    return kExitFailure;
  }
  for (const std::string& foreign : outcome.value().foreign) {
    Tell(console.err, Visible(destination.value().folder + foreign +
                              " was not published by this program and differs from the "
                              "album's: left as it is, and not sent"));
  }
  if (dryRun) {
    for (const std::string& file : outcome.value().sent)
      console.out << "send " << Visible(file) << "\n";
    for (const std::string& file : outcome.value().removed)
      console.out << "remove " << Visible(file) << "\n";
  } else if (options.operands.size() > 1) {
    if (auto error = RememberDestination(folder, *text, fs).error()) {
      Tell(console.err,
           "the destination could not be remembered for the next --publish: " + error.message());
    }
  }
  if (!options.Has(Id::kQuiet)) {
    console.out << Visible(album) << ": "
                << Visible(PublishDone(outcome.value(), destination.value(), dryRun)) << "\n";
  }
  return outcome.value().foreign.empty() ? kExitOk : kExitFailure;
}

}  // namespace quillmere
