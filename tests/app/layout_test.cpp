#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QTest>

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

TEST_F(LayoutTest, WindowHasItsCaptionAndAFixedSize) {
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("Quillmere"));
  EXPECT_EQ(form_.minimumSize(), QSize(313, 172));
  EXPECT_EQ(form_.maximumSize(), QSize(313, 172));
  form_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  form_.resize(500, 400);
  EXPECT_EQ(form_.size(), QSize(313, 172));
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowMaximizeButtonHint);
}

// Each control's parent, place, text, focus policy and whether it starts enabled.
TEST_F(LayoutTest, ControlsStandWhereTheTableSays) {
  const QString instructions = QStringLiteral(
      "This program will take an index (text) file you select, and generate a website out of it. "
      "This website will contain your a browser for your pictures and a index sheet. The text file "
      "should contain the title on line1, the prefix for the thumbnails,the images and the support "
      "imageson line 2, 3 and 4, and then a short and a long description per picture (should be "
      "numbered 1... max)");
  struct Control {
    const char* name;
    const char* parent;
    QRect geometry;
    QString text;
    Qt::FocusPolicy focus;
    bool enabled;
  };
  for (const Control& c :
       {Control{"Frame1", "Form1", {0, 0, 313, 169}, {}, Qt::NoFocus, true},
        Control{"Label1", "Frame1", {8, 16, 297, 97}, instructions, Qt::NoFocus, true},
        Control{"CmdGen", "Frame1", {32, 128, 97, 25}, "Generate", Qt::StrongFocus, true},
        Control{"CmdShow", "Frame1", {184, 128, 97, 25}, "Show", Qt::StrongFocus, false}}) {
    auto* control = form_.findChild<QWidget*>(QString::fromLatin1(c.name));
    ASSERT_NE(control, nullptr) << c.name;
    EXPECT_EQ(control->parentWidget()->objectName(), QLatin1String(c.parent)) << c.name;
    EXPECT_EQ(control->geometry(), c.geometry) << c.name;
    EXPECT_EQ(control->property("text").toString(), c.text) << c.name;
    EXPECT_EQ(control->focusPolicy(), c.focus) << c.name;
    EXPECT_EQ(control->isEnabled(), c.enabled) << c.name;
  }
  for (QPushButton* button : {generate_, show_}) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
}

// The layout was drawn for a smaller standard font; the text must still fit its box.
TEST_F(LayoutTest, LabelShowsTheWholeInstructionTextWrapped) {
  auto* label = form_.findChild<QLabel*>(QStringLiteral("Label1"));
  ASSERT_NE(label, nullptr);
  const QRectF box(QPointF(0, 0), label->contentsRect().size());
  const int flags = Qt::TextWordWrap | static_cast<int>(label->alignment());
  const QRectF needed = QFontMetricsF(label->font()).boundingRect(box, flags, label->text());
  EXPECT_LE(needed.height(), box.height());
  EXPECT_LE(needed.width(), box.width());
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
