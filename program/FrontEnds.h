#pragma once
// The program's two front ends, which ProgramMain.cpp picks between by the arguments: the
// window, and the terminal for unattended runs. A build without the window links a window
// front end that only says so (NoWindow.cpp); with it, the Qt one (gui/WindowFrontEnd.cpp), and
// on Windows the Win32 one (wingui/WindowFrontEnd.cpp).

#include "app/CommandLine.h"

namespace tav {

// Opens the window and runs until the user ends the program from it; the exit status.
int RunWindow(int argc, char** argv);

// Runs the maintenance of the generation `line` names without a window; the exit status
// (platform/window/TerminalWindowServices.h).
int RunTerminal(const CommandLine& line);

}  // namespace tav
