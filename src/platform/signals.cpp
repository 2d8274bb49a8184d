// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "platform/signals.h"

#include <signal.h>

#include <atomic>
#include <cstring>
#include <string>

namespace quillmere {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The request that the handler sets; a signal handler can reach nothing else.
std::atomic<StopRequest*> handledRequest{nullptr};
struct sigaction previousActions[std::size(kStopSignals)];

extern "C" void AskToStop(int signal) {
  if (StopRequest* stop = handledRequest.load()) stop->Request(signal);
}

}  // namespace

StopOnSignals::StopOnSignals(StopRequest& stop) {
  handledRequest.store(&stop);
  struct sigaction action {};
  action.sa_handler = AskToStop;
  sigemptyset(&action.sa_mask);
  // Without SA_RESTART a wait in a system call ends, so that the request is seen soon.
  action.sa_flags = 0;
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
    ::sigaction(kStopSignals[i], &action, &previousActions[i]);
  }
}

StopOnSignals::~StopOnSignals() {
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
    ::sigaction(kStopSignals[i], &previousActions[i], nullptr);
  }
  handledRequest.store(nullptr);
}

void IgnoreFileSizeSignal() {
  ::signal(SIGXFSZ, SIG_IGN);
}

std::string SignalName(int signal) {
  if (const char* abbreviation = ::sigabbrev_np(signal)) return std::string("SIG") + abbreviation;
  return "signal " + std::to_string(signal);
}

}  // namespace quillmere
