// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor: a window of its own with the album's title and pictures in their order, the
// caption and description of the one selected editable beside its larger picture; pictures moved
// by dragging, removed with Delete (their files go to the trash when saved) and added by dropping
// files. Every change can be undone, and Save makes them all as one edit of the album from a
// snapshot, while the editor stays open to more changes, which stay unsaved on top of it.
#pragma once

#include <QFileSystemWatcher>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <chrono>
#include <locale>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "album/text/edit_file.h"
#include "app/background_run.h"
#include "app/editor_merge.h"
#include "platform/file_system.h"
#include "run/progress_text.h"

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QUndoStack;

namespace quillmere {

class EditorCommand;
class EditorPublish;
class PictureListModel;
class PictureListView;
class ThumbnailLoader;
enum class PictureLine;

class AlbumEditor final : public QMainWindow {
  Q_OBJECT

 public:
  // The editor; its work goes through `fs`, which must outlive it, or the machine's file system.
  explicit AlbumEditor(QWidget* parent = nullptr, FileSystem* fs = nullptr);
  AlbumEditor(const AlbumEditor&) = delete;
  AlbumEditor& operator=(const AlbumEditor&) = delete;
  ~AlbumEditor() override;

  // Reads the album of the index file at `indexPath` (a local path) and shows it; says why and
  // returns false when it cannot be read.
  bool Open(const QString& indexPath);

  // Removed pictures' files go to `trash` (which must outlive the editor) instead of the
  // desktop's trash.
  void setTrash(Trash* trash) { trash_ = trash; }

  // The list of pictures, the undo stack, the fields and the actions, for the program's tests.
  PictureListModel& pictures() { return *model_; }
  PictureListView& list() { return *list_; }
  QUndoStack& undoStack() { return *undo_; }
  QLineEdit& titleField() { return *title_; }
  QLineEdit& captionField() { return *caption_; }
  QPlainTextEdit& descriptionField() { return *description_; }
  const QLabel& captionProblem() const { return *captionProblem_; }
  QAction& undoAction() { return *undoAction_; }
  QAction& saveAction() { return *save_; }

  // Whether a save or an addition of pictures goes on.
  bool busy() const { return run_ != nullptr; }

  // Whether the editor holds changes that are not saved.
  bool unsaved() const;

  // The index file of the album shown, as an absolute local path; empty before one is read.
  const QString& indexPath() const { return indexPath_; }

 public slots:
  // Makes every change as one edit of the album from a snapshot; the editor stays open to more.
  void Save();
  // Removes the selected picture.
  void RemoveSelected();
  // Undoes or makes again the last step, and shows the picture it changed.
  void Undo();
  void Redo();
  // Asks a save that goes on to stop: before the index file is replaced the album stays as it
  // was; after it, the pages not yet written are left for the next run.
  void CancelWork();

 signals:
  // A save or an addition of pictures has ended, and the album has been read again if it worked.
  void workEnded(bool ok);

 protected:
  // Closing with changes not saved asks whether to save them.
  void closeEvent(QCloseEvent* event) override;
  // Undo and Redo in a field undo the editor's steps, not the field's own typing.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildWidgets();
  void BuildProgress();
  void BuildActions();
  void ShowSelected();
  void ShowPreview();
  void TitleTyped();
  void SetTitleLine(const std::string& line);
  void CaptionTyped();
  void DescriptionTyped();
  void PushLine(PictureLine which, std::string line);
  void ShowCaptionProblem();
  void Moved(int from, int to);
  void AddFiles(const QStringList& paths);
  void OpenEntryAlbum(const QModelIndex& index);
  void Push(EditorCommand* command);
  void StartWork(BackgroundRun::AlbumWork work);
  void WorkFinished();
  bool TakeSaved(bool done);
  bool Take(const QString& indexPath, QString& why);
  void ReadMarks();
  void WatchIndex();
  void IndexTouched();
  void OfferMerge(bool afterSave);
  std::vector<BasePicture> BaseOfMerge() const;
  void ChooseConflicts(MergedEdit& merged);
  void TakeMerged(MergedEdit merged);
  void ReportSave(const AlbumOutcome& outcome, int stopReason, bool applied);
  int FloorAfterSave(int savedIndex) const;
  void ShowProgress();
  void UpdateActions();
  void UpdateTitle();
  int SelectedRow() const;
  void Select(int row);
  void ShowStep(const EditorCommand& step);
  void SelectNeighbour(QWidget* field, int step);
  void Fail(const QString& text);
  void Publish();

  PosixFileSystem machineFileSystem_;
  FileSystem* fs_;
  Trash* trash_ = nullptr;
  QString indexPath_;
  AlbumForEditing album_;
  QString folderPrefix_;
  PictureListModel* model_;
  PictureListView* list_ = nullptr;
  QUndoStack* undo_;
  QLabel* preview_ = nullptr;
  ThumbnailLoader* previews_;
  QLineEdit* title_ = nullptr;
  QLineEdit* caption_ = nullptr;
  QLabel* captionMarkup_ = nullptr;
  QLabel* captionProblem_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  QLabel* descriptionMarkup_ = nullptr;
  QAction* save_ = nullptr;
  QAction* undoAction_ = nullptr;
  QAction* redoAction_ = nullptr;
  QAction* removeAction_ = nullptr;
  QAction* publishAction_ = nullptr;
  EditorPublish* publish_ = nullptr;
  QLabel* progressLabel_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  QPushButton* cancel_ = nullptr;
  // Shown when the index file changed outside the editor while it holds changes not saved.
  QPushButton* reapply_ = nullptr;
  QFileSystemWatcher watcher_;
  // Lets an outside command finish its change before the index file is looked at.
  QTimer indexSettle_;
  QTimer progressPoll_;
  // Puts the cursor at the end of `tabbedInto_` once a Tab has given that field the focus.
  QTimer cursorToEnd_;
  QObject* tabbedInto_ = nullptr;
  // When the work's stage began, and which stage it is, for the time left.
  std::chrono::steady_clock::time_point workStart_{};
  std::optional<WorkStage> stage_;
  std::locale locale_;
  // The title line as it stands, and whether the title field edits markup.
  std::string titleLine_;
  bool titleMarkupOn_ = false;
  // The picture the fields show, by its key, and whether they edit markup.
  std::int64_t shownNumber_ = 0;
  bool captionMarkupOn_ = false;
  bool descriptionMarkupOn_ = false;
  // Whether the fields are being filled, not typed in.
  bool filling_ = false;
  BackgroundRun* run_ = nullptr;
  bool closeAfterSave_ = false;
  // How many pictures the album had when the editor read it: its keys are 1 to that.
  std::int64_t keyCount_ = 0;
  // What stays with each key's picture file when it is renumbered, to find it after an outside
  // change.
  std::vector<PictureMark> marks_;
  // The undo stack's index at the last save, or -1 when that state cannot come back; undo goes no
  // lower than `undoFloor_`, which keeps a saved removal.
  int savedIndex_ = 0;
  int undoFloor_ = 0;
  // Steps typed in one round merge; each save starts a new one.
  int round_ = 0;
  // What a save that goes on writes: the pictures by their keys, and the undo index it was taken
  // at.
  std::vector<EditedPicture> snapshot_;
  int savingIndex_ = 0;
  bool saving_ = false;
};

// Shows the album editor on the album of the index file `indexPath` as a window of its own over
// `parent`, or raises the one that shows that album already. Its work goes through `fs` (the
// machine's file system when none), and removed files go to `trash` where one is given. None when
// the album cannot be read, which the editor has said.
AlbumEditor* ShowAlbumEditor(QWidget* parent, FileSystem* fs, const QString& indexPath,
                             Trash* trash = nullptr);

}  // namespace quillmere
