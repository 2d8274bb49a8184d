// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/steps/work_count.h"

#include <algorithm>
#include <numeric>

#include "run/progress_text.h"

namespace quillmere {
namespace {

// What one second of video takes against one picture, as bench/run measures them: its pictures of
// 5 MB take 0.12 s each, a second of its 1280x720 HEVC encoded 0.28 s, a second of its 1080p H.264
// copied 0.01 s.
constexpr double kEncodedSecond = 2.3;
constexpr double kCopiedSecond = 0.1;
constexpr double kEncodedPixels = 1280.0 * 720.0;

// The smallest step of a video's share that is told, so that a copy does not tell every packet.
constexpr double kShareStep = 0.005;

}  // namespace

double VideoWeight(const VideoFacts& facts, FitBox box) {
  const double seconds = static_cast<double>(facts.milliseconds) / 1000.0;
  if (facts.copied) return 1 + seconds * kCopiedSecond;
  // Decoding goes by the size the video has, encoding by the size it gets.
  const double read = static_cast<double>(facts.width) * facts.height;
  const double written = std::min(read, static_cast<double>(box.width) * box.height);
  return 1 + seconds * kEncodedSecond * (read + written) / (2 * kEncodedPixels);
}

void WorkCount::Weigh(std::vector<double> weights) {
  const std::lock_guard<std::mutex> hold(lock_);
  weightTotal_ = std::accumulate(weights.begin(), weights.end(), 0.0);
  shares_.assign(weights.size(), 0.0);
  weights_ = std::move(weights);
}

void WorkCount::Done(std::size_t i) {
  const std::lock_guard<std::mutex> hold(lock_);
  ++done_;
  if (i < weights_.size()) {
    weightPartly_ -= shares_[i] * weights_[i];
    shares_[i] = 0;
    weightDone_ += weights_[i];
  }
  Tell();
}

void WorkCount::Partly(std::size_t i, double share) {
  const std::lock_guard<std::mutex> hold(lock_);
  if (i >= weights_.size() || share < shares_[i] + kShareStep) return;
  share = std::min(share, 1.0);
  weightPartly_ += (share - shares_[i]) * weights_[i];
  shares_[i] = share;
  Tell();
}

void WorkCount::Tell() {
  if (progress_ == nullptr) return;
  progress_->PicturesDone({.stage = WorkStage::kPictures,
                           .done = done_,
                           .total = total_,
                           .weightDone = weightDone_ + weightPartly_,
                           .weightTotal = weightTotal_});
}

}  // namespace quillmere
