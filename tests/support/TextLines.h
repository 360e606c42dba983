#pragma once
// A text taken apart into its lines, as the tests read the output of a program or a file.

#include <sstream>
#include <string>
#include <vector>

namespace tav::testing {

// The lines of `text`, split at LF; a CR before the LF stays on its line, and a last line
// without a line break counts as a line.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace tav::testing
