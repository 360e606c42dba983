#include "app/RunState.h"

namespace tav {

RunState& Run() {
  static RunState state;
  return state;
}

}  // namespace tav
