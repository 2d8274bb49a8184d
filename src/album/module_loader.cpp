// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include "album/module_loader.h"

#include <dlfcn.h>

#include <deque>
#include <filesystem>
#include <mutex>

#include "platform/program_folder.h"

namespace quillmere {
namespace {

// The reasons modules could not be loaded, each kept for the process under its number.
class ModuleErrors final : public std::error_category {
 public:
  const char* name() const noexcept override { return "quillmere-module"; }

  std::string message(int value) const override {
    const std::lock_guard<std::mutex> hold(lock_);
    if (value < 1 || static_cast<std::size_t>(value) > reasons_.size()) return "no module";
    return reasons_[static_cast<std::size_t>(value - 1)];
  }

  int Keep(std::string reason) {
    const std::lock_guard<std::mutex> hold(lock_);
    reasons_.push_back(std::move(reason));
    return static_cast<int>(reasons_.size());
  }

 private:
  mutable std::mutex lock_;
  std::deque<std::string> reasons_;
};

ModuleErrors& Errors() {
  static ModuleErrors errors;
  return errors;
}

}  // namespace

std::string ModulePath(std::string_view name) {
  const std::string program = ProgramFolder();
  if (program.empty()) return "";
  return (std::filesystem::path(program) / QUILLMERE_PROGRAM_TO_MODULES / name)
      .lexically_normal()
      .string();
}

Result<void*, std::string> LoadModule(std::string_view name) {
  const std::string path = ModulePath(name);
  if (path.empty()) return std::string("the program's folder is unknown");
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    const char* reason = ::dlerror();
    return std::string(reason != nullptr ? reason : path + " could not be loaded");
  }
  return module;
}

Result<void*, std::string> EntryOf(void* module, std::string_view name, const char* symbol) {
  void* entry = ::dlsym(module, symbol);
  if (entry == nullptr) return std::string(name) + " has no " + symbol;
  return entry;
}

std::error_code ModuleNotLoaded(std::string reason) {
  return {Errors().Keep(std::move(reason)), Errors()};
}

}  // namespace quillmere
