// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/trash/desktop_trash.h"

#include <filesystem>
#include <map>

#include "album/module_loader.h"
#include "album/trash/trash_folder.h"
#include "album/trash/trash_module.h"

namespace quillmere {
namespace {

// The module's function, loaded once for the process and kept until it ends; or, when it cannot
// be, the error that says why in the system loader's words.
struct TrashEntry {
  TrashFileFunction* function = nullptr;
  std::error_code failure;
};

const TrashEntry& TrashModule() {
  static const TrashEntry entry = [] {
    Result<void*, std::string> module = LoadModule(kTrashModuleName);
    Result<void*, std::string> function =
        module ? EntryOf(module.value(), kTrashModuleName, kTrashFileSymbol) : module;
    if (!function) return TrashEntry{nullptr, ModuleNotLoaded(function.error())};
    return TrashEntry{reinterpret_cast<TrashFileFunction*>(function.value()), {}};
  }();
  return entry;
}

class ModuleTrash final : public Trash {
 public:
  explicit ModuleTrash(const std::string& folderPath) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folderPath, error);
    folderPath_ = error ? folderPath : absolute.string();
    // The user's own trash is the one most folders use: what killed runs left there goes now.
    RemoveEndedProbes(places_.dataHome + "/Trash");
  }

  Result<void> CheckTakes(std::string_view path) override {
    if (std::error_code failure = TrashModule().failure) return failure;
    const std::string file = folderPath_ + std::string(path);
    const std::string folder = file.substr(0, file.rfind('/'));
    auto checked = checked_.find(folder);
    if (checked == checked_.end())
      checked = checked_.emplace(folder, TryTrashFor(file).error()).first;
    return checked->second;
  }

  Result<void> MoveToTrash(std::string_view path) override {
    const TrashEntry& trash = TrashModule();
    if (trash.failure) return trash.failure;
    const std::string file = folderPath_ + std::string(path);
    // A move of this file cut short leaves its record behind, which would send the file to the
    // trash under another name; a record that cannot go only costs that name.
    static_cast<void>(RemoveOrphanTrashInfo(file, places_));
    const int number = trash.function(file.c_str());
    return number == 0 ? std::error_code() : SystemError(number);
  }

 private:
  // Tries the trash folder that would take the file at `file`, and refuses one inside the album.
  Result<void> TryTrashFor(const std::string& file) {
    Result<std::string> trash = TrashFolderFor(file, places_);
    if (!trash) return trash.error();
    if (std::error_code error = TryTrashFolder(trash.value()).error()) return error;
    std::error_code error;
    const std::string real = std::filesystem::canonical(trash.value(), error).string() + "/";
    const std::string album = std::filesystem::canonical(folderPath_, error).string() + "/";
    if (error) return error;
    return real.starts_with(album) ? make_error_code(TrashError::kInsideAlbum) : std::error_code();
  }

  // Ends with "/".
  std::string folderPath_;
  TrashPlaces places_ = TrashPlaces::OfThisUser();
  // What trying the trash said, for each folder of the album whose files were looked at.
  std::map<std::string, std::error_code> checked_;
};

class Deleter final : public Trash {
 public:
  explicit Deleter(Folder& folder) : folder_(folder) {}

  Result<void> CheckTakes(std::string_view /*path*/) override { return {}; }

  Result<void> MoveToTrash(std::string_view path) override {
    std::string leaf;
    Result<std::unique_ptr<Folder>> folder = OpenFolderOf(folder_, path, leaf);
    if (!folder) return folder.error();
    return folder.value()->Remove(leaf);
  }

 private:
  Folder& folder_;
};

class TrashErrors final : public std::error_category {
 public:
  const char* name() const noexcept override { return "quillmere-trash"; }
  std::string message(int /*value*/) const override {
    return "the trash of its file system lies inside the album folder, which is published with "
           "the site";
  }
};

}  // namespace

const std::error_category& TrashErrorCategory() {
  static const TrashErrors category;
  return category;
}

std::unique_ptr<Trash> DesktopTrash(const std::string& folderPath) {
  return std::make_unique<ModuleTrash>(folderPath);
}

std::unique_ptr<Trash> DeletingTrash(Folder& folder) {
  return std::make_unique<Deleter>(folder);
}

}  // namespace quillmere
