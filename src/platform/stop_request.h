// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A request to stop a run early, made from another thread or from a signal handler.
#pragma once

#include <atomic>

namespace quillmere {

// Why a run was asked to stop: 0 while it may go on, otherwise a signal number or kByUser.
class StopRequest {
 public:
  // The reason given when the user asked for the stop (a Cancel button).
  static constexpr int kByUser = -1;

  // Asks the run to stop for `reason`; the first reason given is kept.
  void Request(int reason) {
    int none = 0;
    reason_.compare_exchange_strong(none, reason, std::memory_order_relaxed);
  }
  // The reason, or 0 when no stop was asked for.
  int reason() const { return reason_.load(std::memory_order_relaxed); }
  bool requested() const { return reason() != 0; }

 private:
  static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");
  std::atomic<int> reason_{0};
};

}  // namespace quillmere
