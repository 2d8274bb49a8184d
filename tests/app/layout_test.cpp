// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>
#include <string>

#include "app/form1.h"
#include "app_test_support.h"

namespace quillmere {
namespace {

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(generate_, nullptr);
    ASSERT_NE(show_, nullptr);
  }

  Form1 form_;
  QPushButton* generate_ = form_.findChild<QPushButton*>(QStringLiteral("CmdGen"));
  QPushButton* show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
};

// The window's design: each control's parent, place, text, focus policy and whether it starts
// enabled. The window is 313 x 172 pixels, larger in these proportions where the font needs it.
struct Control {
  const char* name;
  const char* parent;
  QRect place;
  QString text;
  Qt::FocusPolicy focus;
  bool enabled;
};

const QString kInstructions = QStringLiteral(
    "This program will take an index (text) file you select, and generate a website out of it. "
    "This website will contain your a browser for your pictures and a index sheet. The text file "
    "should contain the title on line1, the prefix for the thumbnails,the images and the support "
    "imageson line 2, 3 and 4, and then a short and a long description per picture (should be "
    "numbered 1... max)");

const Control kControls[] = {
    {"Frame1", "Form1", {0, 0, 313, 169}, {}, Qt::NoFocus, true},
    {"Label1", "Frame1", {8, 16, 297, 97}, kInstructions, Qt::NoFocus, true},
    {"CmdGen", "Frame1", {32, 128, 97, 25}, QStringLiteral("Generate"), Qt::StrongFocus, true},
    {"CmdShow", "Frame1", {184, 128, 97, 25}, QStringLiteral("Show"), Qt::StrongFocus, false}};

// Sets the application's font, as a desktop does, for as long as it exists.
class ScopedFont {
 public:
  explicit ScopedFont(const QFont& font) : previous_(QApplication::font()) {
    QApplication::setFont(font);
  }
  ScopedFont(const ScopedFont&) = delete;
  ScopedFont& operator=(const ScopedFont&) = delete;
  ~ScopedFont() { QApplication::setFont(previous_); }

 private:
  QFont previous_;
};

QFont DesktopFont(int points) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSize(points);
  return font;
}

// Checks that each control stands where the design has it, scaled by the window's own scale
// (its width over the design's), to the pixel.
void ExpectTheDesignsProportions(const Form1& form) {
  const double scale = form.width() / 313.0;
  EXPECT_GE(scale, 1.0);
  EXPECT_NEAR(form.height(), 172 * scale, 1.0);
  for (const Control& c : kControls) {
    const auto* control = form.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(control, nullptr) << c.name;
    const QRect place = control->geometry();
    EXPECT_NEAR(place.left(), c.place.left() * scale, 1.0) << c.name;
    EXPECT_NEAR(place.top(), c.place.top() * scale, 1.0) << c.name;
    EXPECT_NEAR(place.right() + 1, (c.place.right() + 1) * scale, 1.0) << c.name;
    EXPECT_NEAR(place.bottom() + 1, (c.place.bottom() + 1) * scale, 1.0) << c.name;
  }
}

// Checks that no text of the window is cut off: the instructions wrap within their label in the
// desktop's font, each button's text lies inside its frame, and each control inside its parent.
void ExpectNothingClipped(const Form1& form, const QFont& desktopFont) {
  const auto* label = form.findChild<QLabel*>(QStringLiteral("Label1"));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->font().pointSize(), desktopFont.pointSize()) << "the label keeps the font";
  const QRectF box(QPointF(0, 0), label->contentsRect().size());
  const int flags = Qt::TextWordWrap | static_cast<int>(label->alignment());
  const QRectF needed = QFontMetricsF(label->font()).boundingRect(box, flags, label->text());
  EXPECT_LE(needed.height(), box.height());
  EXPECT_LE(needed.width(), box.width());
  EXPECT_LE(label->heightForWidth(label->width()), label->height());

  for (const char* name : {"CmdGen", "CmdShow"}) {
    const auto* button = form.findChild<QPushButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    EXPECT_EQ(button->font().pointSize(), desktopFont.pointSize()) << name;
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    const QRect inside =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    const QSize text = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
    EXPECT_LE(text.width(), inside.width()) << name;
    EXPECT_LE(text.height(), inside.height()) << name;
  }
  for (const Control& c : kControls) {
    const auto* control = form.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_TRUE(control->parentWidget()->rect().contains(control->geometry())) << c.name;
  }
  EXPECT_TRUE(form.screen()->availableGeometry().contains(QRect(QPoint(0, 0), form.frameSize())));
}

TEST_F(LayoutTest, WindowHasItsCaptionAndAFixedSize) {
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("Quillmere"));
  EXPECT_EQ(form_.minimumSize(), form_.maximumSize());
  EXPECT_GE(form_.width(), 313);
  EXPECT_GE(form_.height(), 172);
  form_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  const QSize size = form_.size();
  form_.resize(size * 2);
  EXPECT_EQ(form_.size(), size);
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(LayoutTest, ControlsStandWhereTheDesignSays) {
  for (const Control& c : kControls) {
    auto* control = form_.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(c.parent)) << c.name;
    EXPECT_EQ(control->property("text").toString(), c.text) << c.name;
    EXPECT_EQ(control->focusPolicy(), c.focus) << c.name;
    EXPECT_EQ(control->isEnabled(), c.enabled) << c.name;
  }
  for (QPushButton* button : {generate_, show_}) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
  ExpectTheDesignsProportions(form_);

  // A font small enough for the design leaves the window exactly as it was drawn.
  const ScopedFont small(DesktopFont(6));
  const Form1 drawn;
  EXPECT_EQ(drawn.size(), QSize(313, 172));
  for (const Control& c : kControls) {
    EXPECT_EQ(drawn.findChild<QWidget*>(QString::fromLatin1(c.name))->geometry(), c.place)
        << c.name;
  }
}

// Expected: at every desktop font from 9 to 16 points the texts keep the font and show whole;
// the window grows in its proportions, never shrinking as the font grows.
TEST_F(LayoutTest, NoTextIsClippedAtDesktopFontsFrom9To16Points) {
  int previousWidth = 0;
  for (int points = 9; points <= 16; ++points) {
    SCOPED_TRACE(std::to_string(points) + " pt");
    const ScopedFont desktop(DesktopFont(points));
    Form1 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ExpectNothingClipped(form, DesktopFont(points));
    ExpectTheDesignsProportions(form);
    EXPECT_GE(form.width(), previousWidth);
    previousWidth = form.width();
  }
}

TEST_F(LayoutTest, ANewDesktopFontLaysTheWindowOutAnew) {
  const ScopedFont desktop(DesktopFont(9));
  Form1 form;
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const QSize before = form.size();
  // The desktop's new font reaches the window through the event loop.
  QApplication::setFont(DesktopFont(16));
  ASSERT_TRUE(apptest::WaitUntil([&form] { return form.font().pointSize() == 16; }));
  EXPECT_GT(form.width(), before.width());
  ExpectNothingClipped(form, DesktopFont(16));
  ExpectTheDesignsProportions(form);
  QApplication::setFont(DesktopFont(9));
  ASSERT_TRUE(apptest::WaitUntil([&form] { return form.font().pointSize() == 9; }));
  EXPECT_EQ(form.size(), before);
}

TEST_F(LayoutTest, FocusStartsOnGenerateTabMovesToShowAndOnlySpaceClicks) {
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  ASSERT_EQ(QApplication::focusWidget(), generate_);
  // While Show is disabled, Tab stays on Generate.
  QTest::keyClick(generate_, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), generate_);

  form_.ioBox().QueueAnswer({IOBox::ShowResult::kCancelled, QString()});
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(generate_, key);
    QTest::keyClick(&form_, key);
  }
  EXPECT_TRUE(form_.ioBox().showings().empty());
  QTest::keyClick(generate_, Qt::Key_Space);
  EXPECT_EQ(form_.ioBox().showings().size(), 1u);

  show_->setEnabled(true);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), show_);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), generate_);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
  EXPECT_EQ(QApplication::focusWidget(), show_);
}

}  // namespace
}  // namespace quillmere
