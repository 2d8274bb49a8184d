// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/album_entries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <vector>

#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::TempFolder;
using testing::WriteFile;

// One entry of a pictures' folder: a file with its bytes, or a FIFO, a folder or a symbolic link
// to a file holding `bytes`.
struct Made {
  enum class Kind { kFile, kFifo, kFolder, kLink };
  std::string name;
  Kind kind = Kind::kFile;
  std::string bytes;
};

void MakeEntry(const std::string& folder, const Made& made) {
  const std::string path = folder + made.name;
  switch (made.kind) {
    case Made::Kind::kFile:
      WriteFile(path, made.bytes);
      return;
    case Made::Kind::kFifo:
      ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
      return;
    case Made::Kind::kFolder:
      std::filesystem::create_directory(path);
      return;
    case Made::Kind::kLink:
      WriteFile(path + ".target", made.bytes);
      ASSERT_EQ(symlink((made.name + ".target").c_str(), path.c_str()), 0);
      return;
  }
}

Made File(std::string name, std::string bytes = "cover") {
  return {std::move(name), Made::Kind::kFile, std::move(bytes)};
}

// An entry is an album only where the head says that the site is one of a tree, its album file is
// a regular file of a few bytes beside its picture, and it names a folder a link can reach.
TEST(FindAlbumEntries, TakesOnlyWholeAlbumFilesBesideTheirPictures) {
  struct Case {
    const char* what;
    std::vector<Made> made;
    std::map<std::int64_t, std::string> albums;
    std::string head = "T\n; albums\nt/t\npictures/p\ns\n3\n";
  };
  const std::string longest = std::string(kMaxAlbumEntryFile - 1, 'a') + "\n";
  const std::vector<Case> cases = {
      {"album files beside their covers",
       {File("p1.jpg"), File("p1.album", "Lisbon\n"), File("p2.jpg"),
        File("p2.album", "2024/S\xC3\xA3o Paulo/"), File("p3.jpg")},
       {{1, "Lisbon"}, {2, "2024/S\xC3\xA3o Paulo"}}},
      {"no picture beside, one past the last entry, a look-alike name",
       {File("p1.album", "Lisbon\n"), File("p10.jpg"), File("p10.album", "Lisbon\n"),
        File("p02.jpg"), File("p02.album", "Lisbon\n"), File("p3.jpg"), File("p3.Album", "x\n")},
       {}},
      {"a FIFO, a folder and a link in the album file's place",
       {File("p1.jpg"),
        {"p1.album", Made::Kind::kFifo, ""},
        File("p2.jpg"),
        {"p2.album", Made::Kind::kFolder, ""},
        File("p3.jpg"),
        {"p3.album", Made::Kind::kLink, "Lisbon\n"}},
       {}},
      {"the largest album file and one byte more",
       {File("p1.jpg"), File("p1.album", longest), File("p2.jpg"), File("p2.album", longest + "a")},
       {{1, longest.substr(0, longest.size() - 1)}}},
      {"texts that name no folder a link can reach",
       {File("p1.jpg"), File("p1.album", "/home/ann/Lisbon\n"), File("p2.jpg"),
        File("p2.album", "Lisbon\nPorto\n"), File("p3.jpg"), File("p3.album", "Lisbon\r\n")},
       {}},
      {"empty texts, a NUL and a tab",
       {File("p1.jpg"), File("p1.album", ""), File("p2.jpg"),
        File("p2.album", std::string("a\0b", 3)), File("p3.jpg"), File("p3.album", "a\tb\n")},
       {}},
      {"a lone line end and a lone slash",
       {File("p1.jpg"), File("p1.album", "\n"), File("p2.jpg"), File("p2.album", "/\n")},
       {}},
      {"no line that says the site is an album of a tree",
       {File("p1.jpg"), File("p1.album", "Lisbon\n")},
       {},
       "T\nt/t\npictures/p\ns\n3\n"},
      {"a picture prefix that leaves the site",
       {File("p1.jpg"), File("p1.album", "Lisbon\n")},
       {},
       "T\n; albums\nt/t\n../pictures/p\ns\n3\n"},
  };
  PosixFileSystem fs;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder site;
    std::filesystem::create_directory(site / "pictures");
    for (const Made& made : c.made) MakeEntry(site / "pictures/", made);
    Result<IndexHead, IndexError> head = ParseIndexHead(c.head);
    ASSERT_TRUE(head.ok());
    Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(site.path());
    ASSERT_TRUE(folder.ok());
    const AlbumEntries found = FindAlbumEntries(head.value(), 9, *folder.value());
    std::map<std::int64_t, std::string> albums;
    for (std::int64_t n = 1; n <= 12; ++n) {
      if (const AlbumEntry* album = found.Of(n)) albums[n] = album->folder;
    }
    EXPECT_EQ(albums, c.albums);
  }
}

}  // namespace
}  // namespace quillmere
