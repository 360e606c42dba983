// Wine's registry file format: faithful reading and writing, and malformed files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/registry/posix/RegistryWineFormat.h"
#include "registry/cRegistry.h"
#include "tests/registry/RegistryBackends.h"

namespace tav {
namespace {

using testing::Fetch;
using testing::Seed;
using testing::Stored;
using testing::WineFileBackend;
using testing::WithoutTimes;

// Written the way Wine writes its files, with the unusual corners: a continued hex line, escapes,
// metadata lines, comments and a final line without a line end.
const char kSample[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n"
    "\n"
    "[Control Panel\\\\Desktop] 1796690317\n"
    "#time=1dd86ac76e3ecd8\n"
    "\"CaptionFont\"=hex:f5,ff,ff,ff,00,00,00,00,00,00,00,00,00,00,00,00,bc,02,00,00,\\\n"
    "  00,00,00,00,00,00,00,22\n"
    "\"Path\"=\"C:\\\\users\\\\z\\x00f6e \\\"q\\\"\\t\\0end\"\n"
    "\"Wallpaper\"=str(2):\"%USERPROFILE%\\\\w.bmp\"\n"
    "\n"
    "[Software\\\\Classes\\\\CLSID\\\\{1}] 1796690318\n"
    "#time=1dd86ac76e3ecd9\n"
    "#class=\"shell\"\n"
    ";; a comment\n"
    "@=\"one\"\n"
    "\"Multi\"=str(7):\"a\\0b\\0\"\n"
    "\"Count\"=dword:0000002a\n"
    "\"Odd\"=hex(b):01,02\n"
    "\n"
    "[Software\\\\Wine\\\\Empty] 1796690319\n"
    "#time=1dd86ac76e3ecda";

class WineFormatTest : public ::testing::Test {
 protected:
  std::filesystem::path UserReg() const { return backend_.Prefix() / "user.reg"; }
  void WriteUserReg(const std::string& text) { std::ofstream(UserReg(), std::ios::binary) << text; }
  std::string ReadUserReg() const {
    std::ifstream in(UserReg(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  cRegistry At(const std::string& section, const std::string& value) {
    cRegistry reg(backend_.Fresh());
    reg.SetClassKey(kHkeyCurrentUser);
    reg.SetSectionKey(section);
    reg.SetValueKey(value);
    reg.SetValueType(1);
    return reg;
  }

  WineFileBackend backend_;
};

TEST_F(WineFormatTest, ReadsEveryValueForm) {
  WriteUserReg(kSample);
  auto api = backend_.Fresh();
  const Stored font = Fetch(*api, kHkeyCurrentUser, "Control Panel\\Desktop", "CaptionFont");
  EXPECT_EQ(font.type, kRegBinary);
  EXPECT_EQ(font.data.size(), 28u);
  EXPECT_EQ(font.data.back(), 0x22);
  EXPECT_EQ(At("Control Panel\\Desktop", "Path").Value(),
            DynamicValue(std::string("C:\\users\\zöe \"q\"\t\0end", 22)));
  EXPECT_EQ(Fetch(*api, kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper").type, kRegExpandSz);
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "").Value(), DynamicValue("one"));
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "Multi").Value(), DynamicValue(std::string("a\0b\0", 4)));
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "Count").Value(), DynamicValue(int32_t{42}));
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "Odd").Value(), DynamicValue::FromBytes({1, 2}));
  EXPECT_TRUE(At("Software\\Wine\\Empty", "").KeyExists());
  EXPECT_TRUE(At("software\\CLASSES", "").KeyExists());
}

TEST_F(WineFormatTest, KeepsUntouchedKeysByteForByte) {
  WineHive hive;
  std::string error;
  ASSERT_TRUE(ParseWineRegistry(kSample, hive, error)) << error;
  EXPECT_EQ(SerializeWineRegistry(hive, 0), kSample);

  WriteUserReg(kSample);
  At("Software\\Classes\\CLSID\\{1}", "Count").SetValue("changed");
  const std::string after = ReadUserReg();
  const std::string sample = kSample;
  const size_t blockStart = sample.find("[Software\\\\Classes");
  const size_t blockEnd = sample.find("[Software\\\\Wine");
  EXPECT_EQ(after.substr(0, blockStart), sample.substr(0, blockStart));
  EXPECT_EQ(after.substr(after.find("[Software\\\\Wine")), sample.substr(blockEnd));
  const std::string block = after.substr(blockStart, after.find("[Software\\\\Wine") - blockStart);
  EXPECT_EQ(block.find("1796690318"), std::string::npos) << "the changed key gets a new time";
  EXPECT_NE(
      block.find(
          "#class=\"shell\"\n;; a comment\n@=\"one\"\n\"Multi\"=str(7):\"a\\0b\\0\"\n\"Count\"=\"changed\"\n"
          "\"Odd\"=hex(b):01,02\n\n"),
      std::string::npos)
      << block;
}

TEST_F(WineFormatTest, NewKeysAndEscapesAsWineWritesThem) {
  WriteUserReg(kSample);
  At("Software\\Classes\\.new", "Name \"q\"")
      .SetValue(std::string("ö1\x01"
                            "2\x1b\\",
                            7));
  At("Software\\Classes\\.new", "")
      .SetValue(std::string("x\0"
                            "7",
                            3));
  const std::string after = ReadUserReg();
  EXPECT_NE(after.find("\n\n[Software\\\\Classes\\\\.new] "), std::string::npos) << after;
  EXPECT_LT(after.find("[Software\\\\Classes\\\\.new]"), after.find("[Software\\\\Classes\\\\CLSID"))
      << "sorted";
  EXPECT_NE(after.find("\n@=\"x\\0007\"\n\"Name \\\"q\\\"\"=\"\\x00f61\\0012\\e\\\\\"\n"), std::string::npos)
      << after;
  // Read back through the file.
  EXPECT_EQ(At("Software\\Classes\\.new", "Name \"q\"").Value(), DynamicValue(std::string("ö1\x01"
                                                                                          "2\x1b\\",
                                                                                          7)));
}

TEST_F(WineFormatTest, SuccessiveChangesThroughOneObjectMatchChangesThroughFreshObjects) {
  auto change = [&](cRegistry& reg, int step) {
    reg.SetSectionKey(step == 0 ? "Software\\Classes\\CLSID\\{1}" : "Software\\Wine\\Empty\\Sub");
    reg.SetValueKey(step == 2 ? "Count" : "New");
    reg.SetValue("v" + std::to_string(step));
    if (step == 3) reg.DeleteKey();
  };
  WriteUserReg(kSample);
  cRegistry kept = At("", "");
  for (int step = 0; step < 4; ++step) change(kept, step);
  const std::string throughOne = ReadUserReg();
  WriteUserReg(kSample);
  for (int step = 0; step < 4; ++step) {
    cRegistry fresh = At("", "");
    change(fresh, step);
  }
  EXPECT_EQ(WithoutTimes(throughOne), WithoutTimes(ReadUserReg()));
}

TEST_F(WineFormatTest, DeletingLastSubkeyWritesParentKeepingItAlive) {
  WriteUserReg(kSample);
  At("Software\\Wine\\Empty", "").DeleteKey();
  const std::string after = ReadUserReg();
  EXPECT_EQ(after.find("Empty"), std::string::npos);
  EXPECT_NE(after.find("[Software\\\\Wine] "), std::string::npos) << after;
  EXPECT_TRUE(At("Software\\Wine", "").KeyExists());
}

const char kHeader[] =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to REGISTRY\\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win64\n";

TEST_F(WineFormatTest, ValuesAtTheHiveRootAreReadAndWritten) {
  const std::string rooted = std::string(kHeader) +
                             "\n[] 1796753775\n#time=1dd874036c443ac\n@=\"rootdef\"\n\"rootval\"=\"x\"\n" +
                             std::string(kSample).substr(std::string(kHeader).size());
  WineHive hive;
  std::string error;
  ASSERT_TRUE(ParseWineRegistry(rooted, hive, error)) << error;
  EXPECT_EQ(SerializeWineRegistry(hive, 0), rooted);
  WriteUserReg(rooted);
  EXPECT_EQ(At("", "rootval").Value(), DynamicValue("x"));
  EXPECT_EQ(At("", "").Value(), DynamicValue("rootdef"));
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "").Value(), DynamicValue("one"));

  At("", "added").SetValue("y");
  const std::string after = ReadUserReg();
  EXPECT_EQ(after.find("[Control Panel"), after.find("\"rootval\"=\"x\"\n\n[Control Panel") + 15) << after;
  EXPECT_NE(after.find("\n\n[] "), std::string::npos) << after;
  EXPECT_NE(after.find("\n@=\"rootdef\"\n\"added\"=\"y\"\n\"rootval\"=\"x\"\n"), std::string::npos) << after;
  EXPECT_EQ(At("", "added").Value(), DynamicValue("y"));

  // A hive without a root block gets one, ahead of every key.
  WriteUserReg(kSample);
  At("", "name").SetValue("v");
  const std::string made = ReadUserReg();
  EXPECT_EQ(made.rfind(std::string(kHeader) + "\n[] ", 0), 0u) << made;
  EXPECT_LT(made.find("\"name\"=\"v\"\n\n[Control Panel"), made.find("[Control Panel")) << made;
  EXPECT_EQ(At("", "name").Value(), DynamicValue("v"));
}

TEST_F(WineFormatTest, LastLineWithoutLineEndTakesNothingGluedOn) {
  const std::string sample =
      std::string(kSample).substr(0, std::string(kSample).find("\n\n[Software\\\\Wine"));
  ASSERT_NE(sample.back(), '\n');
  WriteUserReg(sample);
  At("Software\\Classes\\CLSID\\{1}", "Zed").SetValue("z");
  At("Software\\Vendor", "New").SetValue("n");
  const std::string after = ReadUserReg();
  EXPECT_NE(after.find("\"Odd\"=hex(b):01,02\n\"Zed\"=\"z\"\n"), std::string::npos) << after;
  WineHive hive;
  std::string error;
  EXPECT_TRUE(ParseWineRegistry(after, hive, error)) << error << "\n" << after;
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "Odd").Value(), DynamicValue::FromBytes({1, 2}));
  EXPECT_EQ(At("Software\\Classes\\CLSID\\{1}", "Zed").Value(), DynamicValue("z"));
  EXPECT_EQ(At("Software\\Vendor", "New").Value(), DynamicValue("n"));

  // A file cut after a key's header line.
  WriteUserReg(std::string(kHeader) + "\n[Software\\\\Cut] 1");
  At("Software\\Cut", "v").SetValue("1");
  EXPECT_EQ(At("Software\\Cut", "v").Value(), DynamicValue("1")) << ReadUserReg();
}

// A link line as Wine writes it: the target path in UTF-16 without terminator.
std::string LinkBlock(const std::string& key, const std::string& target) {
  std::string line = "[" + key + "] 1796753707\n#time=1dd87400e07db36\n#link\n\"SymbolicLinkValue\"=hex(6):";
  for (size_t i = 0; i < target.size(); ++i) {
    char byte[8];
    std::snprintf(byte, sizeof byte, "%s%02x,00", i ? "," : "", static_cast<unsigned char>(target[i]));
    line += byte;
  }
  return line + "\n\n";
}

TEST_F(WineFormatTest, LinkKeysAreFollowed) {
  const std::string system =
      std::string("WINE REGISTRY Version 2\n;; All keys relative to REGISTRY\\\\Machine\n\n#arch=win64\n\n") +
      "[Software\\\\Classes\\\\AppId\\\\{x}] 1796753707\n@=\"target\"\n\n" +
      LinkBlock("Software\\\\Classes\\\\Wow6432Node\\\\AppId",
                "\\Registry\\Machine\\Software\\Classes\\AppId") +
      LinkBlock("Software\\\\Classes\\\\Wow6432Node\\\\Gone", "\\Registry\\Machine\\Software\\Nowhere") +
      LinkBlock("Software\\\\Loop", "\\REGISTRY\\MACHINE\\Software\\Loop") +
      LinkBlock("Software\\\\ToUser", "\\Registry\\User\\S-1-5-21-0-0-0-1000\\Software\\Vendor");
  std::ofstream(backend_.Prefix() / "system.reg", std::ios::binary) << system;
  WriteUserReg(std::string(kHeader) + "\n[Software\\\\Vendor] 1\n\"v\"=\"in user\"\n");
  auto at = [&](int32_t root, const std::string& section, const std::string& value = "") {
    cRegistry reg = At(section, value);
    reg.SetClassKey(root);
    return reg;
  };
  EXPECT_EQ(at(kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\AppId\\{x}").Value(),
            DynamicValue("target"));
  EXPECT_EQ(at(kHkeyClassesRoot, "wow6432node\\appid\\{X}").Value(), DynamicValue("target"));
  EXPECT_EQ(at(kHkeyLocalMachine, "Software\\ToUser", "v").Value(), DynamicValue("in user"));

  at(kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\AppId\\{y}", "n").SetValue("through the link");
  std::ifstream in(backend_.Prefix() / "system.reg", std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(after.find("\n[Software\\\\Classes\\\\AppId\\\\{y}] "), std::string::npos) << after;
  EXPECT_EQ(after.find("Wow6432Node\\\\AppId\\\\{y}"), std::string::npos) << after;
  EXPECT_NE(after.find(LinkBlock("Software\\\\Classes\\\\Wow6432Node\\\\AppId",
                                 "\\Registry\\Machine\\Software\\Classes\\AppId")),
            std::string::npos);
  std::vector<std::string> names;
  int32_t count = 0;
  at(kHkeyLocalMachine, "Software\\Classes\\Wow6432Node\\AppId").EnumerateSections(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{"{x}", "{y}"}));

  // A link to a missing key, or links that go round, lead nowhere; nothing is made below them.
  for (const char* nowhere : {"Software\\Classes\\Wow6432Node\\Gone", "Software\\Loop"}) {
    EXPECT_FALSE(at(kHkeyLocalMachine, nowhere).KeyExists()) << nowhere;
    EXPECT_THROW(at(kHkeyLocalMachine, std::string(nowhere) + "\\Sub").CreateKey(), VbError) << nowhere;
  }
}

TEST_F(WineFormatTest, NewNamesGoWhereWineSortsThem) {
  WriteUserReg(kHeader);
  // Wine folds to lower case: "_" and "[" come before the letters, and "É" is "é".
  for (const char* name : {"Z", "a", "_x", "[b", "\u00c9", "~"}) {
    At(std::string("Software\\Ord\\") + name, "").SetValue("k");
    At("Software\\Ord", name).SetValue(name);
  }
  At("Software\\Ord", "\u00e9").SetValue("same");
  const std::string after = ReadUserReg();
  std::vector<size_t> keys, values;
  for (const char* name : {"\\[b", "_x", "a", "Z", "~", "\\xc9"}) {
    keys.push_back(after.find(std::string("[Software\\\\Ord\\\\") + name + "]"));
    values.push_back(
        after.find(std::string("\n\"") + (name[0] == '\\' && name[1] == '[' ? "[b" : name) + "\"="));
  }
  EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << after;
  EXPECT_TRUE(std::is_sorted(values.begin(), values.end())) << after;
  EXPECT_EQ(std::count(keys.begin(), keys.end(), std::string::npos), 0) << after;
  EXPECT_EQ(std::count(values.begin(), values.end(), std::string::npos), 0) << after;
  EXPECT_EQ(At("Software\\Ord", "\u00c9").Value(), DynamicValue("same"));
}

TEST_F(WineFormatTest, MalformedFilesFailCleanlyAndAreNeverRewritten) {
  const std::string sample = kSample;
  const std::vector<std::string> broken = {
      "not a registry\n",
      sample + "\n\"x\"=\"unterminated\n",
      sample + "\n\"x\"=hex:0g\n",
      sample + "\n\"x\"=dword:\n",
      sample + "\n\"x\"=qword:0\n",
      sample + "\n[Unterminated\\\\Key\n",
      sample + "\n[Software\\\\Wine\\\\Empty] 1\n",
      sample + "\n[] 1\n\"a\"=\"1\"\n[] 2\n",
      sample + "\nstray text\n",
      sample + "\n\"x\"=\"1\"\n\"x\"=\"2\"\n",
      std::string("WINE REGISTRY Version 2\n[K] 1\n\"a\"=\"\\x\"\n"),
  };
  for (const auto& text : broken) {
    WriteUserReg(text);
    cRegistry reg = At("Control Panel\\Desktop", "Path");
    reg.SetDefault("fallback");
    EXPECT_EQ(reg.Value(), DynamicValue("fallback")) << text;
    EXPECT_FALSE(reg.KeyExists());
    EXPECT_THROW(reg.SetValue("x"), VbError);
    EXPECT_THROW(reg.CreateKey(), VbError);
    RegHandle key = 0;
    EXPECT_EQ(backend_.Fresh()->OpenKey(RootHandle(kHkeyCurrentUser), "Control Panel", kKeyQueryValue, key),
              kRegBadDb);
    EXPECT_EQ(ReadUserReg(), text);
    // The machine's hive is not affected.
    EXPECT_EQ(Seed(*backend_.Fresh(), kHkeyLocalMachine, "Software\\Ok", "v", kRegSz, {0}), 0);
  }
}

TEST_F(WineFormatTest, CutOrDamagedTextNeverCrashesTheReader) {
  const std::string sample = kSample;
  for (size_t length = 0; length <= sample.size(); ++length) {
    WineHive hive;
    std::string error;
    ParseWineRegistry(sample.substr(0, length), hive, error);
  }
  for (size_t at = 0; at < sample.size(); ++at) {
    for (char replacement : {'\\', '"', '\n', '[', ']', '(', ':', ','}) {
      std::string damaged = sample;
      damaged[at] = replacement;
      WineHive hive;
      std::string error;
      if (ParseWineRegistry(damaged, hive, error)) SerializeWineRegistry(hive, 0);
    }
  }
}

TEST_F(WineFormatTest, MissingPrefixReadsEmptyAndIsNotCreated) {
  WineRegistryApi api(backend_.Prefix() / "absent");
  cRegistry reg(std::shared_ptr<RegistryApi>(&api, [](RegistryApi*) {}));
  reg.SetClassKey(kHkeyCurrentUser);
  reg.SetSectionKey("Software");
  reg.SetDefault("none");
  EXPECT_EQ(reg.Value(), DynamicValue("none"));
  EXPECT_FALSE(reg.KeyExists());
  EXPECT_THROW(reg.CreateKey(), VbError);
  EXPECT_FALSE(std::filesystem::exists(backend_.Prefix() / "absent"));
}

}  // namespace
}  // namespace tav
