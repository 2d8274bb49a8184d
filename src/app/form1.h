// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The program's one window: an instruction text and the Generate and Show buttons. Index files,
// folders of pictures and pictures can be dropped on it, or given to the program at its start.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <string>
#include <utility>

#include "app/background_run.h"
#include "platform/file_system.h"
#include "platform/qt/desktop_opener.h"
#include "platform/qt/folder_box.h"
#include "platform/qt/io_box.h"
#include "run/progress_text.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillmere {

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

  // The dialog that asks where a new album of a dropped folder goes.
  FolderBox& folderBox() { return folderBox_; }

  // Whether a run is going on.
  bool running() const { return run_ != nullptr; }

  // The dialog that shows the progress of a long run, while it is shown; null otherwise.
  QProgressDialog* progressDialog() const { return progress_.data(); }

  // How many times larger than its design the window is drawn, so that its texts fit its font.
  double scale() const { return scale_; }

  // Show hands the index page to `opener` instead of the desktop.
  void setDesktopOpener(DesktopOpener opener) { opener_ = std::move(opener); }

  // Whether paths given at the start wait for the window to be on the screen.
  bool startPending() const { return !startPaths_.isEmpty(); }

 public slots:
  // Asks for an index file and starts writing its site into the file's folder.
  void GenerateCommand();
  // Opens the index page of the last completed run's site with the desktop's default browser.
  void ShowCommand();
  // Does what the files or folders `paths`, dropped on the window, ask for: generates the site
  // of an index file as Generate does, makes a new album of a folder's pictures, or adds pictures
  // to the album of the window's site; refuses anything else, and anything during a run.
  void OpenPaths(const QStringList& paths);
  // Does what the paths given to the program at its start ask for, as OpenPaths does, once the
  // window is on the screen and placed, so that a question comes over it; an index file whose
  // folder holds no page of this program yet is generated only once the user agrees.
  void OpenAtStart(const QStringList& paths);

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
  // The window's first showing on the screen takes up the paths given at the start.
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Files and folders from the desktop may be dropped; they are copied from, never moved.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void OpenDropped();
  void Open(const QStringList& paths, bool atStart);
  bool AgreesToNewSite(const QString& indexFile);
  void MakeAlbum(const QString& picturesFolder);
  void AddToAlbum(const QStringList& pictures);
  void StartRun(const QString& chosen);
  void StartRun(BackgroundRun* run);
  void OpenStartPaths();
  void ShowAlbumOutcome(const AlbumOutcome& outcome, int stopReason);
  void ShowNewAlbum(const AlbumOutcome& outcome);
  void OpenEditor(const QString& indexPath);
  bool ChoosesAnotherFolder(const AlbumOutcome& outcome);
  void ShowFailure(const QString& text);
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
  FolderBox folderBox_;
  PosixFileSystem machineFileSystem_;
  FileSystem* fs_;
  std::string siteFolder_;
  // The index file of the last run that completed, whose album dropped pictures are added to.
  std::string indexPath_;
  // The index file of the run going on, when it generates one.
  std::string runIndexPath_;
  double scale_ = 1.0;
  // The run going on, or null.
  BackgroundRun* run_ = nullptr;
  // Shows the progress dialog once a run has gone on for kProgressDelay.
  QTimer progressDelay_;
  // The name of the album of the run going on, and when the stage in hand (pictures or pages)
  // began, for the time left.
  std::string runAlbumName_;
  bool staged_ = false;
  WorkStage stage_ = WorkStage::kPictures;
  std::chrono::steady_clock::time_point stageStart_;
  std::locale locale_ = UsersLocale();
  // Brings the progress dialog up to date.
  QTimer progressPoll_;
  QPointer<QProgressDialog> progress_;
  // Takes up the last drop once the desktop has finished it.
  QTimer dropTimer_;
  QStringList droppedPaths_;
  // Whether a drop is being taken up: its dialog or question is open.
  bool opening_ = false;
  bool closeWhenRunEnds_ = false;
  // The paths given at the start, until the window is on the screen, and what takes them up then.
  QStringList startPaths_;
  QTimer startTimer_;
  // The pictures' folder of the new album the run going on makes; empty for other runs.
  QString newAlbumPictures_;
  // The places where a new album's folder could not be made, which are not proposed again.
  QStringList refusedAlbumPlaces_;
  DesktopOpener opener_ = OpenWithDesktop;
};

}  // namespace quillmere
