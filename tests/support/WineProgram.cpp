#include "tests/support/WineProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

namespace tav::testing {

namespace fs = std::filesystem;

namespace {

// Without Wine's .NET and HTML engines, which a new prefix would otherwise set up.
constexpr const char* kWineDlls = "mscoree=;mshtml=";

}  // namespace

FreshWinePrefix::FreshWinePrefix() {
  if (std::system("command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") != 0) {
    failure_ = "wine is not installed (scripts/setup installs it)";
    return;
  }
  std::string pattern = (fs::temp_directory_path() / "tavimer-wine-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) {
    failure_ = "no temporary folder for the prefix";
    return;
  }
  path_ = fs::path(pattern) / "prefix";
  const std::string boot = Env() + "wineboot -i >/dev/null 2>&1";
  // wineboot may want a display; a virtual one serves when none is set.
  (void)std::system((std::getenv("DISPLAY") ? boot : "xvfb-run -a sh -c \"" + boot + "\"").c_str());
  WaitForServer();
  if (!fs::exists(path_ / "system.reg") || !fs::exists(path_ / "user.reg")) {
    failure_ = "wineboot made no prefix in " + path_.string();
  }
}

FreshWinePrefix::~FreshWinePrefix() {
  if (path_.empty()) return;
  (void)std::system((Env() + "wineserver -k >/dev/null 2>&1").c_str());
  WaitForServer();
  std::error_code ignored;
  fs::remove_all(path_.parent_path(), ignored);
}

std::string FreshWinePrefix::Env() const {
  return "WINEPREFIX='" + path_.string() + "' WINEDEBUG=-all WINEDLLOVERRIDES='" + kWineDlls + "' ";
}

void FreshWinePrefix::WaitForServer() const { (void)std::system((Env() + "wineserver -w").c_str()); }

fs::path FreshWinePrefix::OwnDocumentsFolder() const {
  std::error_code ignored;
  for (const auto& user : fs::directory_iterator(path_ / "drive_c" / "users", ignored)) {
    if (user.path().filename() == "Public") continue;
    const fs::path documents = user.path() / "Documents";
    if (fs::is_symlink(documents)) fs::remove(documents);
    fs::create_directories(documents);
    return documents;
  }
  return {};
}

std::unique_ptr<FreshWinePrefix> SharedWinePrefix::prefix_;

const fs::path& SharedWinePrefix::Path() { return prefix_->Path(); }
const std::string& SharedWinePrefix::Failure() { return prefix_->Failure(); }
std::string SharedWinePrefix::Env() { return prefix_->Env(); }
void SharedWinePrefix::WaitForServer() { prefix_->WaitForServer(); }

void SharedWinePrefix::SetUp() { prefix_ = std::make_unique<FreshWinePrefix>(); }

void SharedWinePrefix::TearDown() { prefix_.reset(); }

std::string ZDrivePath(const fs::path& host) {
  std::string path = "Z:" + fs::absolute(host).string();
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

WineProgram::WineProgram(const fs::path& prefix, const fs::path& program,
                         const std::vector<std::string>& arguments) {
  int in[2];
  int out[2];
  if (::pipe2(in, O_CLOEXEC) != 0) return;
  if (::pipe2(out, O_CLOEXEC) != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return;
  }
  std::vector<std::string> words = {"wine", program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  pid_ = ::fork();
  if (pid_ == 0) {
    ::dup2(in[0], 0);
    ::dup2(out[1], 1);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 2);
    ::setenv("WINEPREFIX", prefix.c_str(), 1);
    ::setenv("WINEDEBUG", "-all", 1);
    ::setenv("WINEDLLOVERRIDES", kWineDlls, 1);
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execvp("wine", argv.data());
    ::_exit(127);
  }
  ::close(in[0]);
  ::close(out[1]);
  input_ = in[1];
  output_ = out[0];
}

WineProgram::~WineProgram() { Finish(); }

std::string WineProgram::ReadLine(int seconds) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (output_ >= 0) {
    const size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      std::string line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) break;
    pollfd ready{output_, POLLIN, 0};
    if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) break;
    char buffer[256];
    const ssize_t n = ::read(output_, buffer, sizeof buffer);
    if (n <= 0) break;
    pending_.append(buffer, static_cast<size_t>(n));
  }
  return {};
}

void WineProgram::WriteLine(const std::string& line) {
  const std::string ended = line + "\n";
  if (input_ >= 0) (void)!::write(input_, ended.data(), ended.size());
}

int WineProgram::Finish(int seconds) {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  int status = 0;
  int code = -1;
  for (int tenth = 0; pid_ > 0 && tenth <= seconds * 10; ++tenth) {
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      pid_ = -1;
      break;
    }
    ::usleep(100000);
  }
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  Finish();
  return code;
}

void WineProgram::Finish() {
  if (input_ >= 0) ::close(input_);
  input_ = -1;
  if (pid_ > 0) {
    int status = 0;
    ::waitpid(pid_, &status, 0);
  }
  pid_ = -1;
  if (output_ >= 0) ::close(output_);
  output_ = -1;
}

}  // namespace tav::testing
