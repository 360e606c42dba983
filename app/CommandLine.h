#pragma once
// The program's arguments, which choose between the window and the terminal front end.
//
// Without arguments, or when the first one begins with a single dash (the window
// toolkit's own options, such as -platform), the program opens its window. Otherwise the
// arguments are the terminal front end's:
//   --generation TV1|TV2    the installation to maintain (required)
//   --password-file FILE    the main database's password is FILE's first line
//   --retry N               a failed repair is retried up to N times (0 to 100; default 0)
//   --help, --version
// Each option also takes its value as --option=VALUE. A password is never taken from the
// command line, where other users could read it.

#include <string>
#include <vector>

namespace tav {

struct CommandLine {
  enum class FrontEnd { Window, Terminal, Help, Version, Invalid };
  FrontEnd frontEnd = FrontEnd::Window;
  int versionIndex = -1;     // the version button: 0 "Tavimer 1.x" (TV1), 1 "Tavimer 2.x" (TV2)
  std::string passwordFile;  // empty when none was named
  int retries = 0;
  std::string error;  // what is wrong, for Invalid
};

// `args` without the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The help text, ending in a line break.
std::string Usage();

}  // namespace tav
