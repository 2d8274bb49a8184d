// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "site/support_images.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <variant>

#include "paths/paths.h"
#include "platform/program_folder.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;
using Failure = SupportFailure;

// Copies the whole of `in`, just opened, into `out`: a support image is small enough to be
// read in one piece.
Result<void> CopyBytes(ReadableFile& in, NewFile& out) {
  Result<WholeFile> read = ReadWhole(in);
  if (!read) return read.error();
  const std::string& bytes = read.value().bytes;
  return out.Write(bytes.data(), bytes.size());
}

// Copies `from` into a new file of `folder` that then takes the name `name` whole, in one step,
// its data on the disk first; an existing entry is replaced only when `replace`. On any failure
// nothing of it stays.
Result<void> CopyIntoFolder(const std::string& from, Folder& folder, std::string_view name,
                            bool replace, FileSystem& fs) {
  Result<std::unique_ptr<ReadableFile>> in = fs.OpenForReading(from);
  if (!in) return in.error();
  Result<std::unique_ptr<NewFile>> out = folder.CreateFile();
  if (!out) return out.error();
  if (Result<void> copied = CopyBytes(*in.value(), *out.value()); !copied) return copied;
  Placement placement;
  placement.replace = replace;
  placement.durable = true;
  return out.value()->PutInPlace(name, placement);
}

// Tells whether `path`, followed where it is a link, is an entry of the kind `kind`.
bool IsKind(FileSystem& fs, const std::string& path, EntryInfo::Kind kind) {
  Result<EntryInfo> entry = fs.Inspect(path, /*follow=*/true);
  return entry && entry.value().kind == kind;
}

}  // namespace

Result<std::string, SupportFailure> FindBundledImages(FileSystem& fs) {
  std::vector<std::string> sources = SupportImageSources();
  for (const std::string& folder : sources) {
    if (!IsKind(fs, folder, EntryInfo::Kind::kFolder)) continue;
    for (std::string_view image : SupportImages) {
      if (!IsKind(fs, folder + std::string(image), EntryInfo::Kind::kRegular)) {
        return Failure::BundleIncomplete{std::string(image.substr(1)), folder};
      }
    }
    return folder;
  }
  return Failure::BundleNotFound{std::move(sources)};
}

Result<std::unique_ptr<NewFile>> CopyIntoNewFile(const std::string& from, Folder& folder,
                                                 FileSystem& fs) {
  Result<std::unique_ptr<ReadableFile>> in = fs.OpenForReading(from);
  if (!in) return in.error();
  Result<std::unique_ptr<NewFile>> out = folder.CreateFile();
  if (!out) return out;
  if (Result<void> copied = CopyBytes(*in.value(), *out.value()); !copied) return copied.error();
  return out;
}

namespace {

// Copies the image `name` (as the pages write it) into `folder` as `file`, whose path is
// `target`, unless something is there; records what happened in `copy`.
void CopyImage(const std::string& name, const std::string& from, Folder& folder,
               std::string_view file, const std::string& target, FileSystem& fs,
               SupportCopy& copy) {
  Result<EntryInfo> existing = folder.Inspect(file);
  if (existing && existing.value().kind == EntryInfo::Kind::kSymlink) {
    // A link is never written through; one that leads nowhere leaves the image missing.
    Result<EntryInfo> led = fs.Inspect(target, /*follow=*/true);
    const bool dangling = !led || led.value().kind == EntryInfo::Kind::kMissing;
    (dangling ? copy.dangling : copy.present).push_back(name);
    return;
  }
  // An empty file in the image's place is what a power cut leaves of a copy; it is copied again.
  const bool empty =
      existing && existing.value().kind == EntryInfo::Kind::kRegular && existing.value().size == 0;
  if (existing && existing.value().kind != EntryInfo::Kind::kMissing && !empty) {
    copy.present.push_back(name);
    return;
  }
  if (Result<void> copied = CopyIntoFolder(from, folder, file, /*replace=*/empty, fs); !copied) {
    copy.failure = Failure::NotCopied{from, target, copied.error()};
  } else {
    copy.copied.push_back(name);
  }
}

}  // namespace

namespace {

// The folders `folders` as a list: "a, b".
std::string ListOf(const std::vector<std::string>& folders) {
  std::string list;
  for (const std::string& folder : folders) list += (list.empty() ? "" : ", ") + folder;
  return list;
}

// The line for each kind of failure.
struct FailureText {
  std::string operator()(const Failure::NoSupportFolder& f) const {
    return f.indexPath +
           " names no support folder, so the pages look for the support images at the top of "
           "the file system; give a folder such as \"support\" as the fourth value of its head "
           "first.";
  }
  std::string operator()(const Failure::NotOnThisMachine& f) const {
    return "The support folder " + f.folder + " of " + f.indexPath +
           " is not on this machine; nothing can be copied there.";
  }
  std::string operator()(const Failure::BundleNotFound& f) const {
    return "The bundled support images were not found (looked in " + ListOf(f.lookedIn) +
           "); set " + kDataDirVariable + " to the folder that holds their \"support\" folder.";
  }
  std::string operator()(const Failure::BundleIncomplete& f) const {
    return "The bundled support image " + f.image + " is missing from " + f.folder + ".";
  }
  std::string operator()(const Failure::FolderNotMade& f) const {
    return "Could not create the support folder " + f.folder + ": " + ErrorText(f.error) + ".";
  }
  std::string operator()(const Failure::NotCopied& f) const {
    return "Could not copy " + f.from + " to " + f.to + ": " + ErrorText(f.error) + ".";
  }
};

}  // namespace

std::string Describe(const SupportFailure& failure) {
  return std::visit(FailureText{}, failure.why);
}

std::vector<std::string> SupportImageSources() {
  const char* dataDir = std::getenv(kDataDirVariable);
  if (dataDir != nullptr && *dataDir != '\0') {
    return {(stdfs::path(dataDir) / "support").lexically_normal().string()};
  }
  // Installed, the images lie in the data folder of the prefix the program was installed into.
  std::vector<std::string> sources;
  const std::string programFolder = ProgramFolder();
  if (!programFolder.empty()) {
    sources.push_back((stdfs::path(programFolder) / QUILLMERE_PROGRAM_TO_DATA / "support")
                          .lexically_normal()
                          .string());
  }
  return sources;
}

SupportCopy CopySupportImages(const std::string& siteFolder, const std::string& folderName,
                              FileSystem& fs) {
  SupportCopy copy;
  Result<std::string, SupportFailure> bundled = FindBundledImages(fs);
  if (auto* failure = bundled.failure()) {
    copy.failure = std::move(*failure);
    return copy;
  }
  copy.from = bundled.value();
  copy.into = PathOnDisk(siteFolder, folderName);
  if (std::error_code error = fs.CreateFolders(copy.into).error()) {
    copy.failure = Failure::FolderNotMade{copy.into, error};
    return copy;
  }
  Result<std::unique_ptr<Folder>> folder = fs.OpenFolder(copy.into);
  if (!folder) {
    copy.failure = Failure::FolderNotMade{copy.into, folder.error()};
    return copy;
  }
  for (std::string_view image : SupportImages) {
    const std::string name = folderName + std::string(image);
    CopyImage(name, copy.from + std::string(image), *folder.value(), image.substr(1),
              PathOnDisk(siteFolder, name), fs, copy);
    if (copy.failure) break;
  }
  // The names of the images copied last through a power cut.
  if (std::error_code error = folder.value()->Sync().error(); error && !copy.failure) {
    copy.failure = Failure::NotCopied{copy.from, copy.into, error};
  }
  return copy;
}

}  // namespace quillmere
