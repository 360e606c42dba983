#pragma once
// The text block compiled into the program, exactly as the text table loader reads it.

#include <string_view>

namespace tav {

std::string_view StoredTexts();

}  // namespace tav
