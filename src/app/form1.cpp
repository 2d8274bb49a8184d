// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "app/form1.h"

#include <QByteArray>
#include <QCloseEvent>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QUrl>
#include <QWindow>
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

#include "album/album_failure.h"
#include "album/album_options.h"
#include "album/album_outcome.h"
#include "album/commands/add_pictures.h"
#include "album/commands/new_album.h"
#include "app/album_editor.h"
#include "app/album_report.h"
#include "app/background_run.h"
#include "app/drop_plan.h"
#include "app/local_text.h"
#include "app/start_folder.h"
#include "app/text_fit.h"
#include "app/window_words.h"
#include "platform/qt/desktop_opener.h"
#include "platform/qt/message_box.h"
#include "run/generate.h"
#include "run/message_text.h"
#include "run/progress_text.h"
#include "site/page_output.h"
#include "site/page_signature.h"

namespace quillmere {
namespace {

constexpr const char* kInstructions =
    "This program will take an index (text) file you select, and generate a website out of it. "
    "This website will contain your a browser for your pictures and a index sheet. The text file "
    "should contain the title on line1, the prefix for the thumbnails,the images and the support "
    "imageson line 2, 3 and 4, and then a short and a long description per picture (should be "
    "numbered 1... max)";

// The file types offered by the open-file dialog; the first is in effect when it opens.
constexpr const char* kIndexFileTypes = "Text Files (*.txt)|*.txt|All Files (*.*)|*.*";

// The window's design, in device-independent pixels. The window is drawn this size, or larger
// in the same proportions when its texts would not fit at the desktop's font.
constexpr QSize kWindowSize(313, 172);
// The frame leaves a band of 3 pixels of the window below it.
constexpr QRect kFramePlace(0, 0, 313, 169);
constexpr QRect kLabelPlace(8, 16, 297, 97);
constexpr QRect kGeneratePlace(32, 128, 97, 25);
constexpr QRect kShowPlace(184, 128, 97, 25);
// The steps in which the window grows, and how far.
constexpr double kScaleStep = 1.0 / 16;
constexpr double kLargestScale = 4.0;

QPushButton* MakeButton(const char* name, const char* text, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  // Neither Enter nor Esc may run a command.
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

// The steps of the progress bar where pictures are counted by weight.
constexpr std::uint64_t kWeighedBarSteps = 1000;

// A count of pages or pictures as the progress bar takes it.
int BarValue(std::uint64_t count) {
  return static_cast<int>(std::min<std::uint64_t>(count, INT_MAX));
}

// The local files and folders that a drag carries; none for anything else.
QStringList LocalPaths(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile() && !url.toLocalFile().isEmpty()) paths << url.toLocalFile();
  }
  return paths;
}

// Takes a drag of local files as a copy, so that the program it comes from never removes them
// as moved; ignores any other.
void TakeAsCopy(QDropEvent* event) {
  if (LocalPaths(event->mimeData()).isEmpty() || !(event->possibleActions() & Qt::CopyAction)) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

// Whether the folder `folder` holds an index page that this program wrote.
bool HoldsWrittenPage(const std::string& folder, FileSystem& fs) {
  Result<std::unique_ptr<ReadableFile>> page =
      fs.OpenForReading(folder + "/" + std::string(kIndexPageName));
  if (!page) return false;
  Result<bool> written = IsOpenedWrittenPage(*page.value());
  return written && written.value();
}

}  // namespace

Form1::Form1(QWidget* parent, FileSystem* fs)
    : QWidget(parent),
      ioBox_(this),
      folderBox_(this),
      fs_(fs != nullptr ? fs : &machineFileSystem_) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);

  frame1_ = new QGroupBox(this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  frame1_->setFocusPolicy(Qt::NoFocus);

  label1_ = new QLabel(QString::fromLatin1(kInstructions), frame1_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setTextFormat(Qt::PlainText);
  label1_->setWordWrap(true);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setFocusPolicy(Qt::NoFocus);

  cmdGen_ = MakeButton("CmdGen", "Generate", frame1_);
  cmdShow_ = MakeButton("CmdShow", "Show", frame1_);
  cmdShow_->setEnabled(false);
  LayOut();

  setTabOrder(cmdGen_, cmdShow_);
  cmdGen_->setFocus();

  connect(cmdGen_, &QPushButton::clicked, this, &Form1::GenerateCommand);
  connect(cmdShow_, &QPushButton::clicked, this, &Form1::ShowCommand);

  progressDelay_.setSingleShot(true);
  progressDelay_.setInterval(kProgressDelay);
  connect(&progressDelay_, &QTimer::timeout, this, &Form1::ShowProgress);
  progressPoll_.setInterval(kProgressInterval);
  connect(&progressPoll_, &QTimer::timeout, this, &Form1::UpdateProgress);
  setAcceptDrops(true);
  dropTimer_.setSingleShot(true);
  dropTimer_.setInterval(0);
  connect(&dropTimer_, &QTimer::timeout, this, &Form1::OpenDropped);
  startTimer_.setSingleShot(true);
  startTimer_.setInterval(0);
  connect(&startTimer_, &QTimer::timeout, this, &Form1::OpenStartPaths);
}

Form1::~Form1() {
  // The run uses the file system, which goes with this window.
  delete run_;
}

void Form1::GenerateCommand() {
  if (running()) return;
  ioBox_.setCancelError(true);
  ioBox_.setFileName(QString());
  ioBox_.setFilter(QString::fromLatin1(kIndexFileTypes));
  ioBox_.setFlags(IOBox::kFlagReadOnly);
  ioBox_.setInitialFolder(IndexStartFolder());
  IOBox::ShowResult shown = ioBox_.ShowOpen();
  while (shown == IOBox::ShowResult::kInvalidFileName) {
    ioBox_.setFileName(QString());
    shown = ioBox_.ShowOpen();
  }
  if (shown != IOBox::ShowResult::kChosen) return;
  const QString chosen = ioBox_.fileName();
  if (chosen.isEmpty()) return;
  RememberIndexFile(chosen);
  StartRun(chosen);
}

void Form1::ShowCommand() {
  if (siteFolder_.empty()) return;
  const std::string page = siteFolder_ + std::string(kIndexPageName);
  const Result<EntryInfo> entry = fs_->Inspect(page, /*follow=*/true);
  if (!entry || entry.value().kind != EntryInfo::Kind::kRegular) {
    ShowFailure(FromLocal(Describe(RunFailure::NotFound{page}, WindowWords())));
    return;
  }
  const QString path = FromLocal(page);
  if (!opener_(path)) {
    ShowFailure(QStringLiteral("The desktop has no program to open the site with. Open this page "
                               "in your web browser (its path can be pasted there):\n\n%1")
                    .arg(path));
  }
}

void Form1::OpenPaths(const QStringList& paths) {
  Open(paths, /*atStart=*/false);
}

void Form1::OpenAtStart(const QStringList& paths) {
  if (paths.isEmpty()) return;
  startPaths_ = paths;
  // The window system places a window before it shows it; a box asked before then would come
  // where the window was not yet, so the paths wait for the window's first showing.
  QWindow* window = windowHandle();
  if (window != nullptr && window->isExposed()) {
    startTimer_.start();
    return;
  }
  if (window == nullptr) {
    create();
    window = windowHandle();
  }
  window->installEventFilter(this);
}

bool Form1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windowHandle() && event->type() == QEvent::Expose && windowHandle()->isExposed() &&
      !startPaths_.isEmpty()) {
    windowHandle()->removeEventFilter(this);
    // Taken up once the window has been drawn, not in the middle of its showing.
    startTimer_.start();
  }
  return QWidget::eventFilter(watched, event);
}

void Form1::OpenStartPaths() {
  const QStringList paths = startPaths_;
  Open(paths, /*atStart=*/true);
  startPaths_.clear();
}

void Form1::Open(const QStringList& paths, bool atStart) {
  // A drop that comes while the dialog or question of another drop is open is let go.
  if (paths.isEmpty() || opening_) return;
  const QScopedValueRollback<bool> opening(opening_, true);
  if (running()) {
    ShowFailure(QStringLiteral(
        "Quillmere is busy with a run; drop it again once the run has ended. Nothing was "
        "changed."));
    return;
  }
  const DropPlan plan = PlanDrop(paths, !siteFolder_.empty(), *fs_);
  switch (plan.action) {
    case DropPlan::Action::kNothing:
      return;
    case DropPlan::Action::kRefuse:
      ShowFailure(plan.refusal);
      return;
    case DropPlan::Action::kGenerate:
      if (atStart && !AgreesToNewSite(plan.paths.front())) return;
      RememberIndexFile(plan.paths.front());
      StartRun(plan.paths.front());
      return;
    case DropPlan::Action::kNewAlbum:
      MakeAlbum(plan.paths.front());
      return;
    case DropPlan::Action::kEditAlbum:
      OpenEditor(plan.paths.front());
      return;
    case DropPlan::Action::kAddPictures:
      AddToAlbum(plan.paths);
      return;
  }
}

// A text file opened by mistake must not fill its folder with pages: where the folder holds no
// page of this program yet, the user is asked first. A path that is no file goes to the run,
// which says what is wrong with it.
bool Form1::AgreesToNewSite(const QString& indexFile) {
  const QFileInfo file(indexFile);
  if (!file.isFile() || HoldsWrittenPage(ToLocal(file.absolutePath()), *fs_)) return true;
  const QString question =
      QStringLiteral(
          "The folder %1 holds no web site of Quillmere yet. Make one there from %2? Its pages "
          "(index.html and one per picture) will be written into that folder.")
          .arg(file.absolutePath(), file.fileName());
  return AskYesOrNo(this, QString::fromLatin1(kProgramTitle), question, /*yesByDefault=*/false);
}

void Form1::MakeAlbum(const QString& picturesFolder) {
  const QFileInfo proposed(ProposedAlbumFolder(picturesFolder, refusedAlbumPlaces_));
  // A folder of folders makes a tree, and the question says how many albums it will be.
  const std::size_t albums =
      AlbumsToMake(ToLocal(picturesFolder), ToLocal(proposed.absoluteFilePath()), *fs_);
  const QString name = QFileInfo(picturesFolder).fileName();
  const QString title = albums > 1
                            ? QStringLiteral("Folder for the %1 albums of %2").arg(albums).arg(name)
                            : QStringLiteral("Folder for the album of %1").arg(name);
  if (folderBox_.ShowChoose(title, proposed.absolutePath(), proposed.fileName()) !=
      FolderBox::ShowResult::kChosen) {
    return;
  }
  runAlbumName_ = AlbumNameOf(NewAlbumTitle(ToLocal(picturesFolder)), "");
  StartRun(new BackgroundRun(
      [pictures = ToLocal(picturesFolder), album = ToLocal(folderBox_.folder()), &fs = *fs_](
          const AlbumOptions& options) { return MakeNewAlbum(pictures, album, fs, options); },
      this));
  newAlbumPictures_ = picturesFolder;
}

void Form1::AddToAlbum(const QStringList& pictures) {
  const QString what = pictures.size() == 1 ? QStringLiteral("this picture")
                                            : QStringLiteral("these %1 files").arg(pictures.size());
  const QString question =
      QStringLiteral("Add %1 to the album of %2?").arg(what, FromLocal(indexPath_));
  if (!AskYesOrNo(this, QString::fromLatin1(kProgramTitle), question, /*yesByDefault=*/true)) {
    return;
  }
  std::vector<std::string> sources;
  for (const QString& picture : pictures) sources.push_back(ToLocal(picture));
  runAlbumName_ = AlbumTitleOf(indexPath_, *fs_);
  StartRun(new BackgroundRun(
      [index = indexPath_, sources = std::move(sources), &fs = *fs_](const AlbumOptions& options) {
        return AddPictures(index, sources, fs, options);
      },
      this));
}

void Form1::StartRun(const QString& chosen) {
  runIndexPath_ = ToLocal(chosen);
  runAlbumName_ = AlbumTitleOf(runIndexPath_, *fs_);
  StartRun(new BackgroundRun(runIndexPath_, *fs_, this));
}

void Form1::StartRun(BackgroundRun* run) {
  newAlbumPictures_.clear();
  staged_ = false;
  EnableButtons(false);
  setCursor(Qt::BusyCursor);
  run_ = run;
  connect(run_, &BackgroundRun::finished, this, &Form1::EndRun);
  progressDelay_.start();
}

void Form1::ShowProgress() {
  if (!running()) return;
  auto* dialog = new QProgressDialog(this);
  dialog->setObjectName(QStringLiteral("Progress"));
  // Named after the album, so that a dialog among others says whose work it shows.
  dialog->setWindowTitle(FromLocal(runAlbumName_) + QStringLiteral(" - ") +
                         QString::fromLatin1(kProgramTitle));
  dialog->setWindowModality(Qt::WindowModal);
  // The dialog stays until the run has ended, and only then goes.
  dialog->setAutoReset(false);
  dialog->setAutoClose(false);
  dialog->setMinimumDuration(0);
  // Cancel, closing the dialog and Esc all stop the run; Esc alone would only hide the dialog.
  connect(dialog, &QProgressDialog::canceled, this, &Form1::CancelRun);
  connect(dialog, &QDialog::rejected, this, &Form1::CancelRun);
  progress_ = dialog;
  UpdateProgress();
  dialog->show();
  progressPoll_.start();
}

void Form1::UpdateProgress() {
  if (progress_ == nullptr || !running()) return;
  const std::uint64_t pages = run_->pages().total();
  const WorkProgress pictures = run_->pictures().progress();
  WorkProgress work = PageProgressInPictures(run_->pages().done(), pages);
  if (pages == 0 && run_->makesAlbum()) work = pictures;
  const bool counting = pages != 0 || (run_->makesAlbum() && pictures.total != 0);
  std::uint64_t total = counting ? work.total : 0;
  std::uint64_t done = counting ? work.done : 0;
  // Where a video weighs more than a picture, the bar moves by weight, and within the video.
  if (counting && work.weightTotal > 0) {
    total = kWeighedBarSteps;
    done = static_cast<std::uint64_t>(DoneShare(work) * kWeighedBarSteps);
  }
  const auto now = std::chrono::steady_clock::now();
  if (counting && (!staged_ || work.stage != stage_)) {
    staged_ = true;
    stage_ = work.stage;
    stageStart_ = now;
  }
  if (counting) {
    const std::optional<std::chrono::seconds> left = TimeLeft(work, now - stageStart_);
    progress_->setLabelText(FromLocal(ProgressText(runAlbumName_, work, left, locale_)));
  } else if (run_->makesAlbum() && !run_->waited()) {
    progress_->setLabelText(FromLocal(StartStageText(StartStage::kReadingPictures)));
  } else if (run_->waited()) {
    progress_->setLabelText(FromLocal(StartStageText(StartStage::kWaiting)));
  } else {
    progress_->setLabelText(FromLocal(StartStageText(StartStage::kReadingIndexFile)));
  }
  progress_->setMaximum(BarValue(total));
  // A modal dialog lets events through here: the run may end meanwhile.
  progress_->setValue(BarValue(done));
}

void Form1::CancelRun() {
  if (running()) run_->RequestStop(StopRequest::kByUser);
}

void Form1::EndRun() {
  if (run_ == nullptr || !run_->hasFinished()) return;
  const bool album = run_->makesAlbum();
  const RunOutcome outcome = run_->outcome();
  const AlbumOutcome albumOutcome = album ? run_->album() : AlbumOutcome();
  const int stopReason = run_->stopReason();
  run_->deleteLater();
  run_ = nullptr;
  progressDelay_.stop();
  progressPoll_.stop();
  if (progress_ != nullptr) {
    progress_->hide();
    progress_->deleteLater();
    progress_ = nullptr;
  }
  unsetCursor();
  if (album ? albumOutcome.ok() : outcome.ok()) {
    siteFolder_ = outcome.siteFolder;
    indexPath_ = album ? albumOutcome.indexPath : runIndexPath_;
  }
  if (album && albumOutcome.ok()) RememberIndexFile(FromLocal(indexPath_));
  EnableButtons(true);

  if (album && ChoosesAnotherFolder(albumOutcome)) {
    // The drop goes on in the folder chosen now, if one was.
    if (running()) return;
  } else if (album) {
    ShowAlbumOutcome(albumOutcome, stopReason);
  } else if (!outcome.ok() && stopReason != StopRequest::kByUser) {
    // A stop the user asked for needs no word.
    ShowFailure(FromLocal(Describe(outcome, WindowWords())));
  }
  emit runEnded();
  // A signal that asked the program to end ends it, once the run has stopped and said so.
  if (stopReason > 0) emit exitRequested(ExitStatusForSignal(stopReason));
  if (closeWhenRunEnds_) close();
}

// One box tells how the work on an album ended: why it failed, and the files it left out, the
// first of them with their reasons. A stop the user asked for needs no word: the album was left
// as it was.
void Form1::ShowAlbumOutcome(const AlbumOutcome& outcome, int stopReason) {
  const bool failed = !outcome.ok();
  if (failed && stopReason == StopRequest::kByUser) return;
  if (!failed && !newAlbumPictures_.isEmpty()) {
    ShowNewAlbum(outcome);
    return;
  }
  // Other files passed over are told of only beside something that needs a word.
  if (!failed && OnlyOtherFiles(outcome.problems)) return;
  QString text = failed ? FromLocal(Describe(*outcome.failure, WindowWords())) : QString();
  const QString leftOut = LeftOutText(outcome.problems);
  if (!leftOut.isEmpty()) text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + leftOut;
  if (text.isEmpty()) return;
  if (failed) {
    ShowFailure(text);
  } else {
    ShowWarningMessage(this, QString::fromLatin1(kProgramTitle), text);
  }
}

// A new album ends with where it is and how many pictures (and albums) it has, the files left out
// behind Details, a button that opens its site and one that opens it in the album editor.
void Form1::ShowNewAlbum(const AlbumOutcome& outcome) {
  const QString album = FromLocal(AlbumNameOf(outcome.site.title, outcome.indexPath));
  QString folder = FromLocal(outcome.site.siteFolder);
  if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
  QString made = FromLocal(PicturesAndVideos(outcome.picturesAdded, outcome.videosAdded));
  // A folder of folders is made into a tree of albums, which the message counts.
  if (outcome.albumsMade > 1) made += QStringLiteral(" in %1 albums").arg(outcome.albumsMade);
  QString text = QStringLiteral("The album %1 is in %2: %3 made.").arg(album, folder, made);
  if (!outcome.problems.empty()) text += QStringLiteral("\n\n") + LeftOutSummary(outcome.problems);
  const int action = ShowDoneChoice(
      this, QString::fromLatin1(kProgramTitle), text, LeftOutText(outcome.problems),
      {QStringLiteral("Show"), QStringLiteral("Write captions")}, AnyFileFailed(outcome.problems));
  if (action == 0) ShowCommand();
  if (action == 1) OpenEditor(FromLocal(outcome.indexPath));
}

// The album editor opens as a window of its own over this one, on the album of `indexPath`.
void Form1::OpenEditor(const QString& indexPath) {
  ShowAlbumEditor(this, fs_, indexPath);
}

// Where a new album's folder could not be made, or is no folder, the folder dialog comes back
// after the reason, and the album is made where the user then chooses; true when the failure was
// taken up so.
bool Form1::ChoosesAnotherFolder(const AlbumOutcome& outcome) {
  if (newAlbumPictures_.isEmpty() || outcome.ok()) return false;
  if (!outcome.failure->Is<AlbumFailure::FolderNotMade>() &&
      !outcome.failure->Is<AlbumFailure::NotAFolder>()) {
    return false;
  }
  const QString pictures = newAlbumPictures_;
  refusedAlbumPlaces_ << QDir::cleanPath(QFileInfo(folderBox_.folder()).absolutePath());
  ShowFailure(FromLocal(Describe(*outcome.failure, WindowWords())) +
              QStringLiteral("\n\nChoose another folder for the album."));
  const QScopedValueRollback<bool> opening(opening_, true);
  MakeAlbum(pictures);
  return true;
}

void Form1::ShowFailure(const QString& text) {
  ShowCriticalMessage(this, QString::fromLatin1(kProgramTitle), text);
}

void Form1::EnableButtons(bool on) {
  cmdGen_->setEnabled(on);
  cmdShow_->setEnabled(on && !siteFolder_.empty());
  if (on && focusWidget() == nullptr) cmdGen_->setFocus();
}

void Form1::closeEvent(QCloseEvent* event) {
  if (running()) {
    closeWhenRunEnds_ = true;
    run_->RequestStop(StopRequest::kByUser);
    event->ignore();
    return;
  }
  closeWhenRunEnds_ = false;
  // The album editors close first, each asking about its unsaved changes; one that stays open
  // keeps this window open too, so that the program never runs on without a window of its own.
  for (AlbumEditor* editor : findChildren<AlbumEditor*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (editor->isVisible() && !editor->close()) {
      event->ignore();
      return;
    }
  }
  QWidget::closeEvent(event);
}

void Form1::dragEnterEvent(QDragEnterEvent* event) {
  TakeAsCopy(event);
}

void Form1::dragMoveEvent(QDragMoveEvent* event) {
  TakeAsCopy(event);
}

void Form1::dropEvent(QDropEvent* event) {
  TakeAsCopy(event);
  if (!event->isAccepted()) return;
  // The drop is taken up once the desktop has finished it, so that no dialog holds up the
  // program it came from.
  droppedPaths_ = LocalPaths(event->mimeData());
  dropTimer_.start();
}

void Form1::OpenDropped() {
  const QStringList paths = std::exchange(droppedPaths_, QStringList());
  OpenPaths(paths);
}

void Form1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) LayOut();
}

bool Form1::TextsFit(double scale) const {
  return LabelTextFits(*label1_, ScaledRect(kLabelPlace, scale).size()) &&
         ButtonTextFits(*cmdGen_, ScaledRect(kGeneratePlace, scale).size()) &&
         ButtonTextFits(*cmdShow_, ScaledRect(kShowPlace, scale).size());
}

// The layout was drawn for a standard font smaller than most desktops use today. The texts keep
// the desktop's font; where they would not fit, the whole window grows in its proportions, in
// small steps, until they do.
void Form1::LayOut() {
  double scale = 1.0;
  while (scale < kLargestScale && !TextsFit(scale)) scale += kScaleStep;
  scale_ = scale;
  setFixedSize(ScaledRect(QRect(QPoint(0, 0), kWindowSize), scale).size());
  frame1_->setGeometry(ScaledRect(kFramePlace, scale));
  label1_->setGeometry(ScaledRect(kLabelPlace, scale));
  cmdGen_->setGeometry(ScaledRect(kGeneratePlace, scale));
  cmdShow_->setGeometry(ScaledRect(kShowPlace, scale));
}

}  // namespace quillmere
