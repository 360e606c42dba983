#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/base/VbError.h"
#include "platform/dao/JetDaoEngine.h"
#include "platform/host/WinPath.h"
#include "tests/platform/OtherProcess.h"
#include "tests/support/TempFolder.h"

namespace tav {
namespace {

using testing::OtherProcess;
using testing::TempFolder;

const std::filesystem::path kJet4 = std::filesystem::path(TAVIMER_FIXTURES_DIR) / "jet" / "jet4";
const std::filesystem::path kJet3 = std::filesystem::path(TAVIMER_FIXTURES_DIR) / "jet" / "jet3";

class JetDaoEngineTest : public ::testing::Test {
 protected:
  // Copies a fixture into the test folder; returns its Windows path.
  std::string Copy(const std::filesystem::path& fixture, const std::string& as = "") {
    auto target = dir_ / (as.empty() ? fixture.filename().string() : as);
    std::filesystem::copy_file(fixture, target);
    return WindowsPath(target);
  }

  // The error number an open gives, 0 for success.
  int32_t OpenError(const std::string& path, std::optional<std::string> connect = std::nullopt,
                    bool exclusive = false) {
    try {
      auto db = engine_->Workspaces(0).OpenDatabase(path, exclusive, false, connect);
      return db ? 0 : -1;
    } catch (const VbError& e) {
      EXPECT_GT(e.Number(), 0);
      EXPECT_FALSE(e.Description().empty());
      return e.Number();
    }
  }

  VbError CaughtOpen(const std::string& path) {
    try {
      engine_->Workspaces(0).OpenDatabase(path);
    } catch (const VbError& e) {
      return e;
    }
    return VbError(0, "", "");
  }

  TempFolder dir_;
  std::unique_ptr<DaoEngine> engine_ = MakeJetDaoEngine();
};

TEST_F(JetDaoEngineTest, PasswordsAreCheckedExactly) {
  for (const char* name : {"passwordV2000.mdb", "passwordV2003.mdb"}) {
    SCOPED_TRACE(name);
    std::string db = Copy(kJet4 / name);
    EXPECT_EQ(OpenError(db), kErrNotValidPassword);
    EXPECT_EQ(OpenError(db, "; pwd=wrong;"), kErrNotValidPassword);
    EXPECT_EQ(OpenError(db, "; pwd=PASSWORD;"), kErrNotValidPassword);
    EXPECT_EQ(OpenError(db, "; pwd=password ;"), kErrNotValidPassword);
    EXPECT_EQ(OpenError(db, "; pwd=password;"), 0);
    EXPECT_EQ(OpenError(db, ";pwd=password"), 0);
    EXPECT_EQ(OpenError(db, ";PWD=password", true), 0);
  }
}

TEST_F(JetDaoEngineTest, DatabasesWithoutPasswordOpenInBothFormats) {
  EXPECT_EQ(OpenError(Copy(kJet3 / "testV1997.mdb")), 0);
  EXPECT_EQ(OpenError(Copy(kJet4 / "test2V2000.mdb")), 0);
  EXPECT_EQ(OpenError(Copy(kJet4 / "delTestV2003.mdb"), "; pwd=anything;"), 0);
}

TEST_F(JetDaoEngineTest, MissingFilesAndBadPathsNameThePath) {
  std::string missing = WindowsPath(dir_ / "none.mdb");
  VbError e = CaughtOpen(missing);
  EXPECT_EQ(e.Number(), 3024);
  EXPECT_EQ(e.Description(), "Could not find file '" + missing + "'.");

  std::string noFolder = WindowsPath(dir_ / "nofolder" / "list.mdb");
  e = CaughtOpen(noFolder);
  EXPECT_EQ(e.Number(), 3044);
  EXPECT_EQ(e.Description(), "'" + noFolder + "' isn't a valid path.");
  EXPECT_EQ(OpenError(""), 3044);
}

TEST_F(JetDaoEngineTest, DamagedFilesFailWithoutPasswordError) {
  auto original = testing::ReadBytes(kJet4 / "test2V2000.mdb");
  auto write = [&](const std::string& name, std::vector<char> bytes) {
    testing::WriteBytes(dir_ / name, bytes);
    return WindowsPath(dir_ / name);
  };
  std::string text = write("text.mdb", {'h', 'e', 'l', 'l', 'o'});
  VbError e = CaughtOpen(text);
  EXPECT_EQ(e.Number(), 3343);
  EXPECT_EQ(e.Description(), "Unrecognized database format '" + text + "'.");
  EXPECT_NE(OpenError(write("empty.mdb", {})), 0);

  auto truncated = original;
  truncated.resize(4096 + 100);
  auto zeroedCatalog = original;
  std::fill(zeroedCatalog.begin() + 2 * 4096, zeroedCatalog.begin() + 3 * 4096, 0);
  auto scribbled = original;
  for (size_t i = 2 * 4096 + 8; i < 2 * 4096 + 600; i += 3) scribbled[i] = static_cast<char>(0xff);
  for (auto& [name, bytes] : std::vector<std::pair<std::string, std::vector<char>>>{
           {"truncated.mdb", truncated}, {"zeroed.mdb", zeroedCatalog}, {"scribbled.mdb", scribbled}}) {
    SCOPED_TRACE(name);
    int32_t number = OpenError(write(name, bytes));
    EXPECT_GT(number, 0);
    EXPECT_NE(number, kErrNotValidPassword);
  }
}

TEST_F(JetDaoEngineTest, LockingAgainstAnotherProcess) {
  std::string db = Copy(kJet4 / "test2V2000.mdb", "list.mdb");
  auto ldb = dir_ / "list.ldb";
  {
    OtherProcess other([db]() -> std::function<void()> {
      std::shared_ptr<DaoDatabase> open = MakeJetDaoEngine()->Workspaces(0).OpenDatabase(db);
      return [open] { open->Close(); };
    });
    ASSERT_TRUE(other.Ok());
    EXPECT_TRUE(std::filesystem::exists(ldb));
    try {
      engine_->Workspaces(0).OpenDatabase(db, true);
      ADD_FAILURE() << "exclusive open while open elsewhere";
    } catch (const VbError& inUse) {
      EXPECT_EQ(inUse.Number(), 3045);
      EXPECT_EQ(inUse.Description(), "Could not use '" + db + "'; file already in use.");
    }
    EXPECT_EQ(OpenError(db), 3045) << "a database another program has open is never opened";
  }
  EXPECT_FALSE(std::filesystem::exists(ldb)) << "last close keeps the lock file";

  OtherProcess exclusive([db]() -> std::function<void()> {
    std::shared_ptr<DaoDatabase> open = MakeJetDaoEngine()->Workspaces(0).OpenDatabase(db, true);
    return [open] { open->Close(); };
  });
  ASSERT_TRUE(exclusive.Ok());
  try {
    engine_->Workspaces(0).OpenDatabase(db);
    ADD_FAILURE() << "shared open while open exclusively elsewhere";
  } catch (const VbError& held) {
    EXPECT_EQ(held.Number(), 3356);
    EXPECT_EQ(held.Description().rfind("You attempted to open a database that is already opened exclusively "
                                       "by user 'Admin' on machine '",
                                       0),
              0u)
        << held.Description();
  }
  exclusive.Release();
  EXPECT_EQ(OpenError(db, std::nullopt, true), 0);
}

TEST_F(JetDaoEngineTest, UnreadableFileGivesNoPermission) {
  std::string db = Copy(kJet4 / "test2V2000.mdb");
  std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_all |
                                                std::filesystem::perms::others_read |
                                                std::filesystem::perms::others_exec);
  std::filesystem::permissions(dir_ / "test2V2000.mdb", std::filesystem::perms::none);
  if (::geteuid() != 0) {
    EXPECT_EQ(OpenError(db), 3051);
    return;
  }
  // Permissions do not bind root: try as an unprivileged user in a child process.
  pid_t child = ::fork();
  if (child == 0) {
    int32_t number = -1;
    if (::setgid(65534) == 0 && ::setuid(65534) == 0) {
      try {
        MakeJetDaoEngine()->Workspaces(0).OpenDatabase(db);
        number = 0;
      } catch (const VbError& e) {
        number = e.Number();
      }
    }
    ::_exit(number == 3051 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "expected 3051 for an unreadable file";
}

TEST_F(JetDaoEngineTest, CompactionChecksItsArgumentsBeforeAnyWork) {
  std::string source = Copy(kJet4 / "passwordV2000.mdb", "list.mdb");
  std::string existing = Copy(kJet4 / "test2V2000.mdb", "db1.bak");
  std::string target = WindowsPath(dir_ / "db2.bak");
  auto number = [&](const std::string& from, const std::string& to, std::optional<std::string> pwd) {
    try {
      engine_->CompactDatabase(from, to, std::nullopt, std::nullopt, pwd);
    } catch (const VbError& e) {
      return e.Number();
    }
    return 0;
  };
  EXPECT_EQ(number(source, existing, ";pwd=password"), 3204);
  EXPECT_EQ(number(WindowsPath(dir_ / "none.mdb"), target, ""), 3024);
  EXPECT_EQ(number(source, target, ""), kErrNotValidPassword);
  EXPECT_EQ(number(source, target, ";pwd=wrong"), kErrNotValidPassword);
  {
    auto open = engine_->Workspaces(0).OpenDatabase(source, false, false, "; pwd=password;");
    EXPECT_EQ(number(source, target, ";pwd=password"), 3045) << "compacted a database in use";
  }
  EXPECT_FALSE(std::filesystem::exists(dir_ / "db2.bak"));
  EXPECT_EQ(testing::ReadBytes(dir_ / "list.mdb"), testing::ReadBytes(kJet4 / "passwordV2000.mdb"));
}

TEST_F(JetDaoEngineTest, CompactedCopyOpensWithTheSamePasswordAndTheSourceStaysAsItWas) {
  for (auto fixture : {kJet3 / "delTestV1997.mdb", kJet4 / "passwordV2003.mdb"}) {
    SCOPED_TRACE(fixture);
    std::string source = Copy(fixture, "list.mdb");
    std::string target = WindowsPath(dir_ / "db7.bak");
    engine_->CompactDatabase(source, target, std::nullopt, std::nullopt, ";pwd=password");
    EXPECT_EQ(testing::ReadBytes(dir_ / "list.mdb"), testing::ReadBytes(fixture));
    EXPECT_EQ(OpenError(target, "; pwd=password;"), 0);
    if (fixture.filename() == "passwordV2003.mdb") {
      EXPECT_EQ(OpenError(target), kErrNotValidPassword);
    }
    EXPECT_FALSE(std::filesystem::exists(dir_ / "list.ldb"));
    std::filesystem::remove(dir_ / "list.mdb");
    std::filesystem::remove(dir_ / "db7.bak");
  }
}

TEST_F(JetDaoEngineTest, RepairLeavesSoundFilesAsTheyAreAndRefusesBusyOrDamagedOnes) {
  auto repairError = [&](const std::string& path) {
    try {
      engine_->RepairDatabase(path);
    } catch (const VbError& e) {
      return e.Number();
    }
    return 0;
  };
  for (auto fixture : {kJet3 / "testV1997.mdb", kJet4 / "passwordV2003.mdb"}) {
    SCOPED_TRACE(fixture);
    EXPECT_EQ(repairError(Copy(fixture)), 0) << "a repair needs no password";
    EXPECT_EQ(testing::ReadBytes(dir_ / fixture.filename()), testing::ReadBytes(fixture));
  }

  std::string db = Copy(kJet4 / "test2V2000.mdb", "list.mdb");
  {
    auto open = engine_->Workspaces(0).OpenDatabase(db);
    EXPECT_EQ(repairError(db), 3045);
  }
  auto damaged = testing::ReadBytes(dir_ / "list.mdb");
  std::fill(damaged.begin() + 2 * 4096, damaged.begin() + 3 * 4096, 0);
  testing::WriteBytes(dir_ / "list.mdb", damaged);
  EXPECT_GT(repairError(db), 0);
  EXPECT_EQ(testing::ReadBytes(dir_ / "list.mdb"), damaged);
  EXPECT_EQ(repairError(WindowsPath(dir_ / "none.mdb")), 3024);
}

}  // namespace
}  // namespace tav
