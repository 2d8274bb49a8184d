// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/album_editor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "album/commands/add_pictures.h"
#include "album/commands/edit_album.h"
#include "album/text/album_text.h"
#include "album/text/caption_text.h"
#include "album/text/edited_text.h"
#include "app/album_report.h"
#include "app/editor_commands.h"
#include "app/editor_edit.h"
#include "app/editor_merge.h"
#include "app/editor_publish.h"
#include "app/local_text.h"
#include "app/picture_list_model.h"
#include "app/picture_list_view.h"
#include "app/thumbnail_loader.h"
#include "app/window_words.h"
#include "paths/paths.h"
#include "platform/qt/message_box.h"
#include "platform/stop_request.h"
#include "run/journal_format.h"
#include "site/album_entries.h"
#include "site/page_output.h"
#include "site/video_entries.h"

namespace quillmere {
namespace {

// The box the selected picture is shown in, at most.
constexpr QSize kPreviewBox{480, 360};

// How much memory the larger pictures kept may take.
constexpr qsizetype kPreviewCacheBytes = qsizetype{16} * 1024 * 1024;

// How often the count of a save is shown again, in milliseconds.
constexpr int kProgressIntervalMs = 200;

// How long the index file is left alone after it changed, before it is read, in milliseconds.
constexpr int kIndexSettleMs = 300;

// How long the word on how a cancelled save ended stays, in milliseconds.
constexpr int kStatusMs = 15000;

// The editor's title, as its message boxes name it.
QString EditorTitle() {
  return QStringLiteral("Quillmere album editor");
}

QString FromLatin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The pictures of `album` as the editor lists them: numbered from 1, with their lines.
// The folder of the album each picture of `album` opens, by its number; empty for the others.
std::vector<std::string> AlbumsOf(const AlbumForEditing& album) {
  std::vector<std::string> albums;
  albums.reserve(album.pictures.size());
  for (const auto& picture : album.pictures) albums.push_back(picture.album);
  return albums;
}

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

// What the caption and description fields tell of their keys.
QString FieldKeysTip() {
  return QStringLiteral("Alt+Down: the next picture; Alt+Up: the previous one");
}

// `count` within what a progress bar takes.
int BarValue(std::uint64_t count) {
  return static_cast<int>(std::min<std::uint64_t>(count, INT_MAX));
}

// Whether the picture at `picturePath` is the poster of a video beside it.
bool HasVideoBeside(const QString& picturePath) {
  const QString extension = FromLatin1(kPictureFileExtension);
  if (!picturePath.endsWith(extension)) return false;
  const QString stem = picturePath.chopped(extension.size());
  return std::any_of(
      kVideoFileExtensions.begin(), kVideoFileExtensions.end(),
      [&](std::string_view video) { return QFileInfo::exists(stem + FromLatin1(video)); });
}

// `image` with a play mark in its middle: a dark disc ringed in white, holding a white triangle.
QImage WithPlayMark(QImage image) {
  image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal radius = std::min(image.width(), image.height()) / 6.0;
  const QPointF centre(image.width() / 2.0, image.height() / 2.0);
  painter.setPen(QPen(QColor(255, 255, 255, 220), std::max(1.0, radius / 12)));
  painter.setBrush(QColor(0, 0, 0, 140));
  painter.drawEllipse(centre, radius, radius);
  QPainterPath triangle;
  triangle.moveTo(centre + QPointF(-radius * 0.35, -radius * 0.5));
  triangle.lineTo(centre + QPointF(radius * 0.55, 0));
  triangle.lineTo(centre + QPointF(-radius * 0.35, radius * 0.5));
  triangle.closeSubpath();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 235));
  painter.drawPath(triangle);
  return image;
}

// Whether `album` holds the lines of `pictures`, in their order.
bool HoldsLinesOf(const AlbumForEditing& album, const std::vector<EditedPicture>& pictures) {
  return std::equal(album.pictures.begin(), album.pictures.end(), pictures.begin(), pictures.end(),
                    [](const auto& read, const EditedPicture& saved) {
                      return read.caption == saved.caption && read.description == saved.description;
                    });
}

// Puts the cursor at the end of `field`, a line or a text field, with nothing selected.
void CursorToEnd(QObject* field) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    line->deselect();
    line->end(false);
  } else if (auto* text = qobject_cast<QPlainTextEdit*>(field)) {
    text->moveCursor(QTextCursor::End);
  }
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
      previews_(new ThumbnailLoader(kPreviewBox, kPreviewCacheBytes, this)),
      locale_(UsersLocale()) {
  BuildWidgets();
  BuildActions();
  cursorToEnd_.setSingleShot(true);
  cursorToEnd_.setInterval(0);
  connect(&cursorToEnd_, &QTimer::timeout, this, [this] {
    if (tabbedInto_ != nullptr) CursorToEnd(tabbedInto_);
  });
  connect(undo_, &QUndoStack::indexChanged, this, [this] {
    UpdateTitle();
    UpdateActions();
  });
  connect(previews_, &ThumbnailLoader::loaded, this, &AlbumEditor::ShowPreview);
  progressPoll_.setInterval(kProgressIntervalMs);
  connect(&progressPoll_, &QTimer::timeout, this, &AlbumEditor::ShowProgress);
  resize(1000, 700);
}

AlbumEditor::~AlbumEditor() {
  // The stack tells of its end to no slot of an editor that is gone.
  undo_->disconnect(this);
  delete run_;
}

void AlbumEditor::BuildWidgets() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  auto* head = new QFormLayout;
  title_ = new QLineEdit(central);
  title_->setToolTip(QStringLiteral("The album's title, at the top of its pages"));
  head->addRow(QStringLiteral("&Title:"), title_);
  column->addLayout(head);
  auto* splitter = new QSplitter(central);
  column->addWidget(splitter, 1);
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
  caption_->setToolTip(FieldKeysTip());
  captionMarkup_ = MarkupTag(side);
  form->addRow(QStringLiteral("&Caption:"), WithTag(caption_, captionMarkup_));
  captionProblem_ = new QLabel(side);
  captionProblem_->setStyleSheet(QStringLiteral("color: #b00020;"));
  captionProblem_->setWordWrap(true);
  captionProblem_->hide();
  form->addRow(QString(), captionProblem_);
  description_ = new QPlainTextEdit(side);
  description_->setTabChangesFocus(true);
  description_->setToolTip(FieldKeysTip());
  descriptionMarkup_ = MarkupTag(side);
  form->addRow(QStringLiteral("&Description:"), WithTag(description_, descriptionMarkup_));
  layout->addLayout(form);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  setCentralWidget(central);
  BuildProgress();
  connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &AlbumEditor::ShowSelected);
  connect(list_, &PictureListView::moveAsked, this, &AlbumEditor::Moved);
  connect(list_, &PictureListView::filesDropped, this, &AlbumEditor::AddFiles);
  // Delete in the list removes a picture; in a field it deletes text.
  connect(list_, &PictureListView::removeAsked, this, &AlbumEditor::RemoveSelected);
  // Double-click or Enter on an album of a tree opens it in an editor of its own.
  connect(list_, &QAbstractItemView::activated, this, &AlbumEditor::OpenEntryAlbum);
  title_->installEventFilter(this);
  caption_->installEventFilter(this);
  description_->installEventFilter(this);
  connect(title_, &QLineEdit::textChanged, this, &AlbumEditor::TitleTyped);
  connect(caption_, &QLineEdit::textChanged, this, &AlbumEditor::CaptionTyped);
  connect(description_, &QPlainTextEdit::textChanged, this, &AlbumEditor::DescriptionTyped);
  connect(model_, &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& top, const QModelIndex&, const QList<int>& roles) {
            if (roles.isEmpty() && top.row() == SelectedRow()) ShowSelected();
          });
}

// The count of a save, its bar and its Cancel, in the status bar while it goes on.
void AlbumEditor::BuildProgress() {
  progressLabel_ = new QLabel(this);
  progressBar_ = new QProgressBar(this);
  progressBar_->setMaximumWidth(200);
  progressBar_->setTextVisible(false);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setToolTip(
      QStringLiteral("Stop the save: the album stays as it was, or, once its index file is "
                     "written, its pages not yet written are left for the next run"));
  connect(cancel_, &QPushButton::clicked, this, &AlbumEditor::CancelWork);
  statusBar()->addWidget(progressLabel_, 1);
  statusBar()->addPermanentWidget(progressBar_);
  statusBar()->addPermanentWidget(cancel_);
  progressLabel_->hide();
  progressBar_->hide();
  cancel_->hide();
  reapply_ = new QPushButton(QStringLiteral("Make my changes on it"), this);
  reapply_->setToolTip(
      QStringLiteral("The album was changed outside the editor: read it again and make the "
                     "changes made here on it, each on the picture it was made on"));
  connect(reapply_, &QPushButton::clicked, this, [this] { OfferMerge(false); });
  statusBar()->addPermanentWidget(reapply_);
  reapply_->hide();
  indexSettle_.setSingleShot(true);
  indexSettle_.setInterval(kIndexSettleMs);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] {
    WatchIndex();
    indexSettle_.start();
  });
  connect(&indexSettle_, &QTimer::timeout, this, &AlbumEditor::IndexTouched);
}

// The index file is watched from its reading on; a file put in its place is watched anew.
void AlbumEditor::WatchIndex() {
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  watcher_.addPath(indexPath_);
}

// An index file changed outside the editor is read again at once where nothing here is unsaved;
// otherwise the editor offers to make its changes on it.
void AlbumEditor::IndexTouched() {
  if (busy()) return;
  QFile file(indexPath_);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.readAll();
  if (StateOf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()))) ==
      album_.state) {
    return;
  }
  QString why;
  const int row = SelectedRow();
  if (!unsaved() && Take(indexPath_, why)) {
    Select(std::min(row, model_->rowCount() - 1));
    return;
  }
  statusBar()->showMessage(QStringLiteral("The album was changed outside the editor."));
  reapply_->show();
}

void AlbumEditor::BuildActions() {
  auto* bar = addToolBar(QStringLiteral("Album"));
  bar->setMovable(false);
  save_ = bar->addAction(QStringLiteral("Save"), this, &AlbumEditor::Save);
  save_->setShortcut(QKeySequence::Save);
  undoAction_ = bar->addAction(QStringLiteral("Undo"), this, &AlbumEditor::Undo);
  undoAction_->setShortcut(QKeySequence::Undo);
  redoAction_ = bar->addAction(QStringLiteral("Redo"), this, &AlbumEditor::Redo);
  redoAction_->setShortcuts(RedoKeys());
  removeAction_ =
      bar->addAction(QStringLiteral("Remove picture"), this, &AlbumEditor::RemoveSelected);
  removeAction_->setToolTip(
      QStringLiteral("Remove the selected picture (Delete); its files go to the "
                     "trash when the album is saved"));
  publish_ = new EditorPublish(this);
  connect(publish_, &EditorPublish::runningChanged, this, &AlbumEditor::UpdateActions);
  publishAction_ = bar->addAction(QStringLiteral("Publish"), this, &AlbumEditor::Publish);
  publishAction_->setToolTip(
      QStringLiteral("Send the saved album to its web server; its destination is asked for "
                     "the first time"));
  UpdateActions();
}

// While a save goes on, Save waits for it and Undo does not reach below what it writes; a saved
// removal is not undone. Every other step goes on during a save, on top of what it writes; an
// addition of pictures holds the whole editor.
void AlbumEditor::UpdateActions() {
  const bool adding = busy() && !saving_;
  const int floor = saving_ ? std::max(undoFloor_, savingIndex_) : undoFloor_;
  save_->setEnabled(!indexPath_.isEmpty() && !busy());
  undoAction_->setEnabled(!adding && undo_->index() > floor);
  redoAction_->setEnabled(!adding && undo_->canRedo());
  removeAction_->setEnabled(!adding && SelectedRow() >= 0);
  if (publishAction_ != nullptr) {
    publishAction_->setEnabled(!indexPath_.isEmpty() && !busy() && !publish_->running());
  }
  if (undo_->index() > 0 && undo_->index() == undoFloor_) {
    undoAction_->setToolTip(
        QStringLiteral("A saved removal is not undone here: its files are in the trash"));
  } else {
    undoAction_->setToolTip(
        QStringLiteral("Undo (%1)")
            .arg(QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText)));
  }
}

// Publishes what is saved: an album with changes not saved is saved first.
void AlbumEditor::Publish() {
  if (busy() || publish_->running()) return;
  if (unsaved()) {
    ShowWarningMessage(this, EditorTitle(),
                       QStringLiteral("Save the album first: publishing sends the album as it "
                                      "is saved."));
    return;
  }
  publish_->Start(indexPath_);
}

bool AlbumEditor::unsaved() const {
  return undo_->index() != savedIndex_;
}

void AlbumEditor::Push(EditorCommand* command) {
  // Steps undone below the saved state go with the new step, and that state with them.
  if (undo_->index() < savedIndex_) savedIndex_ = -1;
  undo_->push(command);
}

void AlbumEditor::Undo() {
  UpdateActions();
  if (!undoAction_->isEnabled()) return;
  const auto* step = static_cast<const EditorCommand*>(undo_->command(undo_->index() - 1));
  undo_->undo();
  ShowStep(*step);
}

void AlbumEditor::Redo() {
  UpdateActions();
  if (!redoAction_->isEnabled()) return;
  const auto* step = static_cast<const EditorCommand*>(undo_->command(undo_->index()));
  undo_->redo();
  ShowStep(*step);
}

// The picture that `step` changed is selected and scrolled into view; where it is gone, the row
// it left is.
void AlbumEditor::ShowStep(const EditorCommand& step) {
  if (step.picture() == 0) return;
  int row = model_->RowOf(step.picture());
  if (row < 0) row = std::min(step.rowHint(), model_->rowCount() - 1);
  if (row < 0) return;
  Select(row);
  list_->scrollTo(model_->index(row));
}

bool AlbumEditor::Open(const QString& indexPath) {
  QString why;
  if (Take(indexPath, why)) return true;
  Fail(why);
  return false;
}

// Reads the album of `indexPath` and shows it; false, with `why`, when it cannot be read.
bool AlbumEditor::Take(const QString& indexPath, QString& why) {
  const QString absolute = QFileInfo(indexPath).absoluteFilePath();
  AlbumOptions options;
  auto read = ReadForEditing(ToLocal(absolute), *fs_, options);
  if (const auto* failure = read.failure()) {
    why = FromLocal(Describe(*failure, WindowWords()));
    return false;
  }
  indexPath_ = absolute;
  album_ = std::move(read.value());
  folderPrefix_ = QFileInfo(absolute).absolutePath() + QLatin1Char('/');
  shownNumber_ = 0;
  keyCount_ = static_cast<std::int64_t>(album_.pictures.size());
  ReadMarks();
  WatchIndex();
  reapply_->hide();
  previews_->Clear();
  model_->Reset(EntriesOf(album_), PathOnDisk(folderPrefix_.toStdString(), album_.thumbPrefix),
                AlbumsOf(album_));
  undo_->clear();
  savedIndex_ = 0;
  undoFloor_ = 0;
  ++round_;
  titleMarkupOn_ = HoldsMarkup(album_.title);
  SetTitleLine(album_.title);
  UpdateActions();
  Select(0);
  return true;
}

void AlbumEditor::UpdateTitle() {
  const QString name = QString::fromStdString(ShownText(titleLine_));
  setWindowTitle(QStringLiteral("[*]%1 - %2").arg(name, EditorTitle()));
  setWindowModified(unsaved());
}

void AlbumEditor::TitleTyped() {
  if (filling_) return;
  const std::string typed = title_->text().toStdString();
  titleMarkupOn_ = titleMarkupOn_ || HoldsMarkup(typed);
  std::string line = CaptionLine(typed, titleMarkupOn_);
  if (line == titleLine_) return;
  const QScopedValueRollback<bool> filling(filling_, true);
  Push(new TitleCommand([this](const std::string& set) { SetTitleLine(set); }, titleLine_,
                        std::move(line), round_));
}

// The title becomes `line`; the field shows it unless it was typed there.
void AlbumEditor::SetTitleLine(const std::string& line) {
  titleLine_ = line;
  if (!filling_ && CaptionLine(title_->text().toStdString(), titleMarkupOn_) != line) {
    const QScopedValueRollback<bool> filling(filling_, true);
    title_->setText(QString::fromStdString(ShownText(line)));
  }
  UpdateTitle();
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

// Alt+Down or Alt+Up in `field` selects the next or previous picture and stays in the field.
void AlbumEditor::SelectNeighbour(QWidget* field, int step) {
  const int row = SelectedRow() + step;
  if (SelectedRow() < 0 || row < 0 || row >= model_->rowCount()) return;
  Select(row);
  list_->scrollTo(model_->index(row));
  field->setFocus(Qt::OtherFocusReason);
  CursorToEnd(field);
}

// The fields take the lines of the picture selected, as they are to be edited.
void AlbumEditor::ShowSelected() {
  const int row = SelectedRow();
  const QScopedValueRollback<bool> filling(filling_, true);
  const bool any = row >= 0;
  caption_->setEnabled(any);
  description_->setEnabled(any);
  UpdateActions();
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
      PictureFileName(PathOnDisk(folderPrefix_.toStdString(), album_.picturePrefix),
                      model_->FileNumberOf(shownNumber_)));
  const QImage image = previews_->Image(shownNumber_, path);
  if (!image.isNull()) {
    preview_->setPixmap(QPixmap::fromImage(HasVideoBeside(path) ? WithPlayMark(image) : image));
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
  Push(new LineCommand(*model_, shownNumber_, which, std::move(before), std::move(line), round_));
}

void AlbumEditor::ShowCaptionProblem() {
  const int row = model_->RowOf(shownNumber_);
  const QString problem = row >= 0 ? FaultText(PairDropOf(model_->entry(row).caption)) : QString();
  captionProblem_->setText(problem);
  captionProblem_->setVisible(!problem.isEmpty());
}

void AlbumEditor::Moved(int from, int to) {
  if (busy() && !saving_) return;
  Push(new MoveCommand(*model_, from, to));
  Select(to);
}

void AlbumEditor::RemoveSelected() {
  const int row = SelectedRow();
  if (row < 0 || (busy() && !saving_)) return;
  Push(new RemoveCommand(*model_, row));
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
  if (titleLine_ != album_.title && CaptionDropsPair(titleLine_)) {
    title_->setFocus();
    Fail(
        QStringLiteral("The album is not saved. A title cannot be empty or start with \";\": "
                       "the pages would take the next line for it."));
    return;
  }
  AlbumEdit edit = EditOfPictures(album_, model_->EntriesOnDisk());
  if (titleLine_ != album_.title) edit.text.title = LineInCharacterSet(titleLine_, album_.utf8);
  if (ChangesNothing(album_, edit)) {
    savedIndex_ = undo_->index();
    UpdateTitle();
    emit workEnded(true);
    return;
  }
  // What is typed from now on is a step of its own on top of what this save writes.
  snapshot_ = model_->entries();
  savingIndex_ = undo_->index();
  ++round_;
  saving_ = true;
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
  if (unsaved()) {
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
  if (!saving_) list_->setEnabled(false);
  workStart_ = std::chrono::steady_clock::now();
  stage_.reset();
  progressLabel_->setText(QStringLiteral("Writing the album..."));
  progressBar_->setRange(0, 0);
  cancel_->setEnabled(true);
  progressLabel_->show();
  progressBar_->show();
  cancel_->show();
  progressPoll_.start();
  UpdateActions();
}

// The count of what the work has done, and the time it needs still, under the list.
void AlbumEditor::ShowProgress() {
  if (run_ == nullptr || !cancel_->isEnabled()) return;
  const std::uint64_t pages = run_->pages().total();
  WorkProgress work = PageProgressInPictures(run_->pages().done(), pages);
  if (pages == 0) work = run_->pictures().progress();
  if (work.total == 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (stage_ != work.stage) {
    stage_ = work.stage;
    workStart_ = now;
  }
  const std::optional<std::chrono::seconds> left = TimeLeft(work, now - workStart_);
  const std::string name = AlbumNameOf(ShownText(titleLine_), ToLocal(indexPath_));
  progressLabel_->setText(FromLocal(ProgressText(name, work, left, locale_)));
  progressBar_->setRange(0, BarValue(work.total));
  progressBar_->setValue(BarValue(work.done));
}

void AlbumEditor::CancelWork() {
  if (run_ == nullptr) return;
  run_->RequestStop(StopRequest::kByUser);
  cancel_->setEnabled(false);
  progressLabel_->setText(QStringLiteral("Stopping..."));
}

void AlbumEditor::WorkFinished() {
  const AlbumOutcome outcome = run_->album();
  const int stopReason = run_->stopReason();
  run_->deleteLater();
  run_ = nullptr;
  progressPoll_.stop();
  progressLabel_->hide();
  progressBar_->hide();
  cancel_->hide();
  list_->setEnabled(true);
  const bool wasSaving = std::exchange(saving_, false);
  bool ok = outcome.ok();
  const bool changedOutside = !ok && outcome.failure->Is<AlbumFailure::IndexChanged>();
  if (wasSaving && changedOutside) {
    snapshot_.clear();
    closeAfterSave_ = false;
    UpdateActions();
    emit workEnded(false);
    OfferMerge(true);
    return;
  }
  if (wasSaving) {
    const bool applied = TakeSaved(ok);
    ReportSave(outcome, stopReason, applied);
    ok = ok && applied;
    snapshot_.clear();
  } else {
    ReportSave(outcome, stopReason, ok);
    const int row = SelectedRow();
    if (ok && Open(indexPath_)) Select(std::min(row, model_->rowCount() - 1));
  }
  UpdateActions();
  UpdateTitle();
  emit workEnded(ok);
  if (closeAfterSave_) {
    closeAfterSave_ = false;
    if (ok && !unsaved()) close();
  }
}

// After a save, the album is read again; where the save replaced its index file (`done` says it
// did; a save stopped or failed after that is known by the pictures' lines, as the snapshot holds
// them), the pictures listed take their files' new numbers, what was typed meanwhile stays on top,
// and true is returned.
bool AlbumEditor::TakeSaved(bool done) {
  const AlbumOptions options;
  auto read = ReadForEditing(ToLocal(indexPath_), *fs_, options);
  if (read.failure() != nullptr) return false;
  AlbumForEditing now = std::move(read.value());
  if (now.state == album_.state || now.pictures.size() != snapshot_.size()) return false;
  if (!done && !HoldsLinesOf(now, snapshot_)) return false;
  std::vector<std::int64_t> numbers(static_cast<std::size_t>(keyCount_) + 1, 0);
  std::int64_t number = 0;
  for (const EditedPicture& picture : snapshot_) {
    numbers[static_cast<std::size_t>(picture.number)] = ++number;
  }
  album_ = std::move(now);
  model_->SetFileNumbers(std::move(numbers));
  previews_->Clear();
  savedIndex_ = savingIndex_;
  undoFloor_ = FloorAfterSave(savingIndex_);
  ShowPreview();
  return true;
}

// The marks of the pictures' files, by their keys, as the album was read.
void AlbumEditor::ReadMarks() {
  marks_.assign(static_cast<std::size_t>(keyCount_) + 1, PictureMark{});
  const std::string prefix = PathOnDisk(folderPrefix_.toStdString(), album_.picturePrefix);
  for (std::int64_t number = 1; number <= keyCount_; ++number) {
    auto info = fs_->Inspect(PictureFileName(prefix, number), false);
    if (info && info.value().kind == EntryInfo::Kind::kRegular) {
      marks_[static_cast<std::size_t>(number)] = {info.value().size, info.value().modified};
    }
  }
}

// After a save refused because the album changed outside the editor (`afterSave`), or when the
// editor noticed the change, the person is offered to have the changes made here made again on
// the album as it is now; refused, the editor stays as it was, unsaved.
void AlbumEditor::OfferMerge(bool afterSave) {
  if (busy()) return;
  const QString changed =
      afterSave ? QStringLiteral(
                      "The album was changed outside the editor since it was read, so "
                      "nothing was saved.")
                : QStringLiteral("The album was changed outside the editor since it was read.");
  if (!AskYesOrNo(this, EditorTitle(),
                  changed + QStringLiteral("\n\nRead it again and make your changes on it, each on "
                                           "the picture it was made on? A text changed both here "
                                           "and outside is shown both ways for you to choose. No "
                                           "keeps the editor as it is."),
                  true)) {
    return;
  }
  const AlbumOptions options;
  auto read = ReadForEditing(ToLocal(indexPath_), *fs_, options);
  if (const auto* failure = read.failure()) {
    Fail(FromLocal(Describe(*failure, WindowWords())));
    return;
  }
  AlbumForEditing now = std::move(read.value());
  const std::vector<BasePicture> base = BaseOfMerge();
  const std::string baseTitle = album_.title;
  const std::vector<EditorEntry> mine = model_->entries();
  const std::string myTitle = titleLine_;
  // The marks of the album now are those of its keys once it is taken.
  album_ = std::move(now);
  keyCount_ = static_cast<std::int64_t>(album_.pictures.size());
  ReadMarks();
  const std::vector<PictureMark> nowMarks(marks_.begin() + 1, marks_.end());
  MergedEdit merged = MergeOnto(mine, myTitle, base, baseTitle, album_, nowMarks);
  ChooseConflicts(merged);
  const bool whole = merged.conflicts.empty() && merged.gone.empty();
  reapply_->hide();
  statusBar()->clearMessage();
  TakeMerged(std::move(merged));
  if (whole) Save();
}

// The pictures as the editor last read or saved them, in their order then, with their marks.
std::vector<BasePicture> AlbumEditor::BaseOfMerge() const {
  std::vector<BasePicture> base(album_.pictures.size());
  for (std::int64_t key = 1; key <= keyCount_; ++key) {
    const std::int64_t number = model_->FileNumberOf(key);
    if (number <= 0 || number > static_cast<std::int64_t>(base.size())) continue;
    const AlbumForEditing::Picture& read = album_.pictures[static_cast<std::size_t>(number - 1)];
    base[static_cast<std::size_t>(number - 1)] = {key, read.caption, read.description,
                                                  marks_[static_cast<std::size_t>(key)]};
  }
  return base;
}

// Each text changed both here and outside is shown both ways; the person keeps one.
void AlbumEditor::ChooseConflicts(MergedEdit& merged) {
  for (const TextConflict& conflict : merged.conflicts) {
    const QString what = conflict.number == 0 ? QStringLiteral("The title")
                         : conflict.which == PictureLine::kCaption
                             ? QStringLiteral("The caption of picture %1").arg(conflict.number)
                             : QStringLiteral("The description of picture %1").arg(conflict.number);
    const bool keepMine = AskYesOrNo(
        this, EditorTitle(),
        QStringLiteral("%1 was changed both here and outside.\n\nHere: %2\n\nOutside: %3\n\n"
                       "Keep the text typed here? No takes the text from outside.")
            .arg(what, QString::fromStdString(ShownText(conflict.mine)),
                 QString::fromStdString(ShownText(conflict.theirs))),
        true);
    if (keepMine) continue;
    if (conflict.number == 0) {
      merged.title = conflict.theirs;
      continue;
    }
    for (EditedPicture& picture : merged.pictures) {
      if (picture.number != conflict.number) continue;
      (conflict.which == PictureLine::kCaption ? picture.caption : picture.description) =
          conflict.theirs;
    }
  }
}

// The editor shows the album as it is now with the person's changes made on it, not saved; the
// texts typed for pictures that are gone are shown so that they can be copied.
void AlbumEditor::TakeMerged(MergedEdit merged) {
  shownNumber_ = 0;
  previews_->Clear();
  model_->Reset(std::move(merged.pictures),
                PathOnDisk(folderPrefix_.toStdString(), album_.thumbPrefix), AlbumsOf(album_));
  undo_->clear();
  undoFloor_ = 0;
  ++round_;
  titleMarkupOn_ = HoldsMarkup(merged.title);
  SetTitleLine(merged.title);
  AlbumEdit edit = EditOfPictures(album_, model_->EntriesOnDisk());
  if (titleLine_ != album_.title) edit.text.title = titleLine_;
  savedIndex_ = ChangesNothing(album_, edit) ? 0 : -1;
  UpdateTitle();
  UpdateActions();
  Select(0);
  if (merged.gone.empty()) return;
  QString texts;
  for (const EditedPicture& picture : merged.gone) {
    texts += QStringLiteral("\n\n") + QString::fromStdString(ShownText(picture.caption)) +
             QStringLiteral("\n") + QString::fromStdString(ShownText(picture.description));
  }
  ShowWarningMessage(this, EditorTitle(),
                     QStringLiteral("These texts were typed for pictures that the album no longer "
                                    "holds:") +
                         texts);
}

// The lowest index that Undo may reach once the steps below `savedIndex` are saved: just above
// the last removal among them, whose files are in the trash now.
int AlbumEditor::FloorAfterSave(int savedIndex) const {
  for (int index = savedIndex - 1; index >= undoFloor_; --index) {
    if (static_cast<const EditorCommand*>(undo_->command(index))->removes()) return index + 1;
  }
  return undoFloor_;
}

// Tells how the work ended: a cancelled save in the status bar, a failure or the files left out
// in a box.
void AlbumEditor::ReportSave(const AlbumOutcome& outcome, int stopReason, bool applied) {
  if (!outcome.ok() && stopReason == StopRequest::kByUser) {
    statusBar()->showMessage(
        applied ? QStringLiteral("Saved; the pages not yet written are left for the next run.")
                : QStringLiteral("Cancelled: the album is as it was, and the changes are kept "
                                 "here."),
        kStatusMs);
    return;
  }
  QString text = outcome.ok() ? QString() : FromLocal(Describe(*outcome.failure, WindowWords()));
  const QString leftOut =
      OnlyOtherFiles(outcome.problems) ? QString() : LeftOutText(outcome.problems);
  if (!leftOut.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + leftOut;
  if (!outcome.ok()) {
    Fail(text);
  } else if (!text.isEmpty()) {
    ShowWarningMessage(this, EditorTitle(), text);
  }
}

void AlbumEditor::closeEvent(QCloseEvent* event) {
  if (busy()) {
    event->ignore();
    return;
  }
  if (!unsaved()) {
    event->accept();
    return;
  }
  switch (AskToSaveChanges(this, EditorTitle(),
                           QStringLiteral("The album %1 has changes that are not saved. Save them?")
                               .arg(QString::fromStdString(ShownText(titleLine_))))) {
    case UnsavedAnswer::kSave:
      event->ignore();
      closeAfterSave_ = true;
      Save();
      if (!busy()) closeAfterSave_ = false;
      if (!unsaved() && !busy()) event->accept();
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
  const bool pictureField = watched == caption_ || watched == description_;
  if (pictureField && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool alt = (key->modifiers() & ~Qt::KeypadModifier) == Qt::AltModifier;
    if (alt && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up)) {
      SelectNeighbour(static_cast<QWidget*>(watched), key->key() == Qt::Key_Down ? 1 : -1);
      return true;
    }
  }
  if (event->type() == QEvent::FocusIn) {
    // Tab into a field goes to the end of its text, once the field has taken the focus its way.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
      tabbedInto_ = watched;
      cursorToEnd_.start();
    }
  }
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

// The album of an entry that is one opens in an editor of its own; the editor's own file system
// is not lent to it, as it ends with this editor.
void AlbumEditor::OpenEntryAlbum(const QModelIndex& index) {
  const QString folder = index.data(PictureListModel::kAlbumRole).toString();
  if (folder.isEmpty()) return;
  ShowAlbumEditor(parentWidget(), fs_ == &machineFileSystem_ ? nullptr : fs_,
                  folderPrefix_ + folder + QLatin1Char('/') +
                      QString::fromLatin1(kAlbumIndexName.data(),
                                          static_cast<qsizetype>(kAlbumIndexName.size())),
                  trash_);
}

AlbumEditor* ShowAlbumEditor(QWidget* parent, FileSystem* fs, const QString& indexPath,
                             Trash* trash) {
  const QString absolute = QFileInfo(indexPath).absoluteFilePath();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    auto* open = qobject_cast<AlbumEditor*>(window);
    if (open == nullptr || !open->isVisible() || open->indexPath() != absolute) continue;
    open->raise();
    open->activateWindow();
    return open;
  }
  auto* editor = new AlbumEditor(parent, fs);
  editor->setWindowFlag(Qt::Window);
  editor->setAttribute(Qt::WA_DeleteOnClose);
  if (trash != nullptr) editor->setTrash(trash);
  if (!editor->Open(indexPath)) {
    delete editor;
    return nullptr;
  }
  editor->show();
  return editor;
}

}  // namespace quillmere
