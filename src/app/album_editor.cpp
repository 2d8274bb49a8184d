// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/album_editor.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>
#include <vector>

#include "album/commands/add_pictures.h"
#include "album/commands/edit_album.h"
#include "album/text/caption_text.h"
#include "app/album_report.h"
#include "app/editor_commands.h"
#include "app/editor_edit.h"
#include "app/picture_list_model.h"
#include "app/picture_list_view.h"
#include "app/thumbnail_loader.h"
#include "app/window_words.h"
#include "paths/paths.h"
#include "platform/qt/message_box.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

// The box the selected picture is shown in, at most.
constexpr QSize kPreviewBox{480, 360};

// How much memory the larger pictures kept may take.
constexpr qsizetype kPreviewCacheBytes = qsizetype{16} * 1024 * 1024;

// The editor's title, as its message boxes name it.
QString EditorTitle() {
  return QStringLiteral("Quillmere album editor");
}

QString FromLocal(const std::string& text) {
  return QString::fromLocal8Bit(QByteArray::fromStdString(text));
}

std::string ToLocal(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// The pictures of `album` as the editor lists them: numbered from 1, with their lines.
std::vector<EditorEntry> EntriesOf(const AlbumForEditing& album) {
  std::vector<EditorEntry> entries;
  entries.reserve(album.pictures.size());
  std::int64_t number = 0;
  for (const auto& picture : album.pictures) {
    entries.push_back({++number, picture.caption, picture.description});
  }
  return entries;
}

// The keys of Redo: the desktop's, and both that desktops use.
QList<QKeySequence> RedoKeys() {
  QList<QKeySequence> keys = QKeySequence::keyBindings(QKeySequence::Redo);
  for (const QKeySequence& key :
       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)}) {
    if (!keys.contains(key)) keys << key;
  }
  return keys;
}

// The small grey word that marks a field as editing markup.
QLabel* MarkupTag(QWidget* parent) {
  auto* tag = new QLabel(QStringLiteral("markup"), parent);
  tag->setToolTip(
      QStringLiteral("This line holds HTML tags: it is edited as markup and written as typed."));
  tag->setStyleSheet(QStringLiteral("color: gray; font-size: small;"));
  tag->hide();
  return tag;
}

// `field` with `tag` at its right.
QWidget* WithTag(QWidget* field, QLabel* tag) {
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(field, 1);
  layout->addWidget(tag, 0, Qt::AlignTop);
  return row;
}

}  // namespace

AlbumEditor::AlbumEditor(QWidget* parent, FileSystem* fs)
    : QMainWindow(parent),
      fs_(fs != nullptr ? fs : &machineFileSystem_),
      model_(new PictureListModel(this)),
      undo_(new QUndoStack(this)),
      previews_(new ThumbnailLoader(kPreviewBox, kPreviewCacheBytes, this)) {
  BuildWidgets();
  BuildActions();
  connect(undo_, &QUndoStack::cleanChanged, this, &AlbumEditor::UpdateTitle);
  connect(previews_, &ThumbnailLoader::loaded, this, &AlbumEditor::ShowPreview);
  resize(1000, 700);
}

AlbumEditor::~AlbumEditor() {
  // The stack tells of its end to no slot of an editor that is gone.
  undo_->disconnect(this);
  delete run_;
}

void AlbumEditor::BuildWidgets() {
  auto* splitter = new QSplitter(this);
  list_ = new PictureListView(splitter);
  list_->setModel(model_);
  auto* side = new QWidget(splitter);
  auto* layout = new QVBoxLayout(side);
  preview_ = new QLabel(side);
  preview_->setAlignment(Qt::AlignCenter);
  preview_->setMinimumSize(kPreviewBox / 2);
  layout->addWidget(preview_, 1);
  auto* form = new QFormLayout;
  caption_ = new QLineEdit(side);
  captionMarkup_ = MarkupTag(side);
  form->addRow(QStringLiteral("&Caption:"), WithTag(caption_, captionMarkup_));
  captionProblem_ = new QLabel(side);
  captionProblem_->setStyleSheet(QStringLiteral("color: #b00020;"));
  captionProblem_->setWordWrap(true);
  captionProblem_->hide();
  form->addRow(QString(), captionProblem_);
  description_ = new QPlainTextEdit(side);
  description_->setTabChangesFocus(true);
  descriptionMarkup_ = MarkupTag(side);
  form->addRow(QStringLiteral("&Description:"), WithTag(description_, descriptionMarkup_));
  layout->addLayout(form);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  setCentralWidget(splitter);
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &AlbumEditor::ShowSelected);
  connect(list_, &PictureListView::moveAsked, this, &AlbumEditor::Moved);
  connect(list_, &PictureListView::filesDropped, this, &AlbumEditor::AddFiles);
  // Delete in the list removes a picture; in a field it deletes text.
  connect(list_, &PictureListView::removeAsked, this, &AlbumEditor::RemoveSelected);
  caption_->installEventFilter(this);
  description_->installEventFilter(this);
  connect(caption_, &QLineEdit::textChanged, this, &AlbumEditor::CaptionTyped);
  connect(description_, &QPlainTextEdit::textChanged, this, &AlbumEditor::DescriptionTyped);
  connect(model_, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& top, const QModelIndex&, const QList<int>& roles) {
            if (roles.isEmpty() && top.row() == SelectedRow()) ShowSelected();
          });
}

void AlbumEditor::BuildActions() {
  auto* bar = addToolBar(QStringLiteral("Album"));
  bar->setMovable(false);
  save_ = bar->addAction(QStringLiteral("Save"), this, &AlbumEditor::Save);
  save_->setShortcut(QKeySequence::Save);
  QAction* undo = undo_->createUndoAction(this, QStringLiteral("Undo"));
  undo->setShortcut(QKeySequence::Undo);
  bar->addAction(undo);
  QAction* redo = undo_->createRedoAction(this, QStringLiteral("Redo"));
  redo->setShortcuts(RedoKeys());
  bar->addAction(redo);
  QAction* remove =
      bar->addAction(QStringLiteral("Remove picture"), this, &AlbumEditor::RemoveSelected);
  remove->setToolTip(
      QStringLiteral("Remove the selected picture (Delete); its files go to the "
                     "trash when the album is saved"));
}

bool AlbumEditor::Open(const QString& indexPath) {
  const QString absolute = QFileInfo(indexPath).absoluteFilePath();
  AlbumOptions options;
  auto read = ReadForEditing(ToLocal(absolute), *fs_, options);
  if (const auto* failure = read.failure()) {
    Fail(FromLocal(Describe(*failure, WindowWords())));
    return false;
  }
  indexPath_ = absolute;
  album_ = std::move(read.value());
  folderPrefix_ = QFileInfo(absolute).absolutePath() + QLatin1Char('/');
  shownNumber_ = 0;
  previews_->Clear();
  model_->Reset(EntriesOf(album_), PathOnDisk(folderPrefix_.toStdString(), album_.thumbPrefix));
  undo_->clear();
  undo_->setClean();
  UpdateTitle();
  Select(0);
  return true;
}

void AlbumEditor::UpdateTitle() {
  const QString name = QString::fromStdString(ShownText(album_.title));
  setWindowTitle(QStringLiteral("[*]%1 - %2").arg(name, EditorTitle()));
  setWindowModified(!undo_->isClean());
}

int AlbumEditor::SelectedRow() const {
  const QModelIndex current = list_->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void AlbumEditor::Select(int row) {
  if (row < 0 || row >= model_->rowCount()) {
    ShowSelected();
    return;
  }
  list_->setCurrentIndex(model_->index(row));
}

// The fields take the lines of the picture selected, as they are to be edited.
void AlbumEditor::ShowSelected() {
  const int row = SelectedRow();
  const QScopedValueRollback<bool> filling(filling_, true);
  const bool any = row >= 0;
  caption_->setEnabled(any);
  description_->setEnabled(any);
  if (!any) {
    shownNumber_ = 0;
    caption_->clear();
    description_->clear();
    preview_->clear();
    ShowCaptionProblem();
    return;
  }
  const EditorEntry& entry = model_->entry(row);
  if (entry.number != shownNumber_) {
    shownNumber_ = entry.number;
    captionMarkupOn_ = HoldsMarkup(entry.caption);
    descriptionMarkupOn_ = HoldsMarkup(entry.description);
  }
  const QString caption = QString::fromStdString(ShownText(entry.caption));
  const QString description = QString::fromStdString(ShownText(entry.description));
  if (CaptionLine(caption_->text().toStdString(), captionMarkupOn_) != entry.caption) {
    caption_->setText(caption);
  }
  if (DescriptionLine(description_->toPlainText().toStdString(), descriptionMarkupOn_) !=
      entry.description) {
    description_->setPlainText(description);
  }
  captionMarkup_->setVisible(captionMarkupOn_);
  descriptionMarkup_->setVisible(descriptionMarkupOn_);
  ShowCaptionProblem();
  ShowPreview();
}

void AlbumEditor::ShowPreview() {
  if (shownNumber_ == 0) return;
  const QString path = QString::fromStdString(
      PictureFileName(PathOnDisk(folderPrefix_.toStdString(), album_.picturePrefix), shownNumber_));
  const QImage image = previews_->Image(shownNumber_, path);
  if (!image.isNull()) {
    preview_->setPixmap(QPixmap::fromImage(image));
  } else {
    preview_->setText(previews_->Has(shownNumber_) ? QStringLiteral("(no picture)") : QString());
  }
}

void AlbumEditor::CaptionTyped() {
  if (filling_ || shownNumber_ == 0) return;
  const std::string typed = caption_->text().toStdString();
  captionMarkupOn_ = captionMarkupOn_ || HoldsMarkup(typed);
  captionMarkup_->setVisible(captionMarkupOn_);
  PushLine(PictureLine::kCaption, CaptionLine(typed, captionMarkupOn_));
  ShowCaptionProblem();
}

void AlbumEditor::DescriptionTyped() {
  if (filling_ || shownNumber_ == 0) return;
  const std::string typed = description_->toPlainText().toStdString();
  descriptionMarkupOn_ = descriptionMarkupOn_ || HoldsMarkup(typed);
  descriptionMarkup_->setVisible(descriptionMarkupOn_);
  PushLine(PictureLine::kDescription, DescriptionLine(typed, descriptionMarkupOn_));
}

// The line typed becomes a step that can be undone; the fields keep what was typed.
void AlbumEditor::PushLine(PictureLine which, std::string line) {
  const int row = model_->RowOf(shownNumber_);
  if (row < 0) return;
  const EditorEntry& entry = model_->entry(row);
  std::string before = which == PictureLine::kCaption ? entry.caption : entry.description;
  if (before == line) return;
  const QScopedValueRollback<bool> filling(filling_, true);
  undo_->push(new LineCommand(*model_, shownNumber_, which, std::move(before), std::move(line)));
}

void AlbumEditor::ShowCaptionProblem() {
  const int row = model_->RowOf(shownNumber_);
  const QString problem = row >= 0 ? FaultText(PairDropOf(model_->entry(row).caption)) : QString();
  captionProblem_->setText(problem);
  captionProblem_->setVisible(!problem.isEmpty());
}

void AlbumEditor::Moved(int from, int to) {
  if (busy()) return;
  undo_->push(new MoveCommand(*model_, from, to));
  Select(to);
}

void AlbumEditor::RemoveSelected() {
  const int row = SelectedRow();
  if (row < 0 || busy()) return;
  undo_->push(new RemoveCommand(*model_, row));
  Select(std::min(row, model_->rowCount() - 1));
}

void AlbumEditor::Save() {
  if (busy() || indexPath_.isEmpty()) return;
  const int faulty = FirstFaultyCaption(model_->entries());
  if (faulty >= 0) {
    Select(faulty);
    caption_->setFocus();
    Fail(QStringLiteral("The album is not saved. ") +
         FaultText(PairDropOf(model_->entry(faulty).caption)));
    return;
  }
  AlbumEdit edit = EditOfPictures(album_, model_->entries());
  if (ChangesNothing(album_, edit)) {
    undo_->setClean();
    emit workEnded(true);
    return;
  }
  StartWork([index = ToLocal(indexPath_), edit = std::move(edit), &fs = *fs_,
             trash = trash_](const AlbumOptions& options) {
    AlbumOptions own = options;
    own.trash = trash;
    return EditAlbum(index, edit, fs, own);
  });
}

// Pictures dropped join the album at once, as the window adds them; changes not saved would be
// refused afterwards, so they come first.
void AlbumEditor::AddFiles(const QStringList& paths) {
  if (busy() || indexPath_.isEmpty()) return;
  if (!undo_->isClean()) {
    Fail(QStringLiteral("Save or undo the changes first; then drop the pictures again."));
    return;
  }
  std::vector<std::string> sources;
  for (const QString& path : paths) sources.push_back(ToLocal(path));
  StartWork([index = ToLocal(indexPath_), sources = std::move(sources), &fs = *fs_](
                const AlbumOptions& options) { return AddPictures(index, sources, fs, options); });
}

void AlbumEditor::StartWork(BackgroundRun::AlbumWork work) {
  run_ = new BackgroundRun(std::move(work));
  connect(run_, &BackgroundRun::finished, this, &AlbumEditor::WorkFinished);
  list_->setEnabled(false);
  save_->setEnabled(false);
  statusBar()->showMessage(QStringLiteral("Writing the album..."));
}

void AlbumEditor::WorkFinished() {
  const AlbumOutcome outcome = run_->album();
  run_->deleteLater();
  run_ = nullptr;
  list_->setEnabled(true);
  save_->setEnabled(true);
  statusBar()->clearMessage();
  const int row = SelectedRow();
  const bool ok = outcome.ok();
  QString text = ok ? QString() : FromLocal(Describe(*outcome.failure, WindowWords()));
  const QString leftOut =
      OnlyOtherFiles(outcome.problems) ? QString() : LeftOutText(outcome.problems);
  if (!leftOut.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + leftOut;
  if (!ok) {
    Fail(text);
  } else if (!text.isEmpty()) {
    ShowWarningMessage(this, EditorTitle(), text);
  }
  if (ok && Open(indexPath_)) Select(std::min(row, model_->rowCount() - 1));
  emit workEnded(ok);
  if (closeAfterSave_) {
    closeAfterSave_ = false;
    if (ok) close();
  }
}

void AlbumEditor::closeEvent(QCloseEvent* event) {
  if (busy()) {
    event->ignore();
    return;
  }
  if (undo_->isClean()) {
    event->accept();
    return;
  }
  switch (AskToSaveChanges(this, EditorTitle(),
                           QStringLiteral("The album %1 has changes that are not saved. Save them?")
                               .arg(QString::fromStdString(ShownText(album_.title))))) {
    case UnsavedAnswer::kSave:
      event->ignore();
      closeAfterSave_ = true;
      Save();
      if (!busy()) closeAfterSave_ = false;
      if (undo_->isClean() && !busy()) event->accept();
      return;
    case UnsavedAnswer::kDiscard:
      event->accept();
      return;
    case UnsavedAnswer::kCancel:
      event->ignore();
      return;
  }
}

bool AlbumEditor::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    if (key->matches(QKeySequence::Undo) || RedoKeys().contains(pressed)) return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void AlbumEditor::Fail(const QString& text) {
  ShowCriticalMessage(this, EditorTitle(), text);
}

}  // namespace quillmere
