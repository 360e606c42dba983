// The window front end of a build without the window (TAVIMER_GUI off): it says so and
// touches nothing.
#include <iostream>

#include "platform/window/TerminalWindowServices.h"
#include "program/FrontEnds.h"

namespace tav {

int RunWindow(int /*argc*/, char** /*argv*/) {
  std::cerr << "tavimer-maint: this build has no window; run it with --generation TV1 or --generation TV2\n"
               "(tavimer-maint --help lists the options)\n";
  return kRunNotFinished;
}

}  // namespace tav
