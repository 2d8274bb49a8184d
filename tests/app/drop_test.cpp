// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// Files and folders dropped on the window, as a file manager drops them: an index file is
// generated, a folder of pictures becomes an album, pictures join the window's album, and
// anything else is refused with its reason, on the real file system.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/album_editor.h"
#include "app/album_report.h"
#include "app/drop_plan.h"
#include "app/form1.h"
#include "app_test_support.h"
#include "gated_file_system.h"
#include "platform/qt/message_box.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

using apptest::Local;
using apptest::WaitUntil;
using FolderAnswer = FolderBox::Answer;

// Every file under `folder`, by its path from there (a folder's ending with "/"), with a digest of
// its bytes.
std::map<QString, QByteArray> FilesUnder(const QString& folder) {
  std::map<QString, QByteArray> files;
  const QDir root(folder);
  std::function<void(const QString&)> visit = [&](const QString& path) {
    const QDir dir(path);
    for (const QFileInfo& entry :
         dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
      if (entry.isDir()) {
        files[root.relativeFilePath(entry.filePath()) + QLatin1Char('/')] = {};
        visit(entry.filePath());
      } else {
        QFile file(entry.filePath());
        files[root.relativeFilePath(entry.filePath())] =
            file.open(QIODevice::ReadOnly)
                ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1).toHex()
                : QByteArray("<unreadable>");
      }
    }
  };
  visit(folder);
  return files;
}

// The pages of the site in `folder`, by name.
std::map<QString, QByteArray> PagesIn(const QString& folder) {
  std::map<QString, QByteArray> pages;
  for (const auto& [name, bytes] : FilesUnder(folder)) {
    if (name.endsWith(QLatin1String(".html"))) pages[name] = bytes;
  }
  return pages;
}

// Whether the module with the image library is loaded in this process.
bool PictureModuleLoaded() {
  QFile maps(QStringLiteral("/proc/self/maps"));
  return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("quillmere-pictures.so");
}

// Makes the folder `name` in `parent` with `pictures` JPEGs and `others` text files.
QString MakePictureFolder(const QString& parent, const char* name, int pictures, int others = 0) {
  QString folder = QDir(parent).filePath(QString::fromLatin1(name));
  QDir().mkpath(folder);
  for (int n = 1; n <= pictures; ++n) {
    testing::WriteTestJpeg(Local(folder) + "/photo " + std::to_string(n) + ".jpg",
                           testing::TestJpeg(160 + n, 120));
  }
  for (int n = 1; n <= others; ++n) {
    apptest::WriteText(QDir(folder).filePath(QStringLiteral("note %1.txt").arg(n)), "a note\n");
  }
  return folder;
}

// Makes the folder `name` in `parent` with `videos` short MP4 videos, as ffmpeg writes them, each
// in colours of its own.
QString MakeVideoFolder(const QString& parent, const char* name, int videos) {
  QString folder = QDir(parent).filePath(QString::fromLatin1(name));
  QDir().mkpath(folder);
  for (int n = 1; n <= videos; ++n) {
    const std::string command =
        "ffmpeg -v error -y -f lavfi -i testsrc=size=64x48:rate=10 -t 0.5 -vf hue=h=" +
        std::to_string(n * 120) + " -c:v libx264 -pix_fmt yuv420p '" + Local(folder) + "/clip " +
        std::to_string(n) + ".mp4'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
  return folder;
}

// Drops `paths` on `window` as a file manager does, offering to copy or to move them.
void SendDrop(Form1& window, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(QPoint(20, 20), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(20, 20), offered, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  ASSERT_TRUE(drop.isAccepted());
  // Taken as a copy: the file manager never removes what was dropped.
  EXPECT_EQ(drop.dropAction(), Qt::CopyAction);
}

// Drops `paths` on `window` and waits until what they asked for has ended.
void DropOn(Form1& window, const QStringList& paths) {
  SendDrop(window, paths);
  QCoreApplication::processEvents();
  ASSERT_TRUE(apptest::FinishRun(window));
}

// Generates the site of the index file at `index` through Generate's dialog of `window`.
void GenerateWithTheDialog(Form1& window, const QString& index) {
  window.ioBox().QueueAnswer({IOBox::ShowResult::kChosen, index});
  window.GenerateCommand();
  ASSERT_TRUE(apptest::FinishRun(window));
}

class DropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.isValid());
    form_.show();
  }
  void TearDown() override { gate_.Open(); }

  QString Path(const QString& name) const { return scratch_.filePath(name); }

  QTemporaryDir scratch_;
  PosixFileSystem machine_;
  apptest::GatedFileSystem gate_{machine_};
  MessageRecorder messages_;
  Form1 form_{nullptr, &gate_};
  QPushButton* generate_ = form_.findChild<QPushButton*>(QStringLiteral("CmdGen"));
  QPushButton* show_ = form_.findChild<QPushButton*>(QStringLiteral("CmdShow"));
};

// What a drop must end in.
enum class Outcome {
  // The pages of the dropped index file, as Generate's dialog writes them.
  kSamePagesAsTheDialog,
  // A new album of the dropped folder's five pictures, in the folder proposed beside it.
  kNewAlbum,
  // The same, with the files left out named in its box.
  kNewAlbumListingTheRest,
  // The dropped pictures added to the album of the window's site.
  kPicturesAdded,
  // A new album of the dropped folder's two videos, or the dropped video added to the window's
  // album as its picture 3: each a video with its poster.
  kVideosMade,
  // A tree of albums of the dropped folder and the folder in it, which the question counts.
  kTreeMade,
  // The album editor, open on the album of the dropped folder; nothing written.
  kEditorOpened,
  // A box that names what was dropped and says why it is refused; nothing written.
  kRefused,
};

struct DropCase {
  const char* what;
  // Makes what is dropped in the scratch folder and returns its paths; the window has made the
  // site of `site/index.txt` first when `siteFirst`.
  std::function<QStringList(const QString& scratch)> make;
  bool siteFirst;
  Outcome outcome;
};

TEST_F(DropTest, EachKindOfDropDoesWhatItSays) {
  const std::vector<DropCase> cases = {
      {"an index file",
       [](const QString& scratch) {
         const QString dropped = scratch + QStringLiteral("/dropped/index.txt");
         QDir().mkpath(scratch + QStringLiteral("/dropped"));
         apptest::WriteText(dropped, apptest::kTwoPictures);
         return QStringList{dropped};
       },
       false, Outcome::kSamePagesAsTheDialog},
      {"a folder of five pictures, beside an album of its name",
       [](const QString& scratch) {
         QDir(scratch).mkdir(QStringLiteral("Trip album"));
         return QStringList{MakePictureFolder(scratch, "Trip", 5)};
       },
       false, Outcome::kNewAlbum},
      {"a folder of five pictures and 23 notes",
       [](const QString& scratch) {
         return QStringList{MakePictureFolder(scratch, "Trip", 5, 23)};
       },
       false, Outcome::kNewAlbumListingTheRest},
      {"two pictures on a window that has a site",
       [](const QString& scratch) {
         const QString folder = MakePictureFolder(scratch, "More", 2);
         return QStringList{folder + QStringLiteral("/photo 1.jpg"),
                            folder + QStringLiteral("/photo 2.jpg")};
       },
       true, Outcome::kPicturesAdded},
      {"a folder of two videos",
       [](const QString& scratch) { return QStringList{MakeVideoFolder(scratch, "Clips", 2)}; },
       false, Outcome::kVideosMade},
      {"a video on a window that has a site",
       [](const QString& scratch) {
         return QStringList{MakeVideoFolder(scratch, "Clips", 1) + QStringLiteral("/clip 1.mp4")};
       },
       true, Outcome::kVideosMade},
      {"a folder of folders",
       [](const QString& scratch) {
         const QString top = MakePictureFolder(scratch, "Trip", 1);
         MakePictureFolder(top, "Day 2", 1);
         return QStringList{top};
       },
       false, Outcome::kTreeMade},
      {"the folder of an album",
       [](const QString& scratch) { return QStringList{scratch + QStringLiteral("/site")}; }, true,
       Outcome::kEditorOpened},
      {"a picture on a window that has no site",
       [](const QString& scratch) {
         return QStringList{MakePictureFolder(scratch, "More", 1) + QStringLiteral("/photo 1.jpg")};
       },
       false, Outcome::kRefused},
      {"a PDF",
       [](const QString& scratch) {
         const QString pdf = scratch + QStringLiteral("/report.pdf");
         apptest::WriteText(pdf,
                            "%PDF-1.4\n1 0 obj\n<< /Type /Catalog >>\nendobj\ntrailer\n%%EOF\n");
         return QStringList{pdf};
       },
       true, Outcome::kRefused},
      {"a folder with no picture",
       [](const QString& scratch) {
         return QStringList{MakePictureFolder(scratch, "Notes", 0, 2)};
       },
       false, Outcome::kRefused},
      {"a folder with a picture file beside it",
       [](const QString& scratch) {
         const QString folder = MakePictureFolder(scratch, "Trip", 2);
         return QStringList{folder, folder + QStringLiteral("/photo 1.jpg")};
       },
       true, Outcome::kRefused},
  };
  for (const DropCase& c : cases) {
    SCOPED_TRACE(c.what);
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const QString site = scratch.filePath(QStringLiteral("site"));
    QDir().mkpath(site);
    apptest::WriteText(site + QStringLiteral("/index.txt"), apptest::kTwoPictures);
    Form1 window(nullptr, &machine_);
    if (c.siteFirst) {
      GenerateWithTheDialog(window, site + QStringLiteral("/index.txt"));
      ASSERT_EQ(window.siteFolder(), Local(site) + "/");
    }
    const QStringList dropped = c.make(scratch.path());
    const auto before = FilesUnder(scratch.path());
    const bool moduleBefore = PictureModuleLoaded();
    MessageRecorder recorder;
    recorder.QueueAnswer(true);
    const QString album = scratch.filePath(QStringLiteral("New album"));
    window.folderBox().QueueAnswer({FolderBox::ShowResult::kChosen, album});
    DropOn(window, dropped);
    const std::vector<MessageRecorder::Message>& said = recorder.messages();
    const auto* show = window.findChild<QPushButton*>(QStringLiteral("CmdShow"));
    const auto after = FilesUnder(scratch.path());

    switch (c.outcome) {
      case Outcome::kSamePagesAsTheDialog: {
        EXPECT_TRUE(said.empty());
        EXPECT_TRUE(show->isEnabled());
        GenerateWithTheDialog(window, site + QStringLiteral("/index.txt"));
        const QString droppedFolder = scratch.filePath(QStringLiteral("dropped"));
        EXPECT_EQ(PagesIn(droppedFolder).size(), 3u);
        EXPECT_EQ(PagesIn(droppedFolder), PagesIn(site));
        // The dialog was never shown, and the picture module never loaded for it.
        EXPECT_EQ(window.ioBox().showings().size(), 1u);
        if (!moduleBefore) {
          EXPECT_FALSE(PictureModuleLoaded());
        }
        break;
      }
      case Outcome::kNewAlbum:
      case Outcome::kNewAlbumListingTheRest: {
        ASSERT_EQ(window.folderBox().showings().size(), 1u);
        const FolderBox::Showing& showing = window.folderBox().showings().front();
        EXPECT_EQ(showing.startFolder, scratch.path());
        EXPECT_EQ(showing.proposedName, c.outcome == Outcome::kNewAlbum
                                            ? QStringLiteral("Trip album 2")
                                            : QStringLiteral("Trip album"));
        EXPECT_EQ(window.siteFolder(), Local(album) + "/");
        EXPECT_TRUE(show->isEnabled());
        for (int n = 1; n <= 5; ++n) {
          for (const QString& made :
               {QStringLiteral("/pictures/p%1.jpg"), QStringLiteral("/thumbs/t%1.jpg")}) {
            EXPECT_TRUE(testing::ReadPicture(Local(album + made.arg(n))))
                << made.arg(n).toStdString();
          }
          EXPECT_TRUE(QFile::exists(album + QStringLiteral("/Image%1.html").arg(n)));
        }
        EXPECT_FALSE(QFile::exists(album + QStringLiteral("/pictures/p6.jpg")));
        EXPECT_TRUE(QFile::exists(album + QStringLiteral("/index.html")));
        EXPECT_TRUE(QFile::exists(album + QStringLiteral("/index.txt")));
        // One box says where the album is and how many pictures were made, and offers Show.
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].kind, MessageKind::kDone);
        EXPECT_TRUE(said[0].text.contains(album)) << said[0].text.toStdString();
        EXPECT_TRUE(said[0].text.contains(QLatin1String(" 5 pictures")))
            << said[0].text.toStdString();
        if (c.outcome == Outcome::kNewAlbum) {
          EXPECT_TRUE(said[0].details.isEmpty());
          break;
        }
        // The files left out are listed under its details.
        const QStringList lines = said[0].details.split(QLatin1Char('\n'));
        // A line that counts them, one for each of the first twenty, and one for the rest.
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(kNamedLeftOut) + 2);
        EXPECT_TRUE(lines[0].contains(QLatin1String("23")));
        for (std::size_t i = 1; i <= kNamedLeftOut; ++i) {
          EXPECT_TRUE(lines[static_cast<qsizetype>(i)].contains(QLatin1String("/Trip/note ")));
        }
        EXPECT_TRUE(lines.back().contains(QLatin1String("3")));
        break;
      }
      case Outcome::kPicturesAdded: {
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].kind, MessageKind::kQuestion);
        EXPECT_TRUE(said[0].text.contains(site + QStringLiteral("/index.txt")));
        for (const char* made :
             {"/pictures/p3.jpg", "/pictures/p4.jpg", "/thumbs/t4.jpg", "/Image4.html"}) {
          EXPECT_TRUE(QFile::exists(site + QLatin1String(made))) << made;
        }
        EXPECT_EQ(window.siteFolder(), Local(site) + "/");
        break;
      }
      case Outcome::kVideosMade: {
        const QString folder = c.siteFirst ? site : album;
        const std::vector<int> numbers = c.siteFirst ? std::vector<int>{3} : std::vector<int>{1, 2};
        for (int n : numbers) {
          for (const QString& made :
               {QStringLiteral("/pictures/p%1.mp4"), QStringLiteral("/pictures/p%1.jpg"),
                QStringLiteral("/thumbs/t%1.jpg"), QStringLiteral("/Image%1.html")}) {
            EXPECT_TRUE(QFile::exists(folder + made.arg(n))) << made.arg(n).toStdString();
          }
        }
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].kind, MessageKind::kCritical) << said[0].text.toStdString();
        if (!c.siteFirst) {
          EXPECT_TRUE(said[0].text.contains(QLatin1String(" 2 videos made")))
              << said[0].text.toStdString();
        }
        break;
      }
      case Outcome::kTreeMade: {
        ASSERT_EQ(window.folderBox().showings().size(), 1u);
        EXPECT_TRUE(
            window.folderBox().showings().front().title.contains(QLatin1String(" 2 albums")))
            << window.folderBox().showings().front().title.toStdString();
        EXPECT_TRUE(QFile::exists(album + QStringLiteral("/Day 2/index.html")));
        EXPECT_TRUE(QFile::exists(album + QStringLiteral("/index.html")));
        break;
      }
      case Outcome::kEditorOpened: {
        const auto* editor = window.findChild<AlbumEditor*>();
        ASSERT_NE(editor, nullptr);
        EXPECT_TRUE(editor->isVisible());
        EXPECT_TRUE(said.empty());
        EXPECT_EQ(window.folderBox().showings().size(), 0u);
        EXPECT_EQ(after, before) << "nothing is written";
        break;
      }
      case Outcome::kRefused: {
        ASSERT_EQ(said.size(), 1u);
        EXPECT_EQ(said[0].kind, MessageKind::kCritical);
        if (dropped.size() == 1) {
          EXPECT_TRUE(said[0].text.contains(dropped.front()));
        }
        EXPECT_EQ(after, before) << "nothing is written";
        EXPECT_EQ(window.folderBox().showings().size(), 0u);
        EXPECT_EQ(window.siteFolder().empty(), !c.siteFirst);
        EXPECT_EQ(show->isEnabled(), c.siteFirst);
        break;
      }
    }
    // No hidden file of a write is left anywhere.
    for (const auto& [name, bytes] : after) {
      EXPECT_FALSE(QFileInfo(name).fileName().startsWith(QLatin1Char('.'))) << name.toStdString();
    }
  }
}

TEST_F(DropTest, ADropDuringARunIsRefusedAndChangesNothing) {
  const QString site = Path(QStringLiteral("site"));
  QDir().mkpath(site);
  apptest::WriteText(site + QStringLiteral("/index.txt"),
                     apptest::ManyPictures(300, "first").c_str());
  const QString pictures = MakePictureFolder(scratch_.path(), "Trip", 1);
  gate_.HoldAt(5);
  form_.ioBox().QueueAnswer({IOBox::ShowResult::kChosen, site + QStringLiteral("/index.txt")});
  generate_->click();
  ASSERT_TRUE(WaitUntil([this] { return gate_.holding(); }));
  const auto before = FilesUnder(pictures);
  form_.OpenPaths({pictures});
  ASSERT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(messages_.messages()[0].kind, MessageKind::kCritical);
  EXPECT_EQ(form_.folderBox().showings().size(), 0u);
  gate_.Open();
  ASSERT_TRUE(apptest::FinishRun(form_));
  EXPECT_EQ(FilesUnder(pictures), before);
  EXPECT_EQ(messages_.messages().size(), 1u);
  EXPECT_EQ(form_.siteFolder(), Local(site) + "/");
}

// Expected: an album folder that cannot be made brings the folder dialog back after its reason,
// and the album is made in the folder chosen then.
TEST_F(DropTest, AFolderThatCannotBeMadeBringsTheDialogBack) {
  const QString pictures = MakePictureFolder(scratch_.path(), "Trip", 2);
  apptest::WriteText(Path(QStringLiteral("a file")), "not a folder");
  const QString unmakeable = Path(QStringLiteral("a file/Trip album"));
  const QString album = Path(QStringLiteral("Trip album"));
  form_.folderBox().QueueAnswer({FolderBox::ShowResult::kChosen, unmakeable});
  form_.folderBox().QueueAnswer({FolderBox::ShowResult::kChosen, album});
  DropOn(form_, {pictures});
  EXPECT_EQ(form_.folderBox().showings().size(), 2u);
  ASSERT_EQ(messages_.messages().size(), 2u);
  EXPECT_EQ(messages_.messages()[0].kind, MessageKind::kCritical);
  EXPECT_TRUE(messages_.messages()[0].text.contains(unmakeable))
      << messages_.messages()[0].text.toStdString();
  EXPECT_EQ(messages_.messages()[1].kind, MessageKind::kDone);
  EXPECT_EQ(form_.siteFolder(), Local(album) + "/");
}

TEST_F(DropTest, ARefusedPlaceIsNotProposedAgain) {
  const QString pictures = MakePictureFolder(scratch_.path(), "Trip", 1);
  EXPECT_EQ(ProposedAlbumFolder(pictures), Path(QStringLiteral("Trip album")));
  const QFileInfo elsewhere(ProposedAlbumFolder(pictures, {scratch_.path()}));
  EXPECT_NE(elsewhere.absolutePath(), scratch_.path());
  EXPECT_TRUE(elsewhere.fileName().startsWith(QLatin1String("Trip album")));
  EXPECT_FALSE(elsewhere.exists());
}

TEST_F(DropTest, CancelDuringADroppedFolderAlbumLeavesNoHalfWrittenFile) {
  const QString pictures = MakePictureFolder(scratch_.path(), "Trip", 5);
  const auto before = FilesUnder(scratch_.path());
  form_.folderBox().QueueAnswer(
      {FolderBox::ShowResult::kChosen, Path(QStringLiteral("Trip album"))});
  // The journal, then the first picture and its thumbnail: the run is held among the pictures.
  gate_.HoldAt(4);
  SendDrop(form_, {pictures});
  ASSERT_TRUE(WaitUntil([this] { return form_.running() && gate_.holding(); }));
  // The progress dialog counts the pictures made of the five (the site would count six pages).
  ASSERT_TRUE(WaitUntil([this] {
    const QProgressDialog* dialog = form_.progressDialog();
    return dialog != nullptr && dialog->isVisible() && dialog->maximum() == 5;
  }));
  QProgressDialog* dialog = form_.progressDialog();
  EXPECT_LT(dialog->value(), 5);
  ASSERT_TRUE(WaitUntil([dialog] { return QApplication::activeModalWidget() == dialog; }));
  auto* cancel = dialog->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  gate_.Open();
  ASSERT_TRUE(apptest::FinishRun(form_));

  // The album is left as it was before: not there.
  EXPECT_EQ(FilesUnder(scratch_.path()), before);
  EXPECT_TRUE(messages_.messages().empty());
  EXPECT_FALSE(show_->isEnabled());
  EXPECT_EQ(form_.siteFolder(), "");
}

}  // namespace
}  // namespace quillmere
