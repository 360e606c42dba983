#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/files/FileSystem.h"
#include "platform/host/WinPath.h"
#include "platform/host/posix/DosDrives.h"
#include "tests/platform/ScopedWinePrefix.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

class WinPathTest : public ::testing::Test {
 protected:
  testing::ScopedWinePrefix prefix_;
};

TEST_F(WinPathTest, DrivesComeFromThePrefixLinks) {
  fs::path list = prefix_.File("Tavimer/data/list.mdb");
  EXPECT_EQ(HostPath("C:\\Tavimer\\data\\list.mdb"), list);
  EXPECT_EQ(HostPath("Z:\\"), fs::path("/"));
  EXPECT_EQ(HostPath("Z:\\" + list.relative_path().string()), list);
  // A drive without a link, and a link that leads nowhere, do not exist.
  prefix_.AddDrive("q:", "../no-such-folder");
  EXPECT_TRUE(HostPath("Q:\\Tavimer").empty());
  EXPECT_TRUE(HostPath("R:\\Tavimer").empty());
  EXPECT_FALSE(FolderExists("R:\\"));
  EXPECT_FALSE(FileExists("Q:\\Tavimer\\data\\list.mdb"));
}

TEST_F(WinPathTest, WithoutAPrefixOnlyZIsTheHostRoot) {
  prefix_.Environment().Set("WINEPREFIX", (prefix_.Prefix() / "missing").string());
  EXPECT_TRUE(HostPath("C:\\").empty());
  EXPECT_EQ(HostPath("Z:\\tmp"), fs::path("/tmp"));
  EXPECT_EQ(WindowsPath("/tmp"), "Z:\\tmp");
  ASSERT_EQ(DosDrives().size(), 1u);
  // A prefix without "dosdevices" behaves the same.
  fs::create_directories(prefix_.Prefix() / "bare");
  prefix_.Environment().Set("WINEPREFIX", (prefix_.Prefix() / "bare").string());
  EXPECT_EQ(HostPath("z:/tmp"), fs::path("/tmp"));
  EXPECT_TRUE(HostPath("C:\\").empty());

  // A prefix that dropped its z: link still reaches what WindowsPath writes on Z:.
  prefix_.Environment().Set("WINEPREFIX", prefix_.Prefix().string());
  fs::remove(prefix_.Prefix() / "dosdevices" / "z:");
  EXPECT_EQ(WindowsPath("/tmp"), "Z:\\tmp");
  EXPECT_EQ(HostPath("Z:\\tmp"), fs::path("/tmp"));
}

TEST_F(WinPathTest, SeparatorsMixAndDoubledOnesCountOnce) {
  fs::path list = prefix_.File("Tavimer/data/list.mdb");
  EXPECT_EQ(HostPath("C:/Tavimer/data/list.mdb"), list);
  EXPECT_EQ(HostPath("C:\\Tavimer\\\\data\\list.mdb"), list);
  EXPECT_EQ(HostPath("C:\\Tavimer\\.\\history\\..\\data\\list.mdb"), list);
  EXPECT_EQ(HostPath("C:\\..\\..\\Tavimer\\data\\list.mdb"), list);
  EXPECT_TRUE(FolderExists("C:\\Tavimer\\\\data\\"));
  EXPECT_TRUE(FileExists("C:\\Tavimer\\\\data\\list.mdb"));
}

TEST_F(WinPathTest, NamesMatchExactlyFirstThenIgnoringCase) {
  fs::path list = prefix_.File("Tavimer/Data/List.MDB");
  EXPECT_EQ(HostPath("C:\\TAVIMER\\data\\list.mdb"), list);
  EXPECT_TRUE(FileExists("c:\\tavimer\\DATA\\LIST.mdb"));
  EXPECT_FALSE(FolderExists("C:\\tavimer\\data\\list.mdb"));
  EXPECT_FALSE(FileExists("C:\\tavimer\\data"));

  // Names that match nothing are kept as written, so new files land where expected.
  EXPECT_EQ(HostPath("C:\\TAVIMER\\data\\db123.bak"), list.parent_path() / "db123.bak");
  EXPECT_EQ(HostPath("C:\\tavimer\\New\\Sub"), prefix_.DriveC() / "Tavimer" / "New" / "Sub");

  // When both spellings exist the exact one wins, whichever sorts first.
  fs::path lower = prefix_.File("Tavimer/data/list.mdb");
  EXPECT_EQ(HostPath("C:\\Tavimer\\data\\list.mdb"), lower);
  EXPECT_EQ(HostPath("C:\\Tavimer\\Data\\List.MDB"), list);
}

TEST_F(WinPathTest, PathsWithoutADriveStartOnTheWorkingFoldersDrive) {
  fs::path list = prefix_.File("data/list.mdb");
  fs::path inside = prefix_.File("Tavimer/data/list.mdb");
  fs::current_path(prefix_.DriveC() / "Tavimer");
  EXPECT_EQ(HostPath("\\data\\list.mdb"), list);
  EXPECT_EQ(HostPath("data\\list.mdb"), inside);
  EXPECT_EQ(HostPath("..\\data\\list.mdb"), list);
  EXPECT_EQ(HostPath("C:data\\list.mdb"), inside);
  EXPECT_EQ(HostPath("Z:tmp"), fs::path("/tmp"));
  EXPECT_TRUE(FileExists("\\data\\list.mdb"));

  // Outside every other drive the working folder is on Z:.
  fs::current_path("/tmp");
  EXPECT_EQ(HostPath("\\tmp"), fs::path("/tmp"));
  EXPECT_FALSE(FileExists("\\data\\list.mdb"));
}

TEST_F(WinPathTest, MalformedOrUnreachablePathsAreMissingNotErrors) {
  prefix_.File("Tavimer/data/list.mdb");
  for (const std::string& bad :
       {std::string(), std::string("C:\\Tavimer\\da|ta"), std::string("C:\\Tavimer\\data:x"),
        std::string("C:\\Tavimer\\da\"ta"), std::string("\\\\server\\share\\Tavimer"),
        std::string("C:\\Tavimer\\da") + '\t' + "ta"}) {
    EXPECT_TRUE(HostPath(bad).empty()) << bad;
    EXPECT_FALSE(FileExists(bad)) << bad;
    EXPECT_FALSE(FolderExists(bad)) << bad;
  }
  std::string longName(300, 'x');
  EXPECT_FALSE(FolderExists("C:\\Tavimer\\" + longName));
  EXPECT_FALSE(FileExists("C:\\Tavimer\\" + longName + "\\list.mdb"));
  std::string deep = "C:";
  for (int i = 0; i < 600; ++i) deep += "\\Tavimer";
  EXPECT_FALSE(FolderExists(deep));
  // The long form of a local path is still local.
  EXPECT_TRUE(FileExists("\\\\?\\C:\\Tavimer\\data\\list.mdb"));
}

TEST_F(WinPathTest, TrailingDotsAndBlanksAreDroppedAsWindowsDoes) {
  fs::path data = prefix_.Folder("Tavimer/data");
  EXPECT_EQ(HostPath("C:\\Tavimer\\data.\\"), data);
  EXPECT_EQ(HostPath("C:\\Tavimer \\data"), data);
}

TEST_F(WinPathTest, HostPathsMapBackThroughTheLongestDrive) {
  fs::path tool = prefix_.Folder("Program Files/Tavimer");
  EXPECT_EQ(WindowsPath(tool), "C:\\Program Files\\Tavimer");
  EXPECT_EQ(WindowsPath(prefix_.DriveC()), "C:\\");
  EXPECT_EQ(WindowsPath(tool / ""), "C:\\Program Files\\Tavimer");
  // The prefix itself is outside drive C:.
  std::string onZ = "Z:" + prefix_.Prefix().string();
  std::replace(onZ.begin(), onZ.end(), '/', '\\');
  EXPECT_EQ(WindowsPath(prefix_.Prefix()), onZ);

  // A drive deeper than C: wins over it.
  prefix_.AddDrive("d:", "../drive_c/Program Files");
  EXPECT_EQ(WindowsPath(tool), "D:\\Tavimer");
  EXPECT_EQ(HostPath(WindowsPath(tool)), tool);

  // Symbolic links are resolved before the drive is chosen.
  fs::create_directory_symlink(tool, prefix_.Prefix() / "shortcut");
  EXPECT_EQ(WindowsPath(prefix_.Prefix() / "shortcut"), "D:\\Tavimer");

  // Relative host paths start at the working folder.
  fs::current_path(prefix_.DriveC());
  EXPECT_EQ(WindowsPath("Program Files"), "D:\\");
  EXPECT_TRUE(WindowsPath(fs::path()).empty());
}

}  // namespace
}  // namespace tav
