#include "platform/host/ProgramFile.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace tav {

std::filesystem::path ProgramFile() {
  char path[MAX_PATH] = {};
  if (GetModuleFileNameA(nullptr, path, MAX_PATH) == 0) return {};
  return std::filesystem::path(path);
}

}  // namespace tav
