// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/album_entries.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "support/temp_folder.h"

namespace quillmere {
namespace {

using testing::TempFolder;
using testing::WriteFile;

// Makes `name` in `folder`: a FIFO, a folder or a link to a file naming a folder for "|fifo",
// "|folder" and "|link", a file of `bytes` otherwise.
void Make(const std::string& folder, const std::string& name, const std::string& bytes) {
  const std::string path = folder + name;
  if (bytes == "|fifo") {
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  } else if (bytes == "|folder") {
    std::filesystem::create_directory(path);
  } else if (bytes == "|link") {
    WriteFile(path + ".txt", "Lisbon\n");
    std::filesystem::create_symlink(name + ".txt", path);
  } else {
    WriteFile(path, bytes);
  }
}

// An entry of pictures p1 to p3 is an album only where the head says that the site is one of a
// tree, its album file is a regular file of a few bytes beside its picture, and it names a
// folder a link can reach.
TEST(FindAlbumEntries, TakesOnlyWholeAlbumFilesBesideTheirPictures) {
  const std::string albums = "T\n; albums\nt/t\npictures/p\ns\n3\n";
  const std::string longest = std::string(kMaxAlbumEntryFile - 1, 'a') + "\n";
  struct Case {
    std::string head;
    std::map<std::string, std::string> made;
    std::map<std::int64_t, std::string> found;
  };
  for (const Case& c : std::vector<Case>{
           {albums,
            {{"p1.album", "Lisbon\n"}, {"p2.album", "2024/S\xC3\xA3o Paulo/"}, {"p4.album", "P\n"}},
            {{1, "Lisbon"}, {2, "2024/S\xC3\xA3o Paulo"}}},
           {albums, {{"p1.album", "|fifo"}, {"p2.album", "|folder"}, {"p3.album", "|link"}}, {}},
           {albums,
            {{"p1.album", longest}, {"p2.album", longest + "a"}},
            {{1, longest.substr(0, longest.size() - 1)}}},
           {albums, {{"p1.album", "/home/L\n"}, {"p2.album", "L\nP\n"}, {"p3.album", "L\r\n"}}, {}},
           {albums,
            {{"p1.album", ""}, {"p2.album", std::string("a\0b", 3)}, {"p3.album", "/"}},
            {}},
           {"T\nt/t\npictures/p\ns\n3\n", {{"p1.album", "Lisbon\n"}}, {}},
       }) {
    TempFolder site;
    std::filesystem::create_directory(site / "pictures");
    for (const char* picture : {"p1.jpg", "p2.jpg", "p3.jpg"})
      WriteFile(site / "pictures/" + picture, "p");
    for (const auto& [name, bytes] : c.made) Make(site / "pictures/", name, bytes);
    Result<IndexHead, IndexError> head = ParseIndexHead(c.head);
    PosixFileSystem fs;
    Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(site.path());
    ASSERT_TRUE(head.ok() && folder.ok());
    const AlbumEntries entries = FindAlbumEntries(head.value(), 4, *folder.value());
    std::map<std::int64_t, std::string> found;
    for (std::int64_t n = 1; n <= 4; ++n) {
      if (const AlbumEntry* album = entries.Of(n)) found[n] = album->folder;
    }
    EXPECT_EQ(found, c.found) << c.made.begin()->first << " " << c.made.begin()->second.size();
  }
}

}  // namespace
}  // namespace quillmere
