// tavimer-maint: the program's entry point and the one place that picks its front end.
// Without arguments it opens the window (RunWindow); with --generation the same Main runs
// with the terminal window services, and the exit status tells how the run went
// (app/CommandLine.h).
#include <iostream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "platform/host/ProgramArguments.h"
#include "platform/window/TerminalWindowServices.h"
#include "program/FrontEnds.h"

int main(int argc, char** argv) {
  // In UTF-8, as every path inside the program: on Windows main's own are in the ANSI code page.
  std::vector<std::string> arguments = tav::ProgramArguments(argc, argv);
  if (!arguments.empty()) arguments.erase(arguments.begin());
  const tav::CommandLine line = tav::ParseCommandLine(arguments);
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
