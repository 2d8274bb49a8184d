// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The walk of a tree of pictures on the real file system: which folders become albums, in which
// order, and what is passed over or refused.
#include "album/steps/source_tree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"
#include "support/test_pictures.h"

namespace quillmere {
namespace {

using testing::TempFolder;

// A tree to walk and what the walk finds in it.
struct TreeCase {
  const char* what;
  // Entries below the top: "a/b.jpg" a picture, "a/b.txt" a text, "a/" an empty folder,
  // "a/b -> target" a symbolic link.
  std::vector<std::string> entries;
  // The folders found in the tree's order, each relative path ("." for the top), "*" where it is
  // unlisted and its sub-albums in brackets; or the refusal, "clash: A B" or "taken: A". Then
  // what was passed over: "; link: A" or "; deep: A".
  std::string found;
};

// A folder `levels` deep: "l/l/.../l".
std::string Deep(int levels) {
  std::string path = "l";
  for (int i = 1; i < levels; ++i) path += "/l";
  return path;
}

// What the walk finds in a tree of folders `l` `levels` deep whose deepest holds a picture.
std::string DeepTreeFound(int levels) {
  std::string found = Deep(levels) + "[]";
  for (int i = levels - 1; i >= 1; --i) found += " " + Deep(i) + "[l]";
  return found + " .[l]";
}

const std::vector<TreeCase> kTrees = {
    {"three levels, loose pictures beside folders, names in the order people count",
     {"p.jpg", "2024/Lisbon/a.jpg", "2024/Lisbon/Day 10/b.jpg", "2024/Lisbon/Day 9/c.jpg",
      "2024/Z\u00fcrich/d.jpg", "2024/Zurich/e.jpg", "2023/notes.txt"},
     "2024/Lisbon/Day 9[] 2024/Lisbon/Day 10[] 2024/Lisbon[Day 9,Day 10] 2024/Zurich[] "
     "2024/Z\u00fcrich[] 2024[Lisbon,Zurich,Z\u00fcrich] .[2024]"},
    {"empty, hidden and tool folders, the album folder and links to folders skipped",
     {"a.jpg", "empty/", "thumbs/", ".hidden/h.jpg", "@eaDir/t.jpg", "_private/x.jpg",
      "album/pictures/p1.jpg", "b/p.jpg", "b/up -> ..", "b/self -> self", "c/p.jpg -> ../b/p.jpg"},
     "_private*[] b[] c[] .[_private,b,c]; link: b/up"},
    {"a top with nothing to show is there all the same", {"notes.txt", "empty/"}, ".[]"},
    {"a clash of case",
     {"Trips/Lisbon/a.jpg", "Trips/lisbon/b.jpg"},
     "clash: Trips/Lisbon Trips/lisbon"},
    {"a clash of accents", {"Caf\u00e9/a.jpg", "Cafe\u0301/b.jpg"}, "clash: Cafe\u0301 Caf\u00e9"},
    {"a folder named like the album's pictures", {"2024/Pictures/a.jpg"}, "taken: 2024/Pictures"},
    {"a folder named like a picture page", {"a.jpg", "image3.html/b.jpg"}, "taken: image3.html"},
    {"a tree deeper than the bound",
     {Deep(32) + "/a.jpg", Deep(33) + "/b.jpg"},
     DeepTreeFound(32) + "; deep: " + Deep(33)},
};

// Makes the entries of `tree` below `top`, each picture a copy of `jpeg`.
void MakeTree(const std::string& top, const TreeCase& tree, const std::string& jpeg) {
  for (const std::string& entry : tree.entries) {
    const std::size_t arrow = entry.find(" -> ");
    const std::filesystem::path path = top + entry.substr(0, arrow);
    std::filesystem::create_directories(entry.ends_with('/') ? path : path.parent_path());
    if (arrow != std::string::npos) {
      std::filesystem::create_symlink(entry.substr(arrow + 4), path);
    } else if (!entry.ends_with('/')) {
      testing::WriteFile(path.string(), entry.ends_with(".jpg") ? jpeg : "text");
    }
  }
}

// What the walk of `top` found, as TreeCase::found writes it.
std::string WalkText(const std::string& top, FileSystem& fs) {
  std::vector<PictureProblem> passedOver;
  auto walked = ReadSourceTree(top, top + "album", fs, passedOver);
  const auto below = [&](const std::string& path) { return path.substr(top.size()); };
  std::string text;
  if (const AlbumFailure* failure = walked.failure()) {
    const auto* clash = failure->As<AlbumFailure::FoldersClash>();
    const auto* taken = failure->As<AlbumFailure::FolderNameTaken>();
    text = clash   ? "clash: " + below(clash->first) + " " + below(clash->second)
           : taken ? "taken: " + below(taken->path)
                   : "another failure";
  }
  for (const SourceFolder& folder : walked ? walked.value().folders : std::vector<SourceFolder>()) {
    text += (text.empty() ? "" : " ") + (folder.relative.empty() ? "." : folder.relative);
    text += folder.listed ? "[" : "*[";
    for (std::size_t sub : folder.subAlbums) {
      text += (text.ends_with('[') ? "" : ",") + walked.value().folders[sub].name;
    }
    text += "]";
  }
  for (const PictureProblem& problem : passedOver) {
    text += problem.kind == PictureProblem::Kind::kLinkToFolder ? "; link: "
            : problem.kind == PictureProblem::Kind::kTooDeep    ? "; deep: "
                                                                : "; other: ";
    text += below(problem.file);
  }
  return text;
}

TEST(SourceTree, FindsTheFoldersThatBecomeAlbumsAndRefusesThoseThatClash) {
  TempFolder scratch;
  testing::WriteTestJpeg(scratch / "one.jpg", testing::TestJpeg(8, 8));
  const std::string jpeg = testing::ReadFile(scratch / "one.jpg");
  PosixFileSystem fs;
  for (std::size_t i = 0; i < kTrees.size(); ++i) {
    SCOPED_TRACE(kTrees[i].what);
    const std::string top = scratch / ("tree" + std::to_string(i) + "/");
    MakeTree(top, kTrees[i], jpeg);
    EXPECT_EQ(WalkText(top, fs), kTrees[i].found);
  }
}

}  // namespace
}  // namespace quillmere
