#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "app/form1.h"
#include "app_test_support.h"

namespace quillmere {
namespace {

const QString kInstructions = QStringLiteral(
    "This program will take an index (text) file you select, and generate a website out of it. "
    "This website will contain your a browser for your pictures and a index sheet. The text file "
    "should contain the title on line1, the prefix for the thumbnails,the images and the support "
    "imageson line 2, 3 and 4, and then a short and a long description per picture (should be "
    "numbered 1... max)");

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame_ = form_.findChild<QGroupBox*>(QStringLiteral("Frame1"));
    label_ = form_.findChild<QLabel*>(QStringLiteral("Label1"));
    generate_ = form_.findChild<QPushButton*>(QStringLiteral("CmdGen"));
    show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
    ASSERT_NE(frame_, nullptr);
    ASSERT_NE(label_, nullptr);
    ASSERT_NE(generate_, nullptr);
    ASSERT_NE(show_, nullptr);
  }

  Form1 form_;
  QGroupBox* frame_ = nullptr;
  QLabel* label_ = nullptr;
  QPushButton* generate_ = nullptr;
  QPushButton* show_ = nullptr;
};

TEST_F(LayoutTest, WindowHasItsCaptionAndAFixedSize) {
  EXPECT_EQ(form_.objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(form_.windowTitle(), QStringLiteral("Quillmere"));
  EXPECT_EQ(form_.size(), QSize(313, 172));
  EXPECT_EQ(form_.minimumSize(), QSize(313, 172));
  EXPECT_EQ(form_.maximumSize(), QSize(313, 172));
  form_.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form_));
  form_.resize(500, 400);
  EXPECT_EQ(form_.size(), QSize(313, 172));
  EXPECT_FALSE(form_.windowFlags() & Qt::WindowMaximizeButtonHint);
}

TEST_F(LayoutTest, ControlsStandWhereTheTableSays) {
  EXPECT_EQ(frame_->parentWidget(), &form_);
  EXPECT_EQ(frame_->geometry(), QRect(0, 0, 313, 169));
  EXPECT_EQ(frame_->title(), QString());
  for (QWidget* inside : {static_cast<QWidget*>(label_), static_cast<QWidget*>(generate_),
                          static_cast<QWidget*>(show_)}) {
    EXPECT_EQ(inside->parentWidget(), frame_) << inside->objectName().toStdString();
  }
  EXPECT_EQ(label_->geometry(), QRect(8, 16, 297, 97));
  EXPECT_EQ(generate_->geometry(), QRect(32, 128, 97, 25));
  EXPECT_EQ(show_->geometry(), QRect(184, 128, 97, 25));
  // Measured from the frame and from the window alike.
  EXPECT_EQ(show_->mapTo(&form_, QPoint(0, 0)), QPoint(184, 128));
}

TEST_F(LayoutTest, LayoutIsSymmetricAboutTheFramesCentre) {
  const int width = frame_->width();
  EXPECT_EQ(label_->x(), width - label_->geometry().right() - 1);
  EXPECT_EQ(generate_->x(), width - show_->geometry().right() - 1);
  EXPECT_EQ(generate_->size(), show_->size());
  EXPECT_EQ(show_->x() - generate_->geometry().right() - 1, 55);
  EXPECT_EQ(generate_->y() - label_->geometry().bottom() - 1, 15);
  EXPECT_EQ(form_.height() - frame_->height(), 3);
}

TEST_F(LayoutTest, LabelShowsTheWholeInstructionTextWrapped) {
  EXPECT_EQ(label_->text(), kInstructions);
  EXPECT_EQ(label_->text().size(), 381);
  EXPECT_TRUE(label_->wordWrap());
  const QRectF box(QPointF(0, 0), label_->contentsRect().size());
  const QRectF needed =
      QFontMetricsF(label_->font())
          .boundingRect(box, Qt::TextWordWrap | static_cast<int>(label_->alignment()),
                        label_->text());
  EXPECT_LE(needed.height(), box.height());
  EXPECT_LE(needed.width(), box.width());
}

TEST_F(LayoutTest, ButtonsHaveTheirCaptionsAndShowStartsDisabled) {
  EXPECT_EQ(generate_->text(), QStringLiteral("Generate"));
  EXPECT_EQ(show_->text(), QStringLiteral("Show"));
  EXPECT_TRUE(generate_->isEnabled());
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_FALSE(generate_->text().contains(QLatin1Char('&')));
  EXPECT_FALSE(show_->text().contains(QLatin1Char('&')));
}

TEST_F(LayoutTest, NoButtonIsTheDefaultOrTakesEnter) {
  for (QPushButton* button : {generate_, show_}) {
    EXPECT_FALSE(button->isDefault());
    EXPECT_FALSE(button->autoDefault());
  }
}

TEST_F(LayoutTest, OnlyTheButtonsTakeTheFocusAndItStartsOnGenerate) {
  EXPECT_EQ(frame_->focusPolicy(), Qt::NoFocus);
  EXPECT_EQ(label_->focusPolicy(), Qt::NoFocus);
  EXPECT_TRUE(generate_->focusPolicy() & Qt::TabFocus);
  EXPECT_TRUE(show_->focusPolicy() & Qt::TabFocus);
  form_.show();
  form_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form_));
  EXPECT_EQ(form_.focusWidget(), generate_);
}

TEST_F(LayoutTest, TabOrderRunsFromGenerateToShow) {
  QWidget* next = generate_->nextInFocusChain();
  while (next != show_ && next != generate_ && !(next->focusPolicy() & Qt::TabFocus)) {
    next = next->nextInFocusChain();
  }
  EXPECT_EQ(next, show_);
}

}  // namespace
}  // namespace quillmere
