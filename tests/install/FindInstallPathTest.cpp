#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/RunState.h"
#include "install/FindInstallPath.h"
#include "install/ReadSetting.h"
#include "tests/install/PrefixRegistry.h"
#include "tests/platform/ScopedWinePrefix.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

class FindInstallPathTest : public ::testing::Test {
 protected:
  FindInstallPathTest() : registry_(prefix_.Prefix()) {
    tav::Run().BasePath = "stale";
    prefix_.Folder("Elsewhere");
  }

  // A data root below drive C: with the two databases the shape tests look for.
  void DataRoot(const std::string& relative) {
    prefix_.File(relative + "/data/list.mdb");
    prefix_.File(relative + "/history/history.mdb");
  }

  // Where discovery looks, with the registry reads it makes written down.
  DiscoverySources Sources(std::string appFolder, std::string documents = "") {
    DiscoverySources sources;
    sources.appFolder = [appFolder] { return appFolder; };
    sources.readSetting = [this](const std::string& app, const std::string& section, const std::string& key) {
      reads_.push_back(app + "\\" + section + "\\" + key);
      return ReadSetting(app, section, key);
    };
    sources.documentsFolder = [documents] { return documents; };
    return sources;
  }

  void RecordPaths(const std::string& tavimer, const std::string& tavimerInt) {
    std::string body;
    if (!tavimer.empty())
      body += "[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"" + tavimer + "\"\n\n";
    if (!tavimerInt.empty())
      body += "[Software\\\\TavimerInt\\\\Main] 1700000000\n\"Path\"=\"" + tavimerInt + "\"\n\n";
    prefix_.UserReg(body);
  }

  testing::ScopedWinePrefix prefix_;
  testing::PrefixRegistry registry_;
  std::vector<std::string> reads_;
};

const std::string kValue1 = "Tavimer\\Main\\Path";
const std::string kValue2 = "TavimerInt\\Main\\Path";

TEST_F(FindInstallPathTest, AnExecutableBesideTheToolMakesItsFolderTheCandidate) {
  DataRoot("Tavimer");
  DataRoot("Other");
  RecordPaths("C:\\\\Other", "C:\\\\Other");
  prefix_.File("Tavimer/tavimer.exe");
  FindInstallPath(false, Sources("C:\\Tavimer"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");
  EXPECT_TRUE(reads_.empty());

  // "tavimerint.exe" counts as well, and the folder wins even without databases.
  prefix_.File("Bare/tavimerint.exe");
  FindInstallPath(false, Sources("C:\\Bare"));
  EXPECT_EQ(tav::Run().BasePath, "");
  EXPECT_TRUE(reads_.empty());

  // The executable's name is matched as Windows would, whatever its case on disk.
  prefix_.File("Upper/TAVIMER.EXE");
  DataRoot("Upper");
  FindInstallPath(false, Sources("C:\\Upper"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\Upper");

  // A tool in a drive's root ("C:\\") doubles the separator, which does no harm.
  prefix_.File("TAVIMER.EXE");
  DataRoot(".");
  FindInstallPath(false, Sources("C:\\"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\");
}

TEST_F(FindInstallPathTest, TheSecondRegistryValueIsReadOnlyWhenTheFirstIsEmpty) {
  DataRoot("Tavimer");
  RecordPaths("", "C:\\\\Tavimer");
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");
  EXPECT_EQ(reads_, (std::vector<std::string>{kValue1, kValue2}));

  // An empty string in value 1 is the same as none.
  prefix_.UserReg(
      "[Software\\\\Tavimer\\\\Main] 1700000000\n\"Path\"=\"\"\n\n"
      "[Software\\\\TavimerInt\\\\Main] 1700000000\n\"Path\"=\"C:\\\\Tavimer\"\n");
  reads_.clear();
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");
  EXPECT_EQ(reads_.size(), 2u);
}

TEST_F(FindInstallPathTest, AnInvalidFirstValueIsFinal) {
  DataRoot("Valid");
  prefix_.File("Broken/data/list.mdb");
  prefix_.Folder("Broken/history");
  RecordPaths("C:\\\\Broken", "C:\\\\Valid");
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "");
  EXPECT_EQ(reads_, std::vector<std::string>{kValue1});

  // A drive that does not exist is invalid, not an error.
  RecordPaths("Q:\\\\Tavimer", "C:\\\\Valid");
  reads_.clear();
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "");
  EXPECT_EQ(reads_, std::vector<std::string>{kValue1});

  // Nothing anywhere: BasePath is emptied, not left as it was.
  prefix_.UserReg("");
  tav::Run().BasePath = "stale";
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "");
}

TEST_F(FindInstallPathTest, TheCandidateIsKeptExactlyAsStored) {
  DataRoot("Tavimer");
  RecordPaths("C:\\\\Tavimer\\\\", "");
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer\\");

  RecordPaths("c:/TAVIMER", "");
  FindInstallPath(false, Sources("C:\\Elsewhere"));
  EXPECT_EQ(tav::Run().BasePath, "c:/TAVIMER");
}

TEST_F(FindInstallPathTest, SecondGenerationLooksOnlyInTheDocumentsFolder) {
  DataRoot("users/me/Documents/Tavimer2");
  DataRoot("Tavimer");
  prefix_.File("Tavimer/tavimer.exe");
  RecordPaths("C:\\\\Tavimer", "");
  FindInstallPath(true, Sources("C:\\Tavimer", "C:\\users\\me\\Documents"));
  EXPECT_EQ(tav::Run().BasePath, "C:\\users\\me\\Documents\\Tavimer2");
  EXPECT_TRUE(reads_.empty());

  fs::remove_all(prefix_.DriveC() / "users/me/Documents/Tavimer2/history");
  FindInstallPath(true, Sources("C:\\Tavimer", "C:\\users\\me\\Documents"));
  EXPECT_EQ(tav::Run().BasePath, "");
}

TEST_F(FindInstallPathTest, AnUnknownDocumentsFolderStartsAtTheCurrentDrivesRoot) {
  fs::current_path(prefix_.Folder("Elsewhere"));
  FindInstallPath(true, Sources("C:\\Elsewhere", ""));
  EXPECT_EQ(tav::Run().BasePath, "");

  DataRoot("Tavimer2");
  FindInstallPath(true, Sources("C:\\Elsewhere", ""));
  EXPECT_EQ(tav::Run().BasePath, "\\Tavimer2");
}

TEST_F(FindInstallPathTest, TheProgramsOwnSourcesReachThePrefix) {
  // The test program's folder holds no Tavimer executable, so the registry decides.
  DataRoot("Tavimer");
  RecordPaths("C:\\\\Tavimer", "");
  FindInstallPath(false);
  EXPECT_EQ(tav::Run().BasePath, "C:\\Tavimer");

  prefix_.UserReg(
      "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n"
      "\"Personal\"=\"C:\\\\users\\\\me\\\\Documents\"\n");
  DataRoot("users/me/Documents/Tavimer2");
  FindInstallPath(true);
  EXPECT_EQ(tav::Run().BasePath, "C:\\users\\me\\Documents\\Tavimer2");
}

TEST(ReadSettingTest, ReadsTextAndGivesEmptyForAnythingMissingOrBroken) {
  testing::ScopedWinePrefix prefix;
  testing::PrefixRegistry registry(prefix.Prefix());
  prefix.UserReg(
      "[Software\\\\Tavimer\\\\Main] 1700000000\n"
      "\"Path\"=\"C:\\\\Program Files\\\\Tavimer\"\n"
      "\"Count\"=dword:0000002a\n");
  EXPECT_EQ(ReadSetting("Tavimer", "Main", "Path"), "C:\\Program Files\\Tavimer");
  EXPECT_EQ(ReadSetting("tavimer", "MAIN", "path"), "C:\\Program Files\\Tavimer");
  EXPECT_EQ(ReadSetting("Tavimer", "Main", "Count"), "42");
  EXPECT_EQ(ReadSetting("Tavimer", "Main", "Missing"), "");
  EXPECT_EQ(ReadSetting("Tavimer", "Other", "Path"), "");
  EXPECT_EQ(ReadSetting("TavimerInt", "Main", "Path"), "");

  // A fresh object per call sees the registry as it is now.
  prefix.UserReg("[Software\\\\Tavimer\\\\Main] 1700000001\n\"Path\"=\"D:\\\\Moved\"\n");
  EXPECT_EQ(ReadSetting("Tavimer", "Main", "Path"), "D:\\Moved");

  std::ofstream(prefix.Prefix() / "user.reg", std::ios::binary) << "not a registry file\n";
  EXPECT_EQ(ReadSetting("Tavimer", "Main", "Path"), "");
}

}  // namespace
}  // namespace tav
