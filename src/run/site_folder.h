// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The folder of an index file as every command that changes its site holds it: opened once,
// locked, its interrupted change settled, and the index file read through it.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "index/index_file.h"
#include "platform/file_system.h"
#include "run/generate.h"
#include "run/journal_settle.h"

namespace quillmere {

// How the index file of a held folder is read.
enum class IndexLink {
  // It is not read: the folder is about to become an album.
  kNotRead,
  // A symbolic link at its name is followed, as a generation does.
  kFollow,
  // A symbolic link at its name is refused (ELOOP), as the album commands do: writing the index
  // file anew would replace the link.
  kRefuse,
};

// What a command asks of its hold on a site folder.
struct SiteHolding {
  IndexLink link = IndexLink::kFollow;
  // Gives the trash for the files that settling a change sends there, once the folder is open;
  // none refuses such a change.
  std::function<Trash*(Folder&)> trash;
};

// A site folder held for a command: the lock lasts as long as this.
struct HeldSite {
  // The folder's path as given, ending with "/", or "" for the current folder.
  std::string path;
  std::unique_ptr<Folder> folder;
  std::unique_ptr<FolderLock> lock;
  // The index file's text as read through `folder`; none when it was not asked for.
  std::optional<IndexText> index;
  // What settling a change that an interrupted run left there did.
  SettledJournal settled;
};

// Opens the folder of the index file `indexPath`, takes its lock as `options` say, settles a change
// that an interrupted run left in it, and reads the index file through the folder as `holding`
// says. The failure tells the step by its kind: FolderNotOpened, a kind of the lock or of the
// journal, or one of the index file.
Result<HeldSite, RunFailure> HoldSiteFolder(const std::string& indexPath, FileSystem& fs,
                                            const RunOptions& options, const SiteHolding& holding);

// Reads the index file at `indexPath`, the file `name` of `folder`, through `folder` as `link`
// says (kFollow or kRefuse); a file that cannot be opened is told as not found where it does not
// exist, as a run tells it.
Result<IndexText, RunFailure> ReadHeldIndexFile(const std::string& indexPath, Folder& folder,
                                                FileSystem& fs, IndexLink link);

}  // namespace quillmere
