#pragma once
// jettool's arguments as UTF-8, the encoding of every text inside the program: on POSIX
// systems main's own (PosixProgramArguments.cpp); on Windows, where main's are in the
// ANSI code page, the wide command line, and the console is set to show UTF-8
// (WindowsProgramArguments.cpp).

#include <string>
#include <vector>

namespace tav::jettool {

// The program's name and arguments, main's `argc` and `argv` in UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace tav::jettool
