#include "platform/host/ProgramArguments.h"

namespace tav {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tav
