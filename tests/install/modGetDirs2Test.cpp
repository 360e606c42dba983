#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "install/modGetDirs2.h"
#include "platform/host/WinPath.h"
#include "tests/install/PrefixRegistry.h"
#include "tests/platform/ScopedWinePrefix.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

const char kShellFolders[] =
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\Shell Folders] 1700000000\n";
const char kUserShellFolders[] =
    "[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Explorer\\\\User Shell Folders] 1700000000\n";

class DocumentsFolderTest : public ::testing::Test {
 protected:
  DocumentsFolderTest() : registry_(prefix_.Prefix()) {
    home_ = prefix_.Prefix() / "home";
    fs::create_directories(home_ / ".config");
    prefix_.Environment().Set("HOME", home_.string());
    prefix_.Environment().Unset("XDG_CONFIG_HOME");
    prefix_.Environment().Set("USER", "tester");
  }

  void UserDirs(const std::string& line) {
    std::ofstream(home_ / ".config" / "user-dirs.dirs") << line << "\n";
  }

  testing::ScopedWinePrefix prefix_;
  testing::PrefixRegistry registry_;
  fs::path home_;
};

TEST_F(DocumentsFolderTest, ThePrefixsPersonalFolderComesFirst) {
  fs::create_directories(home_ / "Documents");
  prefix_.UserReg(std::string(kShellFolders) + "\"Personal\"=\"C:\\\\users\\\\tester\\\\Documents\\\\\"\n");
  EXPECT_EQ(GetDocumentsFolder(), "C:\\users\\tester\\Documents");
  EXPECT_EQ(GetSpecialFolder(CSIDL_PERSONAL), "C:\\users\\tester\\Documents");

  // Without "Shell Folders" the expandable entry of "User Shell Folders" is used.
  prefix_.UserReg(std::string(kUserShellFolders) + "\"Personal\"=str(2):\"%USERPROFILE%\\\\Documents\"\n");
  EXPECT_EQ(GetDocumentsFolder(), "C:\\users\\tester\\Documents");
}

TEST_F(DocumentsFolderTest, WithoutThePrefixsAnswerTheDesktopsFolderIsMapped) {
  prefix_.UserReg("");
  fs::create_directories(home_ / "Papers");
  UserDirs("# written by the desktop\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"");
  EXPECT_EQ(GetDocumentsFolder(), WindowsPath(home_ / "Papers"));
  EXPECT_EQ(GetDocumentsFolder().rfind("Z:\\", 0), 0u);

  // Inside drive C: the folder is named through C:.
  fs::path inDriveC = prefix_.Folder("users/tester/My Documents");
  UserDirs("XDG_DOCUMENTS_DIR=\"" + inDriveC.string() + "\"");
  EXPECT_EQ(GetDocumentsFolder(), "C:\\users\\tester\\My Documents");

  // A configured folder that does not exist, or the home folder itself, gives way to
  // ~/Documents, and without that there is no documents folder.
  UserDirs("XDG_DOCUMENTS_DIR=\"$HOME/Gone\"");
  EXPECT_EQ(GetDocumentsFolder(), "");
  fs::create_directories(home_ / "Documents");
  EXPECT_EQ(GetDocumentsFolder(), WindowsPath(home_ / "Documents"));
  UserDirs("XDG_DOCUMENTS_DIR=\"$HOME/\"");
  EXPECT_EQ(GetDocumentsFolder(), WindowsPath(home_ / "Documents"));
}

TEST_F(DocumentsFolderTest, OnlyTheDocumentsIdHasAnAnswer) {
  prefix_.UserReg(std::string(kShellFolders) + "\"Personal\"=\"C:\\\\users\\\\tester\\\\Documents\"\n" +
                  "\"Desktop\"=\"C:\\\\users\\\\tester\\\\Desktop\"\n");
  EXPECT_EQ(GetSpecialFolder(0), "");     // desktop
  EXPECT_EQ(GetSpecialFolder(0x1A), "");  // application data
  EXPECT_EQ(GetSpecialFolder(-1), "");
}

TEST_F(DocumentsFolderTest, AFullLengthPathComesBackWhole) {
  std::string path = "C:\\users\\tester\\";
  path += std::string(259 - path.size(), 'd');
  ASSERT_EQ(path.size(), 259u);
  std::string stored = path;
  std::string escaped;
  for (char c : stored) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  prefix_.UserReg(std::string(kShellFolders) + "\"Personal\"=\"" + escaped + "\"\n");
  EXPECT_EQ(GetDocumentsFolder(), path);
}

}  // namespace
}  // namespace tav
