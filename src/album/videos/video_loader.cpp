// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
#include <mutex>

#include "album/module_loader.h"
#include "album/videos/video_module.h"

namespace quillmere {
namespace {

// The module's function that makes makers, loaded once for the process and kept until it ends;
// the system loader's reason when it cannot be.
Result<NewVideoMakerFunction*, std::string> LoadMaking() {
  static std::mutex loading;
  static NewVideoMakerFunction* make = nullptr;
  static std::string failure;
  const std::lock_guard<std::mutex> hold(loading);
  if (make == nullptr && failure.empty()) {
    Result<void*, std::string> module = LoadModule(kVideoModuleName);
    Result<void*, std::string> entry =
        module ? EntryOf(module.value(), kVideoModuleName, kNewVideoMakerSymbol) : module;
    if (entry) {
      make = reinterpret_cast<NewVideoMakerFunction*>(entry.value());
    } else {
      failure = entry.error();
    }
  }
  if (make == nullptr) return failure;
  return make;
}

}  // namespace

Result<std::unique_ptr<VideoMaker>, PictureError> LoadVideoMaker(std::mutex& fileLock,
                                                                 const VideoRules& rules) {
  Result<NewVideoMakerFunction*, std::string> make = LoadMaking();
  PictureError error;
  if (auto* failure = make.failure()) {
    error.kind = PictureError::Kind::kNoModule;
    error.libraryText = std::move(*failure);
    return error;
  }
  std::unique_ptr<VideoMaker> maker(make.value()(&fileLock, &rules));
  if (!maker) {
    error.kind = PictureError::Kind::kNotStarted;
    return error;
  }
  return maker;
}

}  // namespace quillmere
