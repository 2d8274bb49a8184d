// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor's Publish: the destination asked for the first time, the site sent on a thread
// of its own with ssh asking nothing, and how far it has come and how it ended shown.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "platform/stop_request.h"
#include "publish/destination.h"
#include "publish/publish_run.h"

class QMainWindow;

namespace quillmere {

// Publishes the album of an editor window, one publish at a time.
class EditorPublish final : public QObject {
  Q_OBJECT

 public:
  explicit EditorPublish(QMainWindow* editor);
  EditorPublish(const EditorPublish&) = delete;
  EditorPublish& operator=(const EditorPublish&) = delete;
  // Stops a publish that still goes on, and waits for it.
  ~EditorPublish() override;

  // Publishes the album of `indexPath` to its remembered destination, asking for one when there
  // is none; does nothing when the person cancels.
  void Start(const QString& indexPath);

  // Whether a publish goes on.
  bool running() const { return thread_.joinable(); }

 signals:
  // Sent when a publish has started or ended.
  void runningChanged();
  // Sent on the publish's own thread when it is done; for the publish itself.
  void workDone();

 private:
  // The destination to publish the album in `folder` to: the one remembered, else asked for.
  std::optional<std::string> DestinationFor(const std::string& folder);
  void ShowProgress();
  void Finish();

  QMainWindow* editor_;
  std::thread thread_;
  // The stop of the publish in hand, new for each.
  std::unique_ptr<StopRequest> stop_ = std::make_unique<StopRequest>();
  std::string indexPath_;
  std::string text_;
  Destination destination_;
  // How far the publish has come, and how it ended: written on its thread, read on the window's.
  std::mutex lock_;
  std::optional<PublishProgress> progress_;
  std::optional<Result<PublishOutcome, PublishFailure>> outcome_;
  QTimer progressPoll_;
};

}  // namespace quillmere
