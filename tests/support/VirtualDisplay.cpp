#include "tests/support/VirtualDisplay.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

namespace tav::testing {

std::string VirtualDisplay::failure_;
std::string VirtualDisplay::name_;

void VirtualDisplay::SetUp() {
  if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) {
    failure_ = "Xvfb is not installed (scripts/setup installs it)";
    return;
  }
  int number[2];
  if (::pipe(number) != 0) {
    failure_ = "no pipe for the display's number";
    return;
  }
  server_ = ::fork();
  if (server_ == 0) {
    ::close(number[0]);
    const std::string fd = std::to_string(number[1]);
    ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(number[1]);
  // Xvfb writes the number it took once it accepts clients.
  std::string read;
  pollfd ready{number[0], POLLIN, 0};
  char buffer[16];
  while (read.find('\n') == std::string::npos && ::poll(&ready, 1, 20000) > 0) {
    const ssize_t n = ::read(number[0], buffer, sizeof buffer);
    if (n <= 0) break;
    read.append(buffer, static_cast<size_t>(n));
  }
  ::close(number[0]);
  if (read.find('\n') == std::string::npos) {
    failure_ = "Xvfb did not start";
    return;
  }
  name_ = ":" + read.substr(0, read.find('\n'));
  ::setenv("DISPLAY", name_.c_str(), 1);
}

void VirtualDisplay::TearDown() {
  if (server_ <= 0) return;
  ::kill(server_, SIGTERM);
  int status = 0;
  ::waitpid(server_, &status, 0);
  server_ = -1;
}

bool SaveScreen(const std::string& file, int x, int y, int width, int height) {
  const std::string geometry = std::to_string(width) + "x" + std::to_string(height) + "+" +
                               std::to_string(x) + "+" + std::to_string(y);
  return std::system(
             ("import -window root -crop " + geometry + " +repage '" + file + "' 2>/dev/null").c_str()) == 0;
}

}  // namespace tav::testing
