// SPDX-FileCopyrightText: 2026 The Quillmere developers
// SPDX-License-Identifier: MIT
// A file system that holds a run at a chosen page until the test lets it go on, so that what
// the window does during a run is seen while the run is sure to be going on.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/file_system.h"
#include "support/forwarding_file_system.h"

namespace quillmere::apptest {

class GatedFileSystem final : public testing::ForwardingFileSystem {
 public:
  // Open until HoldAt is called.
  explicit GatedFileSystem(FileSystem& inner) : ForwardingFileSystem(inner) {}
  GatedFileSystem(const GatedFileSystem&) = delete;
  GatedFileSystem& operator=(const GatedFileSystem&) = delete;
  ~GatedFileSystem() override { Open(); }

  Result<std::unique_ptr<Folder>> OpenFolder(const std::string& path) override {
    Result<std::unique_ptr<Folder>> folder = inner().OpenFolder(path);
    if (!folder) return folder;
    return std::unique_ptr<Folder>(std::make_unique<GatedFolder>(std::move(folder.value()), *this));
  }

  // Holds the next run when it is about to create its `heldFile`th new file (counted from 1), in
  // any folder: then the pages or pictures before it are written and that one is in hand.
  void HoldAt(int heldFile) {
    const std::lock_guard lock(mutex_);
    heldFile_ = heldFile;
    created_ = 0;
    open_ = false;
  }

  // Whether a run is held at the gate now.
  bool holding() const {
    const std::lock_guard lock(mutex_);
    return holding_;
  }

  // Lets a held run go on, and every later one pass.
  void Open() {
    {
      const std::lock_guard lock(mutex_);
      open_ = true;
    }
    opened_.notify_all();
  }

 private:
  class GatedFolder final : public testing::ForwardingFolder {
   public:
    GatedFolder(std::unique_ptr<Folder> inner, GatedFileSystem& gate)
        : ForwardingFolder(std::move(inner)), gate_(gate) {}
    Result<std::unique_ptr<NewFile>> CreateFile() override {
      gate_.Pass();
      return inner().CreateFile();
    }
    // The folders in it are held at the same gate: an album's pictures are made in them.
    Result<std::unique_ptr<Folder>> OpenFolder(std::string_view name) override {
      return Gated(inner().OpenFolder(name));
    }
    Result<std::unique_ptr<Folder>> MakeFolder(std::string_view name) override {
      return Gated(inner().MakeFolder(name));
    }

    Result<std::unique_ptr<Folder>> Gated(Result<std::unique_ptr<Folder>> folder) {
      if (!folder) return folder;
      return std::unique_ptr<Folder>(
          std::make_unique<GatedFolder>(std::move(folder.value()), gate_));
    }

   private:
    GatedFileSystem& gate_;
  };

  // Counts a new file, and waits at the held one until the gate opens (or, should a test
  // forget to open it, for a minute).
  void Pass() {
    std::unique_lock lock(mutex_);
    if (++created_ != heldFile_ || open_) return;
    holding_ = true;
    opened_.wait_for(lock, std::chrono::minutes(1), [this] { return open_; });
    holding_ = false;
  }

  int heldFile_ = 0;
  mutable std::mutex mutex_;
  std::condition_variable opened_;
  int created_ = 0;
  bool holding_ = false;
  bool open_ = true;
};

}  // namespace quillmere::apptest
