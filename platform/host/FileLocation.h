#pragma once
// Where a file is: the Windows path the program names it by and the host file that path
// names, resolved once (WinPath.h) when the program takes the file in hand, and passed as
// one value to every operation on it, so that all of them work on the same host file.
// Files the program names beside it (the lock file, the temporary copy, the cycle's
// records) are placed in the same host folder without resolving anything again.

#include <filesystem>
#include <string>

namespace tav {

class FileLocation {
 public:
  FileLocation() = default;
  // Resolves `windowsPath` to its host file. A path handed over as text (by a caller, a
  // tool, a test) is resolved here, once per conversion.
  FileLocation(std::string windowsPath);  // NOLINT: implicit by design
  FileLocation(const char* windowsPath) : FileLocation(std::string(windowsPath)) {}  // NOLINT

  const std::string& windows() const { return windows_; }
  // Absolute; empty when the Windows path names no host file (WinPath.h).
  const std::filesystem::path& host() const { return host_; }
  // The Windows path's last component.
  std::string FileName() const;

  // The file `name` in the same folder: the Windows path's folder followed by `name`, and
  // the host folder's entry `name`.
  FileLocation Beside(const std::string& name) const;

 private:
  FileLocation(std::string windows, std::filesystem::path host)
      : windows_(std::move(windows)), host_(std::move(host)) {}

  std::string windows_;
  std::filesystem::path host_;
};

}  // namespace tav
