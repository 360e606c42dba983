// The Wine-file back end against Wine itself: a real prefix, "wine reg" writing what we read and
// reading what we wrote.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/RegistryUnicode.h"
#include "platform/RegistryWineFile.h"
#include "platform/RegistryWineFormat.h"
#include "registry/cRegistry.h"
#include "tests/registry/RegistryBackends.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class WineInteropTest : public ::testing::Test {
 protected:
  // One prefix in the build folder serves every run (making one takes long); a lock keeps test
  // processes that ctest runs side by side from using it at the same time.
  static void SetUpTestSuite() {
    if (std::system("command -v wine >/dev/null 2>&1 && command -v wineserver >/dev/null 2>&1") != 0) return;
    const fs::path folder = fs::path(TAVIMER_BINARY_DIR) / "tests" / "registry";
    fs::create_directories(folder);
    lock_ = ::open((folder / "wine-prefix.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX) != 0) return;
    prefix_ = new fs::path(folder / "wine-prefix");
    if (!fs::exists(*prefix_ / "system.reg")) {
      const std::string boot = Env() + "wineboot -i >/dev/null 2>&1";
      // wineboot may want a display; a virtual one serves when none is set.
      const std::string command = std::getenv("DISPLAY") ? boot : "xvfb-run -a sh -c '" + boot + "'";
      std::system(command.c_str());
      WaitForServer();
    }
    if (!fs::exists(*prefix_ / "system.reg")) {
      delete prefix_;
      prefix_ = nullptr;
    }
  }
  static void TearDownTestSuite() {
    if (prefix_) WaitForServer();
    delete prefix_;
    prefix_ = nullptr;
    if (lock_ >= 0) ::close(lock_);
    lock_ = -1;
  }
  void SetUp() override {
    if (!prefix_) GTEST_SKIP() << "wine is not installed or no prefix could be made";
  }

  static std::string Env() { return "WINEPREFIX='" + prefix_->string() + "' WINEDEBUG=-all "; }
  static void WaitForServer() { std::system((Env() + "wineserver -w").c_str()); }

  // Runs a batch file inside the prefix and waits until the server has saved the registry.
  static void RunBatch(const std::string& lines) {
    std::ofstream(*prefix_ / "drive_c" / "tavtest.bat", std::ios::binary) << lines;
    ASSERT_EQ(std::system((Env() + "wine cmd /c 'C:\\tavtest.bat' >/dev/null 2>&1").c_str()), 0);
    WaitForServer();
  }
  using Values = std::map<std::string, std::pair<std::string, std::string>>;
  // `reg query` of each key, in one run of Wine: value name -> (type, data as reg prints it).
  static std::vector<Values> Query(const std::vector<std::string>& keys) {
    std::string batch;
    for (const auto& key : keys)
      batch += "reg query \"" + key + "\" >> C:\\tavquery.txt\r\necho ==== >> C:\\tavquery.txt\r\n";
    const fs::path output = *prefix_ / "drive_c" / "tavquery.txt";
    fs::remove(output);
    RunBatch(batch);
    std::vector<Values> results(1);
    std::istringstream lines(ReadFile(output));
    std::string text;
    while (std::getline(lines, text)) {
      while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
      if (text == "====") results.emplace_back();
      const size_t typeAt = text.find("    REG_", 4);
      if (text.rfind("    ", 0) != 0 || typeAt == std::string::npos) continue;
      const size_t dataAt = text.find("    ", typeAt + 4);
      const std::string type =
          text.substr(typeAt + 4, dataAt == std::string::npos ? std::string::npos : dataAt - typeAt - 4);
      results.back()[text.substr(4, typeAt - 4)] = {
          type, dataAt == std::string::npos ? "" : text.substr(dataAt + 4)};
    }
    results.resize(keys.size());
    return results;
  }
  static std::shared_ptr<WineRegistryApi> Api() { return std::make_shared<WineRegistryApi>(*prefix_); }
  static cRegistry At(int32_t root, const std::string& section, const std::string& value, int32_t type = 1) {
    cRegistry reg(Api());
    reg.SetClassKey(root);
    reg.SetSectionKey(section);
    reg.SetValueKey(value);
    reg.SetValueType(type);
    return reg;
  }

  static fs::path* prefix_;
  static int lock_;
};

fs::path* WineInteropTest::prefix_ = nullptr;
int WineInteropTest::lock_ = -1;

TEST_F(WineInteropTest, ReadsWhatRegAddWrote) {
  RunBatch(
      "reg add HKCU\\Software\\TavIn /v s /t REG_SZ /d \"C:\\dir\\x y\" /f\r\n"
      "reg add HKCU\\Software\\TavIn /ve /d \"default\" /f\r\n"
      "reg add HKCU\\Software\\TavIn /v e /t REG_EXPAND_SZ /d \"%%USERPROFILE%%\\x\" /f\r\n"
      "reg add HKCU\\Software\\TavIn /v m /t REG_MULTI_SZ /d \"a\\0b\" /f\r\n"
      "reg add HKCU\\Software\\TavIn /v d /t REG_DWORD /d 4294967295 /f\r\n"
      "reg add HKCU\\Software\\TavIn /v be /t REG_DWORD_BIG_ENDIAN /d 256 /f\r\n"
      "reg add HKCU\\Software\\TavIn /v b /t REG_BINARY /d 01ff0002 /f\r\n"
      "reg add HKCU\\Software\\TavIn /v n /t REG_NONE /d 0102 /f\r\n"
      "reg add HKCU\\Software\\TavIn\\Sub1 /f\r\n"
      "reg add HKCU\\Software\\TavIn\\Sub2 /f\r\n");
  auto read = [](const char* name) { return At(kHkeyCurrentUser, "Software\\TavIn", name).Value(); };
  EXPECT_EQ(read("s"), DynamicValue("C:\\dir\\x y"));
  EXPECT_EQ(read(""), DynamicValue("default"));
  const std::string expanded = read("e").ToText();
  EXPECT_EQ(expanded.rfind("C:\\users\\", 0), 0u) << expanded;
  EXPECT_EQ(expanded.substr(expanded.size() - 2), "\\x");
  EXPECT_EQ(read("m"), DynamicValue(std::string("a\0b\0", 4)));
  EXPECT_EQ(read("d"), DynamicValue(int32_t{-1}));
  // reg stores this type in machine order (00 01 00 00); read most significant byte first.
  EXPECT_EQ(read("be"), DynamicValue(int32_t{65536}));
  EXPECT_EQ(read("b"), DynamicValue::FromBytes({1, 0xFF, 0, 2}));
  EXPECT_TRUE(read("n").IsBytes());

  cRegistry reg = At(kHkeyCurrentUser, "Software\\TavIn", "");
  std::vector<std::string> names;
  int32_t count = 0;
  reg.EnumerateSections(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"Sub1", "Sub2"}));
  reg.EnumerateValues(names, count);
  EXPECT_EQ(count, 8);

  // The documents folder the way installation discovery reads it.
  cRegistry personal = At(
      kHkeyCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Personal");
  EXPECT_EQ(personal.Value().ToText().rfind("C:\\users\\", 0), 0u);
}

TEST_F(WineInteropTest, RegQueryReadsWhatWeWrote) {
  At(kHkeyCurrentUser, "Software\\TavOut", "s").SetValue("C:\\dir \"q\" 100%");
  At(kHkeyCurrentUser, "Software\\TavOut", "").SetValue("default");
  At(kHkeyCurrentUser, "Software\\TavOut", "u").SetValue("wörld");
  At(kHkeyCurrentUser, "Software\\TavOut", "e").SetValue("%SystemRoot%\\x");
  At(kHkeyCurrentUser, "Software\\TavOut", "d", 4).SetValue(int32_t{-2});
  At(kHkeyCurrentUser, "Software\\TavOut", "b", 3).SetValue(DynamicValue::FromBytes({1, 2, 0xFF}));
  auto api = Api();
  ASSERT_EQ(testing::Seed(*api, kHkeyCurrentUser, "Software\\TavOut", "m", kRegMultiSz, {'a', 0, 'b', 0, 0}),
            0);
  ASSERT_EQ(testing::Seed(*api, kHkeyCurrentUser, "Software\\TavOut", "be", kRegDwordBigEndian, {0, 0, 1, 0}),
            0);
  ASSERT_EQ(testing::Seed(*api, kHkeyCurrentUser, "Software\\TavOut", "n", kRegNone, {1, 2}), 0);
  ASSERT_EQ(testing::Seed(*api, kHkeyCurrentUser, "Software\\TavOut\\Deeper\\Key", "x", kRegSz, {'1', 0}), 0);

  auto results = Query({"HKCU\\Software\\TavOut", "HKCU\\Software\\TavOut\\Deeper\\Key"});
  auto& values = results[0];
  using Entry = std::pair<std::string, std::string>;
  EXPECT_EQ(values["s"], Entry("REG_SZ", "C:\\dir \"q\" 100%"));
  EXPECT_EQ(values["(Default)"], Entry("REG_SZ", "default"));
  EXPECT_EQ(values["e"], Entry("REG_EXPAND_SZ", "%SystemRoot%\\x"));
  EXPECT_EQ(values["d"], Entry("REG_DWORD", "0xfffffffe"));
  EXPECT_EQ(values["b"], Entry("REG_BINARY", "0102FF"));
  EXPECT_EQ(values["m"], Entry("REG_MULTI_SZ", "a\\0b"));
  // reg shows this type's four bytes in machine order, as it also stores them.
  EXPECT_EQ(values["be"], Entry("REG_DWORD_BIG_ENDIAN", "0x10000"));
  EXPECT_EQ(values["n"], Entry("REG_NONE", "0102"));
  EXPECT_EQ(values["u"].first, "REG_SZ");
  EXPECT_EQ(results[1]["x"], Entry("REG_SZ", "1"));

  // Text beyond ASCII, through an export (UTF-16) rather than the console's code page.
  std::system(
      (Env() + "wine reg export 'HKCU\\Software\\TavOut' 'C:\\tavout.reg' /y >/dev/null 2>&1").c_str());
  WaitForServer();
  const std::string exported = ReadFile(*prefix_ / "drive_c" / "tavout.reg");
  ASSERT_GT(exported.size(), 2u);
  const std::string text = Utf16LeToUtf8(std::vector<uint8_t>(exported.begin() + 2, exported.end()));
  EXPECT_NE(text.find("\"u\"=\"wörld\""), std::string::npos) << text;
}

TEST_F(WineInteropTest, UntouchedFilesStayByteForByteAndRegeneratedLinesMatchWine) {
  for (const char* name : {"user.reg", "system.reg"}) {
    const std::string original = ReadFile(*prefix_ / name);
    WineHive hive;
    std::string error;
    ASSERT_TRUE(ParseWineRegistry(original, hive, error)) << name << ": " << error;
    EXPECT_EQ(SerializeWineRegistry(hive, 0), original) << name;

    // Every value written again from its data must come out as Wine wrote it.
    std::vector<RegistryNode*> pending = {hive.root.get()};
    while (!pending.empty()) {
      RegistryNode* node = pending.back();
      pending.pop_back();
      for (const auto& child : node->Children()) pending.push_back(child.get());
      node->MarkChanged();
      for (auto& item : node->Items()) {
        if (item.isValue) item.raw.clear();
      }
    }
    const std::string regenerated = SerializeWineRegistry(hive, 0);
    auto withoutTimes = [](const std::string& text) {
      std::istringstream lines(text);
      std::string line;
      std::string out;
      while (std::getline(lines, line)) {
        if (line.rfind("#time=", 0) == 0) continue;
        if (!line.empty() && line[0] == '[') line = line.substr(0, line.rfind(']') + 1);
        out += line + "\n";
      }
      return out;
    };
    EXPECT_TRUE(withoutTimes(regenerated) == withoutTimes(original)) << name;
  }
}

TEST_F(WineInteropTest, RefusesToWriteWhileServerRuns) {
  At(kHkeyCurrentUser, "Software\\TavBusy", "v").SetValue("before");
  ASSERT_EQ(std::system((Env() + "wineserver -p").c_str()), 0);
  WineRegistryApi probe(*prefix_);
  for (int i = 0; i < 100 && !probe.ServerRunning(); ++i) ::usleep(100000);
  ASSERT_TRUE(probe.ServerRunning());
  const std::string before = ReadFile(*prefix_ / "user.reg");
  cRegistry reg = At(kHkeyCurrentUser, "Software\\TavBusy", "v");
  EXPECT_EQ(reg.Value(), DynamicValue("before")) << "reading stays possible";
  try {
    reg.SetValue("after");
    ADD_FAILURE() << "no error raised";
  } catch (const VbError& error) {
    EXPECT_EQ(error.Number(), kRegistryStoreRefused);
  }
  reg.SetSectionKey("Software\\TavBusy\\New");
  EXPECT_THROW(reg.SetValue("after"), VbError);
  EXPECT_EQ(ReadFile(*prefix_ / "user.reg"), before);
  std::system((Env() + "wineserver -k").c_str());
  WaitForServer();
  EXPECT_FALSE(probe.ServerRunning());
  reg.SetValue("after");
  EXPECT_EQ(reg.Value(), DynamicValue("after"));
}

TEST_F(WineInteropTest, RegisteredFileTypeSeenByWine) {
  cRegistry reg(Api());
  reg.CreateEXEAssociation("C:\\Program Files\\Tav\\tav.exe", "Tav.List", "Tavimer list", "tavx", "", true,
                           "", false, "", false, "", 0);
  using Entry = std::pair<std::string, std::string>;
  auto results = Query({"HKCR\\.tavx", "HKCR\\Tav.List", "HKCR\\Tav.List\\shell\\open",
                        "HKCR\\Tav.List\\shell\\open\\command", "HKCR\\Tav.List\\shell\\print\\command",
                        "HKLM\\SOFTWARE\\Classes\\Tav.List\\DefaultIcon"});
  EXPECT_EQ(results[0]["(Default)"], Entry("REG_SZ", "Tav.List"));
  EXPECT_EQ(results[1]["(Default)"], Entry("REG_SZ", "Tavimer list"));
  EXPECT_EQ(results[2]["(Default)"], Entry("REG_SZ", "&Open"));
  EXPECT_EQ(results[3]["(Default)"], Entry("REG_SZ", "\"C:\\Program Files\\Tav\\tav.exe\" \"%1\""));
  EXPECT_EQ(results[4]["(Default)"], Entry("REG_SZ", "\"C:\\Program Files\\Tav\\tav.exe\" /p \"%1\""));
  EXPECT_EQ(results[5]["(Default)"], Entry("REG_SZ", "\"C:\\Program Files\\Tav\\tav.exe\",0"));
}

}  // namespace
}  // namespace tav
