#include "platform/registry/posix/RegistryWineFile.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/registry/posix/WinePrefixEnvironment.h"

namespace tav {

namespace {

namespace fs = std::filesystem;

// Identifies the state of a file on disk, so that a hive is read again after someone else wrote it.
std::string FileStamp(const fs::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return "missing";
  return std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
         std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

bool ReadWholeFile(const fs::path& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `text` to a temporary file beside `path`, syncs it and renames it over `path`.
bool ReplaceFileAtomically(const fs::path& path, const std::string& text) {
  const fs::path temp = path.string() + ".tmp-" + std::to_string(::getpid());
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) ::fchmod(fd, old.st_mode & 07777);
  const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
  const bool closed = ::close(fd) == 0;
  if (!written || !closed || ::rename(temp.c_str(), path.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

bool SocketAnswers(const fs::path& socketPath) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string name = socketPath.string();
  if (name.size() >= sizeof address.sun_path) {
    ::close(fd);
    return false;
  }
  std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
  const bool answers = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return answers;
}

bool LockHeld(const fs::path& lockPath) {
  const int fd = ::open(lockPath.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct flock query {};
  query.l_type = F_WRLCK;
  query.l_whence = SEEK_SET;
  const bool held = ::fcntl(fd, F_GETLK, &query) == 0 && query.l_type != F_UNLCK;
  ::close(fd);
  return held;
}

}  // namespace

WineRegistryApi::WineRegistryApi(fs::path prefix) : prefix_(std::move(prefix)) {
  files_[0].path = prefix_ / "user.reg";
  files_[0].relativeTo = "REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000";
  files_[1].path = prefix_ / "system.reg";
  files_[1].relativeTo = "REGISTRY\\\\Machine";
}

fs::path WineRegistryApi::PrefixFromEnvironment() {
  if (const char* prefix = std::getenv("WINEPREFIX"); prefix && *prefix) return prefix;
  const char* home = std::getenv("HOME");
  return fs::path(home ? home : "") / ".wine";
}

bool WineRegistryApi::ServerRunning() const {
  struct stat info {};
  if (::stat(prefix_.c_str(), &info) != 0) return false;
  char name[64];
  std::snprintf(name, sizeof name, "server-%llx-%llx", static_cast<unsigned long long>(info.st_dev),
                static_cast<unsigned long long>(info.st_ino));
  // The server's folder lies in /tmp/.wine-<uid>, or in the folder below /tmp that the prefix's
  // "wineserver" file names.
  std::vector<fs::path> folders = {fs::path("/tmp/.wine-" + std::to_string(::getuid())) / name};
  std::string pointer;
  if (ReadWholeFile(prefix_ / "wineserver", pointer)) {
    while (!pointer.empty() && std::isspace(static_cast<unsigned char>(pointer.back()))) pointer.pop_back();
    if (!pointer.empty() && pointer.find('/') == std::string::npos && pointer != "." && pointer != "..") {
      folders.push_back(fs::path("/tmp") / pointer / name);
    }
  }
  for (const auto& folder : folders) {
    if (LockHeld(folder / "lock") || SocketAnswers(folder / "socket")) return true;
  }
  return false;
}

int32_t WineRegistryApi::LoadHive(RegistryHive hive, RegistryNode*& root) {
  HiveFile& file = File(hive);
  const std::string stamp = FileStamp(file.path);
  if (!file.loaded || stamp != file.stamp) {
    file.loaded = true;
    file.stamp = stamp;
    file.failure = kRegOk;
    file.content = WineHive{};
    std::string text;
    std::string error;
    if (stamp == "missing") {
      file.content.header = NewWineRegistryHeader(file.relativeTo);
    } else if (!ReadWholeFile(file.path, text)) {
      file.failure = kRegAccessDenied;
    } else if (!ParseWineRegistry(text, file.content, error)) {
      file.failure = kRegBadDb;
    }
  }
  if (file.failure != kRegOk) return file.failure;
  root = file.content.root.get();
  return kRegOk;
}

int32_t WineRegistryApi::BeginChange(RegistryHive hive) {
  HiveFile& file = File(hive);
  if (file.failure != kRegOk) return file.failure;
  if (!fs::is_directory(prefix_)) return kRegPathNotFound;
  if (ServerRunning()) return kRegSharingViolation;
  return kRegOk;
}

int32_t WineRegistryApi::CommitChange(RegistryHive hive) {
  HiveFile& file = File(hive);
  const auto now = static_cast<int64_t>(std::time(nullptr));
  const std::string text = SerializeWineRegistry(file.content, now);
  if (!ReplaceFileAtomically(file.path, text)) {
    file.loaded = false;  // read the file again: the change did not reach it
    return kRegAccessDenied;
  }
  SettleWineRegistry(file.content, now);
  file.stamp = FileStamp(file.path);
  return kRegOk;
}

std::optional<std::string> WineRegistryApi::Variable(const std::string& name) {
  // What a program inside the prefix would see, which is not what this process sees.
  return WinePrefixEnvironment(*this).Find(name);
}

}  // namespace tav
