// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Work spread over threads: items handed on in their order whatever order they finish in, a
// throw carried to the caller with no thread left waiting, and a stop honoured.
#include "album/steps/parallel.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quillmere {
namespace {

constexpr std::size_t kItems = 200;

// Item i takes a while that the seed decides, so that the items finish out of their order.
std::chrono::microseconds DelayOf(std::size_t i) {
  std::mt19937 random(static_cast<unsigned>(i) * 7919u + 20261208u);
  return std::chrono::microseconds(random() % 2000);
}

// Runs kItems through InOrder on `threads` threads; `handOn` is told each item in order.
std::size_t RunInOrder(unsigned threads, const std::function<void(std::size_t)>& handOn,
                       const StopRequest* stop = nullptr) {
  InOrder<std::size_t> inOrder(4, [&](std::size_t i, std::size_t& item) {
    EXPECT_EQ(i, item);
    handOn(i);
  });
  return ParallelFor(kItems, threads, stop, [&](std::size_t i) {
    if (!inOrder.WaitForTurn(i)) return;
    std::this_thread::sleep_for(DelayOf(i));
    inOrder.Deliver(i, i);
  });
}

TEST(Parallel, ItemsAreHandedOnInTheirOrderWhateverOrderTheyFinishIn) {
  for (unsigned threads : {1u, 3u, 8u}) {
    SCOPED_TRACE(threads);
    std::vector<std::size_t> handedOn;
    EXPECT_EQ(RunInOrder(threads, [&](std::size_t i) { handedOn.push_back(i); }), kItems);
    ASSERT_EQ(handedOn.size(), kItems);
    for (std::size_t i = 0; i < kItems; ++i) EXPECT_EQ(handedOn[i], i);
  }
}

TEST(Parallel, AThrowWhileHandingOnReachesTheCallerAndNoThreadIsLeftWaiting) {
  std::atomic<std::size_t> handedOn{0};
  EXPECT_THROW(RunInOrder(8,
                          [&](std::size_t i) {
                            if (i == 17) throw std::runtime_error("could not write");
                            ++handedOn;
                          }),
               std::runtime_error);
  EXPECT_EQ(handedOn.load(), 17u);
}

TEST(Parallel, AStopEndsTheTakingAndFinishesWhatWasTaken) {
  StopRequest stop;
  std::vector<std::size_t> handedOn;
  const std::size_t taken = RunInOrder(
      3,
      [&](std::size_t i) {
        handedOn.push_back(i);
        if (i == 40) stop.Request(StopRequest::kByUser);
      },
      &stop);
  EXPECT_LT(taken, kItems);
  EXPECT_EQ(handedOn.size(), taken) << "every item taken is handed on";
  for (std::size_t i = 0; i < handedOn.size(); ++i) EXPECT_EQ(handedOn[i], i);
}

}  // namespace
}  // namespace quillmere
