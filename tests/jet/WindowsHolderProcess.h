#pragma once
// Windows only. The Windows program of tests/support/WindowsHolder.c holding a file the way
// Windows programs do, started from a test program running on Windows.

#include <windows.h>

#include <string>

namespace jet::testing {

class WindowsHolderProcess {
 public:
  // Starts the holder in `mode` (shared, exclusive or bytelock) on the file at `path` and
  // waits for the line it prints first: "held", or why it could not hold the file.
  WindowsHolderProcess(const std::string& mode, const std::string& path);
  ~WindowsHolderProcess() { Release(); }
  WindowsHolderProcess(const WindowsHolderProcess&) = delete;
  WindowsHolderProcess& operator=(const WindowsHolderProcess&) = delete;

  bool Held() const { return said_ == "held"; }
  const std::string& said() const { return said_; }
  // Ends its input, after which it lets go of the file and ends; waits for that.
  void Release();

 private:
  HANDLE process_ = nullptr;
  HANDLE input_ = nullptr;  // our end of its standard input
  std::string said_;
};

}  // namespace jet::testing
