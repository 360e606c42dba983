#pragma once
// The program's arguments as UTF-8, the encoding of every text inside the program (paths
// among them): on POSIX systems main's own (posix/ProgramArguments.cpp); on Windows, where
// main's are in the ANSI code page, the wide command line, and the console is set to show
// UTF-8 (windows/ProgramArguments.cpp). Shared by tavimer-maint and jettool.

#include <string>
#include <vector>

namespace tav {

// The program's name and arguments, main's `argc` and `argv` in UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tav
