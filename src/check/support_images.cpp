#include "check/support_images.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <variant>

#include "check/site_names.h"
#include "index/index_file.h"
#include "paths/paths.h"
#include "run/generate.h"
#include "run/message_text.h"
#include "site/page_output.h"

namespace quillmere {
namespace {

namespace stdfs = std::filesystem;

// Copies `from` to the new file `to`; fails with EEXIST when `to` exists, and removes what it
// made of `to` on any other failure.
struct CopyError {
  int error = 0;
  bool reading = false;
};

CopyError CopyToNewFile(const std::string& from, const std::string& to, FileSystem& fs) {
  Result<std::unique_ptr<ReadableFile>> in = fs.OpenForReading(from);
  if (!in) return {in.error, true};
  Result<std::unique_ptr<WritableFile>> out = fs.CreateNew(to, 0666);
  if (!out) return {out.error, false};
  CopyError failure;
  char block[1 << 16];
  for (;;) {
    Result<std::size_t> got = in.value->Read(block, sizeof block);
    if (!got) {
      failure = {got.error, true};
      break;
    }
    if (got.value == 0) break;
    if (int error = out.value->Write(block, got.value)) {
      failure = {error, false};
      break;
    }
  }
  int closed = out.value->Close();
  if (failure.error == 0) failure.error = closed;
  if (failure.error != 0) fs.Remove(to);
  return failure;
}

std::string ProgramFolder() {
  std::error_code error;
  stdfs::path program = stdfs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : program.parent_path().string();
}

bool IsKind(FileSystem& fs, const std::string& path, EntryInfo::Kind kind) {
  Result<EntryInfo> entry = fs.Inspect(path, /*follow=*/true);
  return entry && entry.value.kind == kind;
}

// The bundled images' folder, or why there is none.
struct Bundled {
  std::string folder;
  std::string failure;
};

// The first folder of SupportImageSources that exists, checked to hold all twelve images.
Bundled FindBundledImages(FileSystem& fs) {
  std::vector<std::string> sources = SupportImageSources();
  for (const std::string& folder : sources) {
    if (!IsKind(fs, folder, EntryInfo::Kind::kFolder)) continue;
    for (std::string_view image : SupportImages) {
      if (!IsKind(fs, folder + std::string(image), EntryInfo::Kind::kRegular)) {
        return {{},
                "The bundled support image " + std::string(image.substr(1)) + " is missing from " +
                    folder + "."};
      }
    }
    return {folder, {}};
  }
  std::string looked;
  for (const std::string& folder : sources) looked += (looked.empty() ? "" : ", ") + folder;
  return {{},
          "The bundled support images were not found (looked in " + looked + "); set " +
              kDataDirVariable + " to the folder that holds their \"support\" folder."};
}

}  // namespace

std::vector<std::string> SupportImageSources() {
  const char* dataDir = std::getenv(kDataDirVariable);
  if (dataDir != nullptr && *dataDir != '\0') {
    return {(stdfs::path(dataDir) / "support").lexically_normal().string()};
  }
  std::vector<std::string> sources;
  std::string programFolder = ProgramFolder();
  if (!programFolder.empty()) {
    sources.push_back((stdfs::path(programFolder) / QUILLMERE_PROGRAM_TO_DATA / "support")
                          .lexically_normal()
                          .string());
  }
  sources.push_back(QUILLMERE_SOURCE_SUPPORT_DIR);
  return sources;
}

SupportCopy AddSupportImages(const std::string& indexPath, FileSystem& fs) {
  SupportCopy copy;
  std::variant<IndexFile, ChosenFileFailure> read = ReadChosenIndexFile(indexPath, fs);
  if (auto* failure = std::get_if<ChosenFileFailure>(&read)) {
    copy.failure = std::move(failure->message);
    return copy;
  }
  const IndexFile& index = std::get<IndexFile>(read);
  std::string folderName(index.SupportFolder);
  if (folderName.empty()) {
    copy.failure = indexPath +
                   " names no support folder, so the pages look for the support images at the "
                   "top of the file system; give a folder such as \"support\" as the fourth "
                   "value of its head first.";
    return copy;
  }
  if (NamesAnotherPlace(folderName + std::string(SupportImages[0]))) {
    copy.failure = "The support folder " + Visible(folderName) + " of " + indexPath +
                   " is not on this machine; nothing can be copied there.";
    return copy;
  }

  Bundled bundled = FindBundledImages(fs);
  if (!bundled.failure.empty()) {
    copy.failure = bundled.failure;
    return copy;
  }
  copy.from = bundled.folder;
  std::string siteFolder = FolderName(indexPath);
  copy.into = PathOnDisk(siteFolder, folderName);

  if (int error = fs.CreateFolders(copy.into)) {
    copy.failure =
        "Could not create the support folder " + Visible(copy.into) + ": " + ErrorText(error) + ".";
    return copy;
  }
  for (std::string_view image : SupportImages) {
    std::string name = folderName + std::string(image);
    std::string target = PathOnDisk(siteFolder, name);
    Result<EntryInfo> existing = fs.Inspect(target, /*follow=*/false);
    if (existing && existing.value.kind == EntryInfo::Kind::kSymlink) {
      // A link is never written through; one that leads nowhere leaves the image missing.
      Result<EntryInfo> led = fs.Inspect(target, /*follow=*/true);
      if (!led || led.value.kind == EntryInfo::Kind::kMissing) {
        copy.dangling.push_back(name);
      } else {
        copy.present.push_back(name);
      }
      continue;
    }
    if (existing && existing.value.kind != EntryInfo::Kind::kMissing) {
      copy.present.push_back(name);
      continue;
    }
    CopyError failure = CopyToNewFile(copy.from + std::string(image), target, fs);
    if (failure.error == EEXIST && !failure.reading) {
      copy.present.push_back(name);
    } else if (failure.error != 0) {
      copy.failure = "Could not copy " + copy.from + std::string(image) + " to " + Visible(target) +
                     ": " + ErrorText(failure.error) + ".";
      return copy;
    } else {
      copy.copied.push_back(name);
    }
  }
  return copy;
}

}  // namespace quillmere
