#include "platform/registry/posix/RegistryWineFormat.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/registry/RegistryApi.h"
#include "platform/registry/RegistryUnicode.h"

namespace tav {

namespace {

constexpr char kSignature[] = "WINE REGISTRY Version 2";
constexpr int kHexLineLimit = 76;
constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// ---- Reading ----

// Reads an escaped string from `pos` up to the unescaped `close` character, which is consumed.
bool ParseEscaped(const std::string& line, size_t& pos, char close, std::u16string& out) {
  auto unit = [&](char32_t cp) {
    if (cp >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  };
  while (pos < line.size()) {
    const char c = line[pos];
    if (c == close) {
      ++pos;
      return true;
    }
    if (c != '\\') {
      unit(DecodeUtf8(line, pos));
      continue;
    }
    if (++pos >= line.size()) return false;
    const char e = line[pos++];
    switch (e) {
      case 'a':
        out += u'\a';
        break;
      case 'b':
        out += u'\b';
        break;
      case 'e':
        out += char16_t{0x1B};
        break;
      case 'f':
        out += u'\f';
        break;
      case 'n':
        out += u'\n';
        break;
      case 'r':
        out += u'\r';
        break;
      case 't':
        out += u'\t';
        break;
      case 'v':
        out += u'\v';
        break;
      case 'x': {
        char16_t value = 0;
        int digits = 0;
        while (digits < 4 && pos < line.size() && IsHex(line[pos])) {
          value = static_cast<char16_t>(value * 16 + HexValue(line[pos++]));
          ++digits;
        }
        if (digits == 0) return false;
        out += value;
        break;
      }
      default:
        if (e >= '0' && e <= '7') {
          char16_t value = static_cast<char16_t>(e - '0');
          for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' && line[pos] <= '7';
               ++digits) {
            value = static_cast<char16_t>(value * 8 + (line[pos++] - '0'));
          }
          out += value;
        } else {
          out += static_cast<char16_t>(static_cast<unsigned char>(e));
        }
    }
  }
  return false;
}

std::string ToUtf8(const std::u16string& units) {
  std::vector<uint8_t> bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return Utf16LeToUtf8(bytes);
}

std::vector<uint8_t> ToBytes(const std::u16string& units) {
  std::vector<uint8_t> bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<uint8_t>(u >> 8));
  }
  return bytes;
}

bool OnlySpaceFrom(const std::string& line, size_t pos) {
  return line.find_first_not_of(" \t\r", pos) == std::string::npos;
}

bool ParseHexNumber(const std::string& line, size_t& pos, uint32_t& value, int maxDigits) {
  int digits = 0;
  value = 0;
  while (digits < maxDigits && pos < line.size() && IsHex(line[pos])) {
    value = value * 16 + static_cast<uint32_t>(HexValue(line[pos++]));
    ++digits;
  }
  return digits > 0;
}

bool ParseHexBytes(const std::string& line, size_t pos, std::vector<uint8_t>& data) {
  while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
  if (OnlySpaceFrom(line, pos)) return true;
  while (true) {
    uint32_t byte = 0;
    if (!ParseHexNumber(line, pos, byte, 2)) return false;
    data.push_back(static_cast<uint8_t>(byte));
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (pos >= line.size() || OnlySpaceFrom(line, pos)) return true;
    if (line[pos] != ',') return false;
    ++pos;
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
    if (OnlySpaceFrom(line, pos)) return true;  // a trailing comma
  }
}

// Parses the data part of a value line (after "=") into type and stored bytes.
bool ParseData(const std::string& line, size_t pos, RegistryItem& item) {
  auto startsWith = [&](const char* word) {
    return line.compare(pos, std::char_traits<char>::length(word), word) == 0;
  };
  uint32_t type = kRegSz;
  if (startsWith("str(")) {
    pos += 4;
    if (!ParseHexNumber(line, pos, type, 8) || line.compare(pos, 3, "):\"") != 0) return false;
    pos += 2;
  }
  if (pos < line.size() && line[pos] == '"') {
    std::u16string text;
    ++pos;
    if (!ParseEscaped(line, pos, '"', text) || !OnlySpaceFrom(line, pos)) return false;
    item.type = type;
    item.data = ToBytes(text);
    item.data.push_back(0);
    item.data.push_back(0);
    return true;
  }
  if (startsWith("dword:")) {
    pos += 6;
    uint32_t value = 0;
    if (!ParseHexNumber(line, pos, value, 8) || !OnlySpaceFrom(line, pos)) return false;
    item.type = kRegDword;
    item.data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                 static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
    return true;
  }
  if (startsWith("hex:")) {
    item.type = kRegBinary;
    return ParseHexBytes(line, pos + 4, item.data);
  }
  if (startsWith("hex(")) {
    pos += 4;
    if (!ParseHexNumber(line, pos, type, 8) || line.compare(pos, 2, "):") != 0) return false;
    item.type = type;
    return ParseHexBytes(line, pos + 2, item.data);
  }
  return false;
}

bool ParseValue(const std::string& line, RegistryItem& item) {
  size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else {
    std::u16string name;
    pos = 1;
    if (!ParseEscaped(line, pos, '"', name)) return false;
    item.name = ToUtf8(name);
  }
  if (pos >= line.size() || line[pos] != '=') return false;
  item.isValue = true;
  return ParseData(line, pos + 1, item);
}

// Splits text into physical lines, each with its line end.
std::vector<std::string> PhysicalLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    lines.push_back(text.substr(start, end - start));
    start = end;
  }
  return lines;
}

std::string WithoutLineEnd(const std::string& line) {
  size_t end = line.size();
  while (end > 0 && (line[end - 1] == '\n' || line[end - 1] == '\r')) --end;
  return line.substr(0, end);
}

// ---- Writing ----

// Escapes a string the way Wine writes it; `specials` are the two characters that need a
// backslash besides the backslash itself. Returns the number of characters written.
size_t AppendEscaped(std::string& out, const std::u16string& text, const char* specials) {
  static const char kControlEscapes[33] = ".......abtnvfr.............e....";
  const size_t before = out.size();
  char buffer[16];
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool nextIsHex = i + 1 < text.size() && text[i + 1] < 128 && IsHex(static_cast<char>(text[i + 1]));
    const bool nextIsOctal = i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '7';
    if (c > 127) {
      std::snprintf(buffer, sizeof buffer, nextIsHex ? "\\x%04x" : "\\x%x", static_cast<unsigned>(c));
      out += buffer;
    } else if (c < 32) {
      if (kControlEscapes[c] != '.') {
        out += '\\';
        out += kControlEscapes[c];
      } else {
        std::snprintf(buffer, sizeof buffer, nextIsOctal ? "\\%03o" : "\\%o", static_cast<unsigned>(c));
        out += buffer;
      }
    } else {
      if (c == '\\' || c == specials[0] || c == specials[1]) out += '\\';
      out += static_cast<char>(c);
    }
  }
  return out.size() - before;
}

std::u16string ToUnits(const std::string& utf8) {
  const std::vector<uint8_t> bytes = Utf8ToUtf16Le(utf8);
  std::u16string units;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2)
    units += static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
  return units;
}

std::u16string UnitsOf(const std::vector<uint8_t>& data) {
  std::u16string units;
  for (size_t i = 0; i + 1 < data.size(); i += 2)
    units += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  return units;
}

std::string ValueLine(const RegistryItem& item) {
  std::string line;
  size_t count = 0;
  if (item.name.empty()) {
    line = "@=";
    count = 2;
  } else {
    line = "\"";
    count = 1 + AppendEscaped(line, ToUnits(item.name), "\"\"");
    line += "\"=";
    count += 2;
  }
  char buffer[32];
  const bool stringType = item.type == kRegSz || item.type == kRegExpandSz || item.type == kRegMultiSz;
  const size_t n = item.data.size();
  if (stringType && n >= 2 && n % 2 == 0 && item.data[n - 1] == 0 && item.data[n - 2] == 0) {
    if (item.type != kRegSz) {
      std::snprintf(buffer, sizeof buffer, "str(%x):", item.type);
      line += buffer;
    }
    std::u16string units = UnitsOf(item.data);
    units.pop_back();
    line += '"';
    AppendEscaped(line, units, "\"\"");
    return line + "\"\n";
  }
  if (item.type == kRegDword && n == 4) {
    const uint32_t value =
        item.data[0] | (item.data[1] << 8) | (item.data[2] << 16) | (uint32_t{item.data[3]} << 24);
    std::snprintf(buffer, sizeof buffer, "dword:%08x\n", value);
    return line + buffer;
  }
  if (item.type == kRegBinary) {
    std::snprintf(buffer, sizeof buffer, "hex:");
  } else {
    std::snprintf(buffer, sizeof buffer, "hex(%x):", item.type);
  }
  line += buffer;
  count += std::char_traits<char>::length(buffer);
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(buffer, sizeof buffer, "%02x", item.data[i]);
    line += buffer;
    count += 2;
    if (i + 1 < n) {
      line += ',';
      if (++count > kHexLineLimit) {
        line += "\\\n  ";
        count = 2;
      }
    }
  }
  return line + "\n";
}

bool HasLinkOrClass(const RegistryNode& node) {
  for (const auto& item : node.Items()) {
    if (!item.isValue && (item.raw.rfind("#class", 0) == 0 || item.raw.rfind("#link", 0) == 0)) return true;
  }
  return false;
}

// Appends a line kept as read. A file's last line may lack its line end; whatever follows it then
// starts on a line of its own.
void AppendRaw(std::string& out, const std::string& raw) {
  if (!out.empty() && out.back() != '\n') out += '\n';
  out += raw;
}

void EndWithBlankLine(std::string& out) {
  if (out.empty()) return;
  if (out.back() != '\n') out += '\n';
  if (out.size() < 2 || out[out.size() - 2] != '\n') out += '\n';
}

// The header line of a changed key and its "#time=" line.
std::string ChangedHeader(const std::string& escapedPath, int64_t unixTime) {
  char buffer[64];
  const auto ticks = static_cast<uint64_t>(unixTime + kSecondsFrom1601To1970) * 10000000ULL;
  std::snprintf(buffer, sizeof buffer, "] %lld\n#time=%x%08x\n", static_cast<long long>(unixTime),
                static_cast<unsigned>(ticks >> 32), static_cast<unsigned>(ticks & 0xFFFFFFFFu));
  return "[" + escapedPath + buffer;
}

bool IsTimeLine(const RegistryItem& item) { return !item.isValue && item.raw.rfind("#time=", 0) == 0; }

// Wine writes a key when it has values or no subkeys, or carries a class or link.
bool WrittenOut(const RegistryNode& node) {
  return !node.Values().empty() || node.Children().empty() || HasLinkOrClass(node);
}

bool IsBlankLine(const RegistryItem& item) {
  return !item.isValue && item.raw.find_first_not_of(" \t\r\n") == std::string::npos;
}

// The entries of a rewritten key: without the old time line and without the blank lines at its
// end, which belong to the separation from the next key.
std::vector<const RegistryItem*> KeptItems(const RegistryNode& node) {
  std::vector<const RegistryItem*> kept;
  for (const auto& item : node.Items()) {
    if (!IsTimeLine(item)) kept.push_back(&item);
  }
  while (!kept.empty() && IsBlankLine(*kept.back())) kept.pop_back();
  return kept;
}

void AppendChangedBlock(std::string& out, const RegistryNode& node, const std::string& escapedPath,
                        int64_t unixTime) {
  out += ChangedHeader(escapedPath, unixTime);
  for (const RegistryItem* item : KeptItems(node))
    AppendRaw(out, item->raw.empty() ? ValueLine(*item) : item->raw);
}

std::string ChildPath(const std::string& escapedPath, const RegistryNode& child) {
  std::string childPath = escapedPath.empty() ? "" : escapedPath + "\\\\";
  AppendEscaped(childPath, ToUnits(child.Name()), "[]");
  return childPath;
}

void SettleNode(RegistryNode& node, const std::string& escapedPath, int64_t unixTime) {
  if (node.Changed()) {
    if (WrittenOut(node)) {
      node.SetHeaderRaw(ChangedHeader(escapedPath, unixTime));
      std::vector<RegistryItem> items;
      for (const RegistryItem* item : KeptItems(node)) items.push_back(*item);
      for (auto& item : items) {
        if (item.raw.empty()) item.raw = ValueLine(item);
      }
      node.Items() = std::move(items);
    } else {
      node.SetHeaderRaw("");
    }
    node.ClearChanged();
  }
  for (const auto& child : node.Children()) SettleNode(*child, ChildPath(escapedPath, *child), unixTime);
}

void AppendNode(std::string& out, const RegistryNode& node, const std::string& escapedPath,
                int64_t unixTime) {
  if (!node.HeaderRaw().empty() && !node.Changed()) {
    EndWithBlankLine(out);
    out += node.HeaderRaw();
    for (const auto& item : node.Items()) AppendRaw(out, item.raw);
  } else if (node.Changed() && WrittenOut(node)) {
    EndWithBlankLine(out);
    AppendChangedBlock(out, node, escapedPath, unixTime);
  }
  for (const auto& child : node.Children()) AppendNode(out, *child, ChildPath(escapedPath, *child), unixTime);
}

}  // namespace

bool ParseWineRegistry(const std::string& text, WineHive& hive, std::string& error) {
  const std::vector<std::string> lines = PhysicalLines(text);
  if (lines.empty() || lines[0].rfind(kSignature, 0) != 0) {
    error = "not a Wine registry file";
    return false;
  }
  hive.header.clear();
  hive.root = std::make_unique<RegistryNode>("");
  RegistryNode* current = nullptr;
  for (size_t i = 0; i < lines.size();) {
    // A line ending in a backslash goes on in the next one.
    std::string raw = lines[i];
    std::string logical = WithoutLineEnd(lines[i]);
    ++i;
    while (!logical.empty() && logical.back() == '\\' && i < lines.size()) {
      logical.pop_back();
      const std::string next = WithoutLineEnd(lines[i]);
      logical += next.substr(std::min(next.find_first_not_of(" \t"), next.size()));
      raw += lines[i++];
    }
    const std::string where = "line " + std::to_string(i);
    if (!logical.empty() && logical[0] == '[') {
      std::u16string path;
      size_t pos = 1;
      if (!ParseEscaped(logical, pos, ']', path)) {
        error = where + ": unterminated key name";
        return false;
      }
      // "[]" is the hive's own key, which holds the values set at the root.
      const std::vector<std::string> parts = SplitKeyPath(ToUtf8(path));
      current = hive.root.get();
      for (const auto& part : parts) current = &current->AppendChild(part);
      if (!current->HeaderRaw().empty()) {
        error = where + ": key listed twice";
        return false;
      }
      current->SetHeaderRaw(raw);
      continue;
    }
    if (!current) {
      hive.header += raw;
      continue;
    }
    RegistryItem item;
    item.raw = raw;
    if (!logical.empty() && (logical[0] == '@' || logical[0] == '"')) {
      if (!ParseValue(logical, item)) {
        error = where + ": malformed value";
        return false;
      }
      if (current->FindValue(item.name)) {
        error = where + ": value listed twice";
        return false;
      }
    } else if (!logical.empty() && logical[0] != '#' && logical[0] != ';' && !OnlySpaceFrom(logical, 0)) {
      error = where + ": unexpected text";
      return false;
    }
    current->Items().push_back(std::move(item));
  }
  return true;
}

std::string SerializeWineRegistry(const WineHive& hive, int64_t unixTime) {
  std::string out = hive.header;
  AppendNode(out, *hive.root, "", unixTime);
  return out;
}

void SettleWineRegistry(WineHive& hive, int64_t unixTime) { SettleNode(*hive.root, "", unixTime); }

std::string NewWineRegistryHeader(const std::string& relativeTo) {
  return std::string(kSignature) + "\n;; All keys relative to " + relativeTo + "\n\n#arch=win64\n";
}

}  // namespace tav
