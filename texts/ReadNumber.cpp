// The number reading rule: the numeric prefix of a text, as the program's number fields
// and markers are read.

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "texts/TextTable.h"

namespace tav {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }

// Walks a text skipping blanks wherever they stand.
class Cursor {
 public:
  explicit Cursor(std::string_view text) : text_(text) { SkipBlanks(); }
  bool AtEnd() const { return at_ >= text_.size(); }
  char Peek() const { return AtEnd() ? '\0' : text_[at_]; }
  void Next() {
    ++at_;
    SkipBlanks();
  }

 private:
  void SkipBlanks() {
    while (at_ < text_.size() && IsBlank(text_[at_])) ++at_;
  }
  std::string_view text_;
  size_t at_ = 0;
};

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// &H and &O numbers: up to 16 bits they read as a signed 16-bit value, up to 32 bits as a
// signed 32-bit value (so &HFFFF is -1 and &H10000 is 65536).
double ReadRadix(Cursor& c, int radix) {
  uint64_t value = 0;
  bool tooLong = false;
  while (DigitValue(c.Peek()) < radix) {
    value = value * radix + DigitValue(c.Peek());
    if (value > 0xFFFFFFFFull) tooLong = true;
    c.Next();
  }
  if (tooLong) return static_cast<double>(value);
  if (value <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(value));
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

void TakeDigits(Cursor& c, std::string& out) {
  while (c.Peek() >= '0' && c.Peek() <= '9') {
    out += c.Peek();
    c.Next();
  }
}

double ReadDecimal(Cursor& c) {
  std::string number;
  if (c.Peek() == '+' || c.Peek() == '-') {
    if (c.Peek() == '-') number += '-';
    c.Next();
  }
  TakeDigits(c, number);
  if (c.Peek() == '.') {
    number += '.';
    c.Next();
    TakeDigits(c, number);
  }
  const bool hasMantissa = number.find_first_of("0123456789") != std::string::npos;
  if (!hasMantissa) return 0;
  const char e = c.Peek();
  if (e == 'e' || e == 'E' || e == 'd' || e == 'D') {
    std::string exponent = "e";
    c.Next();
    if (c.Peek() == '+' || c.Peek() == '-') {
      exponent += c.Peek();
      c.Next();
    }
    const size_t before = exponent.size();
    TakeDigits(c, exponent);
    if (exponent.size() > before) number += exponent;
  }
  double value = 0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    // Far too large reads as infinite, which no 16-bit conversion accepts; far too small is 0.
    const bool huge = number.find("e-") == std::string::npos;
    if (!huge) return 0;
    return number[0] == '-' ? -HUGE_VAL : HUGE_VAL;
  }
  return value;
}

}  // namespace

double ReadNumber(std::string_view text) {
  Cursor c(text);
  if (c.Peek() == '&') {
    c.Next();
    const char kind = c.Peek();
    if (kind == 'h' || kind == 'H') {
      c.Next();
      return ReadRadix(c, 16);
    }
    if (kind == 'o' || kind == 'O') {
      c.Next();
      return ReadRadix(c, 8);
    }
    return 0;
  }
  return ReadDecimal(c);
}

}  // namespace tav
