#pragma once
// How the registry compares key and value names: without regard to case, by UTF-16 code units
// after Wine's lower-case folding. The order decides where a new key or value goes in a hive
// file (Wine keeps both sorted this way) and which names are the same.

#include <string>

namespace tav {

// The lower-case form of one UTF-16 code unit. Only letters whose lower-case form folds back to
// them take part (so the Kelvin sign and the dotted capital I stay as they are); surrogates are
// never folded.
char16_t FoldCase(char16_t unit);

// <0, 0 or >0 as `a` (UTF-8) sorts before, with or after `b`.
int CompareKeyNames(const std::string& a, const std::string& b);
bool KeyNamesEqual(const std::string& a, const std::string& b);

struct KeyNameLess {
  bool operator()(const std::string& a, const std::string& b) const { return CompareKeyNames(a, b) < 0; }
};

}  // namespace tav
