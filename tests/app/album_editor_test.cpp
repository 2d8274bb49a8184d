// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor on an album of four pictures: a caption changed, a picture moved and one
// removed, then saved as one edit and closed, on the real file system.
#include "app/album_editor.h"

#include <gtest/gtest.h>

#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "app/picture_list_model.h"
#include "app/picture_list_view.h"
#include "app_test_support.h"
#include "platform/qt/message_box.h"
#include "run/journal_settle.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

// A trash that deletes the files of the album's folder and remembers their paths.
class DeletingTestTrash final : public Trash {
 public:
  explicit DeletingTestTrash(std::string folder) : folder_(std::move(folder)) {}
  Result<void> CheckTakes(std::string_view /*path*/) override { return {}; }
  Result<void> MoveToTrash(std::string_view path) override {
    taken_.emplace_back(path);
    std::error_code error;
    std::filesystem::remove(folder_ + std::string(path), error);
    return error;
  }
  const std::vector<std::string>& taken() const { return taken_; }

 private:
  std::string folder_;
  std::vector<std::string> taken_;
};

// The width of the picture at `path`, by which the test tells its pictures apart.
int WidthOf(const std::string& path) {
  return QImageReader(QString::fromStdString(path)).size().width();
}

TEST(AlbumEditor, EditsMovesRemovesAndSavesAsOneEdit) {
  testing::TempFolder album;
  std::filesystem::create_directories(album / "pictures");
  std::filesystem::create_directories(album / "thumbs");
  for (int n = 1; n <= 4; ++n) {
    testing::WriteTestJpeg(album / ("pictures/p" + std::to_string(n) + ".jpg"),
                           testing::TestJpeg(150 + 10 * n, 120));
    testing::WriteTestJpeg(album / ("thumbs/t" + std::to_string(n) + ".jpg"),
                           testing::TestJpeg(50 + n, 40));
  }
  testing::WriteFile(album / "index.txt",
                     "Holiday\nthumbs/t\npictures/p\nsupport\n3\n"
                     "Beach\nThe beach\nHill\nThe hill\nLake\nThe lake\nWood\n<i>The</i> wood\n");
  MessageRecorder messages;
  DeletingTestTrash trash(album.path());
  AlbumEditor editor;
  editor.setTrash(&trash);
  ASSERT_TRUE(editor.Open(QString::fromStdString(album / "index.txt")));
  editor.show();
  ASSERT_EQ(editor.pictures().rowCount(), 4);

  editor.captionField().setText(QStringLiteral("Sea & sand"));
  emit editor.list().moveAsked(0, 2);
  editor.list().setCurrentIndex(editor.pictures().index(1));
  editor.list().setFocus();
  QTest::keyClick(&editor.list(), Qt::Key_Delete);
  ASSERT_EQ(editor.pictures().rowCount(), 3);
  QSignalSpy ended(&editor, &AlbumEditor::workEnded);
  editor.Save();
  ASSERT_TRUE(ended.count() > 0 || ended.wait(apptest::kPatienceMs));
  EXPECT_TRUE(ended.first().first().toBool());
  EXPECT_TRUE(messages.messages().empty());

  EXPECT_EQ(testing::ReadFile(album / "index.txt"),
            "Holiday\nthumbs/t\npictures/p\nsupport\n3\n"
            "Hill\nThe hill\nSea &amp; sand\nThe beach\nWood\n<i>The</i> wood\n");
  EXPECT_EQ(WidthOf(album / "pictures/p1.jpg"), 170);
  EXPECT_EQ(WidthOf(album / "pictures/p2.jpg"), 160);
  EXPECT_EQ(WidthOf(album / "pictures/p3.jpg"), 190);
  EXPECT_FALSE(std::filesystem::exists(album / "pictures/p4.jpg"));
  EXPECT_EQ(trash.taken().size(), 2U);
  EXPECT_EQ(editor.pictures().rowCount(), 3);
  EXPECT_TRUE(editor.undoStack().isClean());

  // An edit not saved is asked about on closing: Cancel keeps the window, Discard closes it.
  editor.list().setCurrentIndex(editor.pictures().index(0));
  editor.captionField().setText(QStringLiteral(";Hill"));
  EXPECT_TRUE(editor.captionProblem().isVisible());
  // Ctrl+Z in the field undoes the editor's step; Ctrl+Shift+Z makes it again.
  editor.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  editor.captionField().setFocus();
  QTest::keyClick(&editor.captionField(), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(editor.captionField().text(), QStringLiteral("Hill"));
  EXPECT_TRUE(editor.undoStack().isClean());
  QTest::keyClick(&editor.captionField(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(editor.captionField().text(), QStringLiteral(";Hill"));
  messages.QueueUnsavedAnswer(UnsavedAnswer::kCancel);
  EXPECT_FALSE(editor.close());
  messages.QueueUnsavedAnswer(UnsavedAnswer::kDiscard);
  EXPECT_TRUE(editor.close());
  EXPECT_EQ(messages.messages().size(), 2U);
}

}  // namespace
}  // namespace quillmere
