// tavimer-maint: the program's entry point and the one place that picks its front end.
// Without arguments it opens the window (RunWindow); with --generation the same Main runs
// with the terminal window services, and the exit status tells how the run went
// (app/CommandLine.h).
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "platform/window/TerminalWindowServices.h"
#include "program/FrontEnds.h"

int main(int argc, char** argv) {
  const tav::CommandLine line = tav::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  switch (line.frontEnd) {
    case tav::CommandLine::FrontEnd::Window:
      return tav::RunWindow(argc, argv);
    case tav::CommandLine::FrontEnd::Terminal:
      return tav::RunTerminal(line);
    case tav::CommandLine::FrontEnd::Help:
      std::cout << tav::Usage();
      return 0;
    case tav::CommandLine::FrontEnd::Version:
      std::cout << "tavimer-maint " << TAVIMER_VERSION << '\n';
      return 0;
    case tav::CommandLine::FrontEnd::Invalid:
      break;
  }
  std::cerr << "tavimer-maint: " << line.error << "\n(tavimer-maint --help lists the options)\n";
  return tav::kRunNotFinished;
}
