#pragma once
// Reading a password without showing it: typed on the controlling terminal with the echo
// off, or taken from a file, so that it never appears on a command line or in a process
// listing.

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

// The first line of the file at the host path `path`, without its line break (LF or CR LF).
// Throws std::runtime_error naming the file and the reason when it cannot be read.
std::string ReadPasswordFile(const std::string& path);

}  // namespace tav
