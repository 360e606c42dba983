#pragma once
// A new file written beside another one under a hidden name, and removed again unless it
// is put in place. Repair writes its copy this way before renaming it over the original;
// anything else that needs scratch space on the same disk may do the same.
//
//   auto temporary = TemporaryFile::CreateBeside(fs, path, "repair", 0600);
//   ... write (*temporary)->file(), then (*temporary)->Close() ...
//   JET_RETURN_IF_ERROR((*temporary)->ReplaceWith(path));  // or drop it: it is removed

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "jet/io/FileSystem.h"

namespace jet {

class TemporaryFile {
 public:
  // Creates ".<name of path>.<purpose><process id>-<n>" in the folder of `path`, with
  // permission bits `mode`, trying the next n while the name is taken. `fs` must outlive it.
  static Result<std::unique_ptr<TemporaryFile>> CreateBeside(FileSystem& fs, const std::string& path,
                                                             const std::string& purpose, uint32_t mode);
  // The files in the folder of `path` that CreateBeside named for `path` and `purpose`, in any
  // process: what a process that was stopped before it could remove them left behind. They
  // are leftovers only while no process works on `path` (the caller holds it).
  static Result<std::vector<std::string>> FoundBeside(FileSystem& fs, const std::string& path,
                                                      const std::string& purpose);
  // Removes the file unless it was renamed into place.
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  const std::string& path() const { return path_; }
  // The open file; only until Close.
  File& file() { return *file_; }
  // Closes the file; the name stays until it is renamed or this object goes.
  void Close() { file_.reset(); }
  // Renames the file over `target` in one step; afterwards it is no longer removed.
  Status RenameOver(const std::string& target);

 private:
  TemporaryFile(FileSystem& fs, std::string path, std::unique_ptr<File> file)
      : fs_(fs), path_(std::move(path)), file_(std::move(file)) {}

  FileSystem& fs_;
  std::string path_;
  std::unique_ptr<File> file_;
  bool renamed_ = false;
};

}  // namespace jet
