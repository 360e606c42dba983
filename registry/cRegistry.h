#pragma once
// The registry access object. A caller sets the address first (a root in ClassKey, a key path in
// SectionKey, a value name in ValueKey, the data type in ValueType) and then reads or assigns
// Value, or calls one of the key operations, which all act on that address.
//
// Reads never fail: a value that cannot be read yields Default. Writes, key creation and
// deletion throw VbError with fixed numbers; the source is the executable's name followed by
// ".cRegistry". No registry handle stays open between calls.
//
// All registry calls go through a RegistryApi; the default constructor takes the program's
// (DefaultRegistryApi), tests pass their own.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/VbError.h"
#include "platform/registry/RegistryApi.h"
#include "registry/DynamicValue.h"

namespace tav {

// Error numbers the object raises.
constexpr int32_t kRegistryWriteError = 26001;
constexpr int32_t kRegistryStoreRefused = static_cast<int32_t>(0x800469A9u);
constexpr int32_t kRegistryEnumerationFailed = static_cast<int32_t>(0x800469AAu);
constexpr int32_t kRegistryInvalidItemList = static_cast<int32_t>(0x800469ACu);
constexpr int32_t kRegistryClassNotDefined = static_cast<int32_t>(0x800469ADu);

class cRegistry {
 public:
  cRegistry();
  explicit cRegistry(std::shared_ptr<RegistryApi> api);

  // Remote computer for value reads and writes ("\\name"), empty for the local registry. A name
  // shorter than 3 characters clears it; two backslashes are put in front when missing.
  const std::string& Machine() const { return machine_; }
  void SetMachine(std::string sMachine);

  // True when SectionKey can be opened below ClassKey. Never throws.
  bool KeyExists();
  // Creates SectionKey (and the keys on its path). True, or throws 26001.
  bool CreateKey();
  // Deletes SectionKey, which must have no subkeys. True, or throws 26001.
  bool DeleteKey();
  // Deletes the value ValueKey of SectionKey. True, or throws 26001.
  bool DeleteValue();

  // Reads the value at the address, converted by its stored type, and sets ValueType to that
  // type; returns Default when it cannot be read.
  DynamicValue Value();
  // Writes the value at the address, creating the key as needed.
  void SetValue(const DynamicValue& vValue);

  // The value names of SectionKey in index order (entry 1 of the product's lists is element 0).
  // Always true; a missing key gives an empty list.
  bool EnumerateValues(std::vector<std::string>& sKeyNames, int32_t& iKeyCount);
  // The subkey names of SectionKey in index order. True; throws 0x800469AA on an unexpected failure.
  bool EnumerateSections(std::vector<std::string>& sSect, int32_t& iSectCount);

  // Registers a file type: the extension, its class, the open verb and the optional print,
  // install and new verbs and default icon, each below HKEY_CLASSES_ROOT and HKEY_LOCAL_MACHINE
  // "SOFTWARE\Classes\". Throws the first write error.
  void CreateEXEAssociation(std::string sExePath, std::string sClassName, std::string sClassDescription,
                            std::string sAssociation, std::string sOpenMenuText = "",
                            bool bSupportPrint = false, std::string sPrintMenuText = "",
                            bool bSupportNew = false, std::string sNewMenuText = "",
                            bool bSupportInstall = false, std::string sInstallMenuText = "",
                            int32_t lDefaultIconIndex = -1);
  // Adds verbs to a registered class: `vItems` holds triples of verb name, menu text and command
  // line. Never throws: failures are recorded in LastError() and the work goes on.
  void CreateAdditionalEXEAssociations(std::string sClassName, const std::vector<std::string>& vItems);

  int32_t ValueType() const { return valueType_; }
  void SetValueType(int32_t eValueType) { valueType_ = eValueType; }
  int32_t ClassKey() const { return classKey_; }
  void SetClassKey(int32_t eKey) { classKey_ = eKey; }
  const std::string& SectionKey() const { return sectionKey_; }
  void SetSectionKey(std::string sSectionKey) { sectionKey_ = std::move(sSectionKey); }
  const std::string& ValueKey() const { return valueKey_; }
  // Sets the address and Default from the arguments, in this order, and reads Value.
  DynamicValue ValueEx(int32_t eClassKey, std::string sSectionKey, std::string sValueKey, int32_t eValueType,
                       DynamicValue vDefault);
  // Sets the address and Default, then writes NewValue, or Default when ValueType is REG_SZ and
  // NewValue as text is empty.
  void SetValueEx(int32_t eClassKey, std::string sSectionKey, std::string sValueKey, int32_t eValueType,
                  DynamicValue vDefault, const DynamicValue& vNewValue);
  void SetValueKey(std::string sValueKey) { valueKey_ = std::move(sValueKey); }
  const DynamicValue& Default() const { return default_; }
  void SetDefault(DynamicValue vDefault) { default_ = std::move(vDefault); }

  // The error record of CreateAdditionalEXEAssociations: cleared when it starts, holding the
  // last error it met when it returns (number 0 when none).
  const ErrorRecord& LastError() const { return lastError_; }

  // The source text of the object's errors: the executable's name followed by ".cRegistry".
  static std::string ErrorSource();

 private:
  void WriteClassValue(const std::string& text);
  static int32_t ReverseByteOrder(int32_t value);
  std::string ExpandEnvironmentText(const std::string& text);

  int32_t StoreValue(RegHandle key, const DynamicValue& value);
  std::string WriteFailureMessage(const DynamicValue& value) const;
  [[noreturn]] void Raise(int32_t number, const std::string& description) const;

  std::shared_ptr<RegistryApi> api_;
  int32_t classKey_ = 0;
  std::string sectionKey_;
  std::string valueKey_;
  int32_t valueType_ = 0;
  DynamicValue default_;
  std::string machine_;
  ErrorRecord lastError_;
};

}  // namespace tav
