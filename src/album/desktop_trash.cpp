// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/desktop_trash.h"

#include <dlfcn.h>

#include <filesystem>

#include "album/module_path.h"
#include "album/trash_module.h"

namespace quillmere {
namespace {

// The module's function, loaded once for the process and kept until it ends; null when it
// cannot be.
TrashFileFunction* TrashModule() {
  static TrashFileFunction* const function = []() -> TrashFileFunction* {
    const std::string path = ModulePath(kTrashModuleName);
    void* module = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<TrashFileFunction*>(::dlsym(module, kTrashFileSymbol));
  }();
  return function;
}

class ModuleTrash final : public Trash {
 public:
  explicit ModuleTrash(const std::string& folderPath) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(folderPath, error);
    folderPath_ = error ? folderPath : absolute.string();
  }

  std::error_code CheckTakes(std::string_view path) override { return Call(path, 1); }
  std::error_code MoveToTrash(std::string_view path) override { return Call(path, 0); }

 private:
  std::error_code Call(std::string_view path, int onlyCheck) {
    TrashFileFunction* trash = TrashModule();
    if (trash == nullptr) return SystemError(ELIBACC);
    const std::string file = folderPath_ + std::string(path);
    const int number = trash(file.c_str(), onlyCheck);
    return number == 0 ? std::error_code() : SystemError(number);
  }

  // Ends with "/".
  std::string folderPath_;
};

class Deleter final : public Trash {
 public:
  explicit Deleter(Folder& folder) : folder_(folder) {}

  std::error_code CheckTakes(std::string_view /*path*/) override { return {}; }

  std::error_code MoveToTrash(std::string_view path) override {
    std::string leaf;
    Result<std::unique_ptr<Folder>> folder = OpenFolderOf(folder_, path, leaf);
    if (!folder) return folder.error();
    return folder.value()->Remove(leaf);
  }

 private:
  Folder& folder_;
};

}  // namespace

std::unique_ptr<Trash> DesktopTrash(const std::string& folderPath) {
  return std::make_unique<ModuleTrash>(folderPath);
}

std::unique_ptr<Trash> DeletingTrash(Folder& folder) {
  return std::make_unique<Deleter>(folder);
}

}  // namespace quillmere
