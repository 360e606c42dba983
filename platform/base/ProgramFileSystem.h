#pragma once
// The one place that picks the program's file system: every file operation of the program
// (the VB-style operations of platform/files, the database-engine layer of platform/dao and
// the engine it drives, the maintenance cycle's own records) goes through the
// jet::FileSystem returned here. It is the operating system's (jet::PosixFileSystem()), or
// what a test has put in its place for a whole run.

#include "jet/io/FileSystem.h"

namespace tav {

jet::FileSystem& ProgramFileSystem();

// Puts `files` in the program's file system's place while it lives; `files` must outlive
// it. One at a time.
class ProgramFileSystemOverride {
 public:
  explicit ProgramFileSystemOverride(jet::FileSystem& files);
  ~ProgramFileSystemOverride();
  ProgramFileSystemOverride(const ProgramFileSystemOverride&) = delete;
  ProgramFileSystemOverride& operator=(const ProgramFileSystemOverride&) = delete;

 private:
  jet::FileSystem* before_;
};

}  // namespace tav
