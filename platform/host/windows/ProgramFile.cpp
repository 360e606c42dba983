#include "platform/host/ProgramFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "jet/io/WindowsText.h"

namespace tav {

// The wide call, so that a folder name outside the ANSI code page comes back whole; the
// buffer grows until the name fits (a path may be longer than MAX_PATH).
std::filesystem::path ProgramFile() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  return std::filesystem::path(jet::Utf8(path));
}

}  // namespace tav
