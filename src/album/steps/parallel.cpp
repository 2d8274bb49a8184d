// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/parallel.h"

#include <sched.h>

#include <atomic>
#include <exception>
#include <thread>
#include <vector>

namespace quillmere {

unsigned CoresToUse() {
  cpu_set_t cores;
  CPU_ZERO(&cores);
  if (::sched_getaffinity(0, sizeof cores, &cores) == 0 && CPU_COUNT(&cores) > 0) {
    return static_cast<unsigned>(CPU_COUNT(&cores));
  }
  return std::max(1u, std::thread::hardware_concurrency());
}

std::size_t ParallelFor(std::size_t count, unsigned threads, const StopRequest* stop,
                        const std::function<void(std::size_t)>& work,
                        const std::function<void()>& endOfThread) {
  std::atomic<std::size_t> next{0};
  std::atomic<bool> failed{false};
  std::mutex failureMutex;
  std::exception_ptr failure;
  auto takeWork = [&] {
    try {
      while (!failed.load() && (stop == nullptr || !stop->requested())) {
        const std::size_t i = next.fetch_add(1);
        if (i >= count) break;
        work(i);
      }
    } catch (...) {
      const std::lock_guard<std::mutex> hold(failureMutex);
      if (!failure) failure = std::current_exception();
      failed.store(true);
    }
    if (endOfThread) endOfThread();
  };
  const std::size_t helpers =
      std::min<std::size_t>(std::max(threads, 1u), std::max<std::size_t>(count, 1)) - 1;
  std::vector<std::thread> pool;
  pool.reserve(helpers);
  for (std::size_t t = 0; t < helpers; ++t) pool.emplace_back(takeWork);
  takeWork();
  for (std::thread& thread : pool) thread.join();
  if (failure) std::rethrow_exception(failure);
  return std::min(next.load(), count);
}

}  // namespace quillmere
