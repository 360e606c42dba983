#pragma once
// The terminal a run from the command line talks to: a password typed with the echo off,
// so that it never appears on the screen, a command line or in a process listing, and
// output that may go to a reader who leaves. POSIX: posix/Terminal.cpp; Windows: the
// process's console, windows/Terminal.cpp.

#include <optional>
#include <string>

namespace tav {

// True when the process has a controlling terminal to ask on.
bool HasTerminal();

// Writes `prompt` to the controlling terminal and reads one line from it with the echo
// off (the terminal's own line editing still works); the line break is not part of the
// answer. The terminal's settings are restored afterwards, also when the process is
// interrupted while it waits. nullopt when there is no terminal or the input ended (Ctrl-D)
// before a line was given.
std::optional<std::string> ReadHiddenLine(const std::string& prompt);

// Output to a reader that went away (a closed pipe) is lost instead of ending the program,
// so that a run is never cut off half-way through a copy back.
void KeepRunningWithoutReader();

}  // namespace tav
