// The registry object's value reads and writes, run against every back end.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "registry/cRegistry.h"
#include "tests/registry/RegistryBackends.h"

namespace tav {
namespace {

using testing::Fetch;
using ::testing::HasSubstr;
using testing::KeyPresent;
using testing::Seed;
using testing::Stored;
using testing::TextBytes;

constexpr char kSection[] = "Software\\Tavimer\\Main";

template <typename Backend>
class cRegistryTest : public ::testing::Test {
 protected:
  // A registry object on a fresh back-end object, addressed at kSection below HKEY_CURRENT_USER.
  cRegistry Addressed(const std::string& valueKey, int32_t valueType = 1) {
    cRegistry reg(backend_.Fresh());
    reg.SetClassKey(kHkeyCurrentUser);
    reg.SetSectionKey(kSection);
    reg.SetValueKey(valueKey);
    reg.SetValueType(valueType);
    return reg;
  }
  Stored Read(const std::string& path, const std::string& name, int32_t root = kHkeyCurrentUser) {
    return Fetch(*backend_.Fresh(), root, path, name);
  }
  void SeedValue(const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
    ASSERT_EQ(Seed(*backend_.Fresh(), kHkeyCurrentUser, kSection, name, type, data), 0);
  }
  template <typename Action>
  VbError Raised(Action&& action) {
    try {
      action();
    } catch (const VbError& error) {
      return error;
    }
    ADD_FAILURE() << "no error raised";
    return VbError(0, "", "");
  }

  Backend backend_;
};

TYPED_TEST_SUITE(cRegistryTest, testing::TestBackends);

TYPED_TEST(cRegistryTest, FreshObjectReadsDefaultAndFailsToWriteBeforeLookingAtTheType) {
  cRegistry reg(this->backend_.Fresh());
  EXPECT_EQ(reg.ClassKey(), 0);
  EXPECT_EQ(reg.ValueType(), 0);
  EXPECT_TRUE(reg.Value().IsEmpty());
  reg.SetDefault("fallback");
  EXPECT_EQ(reg.Value(), DynamicValue("fallback"));
  EXPECT_FALSE(reg.KeyExists());

  reg.SetSectionKey("a\\b");
  reg.SetValueKey("v");
  reg.SetValueType(7);  // not writable, but the key fails first
  VbError error = this->Raised([&] { reg.SetValue("x"); });
  EXPECT_EQ(error.Number(), 26001);
  EXPECT_EQ(error.Source(), cRegistry::ErrorSource());
  EXPECT_EQ(error.Description(),
            "Failed to set registry value Key: '0',Section: 'a\\b',Key: 'v' to value: 'x'");
  EXPECT_EQ(reg.SectionKey(), "a\\b");
}

TYPED_TEST(cRegistryTest, ErrorSourceIsExecutableNameWithObjectName) {
  EXPECT_EQ(cRegistry::ErrorSource(), "registry_tests.cRegistry");
}

TYPED_TEST(cRegistryTest, ReadOfMissingValueKeepsTypeAndReadOfDwordSetsIt) {
  this->SeedValue("n", kRegDword, {0x2A, 0, 0, 0});
  cRegistry reg = this->Addressed("missing", 3);
  reg.SetDefault(int32_t{-5});
  EXPECT_EQ(reg.Value(), DynamicValue(int32_t{-5}));
  EXPECT_EQ(reg.ValueType(), 3);
  reg.SetValueKey("n");
  EXPECT_EQ(reg.Value(), DynamicValue(int32_t{42}));
  EXPECT_EQ(reg.ValueType(), 4);
}

TYPED_TEST(cRegistryTest, ReadConvertsByStoredType) {
  this->SeedValue("empty", kRegSz, {});
  this->SeedValue("nul", kRegSz, {0});
  this->SeedValue("text", kRegSz, TextBytes("C:\\Users\\Zoë\\Documents"));
  this->SeedValue("multi", kRegMultiSz, {'a', 0, 'b', 0, 0});
  this->SeedValue("big", kRegDwordBigEndian, {0, 0, 1, 0});
  this->SeedValue("little", kRegDword, {0, 0, 1, 0});
  this->SeedValue("negative", kRegDword, {0xFF, 0xFF, 0xFF, 0xFF});
  this->SeedValue("blob", kRegBinary, {1, 2, 0, 4, 5});
  this->SeedValue("none", kRegNone, {9});
  this->SeedValue("link", kRegLink, {7, 7});
  this->SeedValue("odd", 11, {1, 2, 3});
  cRegistry reg = this->Addressed("");
  auto read = [&](const char* name) {
    reg.SetValueKey(name);
    return reg.Value();
  };
  EXPECT_EQ(read("empty"), DynamicValue(""));
  EXPECT_EQ(read("nul"), DynamicValue(""));
  EXPECT_EQ(read("text"), DynamicValue("C:\\Users\\Zoë\\Documents"));
  EXPECT_EQ(read("multi"), DynamicValue(std::string("a\0b\0", 4)));
  EXPECT_EQ(reg.ValueType(), 7);
  EXPECT_EQ(read("big"), DynamicValue(int32_t{256}));
  EXPECT_EQ(reg.ValueType(), 5);
  EXPECT_EQ(read("little"), DynamicValue(int32_t{65536}));
  EXPECT_EQ(read("negative"), DynamicValue(int32_t{-1}));
  EXPECT_EQ(read("blob"), DynamicValue::FromBytes({1, 2, 0, 4, 5}));
  EXPECT_EQ(read("none"), DynamicValue::FromBytes({9}));
  EXPECT_EQ(read("link"), DynamicValue::FromBytes({7, 7}));
  EXPECT_EQ(read("odd"), DynamicValue::FromBytes({1, 2, 3}));
  EXPECT_EQ(reg.ValueType(), 11);
}

TYPED_TEST(cRegistryTest, ExpandableTextIsExpandedOnRead) {
  this->backend_.SetVariable("TAVTEST", "C:\\Temp");
  this->SeedValue("exp", kRegExpandSz, TextBytes("%TAVTEST%\\x and %UNSET_TAV% 50%"));
  cRegistry reg = this->Addressed("exp");
  EXPECT_EQ(reg.Value(), DynamicValue("C:\\Temp\\x and %UNSET_TAV% 50%"));
  EXPECT_EQ(reg.ValueType(), 2);
}

TYPED_TEST(cRegistryTest, PercentRuleDecidesStoredStringType) {
  const std::vector<std::pair<std::string, uint32_t>> cases = {{"%TEMP%\\x", kRegExpandSz},
                                                               {"50% of 100%", kRegExpandSz},
                                                               {"%a%", kRegExpandSz},
                                                               {"50%", kRegSz},
                                                               {"100%", kRegSz},
                                                               {"%%", kRegSz},
                                                               {"a%%b", kRegSz},
                                                               {"plain", kRegSz}};
  for (int32_t valueType : {1, 2}) {
    for (size_t i = 0; i < cases.size(); ++i) {
      const std::string name = "v" + std::to_string(valueType) + std::to_string(i);
      cRegistry reg = this->Addressed(name, valueType);
      reg.SetValue(cases[i].first);
      const Stored stored = this->Read(kSection, name);
      EXPECT_EQ(stored.type, cases[i].second) << cases[i].first;
      EXPECT_EQ(stored.data, TextBytes(cases[i].first)) << cases[i].first;
    }
  }
}

TYPED_TEST(cRegistryTest, StringWriteConvertsNumbersAndCreatesWholePath) {
  cRegistry reg = this->Addressed("count");
  reg.SetSectionKey("Software\\New\\Deep\\Path");
  reg.SetValue(int16_t{-12});
  EXPECT_EQ(this->Read("Software\\New\\Deep\\Path", "count").data, TextBytes("-12"));
  reg.SetValueKey("");
  reg.SetValue("default text");
  EXPECT_EQ(this->Read("Software\\New\\Deep\\Path", "").data, TextBytes("default text"));
}

TYPED_TEST(cRegistryTest, DwordWritesStoreTypeFourAndIgnoreNonIntegers) {
  for (int32_t valueType : {4, 5}) {
    const std::string name = "d" + std::to_string(valueType);
    cRegistry reg = this->Addressed(name, valueType);
    reg.SetValue(int32_t{7});
    const Stored stored = this->Read(kSection, name);
    EXPECT_EQ(stored.type, kRegDword);
    EXPECT_EQ(stored.data, (std::vector<uint8_t>{7, 0, 0, 0}));
    reg.SetValueKey(name + "text");
    EXPECT_NO_THROW(reg.SetValue("7"));
    EXPECT_EQ(this->Read(kSection, name + "text").type, 0xFFFFFFFFu);
  }
}

TYPED_TEST(cRegistryTest, BinaryWriteNeedsBytes) {
  cRegistry reg = this->Addressed("blob", 3);
  reg.SetValue(DynamicValue::FromBytes({0, 1, 2}));
  EXPECT_EQ(this->Read(kSection, "blob").data, (std::vector<uint8_t>{0, 1, 2}));
  reg.SetValueKey("notbytes");
  VbError error = this->Raised([&] { reg.SetValue("abc"); });
  EXPECT_EQ(error.Number(), 26001);
  EXPECT_EQ(error.Source(), "");
  EXPECT_EQ(error.Description(), "");
  EXPECT_EQ(this->Read(kSection, "notbytes").type, 0xFFFFFFFFu);
}

TYPED_TEST(cRegistryTest, UnwritableTypeRaisesAfterCreatingKey) {
  for (int32_t valueType : {0, 6, 7, 8}) {
    cRegistry reg = this->Addressed("m", valueType);
    reg.SetSectionKey("Software\\Made" + std::to_string(valueType));
    VbError error = this->Raised([&] { reg.SetValue("x"); });
    EXPECT_EQ(error.Number(), static_cast<int32_t>(0x800469A9u));
    EXPECT_EQ(error.Number(), -2147194455);
    EXPECT_EQ(error.Description(),
              "Failed to set registry value Key: '-2147483647',Section: 'Software\\Made" +
                  std::to_string(valueType) + "',Key: 'm' to value: 'x'");
    EXPECT_TRUE(KeyPresent(*this->backend_.Fresh(), kHkeyCurrentUser, reg.SectionKey()));
  }
}

TYPED_TEST(cRegistryTest, ValueExSetsAddressAndWritesDefaultForEmptyText) {
  cRegistry reg(this->backend_.Fresh());
  reg.SetValueEx(kHkeyCurrentUser, kSection, "ex", 1, "x", "");
  EXPECT_EQ(this->Read(kSection, "ex").data, TextBytes("x"));
  reg.SetValueEx(kHkeyCurrentUser, kSection, "ex", 1, "x", "y");
  EXPECT_EQ(this->Read(kSection, "ex").data, TextBytes("y"));
  reg.SetValueEx(kHkeyCurrentUser, kSection, "num", 4, int32_t{1}, int32_t{0});
  EXPECT_EQ(this->Read(kSection, "num").data, (std::vector<uint8_t>{0, 0, 0, 0}));

  EXPECT_EQ(reg.ValueEx(kHkeyCurrentUser, kSection, "ex", 3, "d"), DynamicValue("y"));
  EXPECT_EQ(reg.ValueType(), 1);
  EXPECT_EQ(reg.ValueEx(kHkeyCurrentUser, kSection, "nothing", 3, "d"), DynamicValue("d"));
  EXPECT_EQ(reg.ClassKey(), kHkeyCurrentUser);
  EXPECT_EQ(reg.SectionKey(), kSection);
  EXPECT_EQ(reg.ValueKey(), "nothing");
  EXPECT_EQ(reg.ValueType(), 3);
  EXPECT_EQ(reg.Default(), DynamicValue("d"));
}

TYPED_TEST(cRegistryTest, MachineNamesAndUnreachableRemoteRegistry) {
  cRegistry reg = this->Addressed("v");
  reg.SetMachine("ab");
  EXPECT_EQ(reg.Machine(), "");
  reg.SetMachine("äb");
  EXPECT_EQ(reg.Machine(), "") << "two characters, three bytes";
  reg.SetMachine("server");
  EXPECT_EQ(reg.Machine(), "\\\\server");
  reg.SetMachine("\\\\host");
  EXPECT_EQ(reg.Machine(), "\\\\host");

  this->SeedValue("v", kRegSz, TextBytes("local"));
  reg.SetDefault("unreachable");
  EXPECT_EQ(reg.Value(), DynamicValue("unreachable"));
  EXPECT_EQ(reg.ValueType(), 1);
  reg.SetSectionKey("Software\\Remote");
  EXPECT_NO_THROW(reg.SetValue("x"));
  EXPECT_FALSE(KeyPresent(*this->backend_.Fresh(), kHkeyCurrentUser, "Software\\Remote"));
  // The key operations ignore Machine.
  EXPECT_TRUE(reg.CreateKey());
  EXPECT_TRUE(reg.KeyExists());
}

TYPED_TEST(cRegistryTest, OperationsLeaveNoHandleOpen) {
  auto api = this->backend_.Fresh();
  cRegistry reg(api);
  reg.SetClassKey(kHkeyCurrentUser);
  reg.SetSectionKey(kSection);
  reg.SetValueKey("v");
  reg.SetValueType(1);
  // The first use of a root may open what the system then keeps open (Windows' predefined keys).
  RegHandle key = 0;
  if (api->OpenKey(RootHandle(kHkeyCurrentUser), "Software", kKeyQueryValue, key) == kRegOk)
    api->CloseKey(key);
  const size_t before = testing::OpenHandles(*api);
  ASSERT_NE(before, SIZE_MAX) << "the system does not list the open handles";
  reg.SetValue("x");
  reg.Value();
  reg.SetValueType(7);
  EXPECT_THROW(reg.SetValue("x"), VbError);
  reg.SetValueType(3);
  EXPECT_THROW(reg.SetValue("x"), VbError);
  reg.KeyExists();
  reg.CreateKey();
  std::vector<std::string> names;
  int32_t count = 0;
  reg.EnumerateValues(names, count);
  reg.EnumerateSections(names, count);
  reg.DeleteValue();
  EXPECT_THROW(reg.DeleteValue(), VbError);
  EXPECT_EQ(testing::OpenHandles(*api), before);
}

}  // namespace
}  // namespace tav
