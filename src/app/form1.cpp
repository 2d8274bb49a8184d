#include "app/form1.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

#include "platform/qt/busy_cursor.h"
#include "platform/qt/desktop_opener.h"
#include "platform/qt/message_box.h"
#include "platform/signals.h"
#include "run/generate.h"

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

QPushButton* MakeButton(const char* name, const char* text, const QRect& place, QWidget* parent) {
  auto* button = new QPushButton(QString::fromLatin1(text), parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setGeometry(place);
  // Neither Enter nor Esc may run a command.
  button->setAutoDefault(false);
  button->setDefault(false);
  button->setFocusPolicy(Qt::StrongFocus);
  return button;
}

// The layout was drawn for a standard font smaller than most desktops use today. When the text
// does not fit its box in the label's font, the font is made smaller in half points until it
// does, down to a size that stays readable.
void FitTextInBox(QLabel* label) {
  constexpr qreal kSmallestPointSize = 6.0;
  const QRectF box(QPointF(0, 0), label->contentsRect().size());
  const int flags = Qt::TextWordWrap | static_cast<int>(label->alignment());
  const auto fits = [&](const QFont& font) {
    return QFontMetricsF(font).boundingRect(box, flags, label->text()).height() <= box.height();
  };
  QFont font = label->font();
  if (fits(font) || font.pointSizeF() <= 0) return;
  while (!fits(font) && font.pointSizeF() - 0.5 >= kSmallestPointSize) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
  }
  label->setFont(font);
}

}  // namespace

Form1::Form1(QWidget* parent) : QWidget(parent), ioBox_(this) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QString::fromLatin1(kProgramTitle));
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(313, 172);

  // The frame leaves a band of 3 pixels of the window below it.
  frame1_ = new QGroupBox(this);
  frame1_->setObjectName(QStringLiteral("Frame1"));
  frame1_->setGeometry(0, 0, 313, 169);
  frame1_->setFocusPolicy(Qt::NoFocus);

  label1_ = new QLabel(QString::fromLatin1(kInstructions), frame1_);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setGeometry(8, 16, 297, 97);
  label1_->setTextFormat(Qt::PlainText);
  label1_->setWordWrap(true);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setFocusPolicy(Qt::NoFocus);
  FitTextInBox(label1_);

  cmdGen_ = MakeButton("CmdGen", "Generate", QRect(32, 128, 97, 25), frame1_);
  cmdShow_ = MakeButton("CmdShow", "Show", QRect(184, 128, 97, 25), frame1_);
  cmdShow_->setEnabled(false);

  setTabOrder(cmdGen_, cmdShow_);
  cmdGen_->setFocus();

  connect(cmdGen_, &QPushButton::clicked, this, &Form1::GenerateCommand);
  connect(cmdShow_, &QPushButton::clicked, this, &Form1::ShowCommand);
}

void Form1::GenerateCommand() {
  ioBox_.setCancelError(true);
  ioBox_.setFileName(QString());
  ioBox_.setFilter(QString::fromLatin1(kIndexFileTypes));
  ioBox_.setFlags(IOBox::kFlagReadOnly);
  IOBox::ShowResult shown = ioBox_.ShowOpen();
  while (shown == IOBox::ShowResult::kInvalidFileName) {
    ioBox_.setFileName(QString());
    shown = ioBox_.ShowOpen();
  }
  if (shown != IOBox::ShowResult::kChosen) return;
  const QString chosen = ioBox_.fileName();
  if (chosen.isEmpty()) return;

  RunOutcome outcome;
  StopRequest stop;
  {
    const BusyCursor busy;
    const StopOnSignals stopOnSignals(stop);
    outcome = GenerateSite(QFile::encodeName(chosen).toStdString(), fs_, RunOptions{false, &stop});
  }
  siteFolder_ = outcome.siteFolder;
  if (!outcome.ok()) {
    ShowCriticalMessage(this, QString::fromLatin1(kProgramTitle),
                        QString::fromLocal8Bit(QByteArray::fromStdString(Describe(outcome))));
    // A signal that asked the program to end ends it, once the run has stopped and said so.
    if (outcome.status == RunOutcome::Status::kStopped && outcome.stopReason > 0) {
      QCoreApplication::exit(128 + outcome.stopReason);
    }
    return;
  }
  cmdShow_->setEnabled(true);
}

void Form1::ShowCommand() {
  if (siteFolder_.empty()) return;
  OpenWithDesktop(QFile::decodeName(QByteArray::fromStdString(siteFolder_ + "index.html")));
}

}  // namespace quillmere
