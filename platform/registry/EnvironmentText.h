#pragma once
// Expansion of %NAME% references in text, as ExpandEnvironmentStrings does it: a name that the
// lookup knows is replaced by its value; an unknown name stays as written, and its closing "%"
// may open the next reference.

#include <functional>
#include <optional>
#include <string>

namespace tav {

using VariableLookup = std::function<std::optional<std::string>(const std::string& name)>;

std::string ExpandEnvironmentReferences(const std::string& source, const VariableLookup& lookup);

}  // namespace tav
