#include "platform/host/ProgramFile.h"

#include <system_error>

namespace tav {

std::filesystem::path ProgramFile() {
  std::error_code error;
  std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}

}  // namespace tav
