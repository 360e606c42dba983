#pragma once
// Names for the cases of a parameterised test, made from file names and the like: GoogleTest
// takes only letters, digits and underscores.

#include <cctype>
#include <string>

namespace tav::testing {

// `text` with every character but ASCII letters and digits replaced by '_'.
inline std::string TestNameOf(std::string text) {
  for (char& c : text)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return text;
}

}  // namespace tav::testing
