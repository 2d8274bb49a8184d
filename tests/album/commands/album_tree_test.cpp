// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A tree of albums made from a tree of folders given by hand: each album's index file, its
// entries for the albums below it, the support images at the top only, and a run that finishes
// what an interrupted one left.
#include "album/commands/album_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "album/album_options.h"
#include "album/commands/add_pictures.h"
#include "album/commands/move_picture.h"
#include "album/commands/new_album.h"
#include "album/commands/remove_pictures.h"
#include "run/journal.h"
#include "run/journal_settle.h"
#include "support/folder_trash.h"
#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

class AlbumTreeTest : public ::testing::Test {
 protected:
  // Photos/2024/Lisbon holds a flat grey picture, Photos/2024/Porto two dated ones, Photos/_drafts
  // one, Photos one of its own; the tree lists them children first.
  void SetUp() override {
    for (const char* folder : {"/2024/Lisbon", "/2024/Porto", "/_drafts"}) {
      stdfs::create_directories(photos + folder);
    }
    testing::WriteFlatJpeg(photos + "/2024/Lisbon/grey.jpg", {128, 128, 128});
    testing::WriteTestJpeg(photos + "/2024/Porto/b.jpg",
                           {80, 60, 1, "2024:06:03 09:00:00", "", false});
    testing::WriteTestJpeg(photos + "/2024/Porto/a.jpg",
                           {64, 48, 1, "2024:06:01 10:00:00", "", false});
    testing::WriteTestJpeg(photos + "/_drafts/c.jpg", {64, 48});
    testing::WriteTestJpeg(photos + "/top.jpg", {64, 48, 1, "2023:05:05 12:00:00", "", false});
    tree.folders = {{photos + "/2024/Lisbon", "2024/Lisbon", "Lisbon", true, {}},
                    {photos + "/2024/Porto", "2024/Porto", "Porto", true, {}},
                    {photos + "/2024", "2024", "2024", true, {0, 1}},
                    {photos + "/_drafts", "_drafts", "_drafts", false, {}},
                    {photos, "", "", true, {2, 3}}};
    options.threads = 1;
  }

  // The index files of the albums that list others, as a whole run makes them.
  const std::string yearIndex =
      "2024\nthumbs/t\npictures/p\n../support\n; albums\n; parent ../index.html\n5\n"
      "Lisbon\n1 picture\nPorto\n2 pictures, 2024-06-01 to 2024-06-03\n";
  const std::string topIndex =
      "Photos\nthumbs/t\npictures/p\nsupport\n; albums\n5\n"
      "2024\n3 pictures, 2024-06-01 to 2024-06-03\ntop\n2023-05-05 12:00\n";

  TempFolder dir;
  PosixFileSystem fs;
  AlbumOptions options;
  const std::string photos = dir / "Photos";
  const std::string album = dir / "album";
  SourceTree tree;
};

// Every folder becomes an album at its place; an album lists the albums below it first, by a copy
// of their cover with the album mark on its thumbnail, their name and what they hold; an unlisted
// folder gets its album but no entry; the support images are copied at the top only.
TEST_F(AlbumTreeTest, EveryFolderBecomesAnAlbumListedInItsParent) {
  const AlbumOutcome outcome = MakeAlbumTree(tree, album, fs, options);
  ASSERT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.albumsMade, 5u);
  EXPECT_EQ(outcome.picturesAdded, 5u);
  const struct {
    const char* file;
    // Its bytes; none for a file or folder that is not there.
    std::optional<std::string> text;
  } files[] = {
      {"/2024/Lisbon/index.txt",
       "Lisbon\nthumbs/t\npictures/p\n../../support\n; albums\n; parent ../index.html\n5\n"
       "grey\ngrey\n"},
      {"/2024/index.txt", yearIndex},
      {"/_drafts/index.txt",
       "_drafts\nthumbs/t\npictures/p\n../support\n; albums\n; parent ../index.html\n5\nc\nc\n"},
      {"/index.txt", topIndex},
      {"/pictures/p1.album", "2024\n"},
      {"/2024/pictures/p2.album", "Porto\n"},
      {"/pictures/p2.album", std::nullopt},
      {"/2024/Lisbon/pictures/p1.album", std::nullopt},
      {"/2024/support", std::nullopt},
      {"/2024/Lisbon/support", std::nullopt},
      {"/_drafts/support", std::nullopt},
  };
  for (const auto& file : files) {
    if (file.text) {
      EXPECT_EQ(ReadFile(album + file.file), *file.text) << file.file;
    } else {
      EXPECT_FALSE(stdfs::exists(album + file.file)) << file.file;
    }
  }
  EXPECT_TRUE(stdfs::is_directory(album + "/support"));
  // The cover of the top's entry is the first picture of the first album below it, recursively.
  EXPECT_EQ(ReadFile(album + "/pictures/p1.jpg"), ReadFile(album + "/2024/Lisbon/pictures/p1.jpg"));
  // The grey cover's thumbnail bears the stack of frames at its lower right corner only.
  const std::string thumbnail = album + "/thumbs/t1.jpg";
  EXPECT_NEAR(testing::PixelOf(thumbnail, 32, 24)[1], 128, 10) << "the middle";
  EXPECT_GE(testing::PixelOf(thumbnail, 52, 44)[1], 190) << "the front frame's rim";
  EXPECT_LE(testing::PixelOf(thumbnail, 52, 38)[1], 80) << "within the front frame";
}

// A run after an interrupted one finishes the tree: an album below the top that stands complete
// is taken as made, and what it holds is still told in its parent; one that lacks a page is
// finished.
TEST_F(AlbumTreeTest, ARunFinishesATreeThatWasInterrupted) {
  const struct {
    const char* what;
    std::function<void(const std::string&)> interrupted;
    std::uint64_t albumsMade;
  } cases[] = {
      {"two albums complete", [](const std::string&) {}, 3},
      {"one of them without its index page",
       [](const std::string& made) { stdfs::remove(made + "/2024/Porto/index.html"); }, 4},
  };
  for (const auto& c : cases) {
    stdfs::remove_all(album);
    SourceTree begun;
    begun.folders = {tree.folders[0], tree.folders[1]};
    ASSERT_TRUE(MakeAlbumTree(begun, album, fs, options).ok()) << c.what;
    c.interrupted(album);
    const AlbumOutcome outcome = MakeAlbumTree(tree, album, fs, options);
    ASSERT_TRUE(outcome.ok()) << c.what;
    EXPECT_EQ(outcome.albumsMade, c.albumsMade) << c.what;
    EXPECT_EQ(ReadFile(album + "/2024/index.txt"), yearIndex) << c.what;
    EXPECT_EQ(ReadFile(album + "/index.txt"), topIndex) << c.what;
    EXPECT_TRUE(stdfs::exists(album + "/2024/Porto/index.html")) << c.what;
  }
}

// A folder none of whose files can be made lists them and gets no album nor entry; the albums
// around it are made as they would be without it.
TEST_F(AlbumTreeTest, AFolderOfBadFilesIsLeftOutAndTheTreeGoesOn) {
  stdfs::create_directories(photos + "/2024/Broken");
  testing::WriteFile(photos + "/2024/Broken/cut.jpg", "\xFF\xD8\xFF\xE0");
  tree.folders = {{photos + "/2024/Broken", "2024/Broken", "Broken", true, {}},
                  {photos + "/2024/Lisbon", "2024/Lisbon", "Lisbon", true, {}},
                  {photos + "/2024/Porto", "2024/Porto", "Porto", true, {}},
                  {photos + "/2024", "2024", "2024", true, {0, 1, 2}},
                  {photos + "/_drafts", "_drafts", "_drafts", false, {}},
                  {photos, "", "", true, {3, 4}}};
  const AlbumOutcome outcome = MakeAlbumTree(tree, album, fs, options);
  ASSERT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.albumsMade, 5u);
  ASSERT_EQ(outcome.problems.size(), 1u);
  EXPECT_EQ(outcome.problems.front().file, photos + "/2024/Broken/cut.jpg");
  EXPECT_EQ(ReadFile(album + "/2024/index.txt"), yearIndex);
  EXPECT_EQ(ReadFile(album + "/index.txt"), topIndex);
  EXPECT_FALSE(stdfs::exists(album + "/2024/Broken"));
}

// `text` with its first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const std::size_t at = text.find(from);
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// A change in an album below is carried up: its entry in each album above says what it holds
// now, but for a description the person wrote; a parent that another run holds is left as it is
// and named, with the way to bring it up to date.
TEST_F(AlbumTreeTest, AChangeBelowIsToldInTheAlbumsAbove) {
  ASSERT_TRUE(MakeAlbumTree(tree, album, fs, options).ok());
  const std::string oldThumbnail = ReadFile(album + "/2024/thumbs/t2.jpg");
  const AlbumOutcome removed = RemovePictures(album + "/2024/Porto/index.txt", {1}, fs, options);
  ASSERT_TRUE(removed.ok());
  EXPECT_TRUE(removed.problems.empty());
  // Porto's entry shows its new first picture, and the change leaves no file of its own behind.
  EXPECT_EQ(ReadFile(album + "/2024/pictures/p2.jpg"),
            ReadFile(album + "/2024/Porto/pictures/p1.jpg"));
  EXPECT_NE(ReadFile(album + "/2024/thumbs/t2.jpg"), oldThumbnail);
  EXPECT_EQ(testing::ListNames(album + "/2024/pictures"), "p1.album p1.jpg p2.album p2.jpg");
  const std::string year = Replaced(yearIndex, "2 pictures, 2024-06-01 to", "1 picture,");
  EXPECT_EQ(ReadFile(album + "/2024/index.txt"), year);
  const std::string top = Replaced(topIndex, "3 pictures, 2024-06-01 to", "2 pictures,");
  EXPECT_EQ(ReadFile(album + "/index.txt"), top);

  const std::string own = Replaced(top, "2 pictures, 2024-06-03", "Our summer");
  testing::WriteFile(album + "/index.txt", own);
  ASSERT_TRUE(RemovePictures(album + "/2024/Lisbon/index.txt", {1}, fs, options).ok());
  EXPECT_EQ(ReadFile(album + "/2024/index.txt"), Replaced(year, "1 picture\n", "0 pictures\n"));
  EXPECT_EQ(ReadFile(album + "/index.txt"), own);

  Result<std::unique_ptr<Folder>> yearFolder = fs.OpenFolder(album + "/2024/");
  ASSERT_TRUE(yearFolder);
  Result<std::unique_ptr<FolderLock>> held = yearFolder.value()->TryLock();
  ASSERT_TRUE(held);
  options.run.wait = false;
  const std::string porto = album + "/2024/Porto/index.txt";
  EXPECT_TRUE(MovePicture(porto, 1, 1, fs, options).problems.empty()) << "nothing to change";
  const AlbumOutcome busy = RemovePictures(porto, {1}, fs, options);
  ASSERT_TRUE(busy.ok());
  ASSERT_EQ(busy.problems.size(), 1u);
  EXPECT_EQ(busy.problems[0].kind, PictureProblem::Kind::kParentNotUpdated);
  EXPECT_EQ(busy.problems[0].file, album + "/2024/index.txt");
  EXPECT_EQ(busy.problems[0].same, porto);
}

// Removing an album's entry takes the album with it, whole and under the locks of every album
// below it: to the trash; removed for good, only the files the program made go and the person's
// own stay, named; while an album below holds a change cut short, nothing is removed.
TEST_F(AlbumTreeTest, RemovingAnAlbumEntryTakesTheAlbumWithIt) {
  const struct {
    const char* what;
    bool deleted;
    bool unfinished;
  } cases[] = {{"to the trash", false, false},
               {"for good", true, false},
               {"with a change cut short below", false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    stdfs::remove_all(album);
    stdfs::remove_all(dir / "bin");
    ASSERT_TRUE(MakeAlbumTree(tree, album, fs, options).ok());
    const std::string porto = album + "/2024/Porto";
    testing::WriteFile(porto + "/notes.txt", "mine\n");
    if (c.unfinished) testing::WriteFile(porto + "/" + std::string(kJournalName), "cut short");
    const std::string year = ReadFile(album + "/2024/index.txt");
    testing::FolderTrash trash(album + "/2024", dir / "bin");
    AlbumOptions removing = options;
    removing.trash = &trash;
    removing.deleteRemoved = c.deleted;
    const AlbumOutcome outcome = RemovePictures(album + "/2024/index.txt", {2}, fs, removing);
    if (c.unfinished) {
      ASSERT_TRUE(outcome.failure && outcome.failure->Is<AlbumFailure::AlbumBelowUnfinished>());
      EXPECT_EQ(ReadFile(album + "/2024/index.txt"), year);
      EXPECT_TRUE(stdfs::exists(porto + "/index.html"));
      continue;
    }
    ASSERT_TRUE(outcome.ok());
    EXPECT_EQ(ReadFile(album + "/2024/index.txt"),
              Replaced(yearIndex, "\nPorto\n2 pictures, 2024-06-01 to 2024-06-03", ""));
    const auto names = [](const std::string& folder) {
      return stdfs::exists(folder) ? testing::ListNames(folder) : "<missing>";
    };
    EXPECT_EQ(names(porto), c.deleted ? "notes.txt" : "<missing>");
    EXPECT_EQ(names(dir / "bin/Porto"),
              c.deleted ? "<missing>"
                        : "Image1.html Image2.html index.html index.txt notes.txt pictures thumbs");
    ASSERT_EQ(outcome.problems.size(), c.deleted ? 1u : 0u);
    if (c.deleted) {
      EXPECT_EQ(outcome.problems[0].file, porto + "/notes.txt");
    }
  }
}

// A folder of folders added to an album: a folder with an album at its place gets its new pictures
// there, one without gets an album of its own, listed in the album above it after its entries and
// before its new pictures; every entry above says what its album holds now; a flat album becomes
// the top of a tree.
TEST_F(AlbumTreeTest, AFolderOfFoldersIsAddedAlbumByAlbum) {
  SourceTree begun;
  begun.folders = {
      tree.folders[0], {photos + "/2024", "2024", "2024", true, {0}}, {photos, "", "", true, {1}}};
  ASSERT_TRUE(MakeAlbumTree(begun, album, fs, options).ok());
  testing::WriteTestJpeg(photos + "/2024/Lisbon/tram.jpg",
                         {64, 48, 1, "2024:06:05 08:00:00", "", false});
  const AlbumOutcome added = AddPictures(album + "/index.txt", {photos}, fs, options);
  ASSERT_TRUE(added.ok()) << Describe(*added.failure, WordsWithoutSteps());
  EXPECT_EQ(added.albumsMade, 2u) << "Porto and _drafts";
  EXPECT_EQ(added.picturesAdded, 4u);
  EXPECT_EQ(ReadFile(album + "/2024/index.txt"),
            Replaced(yearIndex, "Lisbon\n1 picture\n", "Lisbon\n2 pictures, 2024-06-05\n"));
  EXPECT_EQ(ReadFile(album + "/index.txt"),
            Replaced(topIndex, "3 pictures, 2024-06-01 to 2024-06-03",
                     "4 pictures, 2024-06-01 to 2024-06-05"));
  EXPECT_TRUE(stdfs::exists(album + "/_drafts/index.html"));
  // A folder with no pictures of its own still has its album's site told of.
  const AlbumOutcome again =
      AddPictures(album + "/2024/index.txt", {photos + "/2024"}, fs, options);
  ASSERT_TRUE(again.ok());
  EXPECT_EQ(again.picturesAdded, 0u);
  EXPECT_EQ(again.site.pictureCount, 2);

  const std::string more = dir / "More";
  stdfs::create_directories(more + "/Sintra");
  testing::WriteTestJpeg(more + "/x.jpg", {72, 40});
  testing::WriteTestJpeg(more + "/Sintra/s.jpg", {48, 64});
  const std::string flat = dir / "flat";
  ASSERT_TRUE(MakeNewAlbum(photos + "/2024/Porto", flat, fs, options).ok());
  const AlbumOutcome rooted = AddPictures(flat + "/index.txt", {more}, fs, options);
  ASSERT_TRUE(rooted.ok());
  EXPECT_TRUE(rooted.problems.empty());
  EXPECT_EQ(ReadFile(flat + "/index.txt"),
            "Porto\nthumbs/t\npictures/p\nsupport\n; albums\n5\na\n2024-06-01 10:00\nb\n"
            "2024-06-03 09:00\nSintra\n1 picture\nx\nx\n");
  EXPECT_EQ(
      ReadFile(flat + "/Sintra/index.txt"),
      "Sintra\nthumbs/t\npictures/p\n../support\n; albums\n; parent ../index.html\n5\ns\ns\n");
}

}  // namespace
}  // namespace quillmere
