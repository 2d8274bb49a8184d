// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/background_run.h"

#include <signal.h>

#include <utility>

namespace quillmere {

BackgroundRun::BackgroundRun(std::string chosenPath, FileSystem& fs, QObject* parent)
    : QObject(parent) {
  // The signals ask the run to stop from before its first step on.
  stopOnSignals_.emplace(stop_);
  thread_ = std::thread([this, path = std::move(chosenPath), &fs] {
    RunOptions options;
    options.stop = &stop_;
    options.progress = &pages_;
    options.waiting = &waiting_;
    outcome_ = GenerateSite(path, fs, options);
    QMetaObject::invokeMethod(this, &BackgroundRun::Finish, Qt::QueuedConnection);
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
  if (stop_.reason() > 0 && outcome_.status != RunOutcome::Status::kStopped) {
    ::raise(stop_.reason());
  }
  finished_ = true;
  emit finished();
}

}  // namespace quillmere
