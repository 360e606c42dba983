// File-type registration through the registry object, run against every back end.

#include <gtest/gtest.h>

#include "registry/cRegistry.h"
#include "tests/registry/RecordingRegistryApi.h"
#include "tests/registry/RegistryBackends.h"

namespace tav {
namespace {

using testing::Fetch;
using testing::RecordedWrite;
using testing::RecordingRegistryApi;
using testing::Stored;

// Every test writes through a recording back end, so that each entry's two writes are seen with
// the root they went to: the back ends show HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE
// "SOFTWARE\Classes" as one key, where a write to the wrong root would go unnoticed.
template <typename Backend>
class AssociationTest : public ::testing::Test {
 protected:
  void TearDown() override { PairedWrites(); }

  // The keys written, in order. Every write must be the default value of a key below
  // HKEY_CLASSES_ROOT followed by the same write to the same key below HKEY_LOCAL_MACHINE
  // "SOFTWARE\Classes\".
  std::vector<std::string> PairedWrites() {
    std::vector<std::string> keys;
    const auto& writes = recorder_->Writes();
    EXPECT_EQ(writes.size() % 2, 0u) << "a write without its second root";
    for (size_t i = 0; i + 1 < writes.size(); i += 2) {
      const RecordedWrite& classes = writes[i];
      const RecordedWrite& machine = writes[i + 1];
      EXPECT_EQ(classes.root, kHkeyClassesRoot) << "write " << i << " to " << classes.path;
      EXPECT_EQ(machine.root, kHkeyLocalMachine) << "write " << i + 1 << " to " << machine.path;
      EXPECT_EQ(machine.path, "SOFTWARE\\Classes\\" + classes.path) << "write " << i + 1;
      EXPECT_TRUE(classes.name.empty() && machine.name.empty()) << classes.path;
      EXPECT_EQ(classes.type, machine.type) << classes.path;
      EXPECT_EQ(classes.data, machine.data) << classes.path;
      keys.push_back(classes.path);
    }
    return keys;
  }
  const RecordedWrite* LastWrite(int32_t root, const std::string& path) {
    const auto& writes = recorder_->Writes();
    for (auto at = writes.rbegin(); at != writes.rend(); ++at) {
      if (at->root == root && at->path == path && at->name.empty()) return &*at;
    }
    return nullptr;
  }
  // The default value of a key, written below both roots and kept by the back end; fails the test
  // when one of the two writes is missing or they differ.
  Stored Entry(const std::string& key) {
    const RecordedWrite* classes = LastWrite(kHkeyClassesRoot, key);
    const RecordedWrite* machine = LastWrite(kHkeyLocalMachine, "SOFTWARE\\Classes\\" + key);
    const Stored kept = Fetch(*recorder_, kHkeyLocalMachine, "SOFTWARE\\Classes\\" + key, "");
    if (!classes && !machine) return kept;
    EXPECT_TRUE(classes) << key << " was not written below HKEY_CLASSES_ROOT";
    EXPECT_TRUE(machine) << key << " was not written below HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes";
    if (!classes || !machine) return {};
    EXPECT_EQ(classes->type, machine->type) << key;
    EXPECT_EQ(classes->data, machine->data) << key;
    EXPECT_EQ(kept.type, machine->type) << key;
    EXPECT_EQ(kept.data, machine->data) << key;
    return kept;
  }
  std::string Text(const std::string& key) {
    const Stored stored = Entry(key);
    if (stored.data.empty()) return "<missing>";
    return std::string(stored.data.begin(), stored.data.end() - 1);
  }
  // All keys below the machine's class key, depth first.
  std::vector<std::string> KeysBelow(const std::string& key) {
    std::vector<std::string> found;
    cRegistry reg(recorder_);
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
  std::shared_ptr<RecordingRegistryApi> recorder_ = std::make_shared<RecordingRegistryApi>(backend_.Fresh());
};

TYPED_TEST_SUITE(AssociationTest, testing::TestBackends);

TYPED_TEST(AssociationTest, MinimalRegistrationWritesFourKeysBelowBothRoots) {
  cRegistry reg(this->recorder_);
  reg.CreateEXEAssociation("  C:\\app.exe ", "Tav.Doc", "Tavimer list", "xyz", "", false, "", false, "",
                           false, "", -1);
  EXPECT_EQ(this->Text(".xyz"), "Tav.Doc");
  EXPECT_EQ(this->Text("Tav.Doc"), "Tavimer list");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\open"), "&Open");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\open\\command"), "\"C:\\app.exe\" \"%1\"");
  EXPECT_EQ(this->KeysBelow("Tav.Doc"), (std::vector<std::string>{"Tav.Doc\\shell", "Tav.Doc\\shell\\open",
                                                                  "Tav.Doc\\shell\\open\\command"}));
  EXPECT_EQ(this->PairedWrites(), (std::vector<std::string>{".xyz", "Tav.Doc", "Tav.Doc\\shell\\open",
                                                            "Tav.Doc\\shell\\open\\command"}));
  EXPECT_EQ(reg.ClassKey(), kHkeyLocalMachine);
  EXPECT_EQ(reg.SectionKey(), "Tav.Doc\\shell\\open\\command");
  EXPECT_EQ(reg.ValueKey(), "");
  EXPECT_EQ(reg.ValueType(), 1);
}

TYPED_TEST(AssociationTest, FullRegistrationWithDefaultMenuTextsAndIcon) {
  cRegistry reg(this->recorder_);
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
  EXPECT_EQ(
      this->PairedWrites(),
      (std::vector<std::string>{".xyz", "Tav.Doc", "Tav.Doc\\shell\\open", "Tav.Doc\\shell\\open\\command",
                                "Tav.Doc\\shell\\print", "Tav.Doc\\shell\\print\\command",
                                "Tav.Doc\\shell\\add", "Tav.Doc\\shell\\add\\command", "Tav.Doc\\shell\\new",
                                "Tav.Doc\\shell\\new\\command", "Tav.Doc\\DefaultIcon"}));

  reg.CreateEXEAssociation("C:\\a.exe", "Tav.Doc", "Doc", "xyz", "Öffnen", true, "Drucken", true, "Neu", true,
                           "Einrichten", 3);
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\open"), "Öffnen");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\print"), "Drucken");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\add"), "Einrichten");
  EXPECT_EQ(this->Text("Tav.Doc\\shell\\new"), "Neu");
  EXPECT_EQ(this->Text("Tav.Doc\\DefaultIcon"), "\"C:\\a.exe\",3");
}

TYPED_TEST(AssociationTest, ExecutablePathQuotingAndExpandableCommands) {
  cRegistry reg(this->recorder_);
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
  cRegistry reg(this->recorder_);
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
