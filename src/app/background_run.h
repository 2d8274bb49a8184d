// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A run of the window: the site generation, or an album's pictures and then its site, on a thread
// of its own, so that the window goes on painting and answering while they are made.
#pragma once

#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "album/album_options.h"
#include "album/album_outcome.h"
#include "platform/file_system.h"
#include "platform/signals.h"
#include "platform/stop_request.h"
#include "run/generate.h"

namespace quillmere {

// Whether a run waits for another run on its folder: told on the run's thread, read on the
// window's.
class WaitingFlag final : public LockWaiting {
 public:
  void WaitingFor(const std::string& /*folder*/) override {
    waiting_.store(true, std::memory_order_relaxed);
  }
  bool waiting() const { return waiting_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> waiting_{false};
};

// How many of a site's pages are done: told on the run's thread, read on the window's.
class PageCount final : public PageProgress {
 public:
  void PagesDone(std::uint64_t done, std::uint64_t total) override {
    total_.store(total, std::memory_order_relaxed);
    done_.store(done, std::memory_order_relaxed);
  }
  std::uint64_t done() const { return done_.load(std::memory_order_relaxed); }
  // The number of pages of the site; 0 until the index file has been read.
  std::uint64_t total() const { return total_.load(std::memory_order_relaxed); }

 private:
  std::atomic<std::uint64_t> done_{0};
  std::atomic<std::uint64_t> total_{0};
};

// How many pictures of an album are made: told on the run's thread, read on the window's.
class PictureCount final : public PictureProgress {
 public:
  void PicturesDone(const WorkProgress& progress) override {
    const std::lock_guard<std::mutex> hold(lock_);
    progress_ = progress;
  }
  // How far the pictures have come; none to make until the first one is made.
  WorkProgress progress() const {
    const std::lock_guard<std::mutex> hold(lock_);
    return progress_;
  }

 private:
  mutable std::mutex lock_;
  WorkProgress progress_{.stage = WorkStage::kPictures};
};

// Generates the site of one index file, or does the work of an album, on a thread of its own. While
// it goes on, SIGINT, SIGTERM and SIGHUP ask it to stop instead of ending the program, as the
// window's runs always did; once it has ended they end the program again, and one that came too
// late to stop it ends the program then.
class BackgroundRun final : public QObject {
  Q_OBJECT

 public:
  // The work on an album, done on the run's thread with the options of the run.
  using AlbumWork = std::function<AlbumOutcome(const AlbumOptions& options)>;

  // Starts the run of the index file at `chosenPath` through `fs`, which must outlive it.
  BackgroundRun(std::string chosenPath, FileSystem& fs, QObject* parent = nullptr);
  // Starts `work` on an album, with the album's defaults.
  explicit BackgroundRun(AlbumWork work, QObject* parent = nullptr);
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;
  // Asks a run that still goes on to stop, and waits for it.
  ~BackgroundRun() override;

  // Asks the run to stop after the page or the pictures in hand, for `reason`: a signal number
  // or StopRequest::kByUser. Every page stays whole, old or new; an album is left as it was.
  void RequestStop(int reason) { stop_.Request(reason); }

  // How many pages are done, and of how many.
  const PageCount& pages() const { return pages_; }

  // How many pictures of an album are made, and of how many.
  const PictureCount& pictures() const { return pictures_; }

  // Whether the run works on an album rather than on the site of an index file alone.
  bool makesAlbum() const { return makesAlbum_; }

  // Whether the run has waited for another run on its folder; it writes once that has ended.
  bool waited() const { return waiting_.waiting(); }

  // Whether the run has ended and `finished` was sent.
  bool hasFinished() const { return finished_; }

  // What the run did; only once it has finished. For an album, the run of its site.
  const RunOutcome& outcome() const { return outcome_; }

  // What the work on an album did; only once it has finished, and only for an album.
  const AlbumOutcome& album() const { return album_; }

  // What stopped the run, once it has finished: a signal number or StopRequest::kByUser; 0 when
  // it was not stopped.
  int stopReason() const;

 signals:
  // Sent on the thread that started the run, once the run's own thread has ended.
  void finished();
  // Sent on the run's own thread when its work is done; for the run itself.
  void workDone();

 private:
  // Starts `work` on the run's thread, with the run's options.
  void Start(std::function<void(const AlbumOptions& options)> work);
  // Ends the run's thread and tells that the run is over.
  void Finish();

  StopRequest stop_;
  PageCount pages_;
  PictureCount pictures_;
  bool makesAlbum_ = false;
  AlbumOutcome album_;
  WaitingFlag waiting_;
  RunOutcome outcome_;
  std::optional<StopOnSignals> stopOnSignals_;
  std::thread thread_;
  bool finished_ = false;
};

}  // namespace quillmere
