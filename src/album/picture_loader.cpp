// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <dlfcn.h>

#include <mutex>

#include "album/module_path.h"
#include "album/picture_maker.h"

namespace quillmere {
namespace {

// The module once it is loaded, kept until the process ends.
struct LoadedModule {
  std::mutex loading;
  void* module = nullptr;
  NewPictureMakerFunction* make = nullptr;
  // Why it could not be loaded, in the system loader's words; empty when it was.
  std::string failure;
};

// The one module of the process: what dlopen loads is the process's anyway.
LoadedModule& Module() {
  static LoadedModule loaded;
  return loaded;
}

// The module's function that makes makers, loaded once for the process and kept until it ends;
// null, with the reason in `failure`, when it cannot be.
NewPictureMakerFunction* LoadModule(std::string& failure) {
  LoadedModule& loaded = Module();
  const std::lock_guard<std::mutex> hold(loaded.loading);
  if (loaded.module == nullptr && loaded.failure.empty()) {
    const std::string path = ModulePath(kPictureModuleName);
    loaded.module = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (loaded.module == nullptr) {
      const char* reason = ::dlerror();
      loaded.failure = reason != nullptr ? reason : "the program's folder is unknown";
    } else {
      loaded.make = reinterpret_cast<NewPictureMakerFunction*>(
          ::dlsym(loaded.module, kNewPictureMakerSymbol));
      if (loaded.make == nullptr) loaded.failure = path + " has no " + kNewPictureMakerSymbol;
    }
  }
  failure = loaded.failure;
  return loaded.make;
}

PictureError ModuleError(PictureError::Kind kind, std::string text) {
  PictureError error;
  error.kind = kind;
  error.libraryText = std::move(text);
  return error;
}

}  // namespace

Result<std::unique_ptr<PictureMaker>, PictureError> LoadPictureMaker(std::mutex& fileLock,
                                                                     const PictureRules& rules) {
  std::string failure;
  NewPictureMakerFunction* make = LoadModule(failure);
  if (make == nullptr) return ModuleError(PictureError::Kind::kNoModule, std::move(failure));
  std::unique_ptr<PictureMaker> maker(make(&fileLock, &rules));
  if (!maker) return ModuleError(PictureError::Kind::kNotStarted, {});
  return maker;
}

void EndPictureLibrary() {
  LoadedModule& loaded = Module();
  const std::lock_guard<std::mutex> hold(loaded.loading);
  if (loaded.module == nullptr) return;
  if (auto* end = reinterpret_cast<EndPictureLibraryFunction*>(
          ::dlsym(loaded.module, kEndPictureLibrarySymbol))) {
    end();
  }
  loaded.make = nullptr;
  loaded.failure = "the image library has ended";
}

}  // namespace quillmere
