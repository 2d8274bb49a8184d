// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// One line on a terminal that tells how far a long piece of work has come, rewritten in place.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <locale>
#include <ostream>
#include <string>

#include "run/progress_text.h"

namespace quillmere {

// Shows how far the work on `album` has come (ProgressText) on `out`, a terminal, once the work
// has lasted longer than `delay`, at most ten times a second, and clears it at the end; the time
// left is estimated from the time spent on the stage in hand. Shows nothing at all when `out`
// is no terminal, so that logs and pipes get no carriage returns.
class ProgressLine {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  ProgressLine(std::ostream& out, bool terminal, std::string album,
               std::chrono::milliseconds delay = std::chrono::seconds(1),
               Clock clock = std::chrono::steady_clock::now,
               const std::locale& locale = UsersLocale());
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();

  // Tells how far the work has come.
  void Update(const WorkProgress& progress);
  // Clears the line, if one was shown; the work is over.
  void Finish();

 private:
  std::ostream& out_;
  bool terminal_;
  std::string album_;
  std::chrono::milliseconds delay_;
  Clock clock_;
  std::locale locale_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point stageStart_;
  WorkStage stage_ = WorkStage::kPictures;
  bool staged_ = false;
  std::chrono::steady_clock::time_point lastShown_;
  std::size_t shownLength_ = 0;
  bool shown_ = false;
};

// Tells whether the file descriptor `fd` is a terminal.
bool IsTerminal(int fd);

}  // namespace quillmere
