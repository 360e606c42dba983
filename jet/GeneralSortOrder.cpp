#include "jet/KeyEncoder.h"

namespace jet {

// Text keys: characters map to sort weights that ignore case; the text ends with 0x00.
Bytes GeneralTextKey(const std::u16string& text, JetVersion /*version*/) {
  Bytes key;
  for (char16_t c : text) {
    char16_t u = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
    key.push_back(static_cast<uint8_t>(u < 0x100 ? u : '?'));
  }
  key.push_back(0x00);
  return key;
}

}  // namespace jet
