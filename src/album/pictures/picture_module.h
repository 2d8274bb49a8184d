// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// The entry points of the module that holds the image library, as the album layer finds them
// by name and the module defines them; only those two sides include this.
#pragma once

#include <mutex>

#include "album/pictures/picture_maker.h"

namespace quillmere {

// The module's function that makes a PictureMaker whose reads hold `fileLock` and that keeps to
// `rules`; null when the image library cannot start. The caller owns the maker.
using NewPictureMakerFunction = PictureMaker*(std::mutex* fileLock, const PictureRules* rules);

// The module's function that ends the image library for the process.
using EndPictureLibraryFunction = void();

// The module's entry points, defined by the module alone (which exports them) and found in it by
// their names; a definition of another type does not compile.
extern "C" {
NewPictureMakerFunction QuillmereNewPictureMaker;
EndPictureLibraryFunction QuillmereEndPictureLibrary;
}

// The names of the module's entry points.
inline constexpr const char* kNewPictureMakerSymbol = "QuillmereNewPictureMaker";
inline constexpr const char* kEndPictureLibrarySymbol = "QuillmereEndPictureLibrary";

// The module's file name, found at the same path from the program's folder in the build tree and
// where it is installed.
inline constexpr const char* kPictureModuleName = "quillmere-pictures.so";

}  // namespace quillmere
