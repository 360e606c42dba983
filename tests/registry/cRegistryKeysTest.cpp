// Key operations and enumerations of the registry object, run against every back end.

#include <gtest/gtest.h>

#include <algorithm>

#include "registry/cRegistry.h"
#include "tests/registry/RegistryBackends.h"

namespace tav {
namespace {

using testing::KeyPresent;
using testing::Seed;
using testing::TextBytes;

template <typename Backend>
class cRegistryKeysTest : public ::testing::Test {
 protected:
  cRegistry At(const std::string& section, int32_t root = kHkeyCurrentUser) {
    cRegistry reg(backend_.Fresh());
    reg.SetClassKey(root);
    reg.SetSectionKey(section);
    return reg;
  }
  std::string RaisedDescription(const std::function<void()>& action, int32_t number = 26001) {
    try {
      action();
    } catch (const VbError& error) {
      EXPECT_EQ(error.Number(), number);
      EXPECT_EQ(error.Source(), cRegistry::ErrorSource());
      return error.Description();
    }
    ADD_FAILURE() << "no error raised";
    return {};
  }

  Backend backend_;
};

TYPED_TEST_SUITE(cRegistryKeysTest, testing::TestBackends);

TYPED_TEST(cRegistryKeysTest, CreateKeyMakesWholePathAndFailsWithoutRoot) {
  cRegistry reg = this->At("Software\\A\\B\\C");
  EXPECT_FALSE(reg.KeyExists());
  EXPECT_TRUE(reg.CreateKey());
  EXPECT_TRUE(reg.KeyExists());
  EXPECT_TRUE(this->At("software\\a").KeyExists()) << "key names compare without case";
  EXPECT_TRUE(reg.CreateKey()) << "an existing key opens";

  cRegistry fresh = this->At("x\\y", 0);
  EXPECT_FALSE(fresh.KeyExists());
  EXPECT_EQ(this->RaisedDescription([&] { fresh.CreateKey(); }), "Failed to create registry Key: 'x\\y");
}

TYPED_TEST(cRegistryKeysTest, DeleteKeyRefusesMissingKeysAndKeysWithSubkeys) {
  EXPECT_EQ(this->RaisedDescription([&] { this->At("Software\\Gone").DeleteKey(); }),
            "Failed to delete registry Key: '-2147483647',Section: 'Software\\Gone");
  this->At("Software\\Parent\\Child").CreateKey();
  cRegistry parent = this->At("Software\\Parent");
  EXPECT_EQ(this->RaisedDescription([&] { parent.DeleteKey(); }),
            "Failed to delete registry Key: '-2147483647',Section: 'Software\\Parent");
  EXPECT_TRUE(this->At("Software\\Parent\\Child").DeleteKey());
  EXPECT_TRUE(parent.KeyExists());
  EXPECT_TRUE(parent.DeleteKey());
  EXPECT_FALSE(parent.KeyExists());
  EXPECT_TRUE(this->At("Software").KeyExists());
}

TYPED_TEST(cRegistryKeysTest, DeleteValueMessagesForMissingKeyAndMissingValue) {
  cRegistry reg = this->At("Software\\Keys");
  reg.SetValueKey("v");
  EXPECT_EQ(this->RaisedDescription([&] { reg.DeleteValue(); }),
            "Failed to open key '-2147483647',Section: 'Software\\Keys' for delete access");
  reg.CreateKey();
  EXPECT_EQ(this->RaisedDescription([&] { reg.DeleteValue(); }),
            "Failed to delete registry Key: '-2147483647',Section: 'Software\\Keys',Key: 'v");
  ASSERT_EQ(Seed(*this->backend_.Fresh(), kHkeyCurrentUser, "Software\\Keys", "v", kRegSz, TextBytes("1")),
            0);
  ASSERT_EQ(Seed(*this->backend_.Fresh(), kHkeyCurrentUser, "Software\\Keys", "w", kRegSz, TextBytes("2")),
            0);
  EXPECT_TRUE(reg.DeleteValue());
  reg.SetValueType(1);
  reg.SetDefault("gone");
  EXPECT_EQ(reg.Value(), DynamicValue("gone"));
  reg.SetValueKey("w");
  EXPECT_EQ(reg.Value(), DynamicValue("2"));
}

TYPED_TEST(cRegistryKeysTest, EnumerationsListNamesFromOneAndEmptyForMissingKey) {
  std::vector<std::string> names = {"stale"};
  int32_t count = 9;
  cRegistry missing = this->At("Software\\Missing");
  EXPECT_TRUE(missing.EnumerateValues(names, count));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(count, 0);
  names = {"stale"};
  count = 9;
  EXPECT_TRUE(missing.EnumerateSections(names, count));
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(count, 0);

  for (const char* child : {"Gamma", "alpha", "Beta"})
    this->At(std::string("Software\\List\\") + child).CreateKey();
  cRegistry list = this->At("Software\\List");
  EXPECT_TRUE(list.EnumerateSections(names, count));
  EXPECT_EQ(count, 3);
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "Gamma"}));

  auto api = this->backend_.Fresh();
  const std::string longName(300, 'n');
  for (const std::string& name : {std::string("Path"), std::string(), longName, std::string("a")}) {
    ASSERT_EQ(Seed(*api, kHkeyCurrentUser, "Software\\List", name, kRegSz, TextBytes("x")), 0);
  }
  EXPECT_TRUE(list.EnumerateValues(names, count));
  EXPECT_EQ(count, 4);
  EXPECT_EQ(names, (std::vector<std::string>{"", "a", longName, "Path"}));
}

bool Contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// As Wine presents it: the machine's classes only.
TYPED_TEST(cRegistryKeysTest, ClassesRootIsTheMachinesClasses) {
  this->At("Software\\Classes\\.abc", kHkeyLocalMachine).CreateKey();
  this->At("Software\\Classes\\.def", kHkeyCurrentUser).CreateKey();
  EXPECT_TRUE(this->At(".abc", kHkeyClassesRoot).KeyExists());
  EXPECT_FALSE(this->At(".def", kHkeyClassesRoot).KeyExists());
  std::vector<std::string> names;
  int32_t count = 0;
  this->At("", kHkeyClassesRoot).EnumerateSections(names, count);
  EXPECT_TRUE(Contains(names, ".abc"));
  EXPECT_FALSE(Contains(names, ".def"));
  this->At("NewClass", kHkeyClassesRoot).CreateKey();
  EXPECT_TRUE(KeyPresent(*this->backend_.Fresh(), kHkeyLocalMachine, "Software\\Classes\\NewClass"));
}

// As Windows presents it: the user's classes before the machine's.
TEST(MergedClassesTest, UserClassesComeFirstAndNamesJoin) {
  auto api = std::make_shared<MemoryRegistryApi>();
  api->SetClassesMerged(true);
  auto at = [&](int32_t root, const std::string& section) {
    cRegistry reg(api);
    reg.SetClassKey(root);
    reg.SetSectionKey(section);
    reg.SetValueType(1);
    return reg;
  };
  at(kHkeyLocalMachine, "Software\\Classes\\.abc").SetValue("machine");
  at(kHkeyLocalMachine, "Software\\Classes\\.def").SetValue("machine");
  at(kHkeyCurrentUser, "Software\\Classes\\.def").SetValue("user");
  at(kHkeyCurrentUser, "Software\\Classes\\.aaa").CreateKey();
  EXPECT_EQ(at(kHkeyClassesRoot, ".abc").Value(), DynamicValue("machine"));
  EXPECT_EQ(at(kHkeyClassesRoot, ".def").Value(), DynamicValue("user"));
  std::vector<std::string> names;
  int32_t count = 0;
  at(kHkeyClassesRoot, "").EnumerateSections(names, count);
  EXPECT_EQ(names, (std::vector<std::string>{".aaa", ".abc", ".def"}));
  at(kHkeyClassesRoot, "NewClass").CreateKey();
  EXPECT_TRUE(KeyPresent(*api, kHkeyLocalMachine, "Software\\Classes\\NewClass"));
}

}  // namespace
}  // namespace tav
