// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "publish/publish_run.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "paths/paths.h"
#include "platform/run_program.h"
#include "platform/temporary_folder.h"
#include "publish/published_list.h"
#include "run/record_words.h"

namespace quillmere {
namespace {

using Kind = PublishFailure::Kind;

// rsync's own exit statuses that the program tells apart.
constexpr int kRsyncStartFailed = 14;
constexpr int kRsyncStopped = 20;
constexpr int kRsyncPartial = 23;
constexpr int kRsyncVanished = 24;
constexpr int kSshFailed = 255;
constexpr int kNotFound = 127;
// A status above this is 128 + the signal that ended rsync (RunInBackground), but ssh's 255.
constexpr int kEndedBySignal = 128;

// The options every rsync call of a publish takes: files' times kept, new files and folders
// readable by the web server (the modes of those there already, and the times of folders, are
// left as they are), names passed as they are, and ssh never asking a question when `batch`
// says so.
std::vector<std::string> BaseArguments(bool batch) {
  std::vector<std::string> arguments = {"rsync", "--times", "--omit-dir-times", "--chmod=D755,F644",
                                        "--protect-args"};
  if (batch) arguments.emplace_back("--rsh=ssh -o BatchMode=yes");
  return arguments;
}

// The line of what rsync wrote on its standard error that says best what went wrong: ssh's own,
// else the first of rsync's that is not its closing "rsync error:" line, else the last.
std::string TellingLine(const std::vector<std::string>& said) {
  for (const std::string& line : said) {
    if (line.starts_with("ssh:")) return line;
  }
  for (const std::string& line : said) {
    if (!line.starts_with("rsync error:") && !line.empty()) return line;
  }
  return said.empty() ? "" : said.back();
}

// The failure that the words rsync wrote on its standard error (`said`) and its exit status
// (`status`) tell of.
PublishFailure FailureOfRsync(int status, const std::vector<std::string>& said,
                              const PublishOptions& options) {
  PublishFailure failure;
  failure.status = status;
  failure.said = TellingLine(said);
  const auto saidAny = [&](std::string_view words) {
    return std::any_of(said.begin(), said.end(), [&](const std::string& line) {
      return line.find(words) != std::string::npos;
    });
  };
  if (options.stop != nullptr && options.stop->requested()) {
    failure.kind = Kind::kStopped;
    failure.stopReason = options.stop->reason();
  } else if (status == kRsyncStopped || (status > kEndedBySignal && status < kSshFailed)) {
    failure.kind = Kind::kStopped;
    failure.stopReason = status > kEndedBySignal ? status - kEndedBySignal : 0;
  } else if (saidAny("Failed to exec ssh") || (status == kRsyncStartFailed && saidAny("ssh"))) {
    failure.kind = Kind::kNoSsh;
  } else if (saidAny("rsync: command not found") || saidAny("rsync: not found") ||
             status == kNotFound) {
    failure.kind = Kind::kNoRsyncThere;
  } else if (saidAny("Host key verification failed") || saidAny("REMOTE HOST IDENTIFICATION")) {
    failure.kind = Kind::kHostKeyUnknown;
  } else if (saidAny("Permission denied (")) {
    failure.kind = Kind::kNotLetIn;
  } else if (status == kSshFailed || saidAny("Could not resolve") ||
             saidAny("Connection refused") || saidAny("connection unexpectedly closed")) {
    failure.kind = Kind::kNoConnection;
  } else if (status == kRsyncPartial) {
    failure.kind = Kind::kPartial;
  } else if (status == kRsyncVanished) {
    failure.kind = Kind::kVanished;
  } else {
    failure.kind = Kind::kRsync;
  }
  return failure;
}

// Reads a progress line of rsync's --info=progress2 ("1,234,567  45%  1.2MB/s  0:00:12 ...").
std::optional<PublishProgress> ProgressOf(std::string_view line) {
  std::vector<std::string_view> parts = SplitWords(line);
  std::erase(parts, std::string_view());
  if (parts.size() < 4 || !parts[1].ends_with('%')) return std::nullopt;
  PublishProgress progress;
  for (char c : parts[0]) {
    if (c >= '0' && c <= '9') {
      progress.bytes = progress.bytes * 10 + static_cast<std::uint64_t>(c - '0');
    } else if (c != ',' && c != '.') {
      return std::nullopt;
    }
  }
  const std::string_view percent = parts[1].substr(0, parts[1].size() - 1);
  std::from_chars(percent.data(), percent.data() + percent.size(), progress.percent);
  if (parts[3].find(':') != std::string_view::npos) progress.timeLeft = std::string(parts[3]);
  return progress;
}

// The name of a file that an itemized line of rsync ("YXcstpoguax name") says is sent, and
// whether it is new at the destination; none for a line about anything else.
struct ItemLine {
  std::string name;
  bool created = false;
};

std::optional<ItemLine> SentFileOf(std::string_view line) {
  constexpr std::size_t kItemWidth = 11;
  if (line.size() <= kItemWidth + 1 || line[kItemWidth] != ' ') return std::nullopt;
  if ((line[0] != '>' && line[0] != '<') || line[1] != 'f') return std::nullopt;
  return ItemLine{std::string(line.substr(kItemWidth + 1)), line.substr(2, 3) == "+++"};
}

// Whether rsync ended as it does when the destination's folder does not exist yet: it could not
// go into the folder to fetch from it.
bool NoSuchFolderSaid(int status, const std::vector<std::string>& said) {
  return status == kRsyncPartial &&
         std::any_of(said.begin(), said.end(), [](const std::string& line) {
           return line.find("change_dir") != std::string::npos &&
                  line.find("No such file or directory") != std::string::npos;
         });
}

// The album's folder as rsync's source: from "/" or "./", so that no folder name reads as an
// option.
std::string RsyncSource(const std::string& indexPath) {
  const std::string folder = FolderAsGiven(indexPath);
  return folder.starts_with("/") ? folder : "./" + folder;
}

// The rules of rsync's --exclude-from (with --from0) that leave out each of `paths`, a path from
// the top of the transfer: anchored there, and, where a path holds a wildcard, every wildcard
// and backslash in it escaped (rsync reads a backslash as an escape only then).
std::string ExclusionRules(const std::vector<std::string>& paths) {
  std::string rules;
  for (const std::string& path : paths) {
    rules += '/';
    if (path.find_first_of("*?[") == std::string::npos) {
      rules += path;
    } else {
      for (char c : path) {
        if (c == '*' || c == '?' || c == '[' || c == '\\') rules += '\\';
        rules += c;
      }
    }
    rules += '\0';
  }
  return rules;
}

// One publish: its album, its destination, and its own folder of lists.
class PublishRun {
 public:
  PublishRun(const std::string& indexPath, const Destination& destination, FileSystem& fs,
             const PublishOptions& options, TemporaryFolder work)
      : source_(RsyncSource(indexPath)),
        destination_(destination),
        fs_(fs),
        options_(options),
        work_(std::move(work)) {}

  Result<PublishOutcome, PublishFailure> Run(const SiteFiles& site) {
    auto previous = FetchPublishedList();
    if (auto* failure = previous.failure()) return std::move(*failure);
    const std::set<std::string>& published = previous.value();
    std::set<std::string> now = AllOf(site);
    std::vector<std::string> candidates;
    std::set_difference(now.begin(), now.end(), published.begin(), published.end(),
                        std::back_inserter(candidates));
    if (auto done = FindForeign(candidates); !done) return std::move(*done.failure());
    foreign_.insert(outcome_.foreign.begin(), outcome_.foreign.end());
    for (const std::string& file : foreign_) now.erase(file);
    std::vector<std::string> gone;
    std::set_difference(published.begin(), published.end(), now.begin(), now.end(),
                        std::back_inserter(gone));
    std::set<std::string> both = published;
    both.insert(now.begin(), now.end());
    if (!options_.dryRun && both != published) {
      if (auto done = SendPublishedList(both); !done) return std::move(*done.failure());
    }
    if (!AllUpToDateThere(Without(site.content))) {
      if (auto done = SendContent(site); !done) return std::move(*done.failure());
    }
    for (const std::vector<std::string>& depth : site.indexPages) {
      const std::vector<std::string> pages = Without(depth);
      if (AllUpToDateThere(pages)) continue;
      if (auto done = SendPhase(pages); !done) return std::move(*done.failure());
    }
    if (auto done = RemoveGone(gone); !done) return std::move(*done.failure());
    if (!options_.dryRun && now != both) {
      if (auto done = SendPublishedList(now); !done) return std::move(*done.failure());
    }
    return std::move(outcome_);
  }

 private:
  // How an rsync call ended: its status and the lines of its standard error.
  struct RsyncEnd {
    int status = 0;
    std::vector<std::string> said;
  };

  // Runs rsync with `arguments` after the base ones, handing each line of its output to
  // `onLine`; fails only when it cannot be run.
  Result<RsyncEnd, PublishFailure> RunRsync(const std::vector<std::string>& arguments,
                                            const std::function<void(std::string_view)>& onLine) {
    std::vector<std::string> all = BaseArguments(options_.batch);
    all.insert(all.end(), arguments.begin(), arguments.end());
    RsyncEnd end;
    BackgroundRun run;
    run.output = onLine;
    run.errors = [&](std::string_view line) { end.said.emplace_back(line); };
    run.stop = options_.stop;
    Result<int> status = RunInBackground(all, run);
    if (!status) {
      PublishFailure failure;
      failure.kind =
          status.error() == std::errc::no_such_file_or_directory ? Kind::kNoRsync : Kind::kRsync;
      failure.error = status.error();
      return failure;
    }
    end.status = status.value();
    return end;
  }

  // Runs rsync as RunRsync does; fails unless it ends well.
  Result<void, PublishFailure> Rsync(const std::vector<std::string>& arguments,
                                     const std::function<void(std::string_view)>& onLine) {
    Result<RsyncEnd, PublishFailure> end = RunRsync(arguments, onLine);
    if (auto* failure = end.failure()) return std::move(*failure);
    if (end.value().status == 0) return {};
    return FailureOfRsync(end.value().status, end.value().said, options_);
  }

  // Writes `text` into the work folder as `name`; its path.
  Result<std::string, PublishFailure> WriteWorkFile(std::string_view name,
                                                    const std::string& text) {
    const auto failed = [](std::error_code error) {
      PublishFailure failure;
      failure.kind = Kind::kWorkFiles;
      failure.error = error;
      return failure;
    };
    Result<std::unique_ptr<Folder>> folder = fs_.OpenFolder(work_.path());
    if (!folder) return failed(folder.error());
    Result<std::unique_ptr<NewFile>> file = folder.value()->CreateFile();
    if (!file) return failed(file.error());
    if (auto error = file.value()->Write(text.data(), text.size()).error()) return failed(error);
    Placement placement;
    placement.replace = true;
    placement.mode = 0600;
    if (auto error = file.value()->PutInPlace(name, placement).error()) return failed(error);
    return work_.path() + std::string(name);
  }

  // The list of `files` for rsync's --files-from, one name after another, each ended with NUL.
  Result<std::string, PublishFailure> WriteFileList(const std::vector<std::string>& files) {
    std::string text;
    for (const std::string& file : files) (text += file) += '\0';
    return WriteWorkFile("files", text);
  }

  // The files this program published at the destination before, as its list there says; none
  // for a destination it never published to.
  Result<std::set<std::string>, PublishFailure> FetchPublishedList() {
    if (destination_.kind == DestinationKind::kLocal) {
      return ReadPublishedListAt(destination_.folder + std::string(kPublishedListName));
    }
    const std::string local = work_.path() + "previous";
    Result<RsyncEnd, PublishFailure> end = RunRsync(
        {"--ignore-missing-args", destination_.folder + std::string(kPublishedListName), local},
        nullptr);
    if (auto* failure = end.failure()) return std::move(*failure);
    if (end.value().status != 0 && !NoSuchFolderSaid(end.value().status, end.value().said)) {
      return FailureOfRsync(end.value().status, end.value().said, options_);
    }
    return ReadPublishedListAt(local);
  }

  // The files that the list at `path` names; none when there is no list.
  Result<std::set<std::string>, PublishFailure> ReadPublishedListAt(const std::string& path) {
    Result<std::unique_ptr<ReadableFile>> file = fs_.OpenForReading(path);
    if (!file && file.error() == std::errc::no_such_file_or_directory) {
      return std::set<std::string>();
    }
    if (!file) {
      PublishFailure failure;
      failure.kind = Kind::kListUnreadable;
      failure.error = file.error();
      return failure;
    }
    std::optional<std::set<std::string>> list = ReadPublishedList(*file.value());
    if (!list) {
      PublishFailure failure;
      failure.kind = Kind::kForeignList;
      return failure;
    }
    return std::move(*list);
  }

  // Finds which of `candidates`, files this program has not published at the destination, are
  // there already and differ from the album's: those are someone else's.
  Result<void, PublishFailure> FindForeign(const std::vector<std::string>& candidates) {
    if (candidates.empty()) return {};
    auto list = WriteFileList(candidates);
    if (auto* failure = list.failure()) return std::move(*failure);
    std::size_t differing = 0;
    auto done = Rsync({"--dry-run", "--checksum", "--itemize-changes", "--from0",
                       "--files-from=" + list.value(), source_, destination_.folder},
                      [&](std::string_view line) {
                        std::optional<ItemLine> item = SentFileOf(line);
                        if (!item) return;
                        ++differing;
                        if (!item->created) outcome_.foreign.push_back(item->name);
                      });
    if (done) outcome_.adopted = candidates.size() - differing;
    return done;
  }

  // `files` without those of someone else's at the destination.
  std::vector<std::string> Without(const std::vector<std::string>& files) const {
    if (foreign_.empty()) return files;
    std::vector<std::string> kept;
    std::copy_if(files.begin(), files.end(), std::back_inserter(kept),
                 [&](const std::string& file) { return !foreign_.contains(file); });
    return kept;
  }

  // Whether every one of `files` is at a local destination as it is in the album, by the size and
  // time that rsync compares, so that a phase with nothing to send needs no rsync; always false
  // for a destination on another host, which only rsync can tell.
  bool AllUpToDateThere(const std::vector<std::string>& files) {
    if (destination_.kind != DestinationKind::kLocal) return false;
    // Each folder is opened once on each side, and its files looked at by name in it.
    std::map<std::string, std::pair<std::unique_ptr<Folder>, std::unique_ptr<Folder>>, std::less<>>
        folders;
    return std::all_of(files.begin(), files.end(), [&](const std::string& file) {
      const SplitPath split = SplitAtFolder(file);
      auto [place, added] = folders.try_emplace(std::string(split.folder));
      auto& [here, there] = place->second;
      if (added) {
        Result<std::unique_ptr<Folder>> source = fs_.OpenFolder(source_ + place->first);
        Result<std::unique_ptr<Folder>> target = fs_.OpenFolder(destination_.folder + place->first);
        if (source) here = std::move(source.value());
        if (target) there = std::move(target.value());
      }
      if (!here || !there) return false;
      Result<EntryInfo> ours = here->Inspect(split.name);
      Result<EntryInfo> theirs = there->Inspect(split.name);
      return ours && theirs && theirs.value().kind == EntryInfo::Kind::kRegular &&
             theirs.value().size == ours.value().size &&
             theirs.value().modified == ours.value().modified;
    });
  }

  // Sends the site but its index pages in one rsync call over the whole folder, which leaves out
  // every file that is not the site's: a list of the files sent would be read by rsync a byte at
  // a time, and the site's files far outnumber the others.
  Result<void, PublishFailure> SendContent(const SiteFiles& site) {
    std::vector<std::string> left = site.others;
    for (const std::vector<std::string>& depth : site.indexPages) {
      left.insert(left.end(), depth.begin(), depth.end());
    }
    left.insert(left.end(), outcome_.foreign.begin(), outcome_.foreign.end());
    auto rules = WriteWorkFile("leave-out", ExclusionRules(left));
    if (auto* failure = rules.failure()) return std::move(*failure);
    return Send({"--recursive", "--exclude-from=" + rules.value()});
  }

  // Sends `files` in one rsync call.
  Result<void, PublishFailure> SendPhase(const std::vector<std::string>& files) {
    if (files.empty()) return {};
    auto list = WriteFileList(files);
    if (auto* failure = list.failure()) return std::move(*failure);
    return Send({"--files-from=" + list.value()});
  }

  // Sends from the album to the destination with `chosen`, the options that choose the files,
  // each file put in place at the end, all at once.
  Result<void, PublishFailure> Send(const std::vector<std::string>& chosen) {
    std::vector<std::string> arguments = {"--delay-updates", "--itemize-changes", "--from0"};
    arguments.insert(arguments.end(), chosen.begin(), chosen.end());
    if (options_.dryRun) arguments.emplace_back("--dry-run");
    if (options_.progress) arguments.emplace_back("--info=progress2");
    arguments.push_back(source_);
    arguments.push_back(destination_.folder);
    return Rsync(arguments, [&](std::string_view line) {
      if (std::optional<ItemLine> item = SentFileOf(line)) {
        outcome_.sent.push_back(item->name);
      } else if (options_.progress) {
        if (std::optional<PublishProgress> progress = ProgressOf(line)) {
          options_.progress(*progress);
        }
      }
    });
  }

  // Removes `gone`, files this program published there before, from the destination.
  Result<void, PublishFailure> RemoveGone(const std::vector<std::string>& gone) {
    if (gone.empty()) return {};
    outcome_.removed = gone;
    if (options_.dryRun) return {};
    auto list = WriteFileList(gone);
    if (auto* failure = list.failure()) return std::move(*failure);
    // Named from a folder that holds only their folders, every one of them is missing there, and
    // so deleted at the destination; the folders, there already, keep their times.
    const std::string empty = work_.path() + "empty/";
    std::set<std::string> folders;
    for (const std::string& file : gone) folders.insert(FolderAsGiven(file));
    for (const std::string& folder : folders) {
      if (auto error = fs_.CreateFolders(empty + folder).error()) {
        PublishFailure failure;
        failure.kind = Kind::kWorkFiles;
        failure.error = error;
        return failure;
      }
    }
    return Rsync({"--omit-dir-times", "--delete-missing-args", "--from0",
                  "--files-from=" + list.value(), empty, destination_.folder},
                 nullptr);
  }

  // Sends the list of the files published at the destination as `files`.
  Result<void, PublishFailure> SendPublishedList(const std::set<std::string>& files) {
    auto path = WriteWorkFile(kPublishedListName, PublishedListText(files));
    if (auto* failure = path.failure()) return std::move(*failure);
    return Rsync({path.value(), destination_.folder}, nullptr);
  }

  // Every file of the site.
  static std::set<std::string> AllOf(const SiteFiles& site) {
    std::set<std::string> all(site.content.begin(), site.content.end());
    for (const std::vector<std::string>& depth : site.indexPages)
      all.insert(depth.begin(), depth.end());
    return all;
  }

  std::string source_;
  const Destination& destination_;
  FileSystem& fs_;
  const PublishOptions& options_;
  TemporaryFolder work_;
  PublishOutcome outcome_;
  // The files of someone else's at the destination, as outcome_.foreign names them.
  std::set<std::string> foreign_;
};

// Whether the local `destination` is the folder `album` or lies inside it.
bool InsideAlbum(const Destination& destination, const std::string& album) {
  if (destination.kind != DestinationKind::kLocal) return false;
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(album, error);
  if (error) return false;
  const std::filesystem::path target = std::filesystem::weakly_canonical(destination.folder, error);
  if (error) return false;
  const std::string inside = folder.string() + "/";
  const std::string there = target.string() + "/";
  return there.starts_with(inside);
}

PublishFailure Refused(SiteRefusal refusal) {
  PublishFailure failure;
  failure.kind = Kind::kSiteRefused;
  failure.error = refusal.error;
  failure.refusal = std::move(refusal);
  return failure;
}

}  // namespace

Result<PublishOutcome, PublishFailure> Publish(const std::string& indexPath,
                                               const Destination& destination, FileSystem& fs,
                                               const PublishOptions& options) {
  const std::string folderPath = FolderAsGiven(indexPath).empty() ? "." : FolderAsGiven(indexPath);
  if (InsideAlbum(destination, folderPath)) {
    PublishFailure failure;
    failure.kind = Kind::kInsideAlbum;
    return failure;
  }
  Result<std::unique_ptr<Folder>> top = fs.OpenFolder(folderPath);
  if (!top)
    return Refused(SiteRefusal{SiteRefusal::Reason::kIndexUnreadable,
                               std::string(SplitAtFolder(indexPath).name), "", 0, top.error()});
  Result<SiteFiles, SiteRefusal> site =
      FindSiteFiles(*top.value(), std::string(SplitAtFolder(indexPath).name));
  if (auto* refusal = site.failure()) return Refused(std::move(*refusal));
  Result<TemporaryFolder> work = TemporaryFolder::Make();
  if (!work) {
    PublishFailure failure;
    failure.kind = Kind::kWorkFiles;
    failure.error = work.error();
    return failure;
  }
  return PublishRun(indexPath, destination, fs, options, std::move(work.value())).Run(site.value());
}

}  // namespace quillmere
