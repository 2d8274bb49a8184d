// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The count of pictures done that the album's work tells its progress with, a video weighed by
// its length, so that the time left is reckoned from the work left rather than the pictures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "album/album_options.h"
#include "album/videos/video_maker.h"

namespace quillmere {

// The work that making the video of `facts` within `box` takes, in pictures: its poster and
// thumbnail, and its length at the pace it is copied or encoded at its size.
double VideoWeight(const VideoFacts& facts, FitBox box);

// Counts the pictures of the work done on any of its threads and tells `progress` of each step.
class WorkCount {
 public:
  WorkCount(PictureProgress* progress, std::uint64_t total) : progress_(progress), total_(total) {}

  // Gives the pictures the work they take, one weight each in their order; they weigh 1 each
  // until then.
  void Weigh(std::vector<double> weights);

  // Counts picture `i` as done.
  void Done(std::size_t i);

  // Counts `share` (from 0 to 1) of picture `i`, a video, as done.
  void Partly(std::size_t i, double share);

 private:
  // Tells the progress how far the work has come; with the lock held.
  void Tell();

  std::mutex lock_;
  PictureProgress* progress_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::vector<double> weights_;
  // The share of each picture that is done while it is made.
  std::vector<double> shares_;
  double weightTotal_ = 0;
  // The weight of the pictures done, and of the shares of those in the making.
  double weightDone_ = 0;
  double weightPartly_ = 0;
};

}  // namespace quillmere
