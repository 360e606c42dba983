#include "platform/host/LocalTime.h"

namespace tav {

// The C runtime's reentrant conversion, which takes its arguments the other way round.
std::tm LocalTime(std::time_t seconds) {
  std::tm local{};
  if (::localtime_s(&local, &seconds) != 0) return std::tm{};
  return local;
}

}  // namespace tav
