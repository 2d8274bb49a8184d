// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The program's one window: an instruction text and the Generate and Show buttons.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <string>

#include "platform/file_system.h"
#include "platform/qt/io_box.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillmere {

class BackgroundRun;

// The program's title: the caption of its window and of its message box.
inline constexpr const char* kProgramTitle = "Quillmere";

class Form1 : public QWidget {
  Q_OBJECT

 public:
  // How long a run goes on before a dialog shows its progress.
  static constexpr std::chrono::milliseconds kProgressDelay{500};
  // How often the progress dialog takes the count of pages written.
  static constexpr std::chrono::milliseconds kProgressInterval{100};

  // The window; its runs go through `fs`, which must outlive it, or the machine's file system.
  explicit Form1(QWidget* parent = nullptr, FileSystem* fs = nullptr);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  // Asks a run that still goes on to stop, and waits for it.
  ~Form1() override;

  // The site folder of the last run that completed, ending with "/"; empty until one has.
  const std::string& siteFolder() const { return siteFolder_; }

  // The open-file dialog that Generate shows.
  IOBox& ioBox() { return ioBox_; }

  // Whether a run is going on.
  bool running() const { return run_ != nullptr; }

  // The dialog that shows the progress of a long run, while it is shown; null otherwise.
  QProgressDialog* progressDialog() const { return progress_.data(); }

  // How many times larger than its design the window is drawn, so that its texts fit its font.
  double scale() const { return scale_; }

 public slots:
  // Asks for an index file and starts writing its site into the file's folder.
  void GenerateCommand();
  // Opens the index page of the last completed run's site with the desktop's default browser.
  void ShowCommand();

 signals:
  // A run has ended, and what it had to tell has been shown.
  void runEnded();
  // Asks the program to end with `exitCode`: a signal stopped a run (128 + its number).
  void exitRequested(int exitCode);

 protected:
  // Closing the window during a run stops the run; the window closes once it has stopped.
  void closeEvent(QCloseEvent* event) override;
  // A new font lays the window out anew.
  void changeEvent(QEvent* event) override;

 private:
  void StartRun(const QString& chosen);
  void ShowProgress();
  void UpdateProgress();
  void CancelRun();
  void EndRun();
  void EnableButtons(bool on);
  bool TextsFit(double scale) const;
  void LayOut();

  QGroupBox* frame1_;
  QLabel* label1_;
  QPushButton* cmdGen_;
  QPushButton* cmdShow_;
  IOBox ioBox_;
  PosixFileSystem machineFileSystem_;
  FileSystem* fs_;
  std::string siteFolder_;
  double scale_ = 1.0;
  // The run going on, or null.
  BackgroundRun* run_ = nullptr;
  // Shows the progress dialog once a run has gone on for kProgressDelay.
  QTimer progressDelay_;
  // Brings the progress dialog up to date.
  QTimer progressPoll_;
  QPointer<QProgressDialog> progress_;
  bool closeWhenRunEnds_ = false;
};

}  // namespace quillmere
