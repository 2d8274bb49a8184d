// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include "album/picture_maker.h"
#include "platform/program_folder.h"

namespace quillmere {
namespace {

using NewPictureMaker = PictureMaker* (*)(std::mutex*);
using EndLibrary = void (*)();

// The module once it is loaded, kept until the process ends.
struct LoadedModule {
  std::mutex loading;
  void* module = nullptr;
  NewPictureMaker make = nullptr;
  std::string failure;
};

// The one module of the process: what dlopen loads is the process's anyway.
LoadedModule& Module() {
  static LoadedModule loaded;
  return loaded;
}

// The module beside the program: the same path from its folder in the build tree and installed.
std::string ModulePath() {
  const std::string program = ProgramFolder();
  if (program.empty()) return "";
  return (std::filesystem::path(program) / QUILLMERE_PROGRAM_TO_MODULES / kPictureModuleName)
      .lexically_normal()
      .string();
}

// The module's function, loaded once for the process and kept until it ends; null with the
// reason in `error` when it cannot be.
NewPictureMaker LoadModule(std::string& error) {
  LoadedModule& loaded = Module();
  const std::lock_guard<std::mutex> hold(loaded.loading);
  if (loaded.module == nullptr && loaded.failure.empty()) {
    const std::string path = ModulePath();
    loaded.module = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loaded.module == nullptr) {
      const char* reason = ::dlerror();
      loaded.failure = reason != nullptr ? reason : "the program's folder is unknown";
    } else {
      loaded.make =
          reinterpret_cast<NewPictureMaker>(::dlsym(loaded.module, kNewPictureMakerSymbol));
      if (loaded.make == nullptr) loaded.failure = path + " has no " + kNewPictureMakerSymbol;
    }
  }
  error = loaded.failure;
  return loaded.make;
}

}  // namespace

std::unique_ptr<PictureMaker> LoadPictureMaker(std::mutex& fileLock, std::string& error) {
  NewPictureMaker make = LoadModule(error);
  if (make == nullptr) return nullptr;
  std::unique_ptr<PictureMaker> maker(make(&fileLock));
  if (!maker) error = "the image library could not start";
  return maker;
}

void EndPictureLibrary() {
  LoadedModule& loaded = Module();
  const std::lock_guard<std::mutex> hold(loaded.loading);
  if (loaded.module == nullptr) return;
  if (auto end = reinterpret_cast<EndLibrary>(::dlsym(loaded.module, kEndPictureLibrarySymbol))) {
    end();
  }
  loaded.make = nullptr;
  loaded.failure = "the image library has ended";
}

}  // namespace quillmere
