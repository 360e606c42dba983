#include "platform/host/MachineName.h"

#include <unistd.h>

namespace tav {

std::string MachineName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0 || name[0] == 0) return "localhost";
  return name;
}

}  // namespace tav
