#pragma once
// Runs a piece of work in a forked child that keeps what it took (open files, locks)
// until the parent says so. The child ends with _exit, so no test machinery runs there.

#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace tav::testing {

class OtherProcess {
 public:
  // `hold` runs in the child and returns the work to run at release time; the child
  // then waits. Returns once `hold` is done; Ok() tells whether it threw nothing.
  explicit OtherProcess(std::function<std::function<void()>()> hold) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      char ok = 1;
      std::function<void()> undo;
      try {
        undo = hold();
      } catch (...) {
        ok = 0;
      }
      (void)!::write(ready[1], &ok, 1);
      char go;
      (void)!::read(release[0], &go, 1);
      try {
        if (undo) undo();
      } catch (...) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    releaseFd_ = release[1];
    if (::read(ready[0], &ok_, 1) != 1) ok_ = 0;
    ::close(ready[0]);
  }
  ~OtherProcess() { Release(); }
  OtherProcess(const OtherProcess&) = delete;
  OtherProcess& operator=(const OtherProcess&) = delete;

  bool Ok() const { return ok_ == 1; }

  // Lets the child run its release work and waits for it to end.
  void Release() {
    if (pid_ <= 0) return;
    char go = 1;
    (void)!::write(releaseFd_, &go, 1);
    ::close(releaseFd_);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  int releaseFd_ = -1;
  char ok_ = 0;
};

}  // namespace tav::testing
