#include "tools/jettool/ProgramArguments.h"

namespace tav::jettool {

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

}  // namespace tav::jettool
