#include <dlfcn.h>

#include <filesystem>
#include <mutex>

#include "album/picture_maker.h"

namespace quillmere {
namespace {

using NewPictureMaker = PictureMaker* (*)(std::mutex*);

// The module beside the program: the same path from its folder in the build tree and installed.
std::string ModulePath() {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return "";
  return (program.parent_path() / QUILLMERE_PROGRAM_TO_MODULES / kPictureModuleName)
      .lexically_normal()
      .string();
}

// The module's function, loaded once for the process and kept until it ends; null with the
// reason in `error` when it cannot be.
NewPictureMaker LoadModule(std::string& error) {
  static std::mutex loading;
  static NewPictureMaker loaded = nullptr;
  static std::string failure;
  const std::lock_guard<std::mutex> hold(loading);
  if (loaded == nullptr && failure.empty()) {
    const std::string path = ModulePath();
    void* module = path.empty() ? nullptr : ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module == nullptr) {
      const char* reason = ::dlerror();
      failure = reason != nullptr ? reason : "the program's folder is unknown";
    } else {
      loaded = reinterpret_cast<NewPictureMaker>(::dlsym(module, kNewPictureMakerSymbol));
      if (loaded == nullptr) failure = path + " has no " + kNewPictureMakerSymbol;
    }
  }
  error = failure;
  return loaded;
}

}  // namespace

std::unique_ptr<PictureMaker> LoadPictureMaker(std::mutex& fileLock, std::string& error) {
  NewPictureMaker make = LoadModule(error);
  if (make == nullptr) return nullptr;
  std::unique_ptr<PictureMaker> maker(make(&fileLock));
  if (!maker) error = "the image library could not start";
  return maker;
}

}  // namespace quillmere
