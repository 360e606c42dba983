// Compaction where POSIX systems have more to say: a symbolic link to nowhere is an
// existing destination, not a way to create the file it names; and jettool's compaction
// makes nothing of a wrong password, as Linux's inotify sees the folder of the copy.
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "jet/compact/Compactor.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

TEST(Compact, ALinkToNowhereIsAnExistingDestination) {
  TempDir dir;
  const std::string source = dir.CopyFixture("jet4/testUnicodeCompV2003.mdb");
  auto db = Database::OpenPath(source);
  ASSERT_TRUE(db.ok());
  const fs::path link = dir.path() / "link.mdb";
  fs::create_symlink(dir.path() / "elsewhere.mdb", link);
  EXPECT_EQ(CompactToPath(**db, link.string()).status().kind(), ErrorKind::kExists);
  EXPECT_FALSE(fs::exists(dir.path() / "elsewhere.mdb"));
}

// The names of the files created in `folder` while `run` ran, as inotify saw them: a file
// made and removed again is seen as well.
std::vector<std::string> CreatedDuring(const fs::path& folder, const std::function<void()>& run) {
  const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch < 0 || ::inotify_add_watch(watch, folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0) {
    ADD_FAILURE() << "cannot watch " << folder;
    return {"?"};
  }
  run();
  std::vector<std::string> created;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->len > 0) created.emplace_back(event->name);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  ::close(watch);
  return created;
}

// `jettool compact` with a wrong password is refused before the compactor makes anything;
// the same command with the right password shows that the watch sees the copy made.
TEST(Compact, WrongPasswordNeverReachesTheCompactor) {
  for (const char* fixture : {"jet4/passwordV2000.mdb", "jet4/passwordV2003.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    const std::string source = dir.CopyFixture(fixture);
    const auto before = testing::ReadBytes(source);
    const fs::path out = dir.path() / "out";
    fs::create_directory(out);
    auto compact = [&](const std::string& password) {
      return testing::RunCommand(std::string(TAVIMER_BINARY_DIR) + "/tools/jettool compact --password " +
                                 testing::ShellQuote(password) + " " + testing::ShellQuote(source) + " " +
                                 testing::ShellQuote((out / "copy.mdb").string()) + " 2>&1");
    };
    testing::CommandOutput refused;
    EXPECT_EQ(CreatedDuring(out, [&] { refused = compact("wrong"); }), std::vector<std::string>{});
    EXPECT_NE(refused.exit_code, 0);
    EXPECT_NE(refused.out.find("error 3031"), std::string::npos) << refused.out;
    EXPECT_EQ(testing::ReadBytes(source), before);

    testing::CommandOutput made;
    EXPECT_EQ(CreatedDuring(out, [&] { made = compact("password"); }), std::vector<std::string>{"copy.mdb"});
    EXPECT_EQ(made.exit_code, 0) << made.out;
  }
}

}  // namespace
}  // namespace jet
