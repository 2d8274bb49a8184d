// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The signals that end a program, turned into a request to stop the run in hand.
#pragma once

#include <string>

#include "platform/stop_request.h"

namespace quillmere {

// While it exists, SIGINT, SIGTERM and SIGHUP do not end the program but ask `stop` to stop
// with the signal's number; the handling from before comes back when it goes. One at a time.
class StopOnSignals {
 public:
  explicit StopOnSignals(StopRequest& stop);
  StopOnSignals(const StopOnSignals&) = delete;
  StopOnSignals& operator=(const StopOnSignals&) = delete;
  ~StopOnSignals();
};

// Makes writing past the file-size limit (ulimit -f) fail with EFBIG, so that it is reported
// like any other failed write, instead of ending the program without a word.
void IgnoreFileSizeSignal();

// The signal's name, "SIGINT" for SIGINT, or "signal N".
std::string SignalName(int signal);

// The exit status of a program that a signal stopped: 128 + the signal's number, as shells
// report it.
inline int ExitStatusForSignal(int signal) {
  return 128 + signal;
}

}  // namespace quillmere
