// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/editor_publish.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QMainWindow>
#include <QMetaObject>
#include <QStatusBar>
#include <utility>

#include "paths/paths.h"
#include "platform/file_system.h"
#include "platform/qt/message_box.h"
#include "publish/publish_words.h"
#include "publish/remembered_destination.h"

namespace quillmere {
namespace {

const QString kTitle = QStringLiteral("Publish");

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

EditorPublish::EditorPublish(QMainWindow* editor) : QObject(editor), editor_(editor) {}

EditorPublish::~EditorPublish() {
  if (!thread_.joinable()) return;
  stop_->Request(StopRequest::kByUser);
  thread_.join();
}

std::optional<std::string> EditorPublish::DestinationFor(const std::string& folder) {
  PosixFileSystem fs;
  std::optional<std::string> remembered = RememberedDestination(folder, fs);
  if (remembered) return remembered;
  bool given = false;
  const QString text = QInputDialog::getText(
      editor_, kTitle,
      QStringLiteral("Publish the album to a folder, to host:folder over ssh, or to "
                     "rsync://host/module/folder:"),
      QLineEdit::Normal, QString(), &given);
  if (!given || text.isEmpty()) return std::nullopt;
  return text.toStdString();
}

void EditorPublish::Start(const QString& indexPath) {
  if (running()) return;
  indexPath_ = indexPath.toStdString();
  const std::optional<std::string> text = DestinationFor(FolderAsGiven(indexPath_));
  if (!text) return;
  Result<Destination, DestinationProblem> destination = ParseDestination(*text);
  if (auto* problem = destination.failure()) {
    ShowWarningMessage(editor_, kTitle, Text(DescribeDestinationProblem(*problem, *text)));
    return;
  }
  text_ = *text;
  destination_ = destination.value();
  editor_->statusBar()->showMessage(QStringLiteral("Publishing to %1...").arg(Text(text_)));
  stop_ = std::make_unique<StopRequest>();
  thread_ = std::thread([this] {
    PosixFileSystem fs;
    PublishOptions options;
    options.batch = true;
    options.stop = stop_.get();
    options.progress = [this](const PublishProgress& progress) {
      QMetaObject::invokeMethod(
          this, [this, progress] { ShowProgress(progress); }, Qt::QueuedConnection);
    };
    auto outcome = std::make_shared<Result<PublishOutcome, PublishFailure>>(
        Publish(indexPath_, destination_, fs, options));
    QMetaObject::invokeMethod(
        this, [this, outcome] { Finish(std::move(*outcome)); }, Qt::QueuedConnection);
  });
  emit runningChanged();
}

void EditorPublish::ShowProgress(const PublishProgress& progress) {
  QString line = QStringLiteral("Publishing to %1: %2%").arg(Text(text_)).arg(progress.percent);
  if (!progress.timeLeft.empty()) {
    line += QStringLiteral(", %1 left").arg(Text(progress.timeLeft));
  }
  editor_->statusBar()->showMessage(line);
}

void EditorPublish::Finish(Result<PublishOutcome, PublishFailure> outcome) {
  thread_.join();
  emit runningChanged();
  if (auto* failure = outcome.failure()) {
    editor_->statusBar()->clearMessage();
    if (failure->kind != PublishFailure::Kind::kStopped || stop_->reason() == 0) {
      ShowCriticalMessage(editor_, kTitle,
                          Text(DescribePublishFailure(*failure, indexPath_, destination_, true)));
    }
    return;
  }
  PosixFileSystem fs;
  static_cast<void>(RememberDestination(FolderAsGiven(indexPath_), text_, fs));
  editor_->statusBar()->showMessage(Text(PublishDone(outcome.value(), destination_, false)));
  if (outcome.value().foreign.empty()) return;
  QString names;
  for (const std::string& file : outcome.value().foreign) names += "\n" + Text(file);
  ShowWarningMessage(editor_, kTitle,
                     QStringLiteral("These files at %1 were not published by this program and "
                                    "differ from the album's; they were left as they are:%2")
                         .arg(Text(text_), names));
}

}  // namespace quillmere
