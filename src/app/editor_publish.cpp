// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/editor_publish.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QStatusBar>
#include <utility>

#include "paths/paths.h"
#include "platform/file_system.h"
#include "platform/qt/message_box.h"
#include "publish/publish_words.h"
#include "publish/remembered_destination.h"

namespace quillmere {
namespace {

// The title of the publish's boxes.
QString Title() {
  return QStringLiteral("Publish");
}

QString Text(const std::string& text) {
  return QString::fromStdString(text);
}

// `text`, a message of the core's, as a sentence of its own in a message box.
QString Sentence(const std::string& text) {
  QString sentence = Text(text);
  if (!sentence.isEmpty()) sentence[0] = sentence[0].toUpper();
  return sentence + QLatin1Char('.');
}

}  // namespace

EditorPublish::EditorPublish(QMainWindow* editor) : QObject(editor), editor_(editor) {
  connect(this, &EditorPublish::workDone, this, &EditorPublish::Finish, Qt::QueuedConnection);
  progressPoll_.setInterval(200);
  connect(&progressPoll_, &QTimer::timeout, this, &EditorPublish::ShowProgress);
}

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
      editor_, Title(),
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
    ShowWarningMessage(editor_, Title(), Sentence(DescribeDestinationProblem(*problem, *text)));
    return;
  }
  text_ = *text;
  destination_ = destination.value();
  editor_->statusBar()->showMessage(QStringLiteral("Publishing to %1...").arg(Text(text_)));
  stop_ = std::make_unique<StopRequest>();
  progress_.reset();
  outcome_.reset();
  thread_ = std::thread([this] {
    PosixFileSystem fs;
    PublishOptions options;
    options.batch = true;
    options.stop = stop_.get();
    options.progress = [this](const PublishProgress& progress) {
      const std::lock_guard<std::mutex> hold(lock_);
      progress_ = progress;
    };
    Result<PublishOutcome, PublishFailure> outcome = Publish(indexPath_, destination_, fs, options);
    {
      const std::lock_guard<std::mutex> hold(lock_);
      outcome_.emplace(std::move(outcome));
    }
    emit workDone();
  });
  progressPoll_.start();
  emit runningChanged();
}

void EditorPublish::ShowProgress() {
  PublishProgress progress;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    if (!progress_) return;
    progress = *progress_;
  }
  QString line = QStringLiteral("Publishing to %1: %2 bytes, %3%")
                     .arg(Text(text_), QLocale().toString(progress.bytes))
                     .arg(progress.percent);
  if (!progress.timeLeft.empty()) {
    line += QStringLiteral(", %1 left").arg(Text(progress.timeLeft));
  }
  editor_->statusBar()->showMessage(line);
}

void EditorPublish::Finish() {
  thread_.join();
  progressPoll_.stop();
  emit runningChanged();
  Result<PublishOutcome, PublishFailure> outcome = std::move(*outcome_);
  if (auto* failure = outcome.failure()) {
    editor_->statusBar()->clearMessage();
    if (failure->kind != PublishFailure::Kind::kStopped || stop_->reason() == 0) {
      ShowCriticalMessage(
          editor_, Title(),
          Sentence(DescribePublishFailure(*failure, indexPath_, destination_, true)));
    }
    return;
  }
  PosixFileSystem fs;
  static_cast<void>(RememberDestination(FolderAsGiven(indexPath_), text_, fs));
  editor_->statusBar()->showMessage(Text(PublishDone(outcome.value(), destination_, false)));
  if (outcome.value().foreign.empty()) return;
  QString names;
  for (const std::string& file : outcome.value().foreign) names += "\n" + Text(file);
  ShowWarningMessage(editor_, Title(),
                     QStringLiteral("These files at %1 were not published by this program and "
                                    "differ from the album's; they were left as they are:%2")
                         .arg(Text(text_), names));
}

}  // namespace quillmere
