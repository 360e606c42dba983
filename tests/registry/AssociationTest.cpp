// File-type registration through the registry object, run against every back end.

#include <gtest/gtest.h>

#include "registry/cRegistry.h"
#include "tests/registry/RegistryBackends.h"

namespace tav {
namespace {

using testing::Fetch;
using testing::KeyPresent;
using testing::Stored;
using testing::TextBytes;

template <typename Backend>
class AssociationTest : public ::testing::Test {
 protected:
  // The default value of a key below both class roots; fails the test when the two differ.
  Stored Entry(const std::string& key) {
    auto api = backend_.Fresh();
    const Stored classes = Fetch(*api, kHkeyClassesRoot, key, "");
    const Stored machine = Fetch(*api, kHkeyLocalMachine, "SOFTWARE\\Classes\\" + key, "");
    EXPECT_EQ(classes.type, machine.type) << key;
    EXPECT_EQ(classes.data, machine.data) << key;
    return machine;
  }
  std::string Text(const std::string& key) {
    const Stored stored = Entry(key);
    if (stored.data.empty()) return "<missing>";
    return std::string(stored.data.begin(), stored.data.end() - 1);
  }
  // All keys below the machine's class key, depth first.
  std::vector<std::string> KeysBelow(const std::string& key) {
    std::vector<std::string> found;
    cRegistry reg(backend_.Fresh());
    reg.SetClassKey(kHkeyLocalMachine);
    reg.SetSectionKey("SOFTWARE\\Classes\\" + key);
    std::vector<std::string> names;
    int32_t count = 0;
    reg.EnumerateSections(names, count);
    for (const auto& name : names) {
      found.push_back(key + "\\" + name);
      for (const auto& deeper : KeysBelow(key + "\\" + name)) found.push_back(deeper);
    }
    return found;
  }

  Backend backend_;
};

TYPED_TEST_SUITE(AssociationTest, testing::TestBackends);

TYPED_TEST(AssociationTest, MinimalRegistrationWritesFourKeysBelowBothRoots) {
  cRegistry reg(this->backend_.Fresh());
  reg.CreateEXEAssociation("  C:\\app.exe ", "Tav.Doc", "Tavimer list", "xyz", "", false, "", false, "",
                           false, "", -1);
  EXPECT_EQ(this->Text(".xyz"), "Tav.Doc");
  EXPECT_EQ(this->Text("Tav.Doc"), "Tavimer list");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\open"), "&Open");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\open\\command"), "\"C:\\app.exe\" \"%1\"");
  EXPECT_EQ(this->KeysBelow("Tav.Doc"), (std::vector<std::string>{"Tav.Doc\\shell", "Tav.Doc\\shell\\open",
                                                                  "Tav.Doc\\shell\\open\\command"}));
  EXPECT_EQ(reg.ClassKey(), kHkeyLocalMachine);
  EXPECT_EQ(reg.SectionKey(), "Tav.Doc\\shell\\open\\command");
  EXPECT_EQ(reg.ValueKey(), "");
  EXPECT_EQ(reg.ValueType(), 1);
}

TYPED_TEST(AssociationTest, FullRegistrationWithDefaultMenuTextsAndIcon) {
  cRegistry reg(this->backend_.Fresh());
  reg.CreateEXEAssociation("\"C:\\Program Files\\Tav\\tav.exe\"", "Tav.Doc", "Doc", "xyz", "", true, "", true,
                           "", true, "", 0);
  const std::string path = "\"C:\\Program Files\\Tav\\tav.exe\"";
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\print"), "&Print");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\print\\command"), path + " /p \"%1\"");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\add"), "&Install xyz");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\add\\command"), path + " /a \"%1\"");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\new"), "&New");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\new\\command"), path + " /n \"%1\"");
  EXPECT_EQ(this->Text("Tav.Doc\\DefaultIcon"), path + ",0");
  EXPECT_EQ(reg.SectionKey(), "Tav.Doc\\DefaultIcon");

  reg.CreateEXEAssociation("C:\\a.exe", "Tav.Doc", "Doc", "xyz", "Öffnen", true, "Drucken", true, "Neu", true,
                           "Einrichten", 3);
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\open"), "Öffnen");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\print"), "Drucken");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\add"), "Einrichten");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\new"), "Neu");
  EXPECT_EQ(this->Text("Tav.Doc\\DefaultIcon"), "\"C:\\a.exe\",3");
}

TYPED_TEST(AssociationTest, ExecutablePathQuotingAndExpandableCommands) {
  cRegistry reg(this->backend_.Fresh());
  reg.CreateEXEAssociation("", "Empty.Doc", "Doc", "e1");
  EXPECT_EQ(this->Text("Empty.Doc\\shell\\open\\command"), "\" \"%1\"");
  reg.CreateEXEAssociation("\"C:\\x.exe", "Half.Doc", "Doc", "e2");
  EXPECT_EQ(this->Text("Half.Doc\\shell\\open\\command"), "\"C:\\x.exe\" \"%1\"");

  reg.CreateEXEAssociation("%ProgramFiles%\\Tav\\tav.exe", "Env.Doc", "50%", "e3", "", true);
  EXPECT_EQ(this->Entry("Env.Doc\\shell\\open\\command").type, kRegExpandSz);
  EXPECT_EQ(this->Entry("Env.Doc\\shell\\print\\command").type, kRegExpandSz);
  EXPECT_EQ(this->Entry("Env.Doc").type, kRegSz);
  EXPECT_EQ(this->Entry("Env.Doc\\shell\\open").type, kRegSz);
}

TYPED_TEST(AssociationTest, AdditionalVerbsRecordErrorsInsteadOfThrowing) {
  cRegistry reg(this->backend_.Fresh());
  reg.CreateEXEAssociation("C:\\app.exe", "Tav.Doc", "Doc", "xyz");

  EXPECT_NO_THROW(reg.CreateAdditionalEXEAssociations("Tav.Doc", {"view", "&View", "cmd"}));
  EXPECT_EQ(reg.LastError().Number, static_cast<int32_t>(0x800469ADu));
  EXPECT_EQ(reg.LastError().Number, -2147194451);
  EXPECT_EQ(reg.LastError().Source, cRegistry::ErrorSource());
  EXPECT_EQ(reg.LastError().Description,
            "Error - attempt to create additional associations before class defined.");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\view"), "<missing>");

  reg.SetClassKey(kHkeyClassesRoot);
  reg.CreateAdditionalEXEAssociations("Tav.Doc", {"view", "&View", "cmd", "four"});
  EXPECT_EQ(reg.LastError().Number, -2147194452);
  EXPECT_EQ(reg.LastError().Description,
            "Invalid parameter list passed to CreateAdditionalEXEAssociations - expected Name/Text/Command");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\view"), "<missing>");

  reg.CreateAdditionalEXEAssociations("Tav.Doc", {});
  EXPECT_EQ(reg.LastError().Number, 0);
  EXPECT_EQ(reg.SectionKey(), "Tav.Doc");

  reg.CreateAdditionalEXEAssociations("Tav.Doc",
                                      {"view", "&View", "viewer.exe \"%1\"", "edit", "&Edit", "ed %1"});
  EXPECT_EQ(reg.LastError().Number, 0);
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\view"), "&View");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\view\\command"), "viewer.exe \"%1\"");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\edit"), "&Edit");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\edit\\command"), "ed %1");
  EXPECT_EQ(reg.ClassKey(), kHkeyLocalMachine);
  EXPECT_EQ(reg.SectionKey(), "Tav.Doc\\shell\\edit\\command");
}

TEST(AssociationFailureTest, FirstFailingWriteEndsRegistrationButNotAdditionalVerbs) {
  auto api = std::make_shared<MemoryRegistryApi>();
  cRegistry reg(api);
  reg.CreateEXEAssociation("C:\\app.exe", "Tav.Doc", "Doc", "xyz");
  api->RefuseChanges(kRegAccessDenied);
  try {
    reg.CreateEXEAssociation("C:\\app.exe", "Tav.Doc", "Doc", "xyz");
    ADD_FAILURE() << "no error raised";
  } catch (const VbError& error) {
    EXPECT_EQ(error.Number(), static_cast<int32_t>(0x800469A9u));
    EXPECT_EQ(error.Description(),
              "Failed to set registry value Key: '-2147483648',Section: '.xyz',Key: '' to value: 'Tav.Doc'");
  }
  EXPECT_EQ(reg.ClassKey(), kHkeyClassesRoot);

  reg.SetClassKey(kHkeyClassesRoot);
  reg.CreateAdditionalEXEAssociations("Tav.Doc", {"view", "&View", "v", "edit", "&Edit", "e"});
  EXPECT_EQ(reg.LastError().Number, 26001) << "the last failure is kept: a key that cannot be created";
  EXPECT_EQ(
      reg.LastError().Description,
      "Failed to set registry value Key: '-2147483648',Section: 'Tav.Doc\\shell\\edit\\command',Key: '' to "
      "value: 'e'");
  EXPECT_EQ(reg.SectionKey(), "Tav.Doc\\shell\\edit\\command");
}

}  // namespace
}  // namespace tav
