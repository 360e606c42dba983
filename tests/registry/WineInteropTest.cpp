// The Wine-file back end against Wine itself: one fresh prefix for the whole binary (ctest runs
// it as one test), files that "wine reg add" and "wine reg import" wrote read and changed by us,
// and "wine reg query" reading back what we wrote. The tests build on the prefix as they go.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/registry/RegistryUnicode.h"
#include "platform/registry/posix/RegistryWineFile.h"
#include "platform/registry/posix/RegistryWineFormat.h"
#include "registry/cRegistry.h"
#include "tests/registry/RegistryBackends.h"
#include "tests/support/RequiredTool.h"
#include "tests/support/TextLines.h"
#include "tests/support/WineProgram.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

using testing::SharedWinePrefix;

const auto* const kPrefix = ::testing::AddGlobalTestEnvironment(new SharedWinePrefix);

class WineInteropTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_REQUIRE_TOOL(SharedWinePrefix::Failure().empty(), SharedWinePrefix::Failure());
    prefix_ = &SharedWinePrefix::Path();
  }

  static std::string Env() { return SharedWinePrefix::Env(); }
  static void WaitForServer() { SharedWinePrefix::WaitForServer(); }

  // Runs a batch file inside the prefix and waits until the server has saved the registry.
  void RunBatch(const std::string& lines) {
    WriteFile(*prefix_ / "drive_c" / "tavtest.bat", lines);
    ASSERT_EQ(std::system((Env() + "wine cmd /c 'C:\\tavtest.bat' >/dev/null 2>&1").c_str()), 0);
    WaitForServer();
  }
  // Imports a .reg file (given as UTF-8, stored as UTF-16 as regedit writes it).
  void Import(const std::string& text) {
    const std::vector<uint8_t> units = Utf8ToUtf16Le(text);
    WriteFile(*prefix_ / "drive_c" / "tavimport.reg", "\xFF\xFE" + std::string(units.begin(), units.end()));
    ASSERT_EQ(std::system((Env() + "wine reg import 'C:\\tavimport.reg' >/dev/null 2>&1").c_str()), 0);
    WaitForServer();
  }
  // Makes Wine load both hives and save them again, as it does after any change.
  void LetWineRewriteBothHives() {
    RunBatch(
        "reg add HKCU\\Software\\TavTouch /v t /d 1 /f\r\n"
        "reg add HKLM\\Software\\TavTouch /v t /d 1 /f\r\n");
  }
  using Values = std::map<std::string, std::pair<std::string, std::string>>;
  // `reg query` of each key, in one run of Wine: value name -> (type, data as reg prints it).
  std::vector<Values> Query(const std::vector<std::string>& keys) {
    std::string batch;
    for (const auto& key : keys)
      batch += "reg query \"" + key + "\" >> C:\\tavquery.txt\r\necho ==== >> C:\\tavquery.txt\r\n";
    const fs::path output = *prefix_ / "drive_c" / "tavquery.txt";
    fs::remove(output);
    RunBatch(batch);
    std::vector<Values> results(1);
    for (std::string text : testing::Lines(ReadFile(output))) {
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
  std::shared_ptr<WineRegistryApi> Api() { return std::make_shared<WineRegistryApi>(*prefix_); }
  cRegistry At(int32_t root, const std::string& section, const std::string& value, int32_t type = 1) {
    cRegistry reg(Api());
    reg.SetClassKey(root);
    reg.SetSectionKey(section);
    reg.SetValueKey(value);
    reg.SetValueType(type);
    return reg;
  }
  fs::path UserReg() const { return *prefix_ / "user.reg"; }
  fs::path SystemReg() const { return *prefix_ / "system.reg"; }

  const fs::path* prefix_ = nullptr;
};

using Entry = std::pair<std::string, std::string>;
using testing::WithoutTimes;

// A hive file parses and writes back byte for byte.
void ExpectRoundTrip(const std::string& text, const std::string& what) {
  WineHive hive;
  std::string error;
  ASSERT_TRUE(ParseWineRegistry(text, hive, error)) << what << ": " << error;
  EXPECT_TRUE(SerializeWineRegistry(hive, 0) == text) << what << " changed on the way through";
}

// The blocks of the keys whose header starts with `start`, up to the first block that does not.
std::string Blocks(const std::string& text, const std::string& start) {
  const size_t begin = text.find("\n" + start);
  if (begin == std::string::npos) return {};
  size_t end = begin + 1;
  while (true) {
    end = text.find("\n[", end);
    if (end == std::string::npos || text.compare(end + 1, start.size(), start) != 0) break;
    ++end;
  }
  return WithoutTimes(text.substr(begin + 1, end == std::string::npos ? std::string::npos : end - begin));
}

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
  auto read = [this](const char* name) { return At(kHkeyCurrentUser, "Software\\TavIn", name).Value(); };
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

// `reg add HKCU /v ...` makes Wine write the hive's own key as a "[]" block.
TEST_F(WineInteropTest, ValuesAtTheRootOfAHive) {
  RunBatch(
      "reg add HKCU /v tavroot /d x /f\r\n"
      "reg add HKCU /ve /d rootdef /f\r\n"
      "reg add HKCU\\Software\\Tavimer\\Main /v Path /d C:\\Tavimer /f\r\n");
  const std::string user = ReadFile(UserReg());
  ASSERT_NE(user.find("\n[] "), std::string::npos) << "Wine wrote no root block";
  ExpectRoundTrip(user, "user.reg with a root block");
  EXPECT_EQ(At(kHkeyCurrentUser, "", "tavroot").Value(), DynamicValue("x"));
  EXPECT_EQ(At(kHkeyCurrentUser, "", "").Value(), DynamicValue("rootdef"));
  // What installation discovery reads lies in the same hive.
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\Tavimer\\Main", "Path").Value(), DynamicValue("C:\\Tavimer"));

  At(kHkeyCurrentUser, "", "tavmine").SetValue("ours");
  At(kHkeyLocalMachine, "", "tavmine").SetValue("machine's");
  auto results = Query({"HKCU", "HKLM"});
  EXPECT_EQ(results[0]["tavmine"], Entry("REG_SZ", "ours"));
  EXPECT_EQ(results[0]["tavroot"], Entry("REG_SZ", "x"));
  EXPECT_EQ(results[0]["(Default)"], Entry("REG_SZ", "rootdef"));
  EXPECT_EQ(results[1]["tavmine"], Entry("REG_SZ", "machine's"));
}

TEST_F(WineInteropTest, FileWhoseLastLineHasNoLineEnd) {
  RunBatch("reg add HKCU\\zzTav /v a /d 1 /f\r\n");  // the key that sorts last
  std::string user = ReadFile(UserReg());
  ASSERT_EQ(user.substr(user.size() - 8), "\"a\"=\"1\"\n");
  while (user.back() == '\n') user.pop_back();
  WriteFile(UserReg(), user);
  ExpectRoundTrip(user, "user.reg without a final line end");

  At(kHkeyCurrentUser, "zzTav", "b").SetValue("2");
  At(kHkeyCurrentUser, "zzTav\\Sub", "c").SetValue("3");
  ExpectRoundTrip(ReadFile(UserReg()), "user.reg written after that");
  auto results = Query({"HKCU\\zzTav", "HKCU\\zzTav\\Sub"});
  EXPECT_EQ(results[0]["a"], Entry("REG_SZ", "1"));
  EXPECT_EQ(results[0]["b"], Entry("REG_SZ", "2"));
  EXPECT_EQ(results[1]["c"], Entry("REG_SZ", "3"));
}

// Every variable a program in the prefix sees expands to what Wine gives it; a name only the
// host has stays as written.
TEST_F(WineInteropTest, ExpandsAgainstThePrefixsOwnEnvironment) {
  const fs::path listing = *prefix_ / "drive_c" / "tavset.txt";
  ASSERT_EQ(std::system(("env -i PATH=\"$PATH\" " + Env() + "wine cmd /c set > '" + listing.string() +
                         "' 2>/dev/null")
                            .c_str()),
            0);
  WaitForServer();
  std::map<std::string, std::string> wine;
  std::string batch;
  for (std::string line : testing::Lines(ReadFile(listing))) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t equals = line.find('=');
    if (equals == 0 || equals == std::string::npos) continue;
    const std::string name = line.substr(0, equals);
    if (name == "PROMPT" || name.rfind("WINE", 0) == 0) continue;  // cmd's own, and Wine's settings
    wine[name] = line.substr(equals + 1);
    batch +=
        "reg add HKCU\\Software\\TavEnv /v \"" + name + "\" /t REG_EXPAND_SZ /d \"%%" + name + "%%\" /f\r\n";
  }
  for (const char* name : {"SystemRoot", "windir", "ProgramFiles", "APPDATA", "USERPROFILE", "TEMP"}) {
    EXPECT_TRUE(wine.count(name)) << name << " missing from Wine's environment";
  }
  batch += "reg add HKCU\\Software\\TavEnv /v tavhome /t REG_EXPAND_SZ /d \"%%HOME%%\\x %%windir%%\" /f\r\n";
  RunBatch(batch);
  for (const auto& [name, value] : wine) {
    EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavEnv", name).Value(), DynamicValue(value)) << name;
  }
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavEnv", "tavhome").Value(),
            DynamicValue("%HOME%\\x " + wine["windir"]));
}

// A fresh 64-bit prefix has link keys: Software\Wow6432Node\Classes names
// Software\Classes\Wow6432Node, whose AppId names Software\Classes\AppId.
TEST_F(WineInteropTest, FollowsLinkKeys) {
  ASSERT_NE(ReadFile(SystemReg()).find("[Software\\\\Wow6432Node\\\\Classes] "), std::string::npos);
  RunBatch("reg add \"HKLM\\Software\\Classes\\AppID\\{TAV-1}\" /ve /d viaWine /f\r\n");
  EXPECT_EQ(At(kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\AppId\\{TAV-1}", "").Value(),
            DynamicValue("viaWine"));
  EXPECT_EQ(At(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\AppId\\{TAV-1}", "").Value(),
            DynamicValue("viaWine"));
  At(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\AppId\\{TAV-2}", "").SetValue("viaTool");
  At(kHkeyLocalMachine, "Software\\Wow6432Node\\Classes\\TavLinked", "v").SetValue("below the link");
  ExpectRoundTrip(ReadFile(SystemReg()), "system.reg written through links");
  auto results =
      Query({"HKLM\\Software\\Classes\\AppID\\{TAV-2}", "HKLM\\Software\\Classes\\Wow6432Node\\TavLinked",
             "HKLM\\Software\\Wow6432Node\\Classes\\TavLinked"});
  EXPECT_EQ(results[0]["(Default)"], Entry("REG_SZ", "viaTool"));
  EXPECT_EQ(results[1]["v"], Entry("REG_SZ", "below the link"));
  EXPECT_EQ(results[2]["v"], Entry("REG_SZ", "below the link"));
}

// Keys and values imported with the names where upper- and lower-case folding disagree, and
// values of every kind reg import takes; ours added among them must land where Wine puts them.
TEST_F(WineInteropTest, ImportedFileEditedInWinesOrder) {
  std::string reg = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (const char* name : {"[b", "_x", "a", "Z", "~", "\u00c9", "\u03a3", "k [x] y"}) {
    reg += std::string("[HKEY_CURRENT_USER\\Software\\TavOrd\\") + name + "]\r\n\r\n";
  }
  reg +=
      "[HKEY_CURRENT_USER\\Software\\TavOrd]\r\n"
      "@=\"default\"\r\n"
      "\"[b\"=\"1\"\r\n\"_x\"=\"2\"\r\n\"Z\"=\"3\"\r\n\"\u00c9\"=\"4\"\r\n"
      "\"quote \\\"q\\\" back\\\\slash\"=\"C:\\\\dir\\\\\\\"x\\\"\"\r\n"
      "\"empty\"=\"\"\r\n"
      "\"\u0130\"=\"dotted\"\r\n\"i\"=\"plain\"\r\n\"\u212a\"=\"kelvin\"\r\n\"k\"=\"plain k\"\r\n"
      "\"expand\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
      "\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"qword\"=hex(b):01,02,03,04,05,06,07,08\r\n"
      "\"none\"=hex(0):\r\n"
      "\"dword\"=dword:0000ffff\r\n"
      "\"long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,16,17,18,\\\r\n"
      "  19,1a,1b,1c,1d,1e,1f,20,21,22,23,24,25,26,27,28,29,2a,2b,2c,2d,2e,2f\r\n\r\n";
  Import(reg);
  ExpectRoundTrip(ReadFile(UserReg()), "user.reg after reg import");
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavOrd", "quote \"q\" back\\slash").Value(),
            DynamicValue("C:\\dir\\\"x\""));
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavOrd", "multi").Value(),
            DynamicValue(std::string("a\0b\0", 4)));
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavOrd", "\u00e9").Value(), DynamicValue("4")) << "É is é";
  EXPECT_TRUE(At(kHkeyCurrentUser, "Software\\TavOrd\\\u03c3", "").KeyExists()) << "Σ is σ";
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavOrd", "I").Value(), DynamicValue("plain")) << "İ is not I";
  EXPECT_EQ(At(kHkeyCurrentUser, "Software\\TavOrd", "K").Value(), DynamicValue("plain k"))
      << "K is not the Kelvin sign";

  for (const char* name : {"a_b", "aC", "`", "^q", "\u00e9t\u00e9", "\u03a9", "B"}) {
    At(kHkeyCurrentUser, std::string("Software\\TavOrd\\") + name, "v").SetValue(name);
    At(kHkeyCurrentUser, "Software\\TavOrd", name).SetValue(name);
  }
  At(kHkeyCurrentUser, "Software\\TavOrd", "\u00e9").SetValue("changed");
  const std::string ours = Blocks(ReadFile(UserReg()), "[Software\\\\TavOrd");
  ASSERT_FALSE(ours.empty());
  auto results = Query({"HKCU\\Software\\TavOrd", "HKCU\\Software\\TavOrd\\a_b"});
  EXPECT_EQ(results[0]["aC"], Entry("REG_SZ", "aC"));
  EXPECT_EQ(results[0]["expand"], Entry("REG_EXPAND_SZ", "%TEMP%"));
  EXPECT_EQ(results[1]["v"], Entry("REG_SZ", "a_b"));

  // Wine keeps its keys and values sorted and writes them all again: ours must stand as it does.
  LetWineRewriteBothHives();
  EXPECT_EQ(Blocks(ReadFile(UserReg()), "[Software\\\\TavOrd"), ours);
}

TEST_F(WineInteropTest, UntouchedFilesStayByteForByteAndRegeneratedLinesMatchWine) {
  for (const char* name : {"user.reg", "system.reg"}) {
    const std::string original = ReadFile(*prefix_ / name);
    ExpectRoundTrip(original, name);
    WineHive hive;
    std::string error;
    ASSERT_TRUE(ParseWineRegistry(original, hive, error));

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
    EXPECT_TRUE(WithoutTimes(regenerated) == WithoutTimes(original)) << name;
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
