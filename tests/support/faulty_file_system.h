// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A file system that passes every call to a real one, except the calls a test makes fail.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include "platform/file_system.h"

namespace quillmere::testing {

// The calls that can be made to fail.
enum class Step : std::size_t {
  kInspect,
  kListFolder,
  kOpenForReading,
  kRead,
  kDescribe,
  kOpenFolder,
  kCreateFile,
  kWrite,
  kPutInPlace,
  kRemove,
  kMakeFolder,
  kRename,
  kSync,
  kLock,
  kCount
};

// The name of a step, for test messages.
const char* StepName(Step step);

// Passes calls on to `inner`; the chosen call of a step fails with the chosen error instead.
// The same counts cover the calls of the folders and files it hands out.
class FaultyFileSystem final : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& inner) : inner_(inner) {}

  // Makes the `nth` call (counted from 1) of `step` fail with `error`.
  void FailAt(Step step, int nth, std::error_code error) {
    failStep_ = step;
    failAt_ = nth;
    failError_ = error;
  }
  // Makes the `nth` call of `step` fail, and every call after it, as if the process had ended
  // there: what it left on the disk stays as it was.
  void EndAt(Step step, int nth) {
    FailAt(step, nth, SystemError(EIO));
    endAfterFailing_ = true;
  }
  // Makes the `nth` call of `step` fail, and every later call of the same step.
  void FailFrom(Step step, int nth, std::error_code error) {
    FailAt(step, nth, error);
    failLater_ = true;
  }
  // Runs `act` when the `nth` call of `step` is made, before the call goes on.
  void ActAt(Step step, int nth, std::function<void()> act) {
    actStep_ = step;
    actAt_ = nth;
    act_ = std::move(act);
  }
  // Whether a call has failed so far.
  bool failed() const { return ended_ || failedOnce_; }
  // How many calls of `step` were made so far.
  int Calls(Step step) const { return calls_[static_cast<std::size_t>(step)]; }
  // Counts a call of `step` and tells the error it must fail with, or none.
  std::error_code Count(Step step);

  Result<EntryInfo> Inspect(const std::string& path, bool follow) override;
  Result<std::vector<std::string>> ListFolder(const std::string& folder) override;
  Result<std::unique_ptr<ReadableFile>> OpenForReading(const std::string& path) override;
  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) override;
  Result<void> CreateFolders(const std::string& path) override {
    if (std::error_code error = Count(Step::kMakeFolder)) return error;
    return inner_.CreateFolders(path);
  }

 private:
  FileSystem& inner_;
  std::array<int, static_cast<std::size_t>(Step::kCount)> calls_{};
  Step failStep_ = Step::kCount;
  int failAt_ = 0;
  std::error_code failError_;
  bool endAfterFailing_ = false;
  bool failLater_ = false;
  bool ended_ = false;
  bool failedOnce_ = false;
  Step actStep_ = Step::kCount;
  int actAt_ = 0;
  std::function<void()> act_;
};

}  // namespace quillmere::testing
