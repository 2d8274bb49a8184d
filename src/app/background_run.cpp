// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/background_run.h"

#include <signal.h>

#include <utility>

namespace quillmere {

BackgroundRun::BackgroundRun(std::string chosenPath, FileSystem& fs, QObject* parent)
    : QObject(parent) {
  Start([this, path = std::move(chosenPath), &fs](const AlbumOptions& options) {
    outcome_ = GenerateSite(path, fs, options.run);
  });
}

BackgroundRun::BackgroundRun(AlbumWork work, QObject* parent) : QObject(parent), makesAlbum_(true) {
  Start([this, work = std::move(work)](const AlbumOptions& options) {
    album_ = work(options);
    outcome_ = album_.site;
  });
}

void BackgroundRun::Start(std::function<void(const AlbumOptions& options)> work) {
  // The run's thread tells that its work is done; the thread that started the run ends it.
  connect(this, &BackgroundRun::workDone, this, &BackgroundRun::Finish, Qt::QueuedConnection);
  // The signals ask the run to stop from before its first step on.
  stopOnSignals_.emplace(stop_);
  thread_ = std::thread([this, work = std::move(work)] {
    AlbumOptions options;
    options.progress = &pictures_;
    options.run.stop = &stop_;
    options.run.progress = &pages_;
    options.run.waiting = &waiting_;
    work(options);
    emit workDone();
  });
}

BackgroundRun::~BackgroundRun() {
  if (thread_.joinable()) {
    stop_.Request(StopRequest::kByUser);
    thread_.join();
  }
}

void BackgroundRun::Finish() {
  thread_.join();
  stopOnSignals_.reset();
  // A signal that came after the last page, too late to stop the run, ends the program now as
  // it does outside a run.
  if (stop_.reason() > 0 && stopReason() == 0) {
    ::raise(stop_.reason());
  }
  finished_ = true;
  emit finished();
}

int BackgroundRun::stopReason() const {
  const RunFailure* run = makesAlbum_ ? (album_.failure ? album_.failure->run() : nullptr)
                                      : (outcome_.failure ? &*outcome_.failure : nullptr);
  if (makesAlbum_ && album_.failure && album_.failure->Is<AlbumFailure::Stopped>()) {
    return album_.failure->stopReason();
  }
  return run != nullptr ? run->stopReason() : 0;
}

}  // namespace quillmere
