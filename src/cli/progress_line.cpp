// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/progress_line.h"

#include <unistd.h>

#include <utility>

namespace quillmere {
namespace {

constexpr std::chrono::milliseconds kInterval{100};

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool terminal, std::string album,
                           std::chrono::milliseconds delay, Clock clock, const std::locale& locale)
    : out_(out),
      terminal_(terminal),
      album_(std::move(album)),
      delay_(delay),
      clock_(std::move(clock)),
      locale_(locale),
      start_(clock_()) {}

ProgressLine::~ProgressLine() {
  Finish();
}

void ProgressLine::Update(const WorkProgress& progress) {
  if (!terminal_) return;
  const auto now = clock_();
  if (!staged_ || progress.stage != stage_) {
    staged_ = true;
    stage_ = progress.stage;
    stageStart_ = now;
  }
  if (now - start_ < delay_) return;
  const bool last = progress.done == progress.total;
  if (shown_ && now - lastShown_ < kInterval && !last) return;
  std::string line = ProgressText(album_, progress, TimeLeft(progress, now - stageStart_), locale_);
  // Blanks over what is left of a longer line before.
  const std::size_t length = line.size();
  if (length < shownLength_) line.append(shownLength_ - length, ' ');
  out_ << '\r' << line << std::flush;
  shownLength_ = length;
  lastShown_ = now;
  shown_ = true;
}

void ProgressLine::Finish() {
  if (!shown_) return;
  out_ << '\r' << std::string(shownLength_, ' ') << '\r' << std::flush;
  shown_ = false;
  shownLength_ = 0;
}

bool IsTerminal(int fd) {
  return ::isatty(fd) == 1;
}

}  // namespace quillmere
