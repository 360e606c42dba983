#include "platform/registry/RegistryUnicode.h"

namespace tav {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

char32_t DecodeUtf8(const std::string& text, size_t& pos) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  int extra = 0;
  char32_t cp = lead;
  if (lead >= 0xF0 && lead < 0xF5) {
    extra = 3;
    cp = lead & 0x07;
  } else if (lead >= 0xE0 && lead < 0xF0) {
    extra = 2;
    cp = lead & 0x0F;
  } else if (lead >= 0xC2 && lead < 0xE0) {
    extra = 1;
    cp = lead & 0x1F;
  }
  if (extra == 0) {
    ++pos;
    return lead;
  }
  for (int i = 1; i <= extra; ++i) {
    if (pos + i >= text.size() || (byte(pos + i) & 0xC0) != 0x80) {
      ++pos;
      return lead;
    }
    cp = (cp << 6) | (byte(pos + i) & 0x3F);
  }
  const bool overlong = (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++pos;
    return lead;
  }
  pos += extra + 1;
  return cp;
}

std::vector<uint8_t> Utf8ToUtf16Le(const std::string& text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  auto unit = [&](char32_t u) {
    out.push_back(static_cast<uint8_t>(u & 0xFF));
    out.push_back(static_cast<uint8_t>(u >> 8));
  };
  for (size_t pos = 0; pos < text.size();) {
    const char32_t cp = DecodeUtf8(text, pos);
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

std::string Utf16LeToUtf8(const std::vector<uint8_t>& bytes) {
  std::string out;
  const size_t units = bytes.size() / 2;
  auto unitAt = [&](size_t i) { return static_cast<char32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)); };
  for (size_t i = 0; i < units; ++i) {
    char32_t u = unitAt(i);
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < units && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) < 0xE000) {
      u = 0x10000 + ((u - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u < 0xE000) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

}  // namespace tav
