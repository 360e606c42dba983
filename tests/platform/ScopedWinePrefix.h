#pragma once
// Test helper: a temporary Wine-style prefix ("dosdevices" with c: -> ../drive_c and
// z: -> /, an empty "drive_c") that WINEPREFIX points to while the object lives. The
// working folder and the environment variables it touches are restored afterwards.

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "tests/support/TempFolder.h"

namespace tav::testing {

// Sets environment variables for the lifetime of the object and restores them after.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
  }

  void Set(const std::string& name, const std::string& value) {
    Remember(name);
    ::setenv(name.c_str(), value.c_str(), 1);
  }
  void Unset(const std::string& name) {
    Remember(name);
    ::unsetenv(name.c_str());
  }

 private:
  void Remember(const std::string& name) {
    if (saved_.count(name) != 0) return;
    const char* value = std::getenv(name.c_str());
    saved_[name] = value == nullptr ? std::nullopt : std::optional<std::string>(value);
  }

  std::map<std::string, std::optional<std::string>> saved_;
};

class ScopedWinePrefix {
 public:
  ScopedWinePrefix() : savedCwd_(std::filesystem::current_path()), root_(folder_.path()) {
    std::filesystem::create_directories(root_ / "drive_c");
    std::filesystem::create_directories(root_ / "dosdevices");
    AddDrive("c:", "../drive_c");
    AddDrive("z:", "/");
    environment_.Set("WINEPREFIX", root_.string());
  }
  ScopedWinePrefix(const ScopedWinePrefix&) = delete;
  ScopedWinePrefix& operator=(const ScopedWinePrefix&) = delete;
  ~ScopedWinePrefix() {
    std::error_code ec;
    std::filesystem::current_path(savedCwd_, ec);
  }

  const std::filesystem::path& Prefix() const { return root_; }
  std::filesystem::path DriveC() const { return root_ / "drive_c"; }
  ScopedEnvironment& Environment() { return environment_; }

  // A link "x:" in dosdevices; `target` as the link holds it (may be relative).
  void AddDrive(const std::string& link, const std::filesystem::path& target) {
    std::filesystem::create_directory_symlink(target, root_ / "dosdevices" / link);
  }

  // Creates folders and an empty (or given) file below drive_c; returns its host path.
  std::filesystem::path File(const std::string& relative, const std::string& content = "") {
    std::filesystem::path path = DriveC() / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }
  std::filesystem::path Folder(const std::string& relative) {
    std::filesystem::path path = DriveC() / relative;
    std::filesystem::create_directories(path);
    return path;
  }

  // Writes user.reg: the format's first line, then `sections` as they stand.
  void UserReg(const std::string& sections) {
    std::ofstream(root_ / "user.reg", std::ios::binary) << "WINE REGISTRY Version 2\n\n" << sections;
  }

 private:
  TempFolder folder_;  // removed with everything in it, after the working folder is restored
  std::filesystem::path savedCwd_;
  std::filesystem::path root_;
  ScopedEnvironment environment_;
};

}  // namespace tav::testing
