#include "texts/TextTable.h"

#include <cmath>
#include <vector>

#include "texts/StoredTexts.h"

namespace tav {

namespace {

// The program-wide table: index 0 and numbers without an entry hold the empty string.
std::vector<std::string>& Texts() {
  static std::vector<std::string> texts(1);
  return texts;
}

std::string_view Trim(std::string_view s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const auto last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

std::string ExpandLineBreaks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out += "\r\n";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One line of the block: "number text". Lines that carry no usable number are ignored.
void LoadLine(std::string_view line, std::vector<std::string>& texts) {
  const auto space = line.find(' ');
  if (space == std::string_view::npos) return;
  const std::string_view numberField = Trim(line.substr(0, space));
  const std::string_view text = Trim(line.substr(space + 1));
  const double value = ReadNumber(numberField);
  if (!(value > 0)) return;
  const std::optional<int16_t> number = RoundToInt16(value);
  if (!number) return;
  const auto index = static_cast<size_t>(*number);
  if (index >= texts.size()) texts.resize(index + 1);
  texts[index] = ExpandLineBreaks(text);
}

}  // namespace

void LoadTextsFrom(std::string_view block) {
  std::vector<std::string>& texts = Texts();
  texts.assign(1, std::string());
  size_t start = 0;
  while (start <= block.size()) {
    const auto end = block.find("\r\n", start);
    const std::string_view line =
        block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    LoadLine(line, texts);
    if (end == std::string_view::npos) break;
    start = end + 2;
  }
}

void LoadTexts() { LoadTextsFrom(StoredTexts()); }

std::string GetText(int16_t n) { return TextSlot(n).value_or(std::string()); }

std::optional<std::string> TextSlot(int16_t n) {
  const std::vector<std::string>& texts = Texts();
  if (n < 0 || static_cast<size_t>(n) >= texts.size()) return std::nullopt;
  return texts[static_cast<size_t>(n)];
}

std::optional<int16_t> RoundToInt16(double value) {
  if (std::isnan(value)) return std::nullopt;
  const double rounded = std::nearbyint(value);  // the default rounding mode: half to even
  if (rounded < -32768.0 || rounded > 32767.0) return std::nullopt;
  return static_cast<int16_t>(rounded);
}

}  // namespace tav
