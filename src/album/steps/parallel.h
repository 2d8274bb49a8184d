// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Work on pictures spread over threads: one picture per thread at a time, and what was made
// written in the order of the list, whichever thread finished first.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>

#include "platform/stop_request.h"

namespace quillmere {

// How many threads the program may keep busy: the cores it may run on.
unsigned CoresToUse();

// Calls `work(i)` for every i below `count`, in increasing order of taking, on up to `threads`
// threads at once (the calling thread among them). Once `stop` is requested no more work is
// taken; what was taken is finished. `endOfThread` runs on each thread after its last work.
// Returns how many were taken. An exception of `work` ends the taking and is thrown again here.
std::size_t ParallelFor(std::size_t count, unsigned threads, const StopRequest* stop,
                        const std::function<void(std::size_t)>& work,
                        const std::function<void()>& endOfThread = {});

// Takes the results of items 0, 1, 2, ... in any order and hands them on in that order.
template <class Item>
class InOrder {
 public:
  // `handOn` gets each item in order, one call at a time; at most `window` items wait for an
  // earlier one.
  InOrder(std::size_t window, std::function<void(std::size_t, Item&)> handOn)
      : window_(window), handOn_(std::move(handOn)) {}

  // Waits until item `i` may be made without running more than the window ahead; false when a
  // handing on failed, so that no item after it is to be made.
  [[nodiscard]] bool WaitForTurn(std::size_t i) {
    std::unique_lock<std::mutex> hold(mutex_);
    turn_.wait(hold, [&] { return broken_ || i < next_ + window_; });
    return !broken_;
  }

  // Takes item `i`, and hands on every item from the next one in order that is there. What
  // `handOn` throws is thrown on here, and every wait for a turn ends.
  void Deliver(std::size_t i, Item item) {
    const std::lock_guard<std::mutex> hold(mutex_);
    if (broken_) return;
    waiting_.emplace(i, std::move(item));
    try {
      for (auto it = waiting_.find(next_); it != waiting_.end(); it = waiting_.find(next_)) {
        handOn_(next_, it->second);
        waiting_.erase(it);
        ++next_;
      }
    } catch (...) {
      broken_ = true;
      turn_.notify_all();
      throw;
    }
    turn_.notify_all();
  }

 private:
  std::size_t window_;
  std::function<void(std::size_t, Item&)> handOn_;
  std::mutex mutex_;
  std::condition_variable turn_;
  std::size_t next_ = 0;
  bool broken_ = false;
  std::map<std::size_t, Item> waiting_;
};

}  // namespace quillmere
