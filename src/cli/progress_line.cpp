// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "cli/progress_line.h"

#include <unistd.h>

#include <utility>

namespace quillmere {
namespace {

constexpr std::chrono::milliseconds kInterval{100};

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool terminal, std::string what,
                           std::chrono::milliseconds delay, Clock clock)
    : out_(out),
      terminal_(terminal),
      what_(std::move(what)),
      delay_(delay),
      clock_(std::move(clock)),
      start_(clock_()) {}

ProgressLine::~ProgressLine() {
  Finish();
}

void ProgressLine::Update(std::uint64_t done, std::uint64_t total) {
  if (!terminal_) return;
  const auto now = clock_();
  if (now - start_ < delay_) return;
  if (shown_ && now - lastShown_ < kInterval && done != total) return;
  std::string line = what_ + " " + std::to_string(done) + " of " + std::to_string(total);
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
