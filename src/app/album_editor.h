// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor: a window of its own with the album's pictures in their order, the caption and
// description of the one selected editable beside its larger picture; pictures moved by dragging,
// removed with Delete (their files go to the trash when saved) and added by dropping files. Every
// change can be undone, and Save makes them all as one edit of the album.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "album/text/edit_file.h"
#include "app/background_run.h"
#include "platform/file_system.h"

class QAction;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QUndoStack;

namespace quillmere {

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

  // The list of pictures, the undo stack and the fields, for the program's tests.
  PictureListModel& pictures() { return *model_; }
  PictureListView& list() { return *list_; }
  QUndoStack& undoStack() { return *undo_; }
  QLineEdit& captionField() { return *caption_; }
  const QLabel& captionProblem() const { return *captionProblem_; }

  // Whether a save or an addition of pictures goes on.
  bool busy() const { return run_ != nullptr; }

 public slots:
  // Makes every change as one edit of the album, then reads it again.
  void Save();
  // Removes the selected picture.
  void RemoveSelected();

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
  void BuildActions();
  void ShowSelected();
  void ShowPreview();
  void CaptionTyped();
  void DescriptionTyped();
  void PushLine(PictureLine which, std::string line);
  void ShowCaptionProblem();
  void Moved(int from, int to);
  void AddFiles(const QStringList& paths);
  void StartWork(BackgroundRun::AlbumWork work);
  void WorkFinished();
  void UpdateTitle();
  int SelectedRow() const;
  void Select(int row);
  void Fail(const QString& text);

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
  QLineEdit* caption_ = nullptr;
  QLabel* captionMarkup_ = nullptr;
  QLabel* captionProblem_ = nullptr;
  QPlainTextEdit* description_ = nullptr;
  QLabel* descriptionMarkup_ = nullptr;
  QAction* save_ = nullptr;
  // The picture the fields show, by its number when read, and whether they edit markup.
  std::int64_t shownNumber_ = 0;
  bool captionMarkupOn_ = false;
  bool descriptionMarkupOn_ = false;
  // Whether the fields are being filled, not typed in.
  bool filling_ = false;
  BackgroundRun* run_ = nullptr;
  bool closeAfterSave_ = false;
};

}  // namespace quillmere
