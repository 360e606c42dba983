#include "platform/window/Terminal.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/base/posix/UniqueFd.h"

namespace tav {

namespace {

// The terminal and its settings while the echo is off, for the signal handler.
volatile sig_atomic_t gTerminalFd = -1;
termios gSavedSettings{};

constexpr int kRestoredSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// Restores the echo, then lets the signal do what it would have done.
void RestoreAndRaise(int signal) {
  if (gTerminalFd >= 0) ::tcsetattr(gTerminalFd, TCSAFLUSH, &gSavedSettings);
  gTerminalFd = -1;
  std::signal(signal, SIG_DFL);
  ::raise(signal);
}

// Turns the echo off for its lifetime (the line break is still echoed).
class EchoOff {
 public:
  explicit EchoOff(int fd) {
    if (::tcgetattr(fd, &gSavedSettings) != 0) return;
    for (size_t i = 0; i < std::size(kRestoredSignals); ++i) {
      struct sigaction action {};
      action.sa_handler = RestoreAndRaise;
      ::sigemptyset(&action.sa_mask);
      ::sigaction(kRestoredSignals[i], &action, &previous_[i]);
    }
    gTerminalFd = fd;
    termios quiet = gSavedSettings;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK);
    quiet.c_lflag |= ECHONL | ICANON;
    ::tcsetattr(fd, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (gTerminalFd < 0) return;
    ::tcsetattr(gTerminalFd, TCSAFLUSH, &gSavedSettings);
    gTerminalFd = -1;
    for (size_t i = 0; i < std::size(kRestoredSignals); ++i)
      ::sigaction(kRestoredSignals[i], &previous_[i], nullptr);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  struct sigaction previous_[std::size(kRestoredSignals)]{};
};

void WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

}  // namespace

bool HasTerminal() {
  UniqueFd tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  return tty.Valid();
}

std::optional<std::string> ReadHiddenLine(const std::string& prompt) {
  UniqueFd tty(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
  if (!tty.Valid()) return std::nullopt;
  std::string line;
  bool ended = false;
  {
    // The echo goes off before the prompt appears: turning it off discards typed-ahead
    // input, so an answer typed as soon as the prompt shows must come after that.
    EchoOff quiet(tty.Get());
    WriteAll(tty.Get(), prompt);
    for (;;) {
      char c = 0;
      const ssize_t n = ::read(tty.Get(), &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ended = true;
        break;
      }
      if (c == '\n') break;
      line += c;
    }
  }
  if (ended) {
    WriteAll(tty.Get(), "\n");
    if (line.empty()) return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

void KeepRunningWithoutReader() { std::signal(SIGPIPE, SIG_IGN); }

}  // namespace tav
