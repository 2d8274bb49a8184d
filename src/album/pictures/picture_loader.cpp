// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <mutex>

#include "album/module_loader.h"
#include "album/pictures/picture_module.h"

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
// the system loader's reason when it cannot be.
Result<NewPictureMakerFunction*, std::string> LoadMaking() {
  LoadedModule& loaded = Module();
  const std::lock_guard<std::mutex> hold(loaded.loading);
  if (loaded.module == nullptr && loaded.failure.empty()) {
    Result<void*, std::string> module = LoadModule(kPictureModuleName);
    Result<void*, std::string> make =
        module ? EntryOf(module.value(), kPictureModuleName, kNewPictureMakerSymbol) : module;
    if (make) {
      loaded.module = module.value();
      loaded.make = reinterpret_cast<NewPictureMakerFunction*>(make.value());
    } else {
      loaded.failure = make.error();
    }
  }
  if (loaded.make == nullptr) return loaded.failure;
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
  Result<NewPictureMakerFunction*, std::string> make = LoadMaking();
  if (auto* failure = make.failure()) {
    return ModuleError(PictureError::Kind::kNoModule, std::move(*failure));
  }
  std::unique_ptr<PictureMaker> maker(make.value()(&fileLock, &rules));
  if (!maker) return ModuleError(PictureError::Kind::kNotStarted, {});
  return maker;
}

void EndPictureLibrary() {
  LoadedModule& loaded = Module();
  const std::lock_guard<std::mutex> hold(loaded.loading);
  if (loaded.module == nullptr) return;
  if (Result<void*, std::string> end =
          EntryOf(loaded.module, kPictureModuleName, kEndPictureLibrarySymbol)) {
    reinterpret_cast<EndPictureLibraryFunction*>(end.value())();
  }
  loaded.make = nullptr;
  loaded.failure = "the image library has ended";
}

}  // namespace quillmere
