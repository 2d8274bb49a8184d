// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The journal of album changes: its text in every version it was written in, settling the change
// it records (by the next run, or by the change itself when it fails on its way), and what --check
// says of a journal left behind.
#include "run/journal.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "album/change/album_change.h"
#include "run/journal_settle.h"
#include "support/cli_runner.h"
#include "support/temp_folder.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;
using testing::WriteFile;

// An index file longer than eight bytes, so that hashing it a byte or eight bytes at a time differ.
const std::string kIndexText = "the index file as it was\n";

// A journal with a step of every kind, paths that need escaping, and renames that name their file
// not at all, by its numbers, and by its numbers and mark.
Journal EveryKindOfStep() {
  Journal journal;
  journal.change = ChangeKind::kAddPictures;
  journal.indexName = "my index.txt";
  journal.before = StateOf(kIndexText);
  journal.steps = {{JournalStep::Kind::kMakeFolder, "a b", {}},
                   {JournalStep::Kind::kMakeFile, "a b/p%1\n.jpg", {}},
                   {JournalStep::Kind::kRename, "p/p2.jpg", "p/p1.jpg"},
                   {JournalStep::Kind::kRename, "p/p3.jpg", "p/p3 (moving).jpg", 2049, 77},
                   {JournalStep::Kind::kRename, "p/p5.jpg", "p/p5 (moving).jpg", 2049, 78,
                    FileMark{5, -3, 0xab}},
                   {JournalStep::Kind::kDiscard, "p/.gone", {}},
                   {JournalStep::Kind::kTrash, "p/p4 (removed).jpg", {}},
                   {JournalStep::Kind::kDiscardPage, "Image9.html", {}}};
  return journal;
}

// Expected: a journal is written in the bytes the journals on disk hold (the index file's state
// hashed eight bytes at a time), and reads back as it was written, for every kind of change.
TEST(JournalFormat, WritesTheBytesOnDiskAndReadsThemBack) {
  Journal journal = EveryKindOfStep();
  const std::string text = JournalText(journal);
  EXPECT_EQ(text,
            "quillmere journal 4\nchange add-pictures\nindex my%20index.txt\n"
            "before 25 b7a2207d3081df54\nafter unknown\nfolder a%20b\nfile a%20b/p%251%0A.jpg\n"
            "rename p/p2.jpg p/p1.jpg\nrename p/p3.jpg p/p3%20(moving).jpg 2049:77\n"
            "rename p/p5.jpg p/p5%20(moving).jpg 2049:78 5 -3 00000000000000ab\n"
            "discard p/.gone\ntrash p/p4%20(removed).jpg\npage Image9.html\nend\n");
  EXPECT_EQ(ParseJournal(text), journal);
  journal.after = StateOf("new\n");
  for (ChangeKind kind :
       {ChangeKind::kNewAlbum, ChangeKind::kAddPictures, ChangeKind::kRemovePictures,
        ChangeKind::kMovePicture, ChangeKind::kMakeThumbnails, ChangeKind::kEdit}) {
    journal.change = kind;
    const std::string named = JournalText(journal);
    EXPECT_NE(named.find("\nchange " + std::string(ChangeWord(kind)) + "\n"), std::string::npos);
    EXPECT_EQ(ParseJournal(named), journal) << named;
  }
}

// Expected: the journals of earlier versions, which named the change by the command line (versions
// 1 and 2) and hashed the index file a byte at a time (up to version 3), are read as that kind,
// with that hash.
TEST(JournalFormat, ReadsEarlierVersions) {
  Journal journal;
  journal.indexName = "index.txt";
  journal.steps = {{JournalStep::Kind::kMakeFile, "p/p1.jpg", {}}};
  for (ChangeKind kind :
       {ChangeKind::kNewAlbum, ChangeKind::kAddPictures, ChangeKind::kRemovePictures,
        ChangeKind::kMovePicture, ChangeKind::kMakeThumbnails}) {
    journal.change = kind;
    const std::string steps = "after unknown\nfile p/p1.jpg\nend\n";
    for (int version : {1, 2, 3}) {
      const std::string named = version == 3 ? "\nchange " : "\ncommand quillmere-cli%20--";
      const std::string text = "quillmere journal " + std::to_string(version) + named +
                               std::string(ChangeWord(kind)) +
                               "\nindex index.txt\nbefore 25 d05b2ef5b50c7e78\n" + steps;
      Journal earlier = journal;
      earlier.version = version;
      earlier.before = StateOf(kIndexText, version);
      EXPECT_EQ(ParseJournal(text), earlier) << text;
    }
  }
}

// Expected: a text that is not whole, of no known version or change, or that names a path outside
// the album folder or a rename across folders, is no journal.
TEST(JournalFormat, RefusesWhatIsNoJournal) {
  const std::string text = JournalText(EveryKindOfStep());
  const auto replaced = [&text](const std::string& part, const std::string& by) {
    std::string changed = text;
    return changed.replace(changed.find(part), part.size(), by);
  };
  std::vector<std::string> refused = {
      text.substr(0, text.size() - 1),
      replaced("journal 4", "journal 5"),
      replaced("change add-pictures", "change paint"),
      replaced("\nend\n", "\n"),
      replaced("rename p/p2.jpg p/p1.jpg", "rename p/p2.jpg q/p1.jpg"),
  };
  for (const char* outside : {"../x", "/etc/passwd", "a/../../x", "a//b", "./x", "a/"}) {
    refused.push_back(replaced("discard p/.gone", "discard " + std::string(outside)));
  }
  for (const std::string& bad : refused) EXPECT_FALSE(ParseJournal(bad)) << bad;
}

using Files = std::map<std::string, std::string>;

// Every file and folder under `dir` but the journal, by its path in it, with its bytes.
Files FilesIn(const TempFolder& dir) {
  Files files;
  for (const auto& entry : stdfs::recursive_directory_iterator(dir.path())) {
    const std::string path = entry.path().string().substr(dir.path().size());
    if (path == kJournalName) continue;
    files[path] = entry.is_directory() ? "<folder>" : ReadFile(entry.path().string());
  }
  return files;
}

// How a change cut short comes to be settled: by the next run, from its journal, or by the change
// itself as it fails on its way (after which the next run settles what it left).
enum class Way { kNextRun, kOnItsWay };

// Expected: a change that made p/p3.jpg and moved p/p2.jpg aside is undone whole, by the next run
// as by the change itself, and its journal removed; when the file moved aside was changed or
// removed since, nothing is undone, the journal stays, and the problem names the file.
TEST(JournalSettle, UndoesWhatWasDoneOrNothingWhenAFileIsNotWhatItMoved) {
  struct Case {
    const char* what;
    // The version of the journal that the next run finds.
    int version;
    // What happens to the file moved aside, at `aside`, before the change is settled.
    std::function<void(const std::string& aside)> since;
    std::optional<JournalProblem::Kind> problem;
    std::string problemPath;
  };
  const auto nothing = [](const std::string&) {};
  const Case cases[] = {
      {"nothing since", kJournalVersion, nothing, std::nullopt, ""},
      {"a journal hashing a byte at a time", 3, nothing, std::nullopt, ""},
      {"the file moved aside changed", kJournalVersion,
       [](const std::string& aside) { WriteFile(aside, "two, edited"); },
       JournalProblem::Kind::kFileChanged, "p/p2 (moving).jpg"},
      {"the file moved aside removed", kJournalVersion,
       [](const std::string& aside) { stdfs::remove(aside); }, JournalProblem::Kind::kFileMissing,
       "p/p2.jpg"},
  };
  PosixFileSystem fs;
  for (const Case& c : cases) {
    for (Way way : {Way::kNextRun, Way::kOnItsWay}) {
      // The change itself writes journals of the current version only.
      if (way == Way::kOnItsWay && c.version != kJournalVersion) continue;
      SCOPED_TRACE(std::string(c.what) + (way == Way::kNextRun ? ", by the next run" : ""));
      TempFolder dir;
      WriteFile(dir / "index.txt", kIndexText);
      stdfs::create_directory(dir / "p");
      WriteFile(dir / "p/p1.jpg", "one");
      WriteFile(dir / "p/p2.jpg", "two");
      const Files before = FilesIn(dir);
      auto album = fs.OpenFolder(dir.path());
      auto pictures = fs.OpenFolder(dir / "p");
      ASSERT_TRUE(album && pictures);
      auto opened = pictures.value()->OpenForReading("p2.jpg");
      ASSERT_TRUE(opened);
      auto marked = MarkFile(*opened.value());
      ASSERT_TRUE(marked);
      const JournalStep aside{JournalStep::Kind::kRename, "p/p2.jpg",
                              "p/p2 (moving).jpg",        marked.value().entry.device,
                              marked.value().entry.inode, marked.value().mark};
      if (way == Way::kNextRun) {
        Journal journal;
        journal.change = ChangeKind::kRemovePictures;
        journal.indexName = "index.txt";
        journal.version = c.version;
        journal.before = StateOf(kIndexText, c.version);
        journal.steps = {{JournalStep::Kind::kMakeFile, "p/p3.jpg", {}}, aside};
        ASSERT_TRUE(WriteJournal(*album.value(), journal));
        WriteFile(dir / "p/p3.jpg", "three");
        stdfs::rename(dir / "p/p2.jpg", dir / "p/p2 (moving).jpg");
        c.since(dir / "p/p2 (moving).jpg");
      } else {
        AlbumChange change(*album.value(), dir.path(), ChangeKind::kRemovePictures, "index.txt",
                           StateOf(kIndexText));
        change.PlanFile("p/p3.jpg");
        change.PlanRename(aside);
        ASSERT_TRUE(change.Begin());
        auto made = pictures.value()->CreateFile();
        ASSERT_TRUE(made);
        ASSERT_TRUE(made.value()->Write("three", 5));
        ASSERT_TRUE(change.AddFile(std::move(made.value()), *pictures.value(), "p/", "p3.jpg"));
        ASSERT_TRUE(change.FinishFiles());
        ASSERT_TRUE(change.Rename(*pictures.value(), "p/", "p2.jpg", "p2 (moving).jpg"));
        c.since(dir / "p/p2 (moving).jpg");
        change.Undo();
      }
      const Files left = FilesIn(dir);
      const auto settled = SettleJournal(*album.value());
      const bool journalStays = stdfs::exists(dir / std::string(kJournalName));
      if (!c.problem) {
        EXPECT_TRUE(settled.ok());
        EXPECT_EQ(FilesIn(dir), before) << "all undone";
        EXPECT_FALSE(journalStays);
        continue;
      }
      ASSERT_FALSE(settled.ok());
      EXPECT_EQ(settled.failure()->kind, *c.problem);
      EXPECT_EQ(settled.failure()->path, c.problemPath);
      EXPECT_EQ(FilesIn(dir), left) << "nothing is undone";
      EXPECT_EQ(left.count("p/p3.jpg"), 1u) << "not even what the change made";
      EXPECT_TRUE(journalStays);
    }
  }
}

// Expected: --check reads a journal left behind whole, however many steps it lists, names its
// change, and tells which command settles it: an album command when pictures wait for the trash,
// otherwise any run; it writes nothing.
TEST(JournalCheck, NamesTheChangeOfAJournalLeftBehind) {
  const std::string indexText = "Album\nthumbs/t\npictures/p\nsupport\n1\n";
  Journal small;
  small.change = ChangeKind::kAddPictures;
  small.indexName = "index.txt";
  small.before = StateOf(indexText);
  small.steps = {{JournalStep::Kind::kMakeFile, "pictures/p1.jpg", {}}};
  Journal many = small;
  for (int n = 2; n <= 5000; ++n) {
    many.steps.push_back(
        {JournalStep::Kind::kMakeFile, "pictures/p" + std::to_string(n) + ".jpg", {}});
  }
  ASSERT_GT(JournalText(many).size(), std::size_t{64} * 1024);
  Journal trashing = small;
  trashing.change = ChangeKind::kRemovePictures;
  trashing.steps = {{JournalStep::Kind::kTrash, "pictures/p1 (removed).jpg", {}}};
  Journal finishing = trashing;
  finishing.before = StateOf("the index file before the change\n");
  finishing.after = StateOf(indexText);
  struct Case {
    std::string journal;
    std::string said;
  };
  const std::string any = "; the next run that writes here finishes";
  const std::string album = "; the next album command here (quillmere-cli --remove-pictures";
  const Case cases[] = {
      {JournalText(small), "run of quillmere-cli --add-pictures left its journal"},
      {JournalText(many), "run of quillmere-cli --add-pictures left its journal"},
      {"left by a run cut short\n", "an interrupted run left its journal .quillmere-journal" + any},
      {JournalText(trashing), ".quillmere-journal" + any},
      {JournalText(finishing), ".quillmere-journal" + album},
  };
  PosixFileSystem fs;
  for (const Case& c : cases) {
    TempFolder dir;
    WriteFile(dir / "index.txt", indexText);
    stdfs::create_directory(dir / "pictures");
    WriteFile(dir / "pictures/p1 (removed).jpg", "removed");
    WriteFile(dir / std::string(kJournalName), c.journal);
    const Files before = FilesIn(dir);
    const testing::CliResult checked = testing::RunCli({"--check", dir / "index.txt"}, fs);
    EXPECT_NE(checked.out.find(c.said), std::string::npos) << checked.out;
    EXPECT_EQ(FilesIn(dir), before) << "--check only reports";
    EXPECT_EQ(ReadFile(dir / std::string(kJournalName)), c.journal);
  }
}

}  // namespace
}  // namespace quillmere
