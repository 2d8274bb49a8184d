// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// One line on a terminal that tells how far a long piece of work has come, rewritten in place.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>

namespace quillmere {

// Shows "<what> <done> of <total>" on `out`, a terminal, once the work has lasted longer than
// `delay`, at most ten times a second, and clears it at the end. Shows nothing at all when `out`
// is no terminal, so that logs and pipes get no carriage returns.
class ProgressLine {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  ProgressLine(std::ostream& out, bool terminal, std::string what,
               std::chrono::milliseconds delay = std::chrono::seconds(1),
               Clock clock = std::chrono::steady_clock::now);
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;
  ~ProgressLine();

  // Tells that `done` of `total` are done.
  void Update(std::uint64_t done, std::uint64_t total);
  // Clears the line, if one was shown; the work is over.
  void Finish();

 private:
  std::ostream& out_;
  bool terminal_;
  std::string what_;
  std::chrono::milliseconds delay_;
  Clock clock_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastShown_;
  std::size_t shownLength_ = 0;
  bool shown_ = false;
};

// Tells whether the file descriptor `fd` is a terminal.
bool IsTerminal(int fd);

}  // namespace quillmere
