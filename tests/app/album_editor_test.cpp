// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The album editor on an album of four pictures: a caption changed, a picture moved and one
// removed, then saved as one edit and closed; text typed while a save goes on; the keys that
// move between pictures and fields; on the real file system.
#include "app/album_editor.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QUndoStack>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "album/commands/move_picture.h"
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

// An album of four pictures, Beach, Hill, Lake and Wood, in `album`.
void MakeFourPictures(const testing::TempFolder& album) {
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
}

// Saves `editor` and waits for the save to end; whether it worked.
bool SaveAndWait(AlbumEditor& editor) {
  QSignalSpy ended(&editor, &AlbumEditor::workEnded);
  editor.Save();
  return (ended.count() > 0 || ended.wait(apptest::kPatienceMs)) && ended.first().first().toBool();
}

// Types `text` as the caption of the picture in `row`.
void TypeCaption(AlbumEditor& editor, int row, const QString& text) {
  editor.list().setCurrentIndex(editor.pictures().index(row));
  editor.captionField().setText(text);
}

// An entry that is an album of a tree is marked, and double-click or Enter on it opens that album
// in an editor of its own, once however often it is asked for; on a picture it opens nothing.
TEST(AlbumEditor, OpensTheAlbumOfAnEntryInAnEditorOfItsOwn) {
  testing::TempFolder album;
  for (const char* folder : {"pictures", "thumbs", "Lisbon/pictures", "Lisbon/thumbs"}) {
    std::filesystem::create_directories(album / folder);
  }
  for (const char* picture : {"pictures/p1.jpg", "pictures/p2.jpg", "thumbs/t1.jpg",
                              "thumbs/t2.jpg", "Lisbon/pictures/p1.jpg", "Lisbon/thumbs/t1.jpg"}) {
    testing::WriteTestJpeg(album / picture, testing::TestJpeg(64, 48));
  }
  testing::WriteFile(album / "pictures/p1.album", "Lisbon\n");
  const std::string head = "thumbs/t\npictures/p\nsupport\n; albums\n3\n";
  testing::WriteFile(album / "index.txt", "Trips\n" + head + "Lisbon\n1 picture\nHome\nHome\n");
  testing::WriteFile(album / "Lisbon/index.txt", "Lisbon\n" + head + "Tram\nTram\n");
  AlbumEditor editor;
  ASSERT_TRUE(editor.Open(QString::fromStdString(album / "index.txt")));
  editor.show();
  const auto editors = [] {
    QStringList shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
      if (auto* open = qobject_cast<AlbumEditor*>(window); open && open->isVisible()) {
        shown << open->indexPath();
      }
    }
    return shown;
  };
  const QString lisbon = QString::fromStdString(album / "Lisbon/index.txt");
  const struct {
    int row;
    QString album;
    QStringList open;
  } cases[] = {
      {1, QString(), {editor.indexPath()}},
      {0, QStringLiteral("Lisbon"), {editor.indexPath(), lisbon}},
      {0, QStringLiteral("Lisbon"), {editor.indexPath(), lisbon}},
  };
  for (const auto& c : cases) {
    editor.list().setCurrentIndex(editor.pictures().index(c.row));
    EXPECT_EQ(editor.pictures().index(c.row).data(PictureListModel::kAlbumRole).toString(),
              c.album);
    editor.list().setFocus();
    QTest::keyClick(&editor.list(), Qt::Key_Return);
    QStringList open = editors();
    open.sort();
    QStringList expected = c.open;
    expected.sort();
    EXPECT_EQ(open, expected) << c.row;
  }
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (auto* open = qobject_cast<AlbumEditor*>(window); open && open != &editor) open->close();
  }
}

TEST(AlbumEditor, EditsMovesRemovesAndSavesAsOneEdit) {
  testing::TempFolder album;
  MakeFourPictures(album);
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
  ASSERT_TRUE(SaveAndWait(editor));
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
  EXPECT_FALSE(editor.unsaved());

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
  EXPECT_FALSE(editor.unsaved());
  QTest::keyClick(&editor.captionField(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(editor.captionField().text(), QStringLiteral(";Hill"));
  messages.QueueUnsavedAnswer(UnsavedAnswer::kCancel);
  EXPECT_FALSE(editor.close());
  messages.QueueUnsavedAnswer(UnsavedAnswer::kDiscard);
  EXPECT_TRUE(editor.close());
  EXPECT_EQ(messages.messages().size(), 2U);
}

TEST(AlbumEditor, KeepsWhatIsTypedWhileSavingAndItsUndoHistory) {
  testing::TempFolder album;
  MakeFourPictures(album);
  MessageRecorder messages;
  DeletingTestTrash trash(album.path());
  AlbumEditor editor;
  editor.setTrash(&trash);
  ASSERT_TRUE(editor.Open(QString::fromStdString(album / "index.txt")));
  editor.show();
  editor.list().setCurrentIndex(editor.pictures().index(3));
  editor.RemoveSelected();
  emit editor.list().moveAsked(2, 0);
  TypeCaption(editor, 1, QStringLiteral("Sea"));
  QSignalSpy ended(&editor, &AlbumEditor::workEnded);
  editor.Save();
  ASSERT_TRUE(editor.busy());
  // What the save writes cannot be undone while it goes on; what is typed meanwhile can.
  EXPECT_FALSE(editor.undoAction().isEnabled());
  EXPECT_FALSE(editor.saveAction().isEnabled());
  TypeCaption(editor, 2, QStringLiteral("Hill top"));
  EXPECT_TRUE(editor.undoAction().isEnabled());
  ASSERT_TRUE(ended.wait(apptest::kPatienceMs));
  ASSERT_TRUE(ended.first().first().toBool());

  EXPECT_EQ(testing::ReadFile(album / "index.txt"),
            "Holiday\nthumbs/t\npictures/p\nsupport\n3\n"
            "Lake\nThe lake\nSea\nThe beach\nHill\nThe hill\n");
  EXPECT_EQ(editor.captionField().text(), QStringLiteral("Hill top"));
  EXPECT_TRUE(editor.unsaved());
  EXPECT_TRUE(editor.isWindowModified());
  // The history goes back over the save to the caption, but not over the removal saved.
  editor.Undo();
  EXPECT_EQ(editor.captionField().text(), QStringLiteral("Hill"));
  EXPECT_FALSE(editor.unsaved());
  editor.list().setCurrentIndex(editor.pictures().index(0));
  editor.Undo();
  EXPECT_EQ(editor.list().currentIndex().row(), 1);
  EXPECT_EQ(editor.captionField().text(), QStringLiteral("Beach"));
  editor.Undo();
  EXPECT_EQ(editor.pictures().entry(0).caption, "Beach");
  EXPECT_FALSE(editor.undoAction().isEnabled());
  EXPECT_EQ(editor.pictures().rowCount(), 3);
  ASSERT_TRUE(SaveAndWait(editor));
  EXPECT_EQ(testing::ReadFile(album / "index.txt"),
            "Holiday\nthumbs/t\npictures/p\nsupport\n3\n"
            "Beach\nThe beach\nHill\nThe hill\nLake\nThe lake\n");
  EXPECT_EQ(WidthOf(album / "pictures/p3.jpg"), 180);
  EXPECT_TRUE(messages.messages().empty());
}

TEST(AlbumEditor, KeysMoveBetweenPicturesAndKeepTheFocus) {
  testing::TempFolder album;
  MakeFourPictures(album);
  MessageRecorder messages;
  AlbumEditor editor;
  ASSERT_TRUE(editor.Open(QString::fromStdString(album / "index.txt")));
  editor.show();
  editor.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
  editor.captionField().setFocus();
  QTest::keyClick(&editor.captionField(), Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(editor.list().currentIndex().row(), 1);
  EXPECT_EQ(editor.captionField().text(), QStringLiteral("Hill"));
  EXPECT_TRUE(editor.captionField().hasFocus());
  QTest::keyClick(&editor.captionField(), Qt::Key_Up, Qt::AltModifier);
  EXPECT_EQ(editor.list().currentIndex().row(), 0);
  // Tab into the description puts the cursor after its text.
  QTest::keyClick(&editor.captionField(), Qt::Key_Tab);
  ASSERT_TRUE(apptest::WaitUntil([&] {
    return editor.descriptionField().hasFocus() && editor.descriptionField().textCursor().atEnd();
  }));
  QTest::keyClick(&editor.descriptionField(), Qt::Key_Down, Qt::AltModifier);
  EXPECT_EQ(editor.descriptionField().toPlainText(), QStringLiteral("The hill"));
  // The title is edited as a picture's lines are, and Ctrl+S from the list leaves the focus there.
  editor.titleField().setText(QStringLiteral("Summer"));
  editor.list().setFocus();
  QSignalSpy ended(&editor, &AlbumEditor::workEnded);
  QTest::keyClick(&editor.list(), Qt::Key_S, Qt::ControlModifier);
  ASSERT_TRUE(ended.count() > 0 || ended.wait(apptest::kPatienceMs));
  EXPECT_TRUE(editor.list().hasFocus());
  EXPECT_EQ(testing::ReadFile(album / "index.txt").substr(0, 7), "Summer\n");
  // Undo brings a change made out of view into view, selected.
  TypeCaption(editor, 3, QStringLiteral("Forest"));
  editor.list().setCurrentIndex(editor.pictures().index(0));
  editor.Undo();
  EXPECT_EQ(editor.list().currentIndex().row(), 3);
  editor.Undo();
  EXPECT_EQ(editor.titleField().text(), QStringLiteral("Holiday"));
}

TEST(AlbumEditor, MergesItsChangesWithAnOutsideMove) {
  testing::TempFolder album;
  MakeFourPictures(album);
  MessageRecorder messages;
  DeletingTestTrash trash(album.path());
  AlbumEditor editor;
  editor.setTrash(&trash);
  ASSERT_TRUE(editor.Open(QString::fromStdString(album / "index.txt")));
  editor.show();
  TypeCaption(editor, 0, QStringLiteral("Sea"));
  TypeCaption(editor, 2, QStringLiteral("Loch"));
  editor.list().setCurrentIndex(editor.pictures().index(1));
  editor.RemoveSelected();
  // Outside, Wood goes first and Lake is called Pond.
  PosixFileSystem fs;
  ASSERT_TRUE(MovePicture(album / "index.txt", 4, 1, fs, AlbumOptions{}).ok());
  std::string text = testing::ReadFile(album / "index.txt");
  text.replace(text.find("Lake\n"), 5, "Pond\n");
  testing::WriteFile(album / "index.txt", text);

  // Merging is offered; of the caption changed both ways, the outside one is chosen.
  messages.QueueAnswer(true);
  messages.QueueAnswer(false);
  EXPECT_FALSE(SaveAndWait(editor));
  ASSERT_EQ(messages.messages().size(), 2U);
  EXPECT_TRUE(messages.messages()[1].text.contains(QStringLiteral("Loch")));
  EXPECT_TRUE(messages.messages()[1].text.contains(QStringLiteral("Pond")));
  EXPECT_TRUE(editor.unsaved());
  ASSERT_TRUE(SaveAndWait(editor));
  EXPECT_EQ(testing::ReadFile(album / "index.txt"),
            "Holiday\nthumbs/t\npictures/p\nsupport\n3\n"
            "Wood\n<i>The</i> wood\nSea\nThe beach\nPond\nThe lake\n");
  EXPECT_EQ(WidthOf(album / "pictures/p1.jpg"), 190);
  EXPECT_EQ(WidthOf(album / "pictures/p2.jpg"), 160);
  EXPECT_EQ(WidthOf(album / "pictures/p3.jpg"), 180);
  // With nothing unsaved, an outside change is read at once.
  ASSERT_TRUE(MovePicture(album / "index.txt", 1, 3, fs, AlbumOptions{}).ok());
  EXPECT_TRUE(apptest::WaitUntil([&] { return editor.pictures().entry(0).caption == "Sea"; }));
}

}  // namespace
}  // namespace quillmere
