#pragma once
// A registry hive held as a tree of keys, shared by the in-memory and the Wine-file back ends.
// Each key keeps the lines it was read from, so that a file written back repeats every key and
// value nobody changed exactly as it stood.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry/RegistryNameOrder.h"

namespace tav {

// One entry of a key: a value, or a line of the key's block that is no value (comments, key
// metadata such as the "#time=" line, blank lines).
struct RegistryItem {
  bool isValue = false;
  std::string name;           // value name, UTF-8; empty for the default value
  uint32_t type = 0;          // registry data type
  std::vector<uint8_t> data;  // the data as stored (UTF-16LE for the string types)
  std::string raw;            // the text read from the file; empty once added or changed
};

class RegistryNode {
 public:
  explicit RegistryNode(std::string name) : name_(std::move(name)) {}

  const std::string& Name() const { return name_; }

  // Subkeys in their index order.
  const std::vector<std::unique_ptr<RegistryNode>>& Children() const { return children_; }
  RegistryNode* Child(const std::string& name) const;
  // Adds a subkey at its sorted place (or returns the one present) and marks it changed.
  RegistryNode& AddChild(const std::string& name);
  // Appends a subkey read from a file, keeping the file's order.
  RegistryNode& AppendChild(const std::string& name);
  // Removes a subkey with its whole subtree; false when there is none of that name.
  bool RemoveChild(const std::string& name);

  // Values in their index order.
  std::vector<const RegistryItem*> Values() const;
  const RegistryItem* FindValue(const std::string& name) const;
  void SetValue(const std::string& name, uint32_t type, std::vector<uint8_t> data);
  bool RemoveValue(const std::string& name);

  // All entries of the key, values and other lines, in block order.
  std::vector<RegistryItem>& Items() { return items_; }
  const std::vector<RegistryItem>& Items() const { return items_; }

  // For a link key (a "#link" line and a REG_LINK value "SymbolicLinkValue"), the path it names,
  // such as "\Registry\Machine\Software\Classes\Wow6432Node"; empty for any other key.
  std::string LinkTarget() const;

  // The key's header line as read ("[path] time"), empty when the file had no block for it.
  const std::string& HeaderRaw() const { return headerRaw_; }
  void SetHeaderRaw(std::string header) { headerRaw_ = std::move(header); }
  // True once the key was added, or its values or subkey list changed, since it was read.
  bool Changed() const { return changed_; }
  void MarkChanged() { changed_ = true; }
  void ClearChanged() { changed_ = false; }

 private:
  std::string name_;
  std::vector<std::unique_ptr<RegistryNode>> children_;
  std::map<std::string, RegistryNode*, KeyNameLess> childIndex_;  // hives have keys with thousands of subkeys
  std::vector<RegistryItem> items_;
  std::string headerRaw_;
  bool changed_ = false;
};

// Splits a key path at "\"; empty parts (doubled or trailing separators) are dropped.
std::vector<std::string> SplitKeyPath(const std::string& path);

}  // namespace tav
