#include "platform/registry/RegistryTree.h"

#include <algorithm>

#include "platform/registry/RegistryUnicode.h"

namespace tav {

namespace {
constexpr uint32_t kRegLinkType = 6;  // REG_LINK
}  // namespace

RegistryNode* RegistryNode::Child(const std::string& name) const {
  auto found = childIndex_.find(name);
  return found == childIndex_.end() ? nullptr : found->second;
}

RegistryNode& RegistryNode::AddChild(const std::string& name) {
  if (RegistryNode* present = Child(name)) return *present;
  auto at = std::find_if(children_.begin(), children_.end(),
                         [&](const auto& child) { return CompareKeyNames(child->Name(), name) > 0; });
  auto& added = *children_.insert(at, std::make_unique<RegistryNode>(name));
  added->MarkChanged();
  childIndex_[name] = added.get();
  return *added;
}

RegistryNode& RegistryNode::AppendChild(const std::string& name) {
  if (RegistryNode* present = Child(name)) return *present;
  children_.push_back(std::make_unique<RegistryNode>(name));
  childIndex_[name] = children_.back().get();
  return *children_.back();
}

bool RegistryNode::RemoveChild(const std::string& name) {
  auto at = std::find_if(children_.begin(), children_.end(),
                         [&](const auto& child) { return KeyNamesEqual(child->Name(), name); });
  if (at == children_.end()) return false;
  childIndex_.erase(name);
  children_.erase(at);
  changed_ = true;
  return true;
}

std::vector<const RegistryItem*> RegistryNode::Values() const {
  std::vector<const RegistryItem*> values;
  for (const auto& item : items_) {
    if (item.isValue) values.push_back(&item);
  }
  return values;
}

const RegistryItem* RegistryNode::FindValue(const std::string& name) const {
  for (const auto& item : items_) {
    if (item.isValue && KeyNamesEqual(item.name, name)) return &item;
  }
  return nullptr;
}

void RegistryNode::SetValue(const std::string& name, uint32_t type, std::vector<uint8_t> data) {
  changed_ = true;
  for (auto& item : items_) {
    if (item.isValue && KeyNamesEqual(item.name, name)) {
      item.type = type;
      item.data = std::move(data);
      item.raw.clear();
      return;
    }
  }
  RegistryItem item;
  item.isValue = true;
  item.name = name;
  item.type = type;
  item.data = std::move(data);
  // New values go to their sorted place among the values, ahead of any trailing blank lines.
  auto at = std::find_if(items_.begin(), items_.end(), [&](const RegistryItem& it) {
    return it.isValue && CompareKeyNames(it.name, name) > 0;
  });
  if (at == items_.end()) {
    while (at != items_.begin() && !(at - 1)->isValue &&
           (at - 1)->raw.find_first_not_of(" \t\r\n") == std::string::npos) {
      --at;
    }
  }
  items_.insert(at, std::move(item));
}

bool RegistryNode::RemoveValue(const std::string& name) {
  auto at = std::find_if(items_.begin(), items_.end(),
                         [&](const RegistryItem& it) { return it.isValue && KeyNamesEqual(it.name, name); });
  if (at == items_.end()) return false;
  items_.erase(at);
  changed_ = true;
  return true;
}

std::string RegistryNode::LinkTarget() const {
  const bool marked = std::any_of(items_.begin(), items_.end(), [](const RegistryItem& item) {
    return !item.isValue && item.raw.rfind("#link", 0) == 0;
  });
  const RegistryItem* target = marked ? FindValue("SymbolicLinkValue") : nullptr;
  if (!target || target->type != kRegLinkType) return {};
  return Utf16LeToUtf8(target->data);
}

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find('\\', start), path.size());
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

}  // namespace tav
