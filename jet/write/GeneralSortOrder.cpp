#include <algorithm>
#include <array>

#include "jet/base/TextCodec.h"
#include "jet/write/KeyEncoder.h"

// Text keys under the General sort order. A key holds one sort weight per character, which
// ignores case, followed by the accents of the characters:
//   Jet 3: weights are one byte per code page 1252 character; then a stream of 4-bit accent
//          codes, one per letter that has accented forms (a c e i n o s u y: 2 = none,
//          trailing 2s dropped), opened and closed by a 0 and padded with 0 to whole bytes.
//          Other letters and digits take no place in that stream. Bytes the code page leaves
//          undefined weigh as unknown characters.
//   Jet 4: weights are one or two bytes per character; then 0x01, one accent byte per
//          weighted character (2 = none, trailing 2s dropped); control characters,
//          apostrophes and hyphens add later sections (see Jet4Key); 0x00 ends the key.
// Trailing spaces are left out. The weights below are the ones Access writes, as its keys in
// our fixtures and in real databases show them (`jettool keys --weights` reads them off):
// all of code page 1252 and Latin-1, the Greek alphabet, the Cyrillic letters those files
// hold, and a few kana and Han characters. Other characters get the weight of an unknown
// character, so keys containing them sort close to, but not exactly as, Access sorts them;
// GeneralTextKey says when that happened.

namespace jet {
namespace {

struct Jet3Weight {
  uint8_t weight;  // 0: none known
  uint8_t accent;  // 4-bit accent code of letters and digits; 0 for other characters
};

// By code page 1252 byte.
constexpr std::array<Jet3Weight, 256> kJet3Weights = {
    {{0x00, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0}, {0x10, 0}, {0x10, 0}, {0x10, 0},
     {0x11, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0}, {0x10, 0}, {0x10, 0}, {0x10, 0},
     {0x10, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0}, {0x10, 0}, {0x10, 0}, {0x00, 0},
     {0x10, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0},  {0x10, 0}, {0x11, 0}, {0x12, 0}, {0x13, 0}, {0x14, 0},
     {0x15, 0}, {0x16, 0},  {0x17, 0}, {0x18, 0},  {0x19, 0}, {0x1a, 0}, {0x1b, 0}, {0x1c, 0}, {0x1d, 0},
     {0x1e, 0}, {0x1f, 0},  {0x20, 0}, {0x56, 2},  {0x57, 2}, {0x58, 2}, {0x59, 2}, {0x5a, 2}, {0x5b, 2},
     {0x5c, 2}, {0x5d, 2},  {0x5e, 2}, {0x5f, 2},  {0x21, 0}, {0x22, 0}, {0x23, 0}, {0x24, 0}, {0x25, 0},
     {0x26, 0}, {0x27, 0},  {0x60, 2}, {0x61, 2},  {0x62, 2}, {0x64, 2}, {0x66, 2}, {0x67, 2}, {0x68, 2},
     {0x69, 2}, {0x6a, 2},  {0x6b, 2}, {0x6c, 2},  {0x6d, 2}, {0x6f, 2}, {0x70, 2}, {0x72, 2}, {0x73, 2},
     {0x74, 2}, {0x75, 2},  {0x76, 2}, {0x77, 2},  {0x78, 2}, {0x7a, 2}, {0x7b, 2}, {0x7c, 2}, {0x7d, 2},
     {0x7e, 2}, {0x28, 0},  {0x29, 0}, {0x2a, 0},  {0x2b, 0}, {0x2c, 0}, {0x2d, 0}, {0x60, 2}, {0x61, 2},
     {0x62, 2}, {0x64, 2},  {0x66, 2}, {0x67, 2},  {0x68, 2}, {0x69, 2}, {0x6a, 2}, {0x6b, 2}, {0x6c, 2},
     {0x6d, 2}, {0x6f, 2},  {0x70, 2}, {0x72, 2},  {0x73, 2}, {0x74, 2}, {0x75, 2}, {0x76, 2}, {0x77, 2},
     {0x78, 2}, {0x7a, 2},  {0x7b, 2}, {0x7c, 2},  {0x7d, 2}, {0x7e, 2}, {0x2e, 0}, {0x2f, 0}, {0x30, 0},
     {0x31, 0}, {0x10, 0},  {0x10, 0}, {0x10, 0},  {0x18, 0}, {0x32, 0}, {0x13, 0}, {0x33, 0}, {0x34, 0},
     {0x35, 0}, {0x36, 0},  {0x37, 0}, {0x76, 10}, {0x18, 0}, {0x00, 0}, {0x10, 0}, {0x10, 0}, {0x10, 0},
     {0x10, 0}, {0x18, 0},  {0x18, 0}, {0x13, 0},  {0x13, 0}, {0x38, 0}, {0x1e, 0}, {0x1e, 0}, {0x39, 0},
     {0x3a, 0}, {0x76, 10}, {0x18, 0}, {0x00, 0},  {0x10, 0}, {0x10, 0}, {0x7d, 6}, {0x11, 0}, {0x3b, 0},
     {0x3c, 0}, {0x3d, 0},  {0x3e, 0}, {0x3f, 0},  {0x40, 0}, {0x41, 0}, {0x42, 0}, {0x43, 0}, {0x44, 0},
     {0x13, 0}, {0x45, 0},  {0x1e, 0}, {0x46, 0},  {0x47, 0}, {0x48, 0}, {0x49, 0}, {0x58, 2}, {0x59, 2},
     {0x4a, 0}, {0x4b, 0},  {0x4c, 0}, {0x4d, 0},  {0x4e, 0}, {0x57, 2}, {0x4f, 0}, {0x13, 0}, {0x50, 0},
     {0x51, 0}, {0x52, 0},  {0x53, 0}, {0x60, 3},  {0x60, 4}, {0x60, 5}, {0x60, 7}, {0x60, 6}, {0x60, 8},
     {0x00, 0}, {0x62, 9},  {0x66, 3}, {0x66, 4},  {0x66, 5}, {0x66, 6}, {0x6a, 3}, {0x6a, 4}, {0x6a, 5},
     {0x6a, 6}, {0x65, 2},  {0x70, 7}, {0x72, 3},  {0x72, 4}, {0x72, 5}, {0x72, 7}, {0x72, 6}, {0x54, 0},
     {0x81, 2}, {0x78, 3},  {0x78, 4}, {0x78, 5},  {0x78, 6}, {0x7d, 4}, {0x7f, 2}, {0x00, 0}, {0x60, 3},
     {0x60, 4}, {0x60, 5},  {0x60, 7}, {0x60, 6},  {0x60, 8}, {0x00, 0}, {0x62, 9}, {0x66, 3}, {0x66, 4},
     {0x66, 5}, {0x66, 6},  {0x6a, 3}, {0x6a, 4},  {0x6a, 5}, {0x6a, 6}, {0x65, 2}, {0x70, 7}, {0x72, 3},
     {0x72, 4}, {0x72, 5},  {0x72, 7}, {0x72, 6},  {0x55, 0}, {0x81, 2}, {0x78, 3}, {0x78, 4}, {0x78, 5},
     {0x78, 6}, {0x7d, 4},  {0x7f, 2}, {0x7d, 6}}};

constexpr uint8_t kJet3Unknown = 0x10;
constexpr uint8_t kNoAccent = 2;
constexpr uint8_t kJet3FirstLetterOrDigit = 0x56;

// By weight: whether a character of that weight takes a place in the accent stream, which
// holds the letters that some character of the table bears an accent on. Access's keys show
// that every plain letter without accented forms (b, d, k, ...) takes no place.
constexpr std::array<bool, 256> kJet3Accented = [] {
  std::array<bool, 256> accented{};
  for (const Jet3Weight& w : kJet3Weights) {
    if (w.accent != 0 && w.accent != kNoAccent) accented[w.weight] = true;
  }
  return accented;
}();

struct Jet4Weight {
  uint16_t weight;  // one byte, or two bytes as 0xHHLL; 0: none known
  uint8_t accent;
};

// By character, U+0000 to U+00FF.
constexpr std::array<Jet4Weight, 256> kJet4Weights = {{
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0803, 0x02}, {0x0804, 0x02}, {0x0805, 0x02},
    {0x0806, 0x02}, {0x0807, 0x02}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0007, 0x02}, {0x0009, 0x02}, {0x000a, 0x02}, {0x000c, 0x02},
    {0x000e, 0x02}, {0x0010, 0x02}, {0x0012, 0x02}, {0x0000, 0x00}, {0x0014, 0x02}, {0x0016, 0x02},
    {0x0018, 0x02}, {0x002c, 0x02}, {0x001a, 0x02}, {0x0000, 0x00}, {0x001c, 0x02}, {0x001e, 0x02},
    {0x0036, 0x02}, {0x0038, 0x02}, {0x003a, 0x02}, {0x003c, 0x02}, {0x003e, 0x02}, {0x0040, 0x02},
    {0x0042, 0x02}, {0x0044, 0x02}, {0x0046, 0x02}, {0x0048, 0x02}, {0x0020, 0x02}, {0x0022, 0x02},
    {0x002e, 0x02}, {0x0030, 0x02}, {0x0032, 0x02}, {0x0024, 0x02}, {0x0026, 0x02}, {0x004a, 0x02},
    {0x004c, 0x02}, {0x004d, 0x02}, {0x004f, 0x02}, {0x0051, 0x02}, {0x0053, 0x02}, {0x0055, 0x02},
    {0x0057, 0x02}, {0x0059, 0x02}, {0x005b, 0x02}, {0x005c, 0x02}, {0x005e, 0x02}, {0x0060, 0x02},
    {0x0062, 0x02}, {0x0064, 0x02}, {0x0066, 0x02}, {0x0068, 0x02}, {0x0069, 0x02}, {0x006b, 0x02},
    {0x006d, 0x02}, {0x006f, 0x02}, {0x0071, 0x02}, {0x0073, 0x02}, {0x0075, 0x02}, {0x0076, 0x02},
    {0x0078, 0x02}, {0x0027, 0x02}, {0x0029, 0x02}, {0x002a, 0x02}, {0x2b02, 0x02}, {0x2b03, 0x02},
    {0x2b07, 0x02}, {0x004a, 0x02}, {0x004c, 0x02}, {0x004d, 0x02}, {0x004f, 0x02}, {0x0051, 0x02},
    {0x0053, 0x02}, {0x0055, 0x02}, {0x0057, 0x02}, {0x0059, 0x02}, {0x005b, 0x02}, {0x005c, 0x02},
    {0x005e, 0x02}, {0x0060, 0x02}, {0x0062, 0x02}, {0x0064, 0x02}, {0x0066, 0x02}, {0x0068, 0x02},
    {0x0069, 0x02}, {0x006b, 0x02}, {0x006d, 0x02}, {0x006f, 0x02}, {0x0071, 0x02}, {0x0073, 0x02},
    {0x0075, 0x02}, {0x0076, 0x02}, {0x0078, 0x02}, {0x2b09, 0x02}, {0x2b0b, 0x02}, {0x2b0d, 0x02},
    {0x2b0f, 0x02}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00},
    {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0000, 0x00}, {0x0802, 0x02}, {0x2b10, 0x02},
    {0x34a6, 0x02}, {0x34a7, 0x02}, {0x34a8, 0x02}, {0x34a9, 0x02}, {0x2b11, 0x02}, {0x34aa, 0x02},
    {0x2b12, 0x02}, {0x34ab, 0x02}, {0x004a, 0x03}, {0x3305, 0x02}, {0x34ac, 0x02}, {0x0000, 0x00},
    {0x34ad, 0x02}, {0x2b13, 0x02}, {0x34ae, 0x02}, {0x3304, 0x02}, {0x003a, 0x02}, {0x003c, 0x02},
    {0x2b14, 0x02}, {0x34af, 0x02}, {0x34b0, 0x02}, {0x34b1, 0x02}, {0x2b15, 0x02}, {0x0038, 0x02},
    {0x0064, 0x03}, {0x3307, 0x02}, {0x3712, 0x02}, {0x3716, 0x02}, {0x371a, 0x02}, {0x2b16, 0x02},
    {0x004a, 0x0f}, {0x004a, 0x0e}, {0x004a, 0x12}, {0x004a, 0x19}, {0x004a, 0x13}, {0x004a, 0x1a},
    {0x4a51, 0x02}, {0x004d, 0x1c}, {0x0051, 0x0f}, {0x0051, 0x0e}, {0x0051, 0x12}, {0x0051, 0x13},
    {0x0059, 0x0f}, {0x0059, 0x0e}, {0x0059, 0x12}, {0x0059, 0x13}, {0x004f, 0x68}, {0x0062, 0x19},
    {0x0064, 0x0f}, {0x0064, 0x0e}, {0x0064, 0x12}, {0x0064, 0x19}, {0x0064, 0x13}, {0x3309, 0x02},
    {0x0064, 0x21}, {0x006f, 0x0f}, {0x006f, 0x0e}, {0x006f, 0x12}, {0x006f, 0x13}, {0x0076, 0x0e},
    {0x6d57, 0x02}, {0x6b6b, 0x02}, {0x004a, 0x0f}, {0x004a, 0x0e}, {0x004a, 0x12}, {0x004a, 0x19},
    {0x004a, 0x13}, {0x004a, 0x1a}, {0x4a51, 0x02}, {0x004d, 0x1c}, {0x0051, 0x0f}, {0x0051, 0x0e},
    {0x0051, 0x12}, {0x0051, 0x13}, {0x0059, 0x0f}, {0x0059, 0x0e}, {0x0059, 0x12}, {0x0059, 0x13},
    {0x004f, 0x68}, {0x0062, 0x19}, {0x0064, 0x0f}, {0x0064, 0x0e}, {0x0064, 0x12}, {0x0064, 0x19},
    {0x0064, 0x13}, {0x330a, 0x02}, {0x0064, 0x21}, {0x006f, 0x0f}, {0x006f, 0x0e}, {0x006f, 0x12},
    {0x006f, 0x13}, {0x0076, 0x0e}, {0x6d57, 0x02}, {0x0076, 0x13},
}};

constexpr uint8_t kJet4Unknown = 0x2b;
constexpr char16_t kSharpS = 0xDF;
constexpr uint8_t kJet4WeightS = 0x6b;

// Ligatures weigh as the two letters they join.
struct Jet3Ligature {
  char16_t character;
  uint8_t first;
  uint8_t second;
};
constexpr std::array<Jet3Ligature, 5> kJet3Ligatures = {{{u'\u00C6', 0x60, 0x66},
                                                         {u'\u00E6', 0x60, 0x66},
                                                         {u'\u0152', 0x72, 0x66},
                                                         {u'\u0153', 0x72, 0x66},
                                                         {u'\u00DF', 0x76, 0x76}}};

// Whether Access's Jet 3 weight of `c` is known: a character of code page 1252 that the table
// gives a weight (U+FFFD stands for a byte the code page leaves undefined).
bool Jet3Known(char16_t c) {
  if (c == 0xFFFD) return false;
  const uint8_t byte = Cp1252FromUnicode(c);
  return (byte != '?' || c == u'?') && (kJet3Weights[byte].weight != 0 || c == 0);
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

Bytes Jet3Key(const std::u16string& text, bool& weights_known, bool& places_known) {
  Bytes key;
  std::vector<uint8_t> accents;
  // A digit, or a letter of its own weight (eth, thorn, o with stroke), took no place in the
  // accent stream; Access's keys never show such a character before an accent, so whether
  // it takes a place there is not known.
  bool place_unknown = false;
  for (char16_t c : text) {
    const auto ligature = std::find_if(kJet3Ligatures.begin(), kJet3Ligatures.end(),
                                       [c](const Jet3Ligature& l) { return l.character == c; });
    if (ligature != kJet3Ligatures.end()) {
      for (const uint8_t weight : {ligature->first, ligature->second}) {
        key.push_back(weight);
        if (kJet3Accented[weight]) accents.push_back(kNoAccent);
      }
      // Sharp s takes places as two s; no key Access stored shows whether AE and OE take one
      // place or two before an accent.
      if (c != kSharpS) place_unknown = true;
      continue;
    }
    weights_known = weights_known && Jet3Known(c);
    // U+FFFD stands for a byte the code page leaves undefined; those weigh as unknown.
    const Jet3Weight w = c == 0xFFFD ? Jet3Weight{kJet3Unknown, 0} : kJet3Weights[Cp1252FromUnicode(c)];
    key.push_back(w.weight != 0 ? w.weight : kJet3Unknown);
    if (kJet3Accented[w.weight]) {
      if (place_unknown && w.accent != kNoAccent) places_known = false;
      accents.push_back(w.accent);
    } else if (w.weight >= kJet3FirstLetterOrDigit && !IsAsciiLetter(c)) {
      place_unknown = true;
    }
  }
  while (!accents.empty() && accents.back() == kNoAccent) accents.pop_back();
  std::vector<uint8_t> nibbles{0};
  nibbles.insert(nibbles.end(), accents.begin(), accents.end());
  nibbles.push_back(0);
  if (nibbles.size() % 2 != 0) nibbles.push_back(0);
  for (size_t i = 0; i < nibbles.size(); i += 2)
    key.push_back(static_cast<uint8_t>(nibbles[i] << 4 | nibbles[i + 1]));
  return key;
}

// Characters that take no weight but are recorded, with their position, in the last section
// of a Jet 4 key: control characters, apostrophe, hyphen, DEL, the C1 controls and the soft
// hyphen. The value is the character's code in that section; 0 for any other character.
uint8_t Jet4SpecialCode(char16_t c) {
  if (c >= 0x01 && c <= 0x08) return static_cast<uint8_t>(c + 2);
  if (c >= 0x0e && c <= 0x1f) return static_cast<uint8_t>(c - 3);
  if (c >= 0x80 && c <= 0x9f) return static_cast<uint8_t>(c - 0x62);
  switch (c) {
    case u'\'':
      return 0x80;
    case u'-':
      return 0x82;
    case 0x7f:
      return 0x1d;
    case 0xad:
      return 0x83;
    default:
      return 0;
  }
}

// Weights of characters beyond Latin-1 that Access's keys show, by character.
struct Jet4Beyond {
  char16_t character;
  Jet4Weight weight;
};
constexpr std::array<Jet4Beyond, 53> kJet4Beyond = {
    {{u'\u03F0', {0x7915, 0x03}},  // kappa symbol: kappa with a variant mark
     {u'\u0406', {0x793c, 0x02}}, {u'\u0411', {0x7930, 0x02}},
     {u'\u0412', {0x7931, 0x02}}, {u'\u0413', {0x7932, 0x02}},
     {u'\u0417', {0x7939, 0x02}}, {u'\u0418', {0x793b, 0x02}},
     {u'\u041A', {0x7940, 0x02}}, {u'\u041C', {0x7943, 0x02}},
     {u'\u041E', {0x7946, 0x02}}, {u'\u041F', {0x7947, 0x02}},
     {u'\u0420', {0x7948, 0x02}}, {u'\u0421', {0x7949, 0x02}},
     {u'\u0422', {0x794a, 0x02}}, {u'\u0424', {0x7950, 0x02}},
     {u'\u0425', {0x7951, 0x02}}, {u'\u0427', {0x7953, 0x02}},
     {u'\u0428', {0x7955, 0x02}}, {u'\u0430', {0x792f, 0x02}},
     {u'\u0431', {0x7930, 0x02}}, {u'\u0432', {0x7931, 0x02}},
     {u'\u0433', {0x7932, 0x02}}, {u'\u0434', {0x7933, 0x02}},
     {u'\u0435', {0x7936, 0x02}}, {u'\u0437', {0x7939, 0x02}},
     {u'\u0438', {0x793b, 0x02}}, {u'\u0439', {0x793e, 0x02}},
     {u'\u043A', {0x7940, 0x02}}, {u'\u043B', {0x7941, 0x02}},
     {u'\u043C', {0x7943, 0x02}}, {u'\u043D', {0x7944, 0x02}},
     {u'\u043E', {0x7946, 0x02}}, {u'\u043F', {0x7947, 0x02}},
     {u'\u0440', {0x7948, 0x02}}, {u'\u0441', {0x7949, 0x02}},
     {u'\u0442', {0x794a, 0x02}}, {u'\u0443', {0x794d, 0x02}},
     {u'\u0445', {0x7951, 0x02}}, {u'\u0446', {0x7952, 0x02}},
     {u'\u0447', {0x7953, 0x02}}, {u'\u0448', {0x7955, 0x02}},
     {u'\u044B', {0x7958, 0x02}}, {u'\u044C', {0x7959, 0x02}},
     {u'\u044F', {0x795c, 0x02}}, {u'\u0456', {0x793c, 0x02}},
     {u'\u3058', {0x7f13, 0x03}},  // hiragana ji (voiced)
     {u'\u308A', {0x7f43, 0x02}},  // hiragana ri
     {u'\u4EA4', {0x9fbe, 0x02}}, {u'\u4EEE', {0xa00d, 0x02}},
     {u'\u540D', {0xa547, 0x02}}, {u'\u5B57', {0xacac, 0x02}},
     {u'\u6587', {0xb6f6, 0x02}}, {u'\u6F22', {0xc0b6, 0x02}}}};

constexpr char16_t kGreekCapitalAlpha = 0x0391;
constexpr char16_t kGreekSmallAlpha = 0x03B1;
constexpr uint16_t kGreekLetters = 24;     // alpha to omega, with the final sigma's slot
constexpr uint16_t kGreekFinalSigma = 17;  // its slot after alpha
constexpr uint16_t kGreekAlphaWeight = 0x790c;
constexpr char16_t kCyrillicCapitalA = 0x0410;
constexpr char16_t kCyrillicSmallA = 0x0430;
constexpr uint16_t kCyrillicLetters = 32;  // A to YA

bool IsHiragana(char16_t c) { return c >= 0x3041 && c <= 0x309f; }
// Greek with breathings and accents (U+1F00 to U+1FFF) takes no place in a key at all.
bool IsIgnored(char16_t c) { return c == 0 || (c >= 0x1f00 && c <= 0x1fff); }

Jet4Weight Jet4WeightOf(char16_t c, bool& exact) {
  if (c < 0x100) return kJet4Weights[c];
  // The Greek alphabet in order, capitals weighing as small letters; final sigma weighs as
  // sigma (and its slot among the capitals is unassigned).
  for (const char16_t alpha : {kGreekCapitalAlpha, kGreekSmallAlpha}) {
    if (c < alpha || c > alpha + kGreekLetters) continue;
    const auto letter = static_cast<uint16_t>(c - alpha);
    return {static_cast<uint16_t>(kGreekAlphaWeight + letter - (letter > kGreekFinalSigma ? 1 : 0)),
            kNoAccent};
  }
  for (const Jet4Beyond& b : kJet4Beyond) {
    if (b.character == c) return b.weight;
  }
  // The order ignores case: every Cyrillic capital Access's keys show weighs as its small
  // letter, so the capitals of the other small letters above do too.
  if (c >= kCyrillicCapitalA && c < kCyrillicCapitalA + kCyrillicLetters) {
    const auto small = static_cast<char16_t>(c - kCyrillicCapitalA + kCyrillicSmallA);
    for (const Jet4Beyond& b : kJet4Beyond) {
      if (b.character == small) return b.weight;
    }
  }
  exact = false;
  return {kJet4Unknown, kNoAccent};
}

// A Jet 4 key: the weights, 0x01, the accents. Text with special characters or kana goes on
// with 0x01, a case section (always empty: the order ignores case), 0x01, a kana section,
// and, with special characters, 0x01 and four bytes per special character: its position
// (0x8007 plus 4 per weighted character before it, big-endian), 0x06 and its code. The key
// ends with 0x00.
Bytes Jet4Key(const std::u16string& text, bool& exact) {
  Bytes key;
  std::vector<uint8_t> accents;
  Bytes specials;
  bool kana = false;
  bool ligature_place_unknown = false;
  for (char16_t c : text) {
    if (IsIgnored(c)) continue;
    if (const uint8_t code = Jet4SpecialCode(c); code != 0) {
      if (ligature_place_unknown) exact = false;
      const auto position = static_cast<uint16_t>(0x8007 + 4 * accents.size());
      specials.insert(specials.end(),
                      {static_cast<uint8_t>(position >> 8), static_cast<uint8_t>(position), 0x06, code});
      continue;
    }
    if (c == kSharpS) {
      // Weighs, and takes places, as two s.
      key.insert(key.end(), {kJet4WeightS, kJet4WeightS});
      accents.insert(accents.end(), {kNoAccent, kNoAccent});
      continue;
    }
    // The ae ligatures and thorn weigh as a and e, t and h; whether they take one place or
    // two is not known, which matters only when an accent or a special character follows.
    ligature_place_unknown = ligature_place_unknown || c == 0xC6 || c == 0xE6 || c == 0xDE || c == 0xFE;
    const Jet4Weight w = Jet4WeightOf(c, exact);
    if (w.weight == 0) continue;
    if (ligature_place_unknown && w.accent != kNoAccent) exact = false;
    kana = kana || IsHiragana(c);
    if (w.weight > 0xFF) key.push_back(static_cast<uint8_t>(w.weight >> 8));
    key.push_back(static_cast<uint8_t>(w.weight));
    accents.push_back(w.accent);
  }
  while (!accents.empty() && accents.back() == kNoAccent) accents.pop_back();
  key.push_back(0x01);
  key.insert(key.end(), accents.begin(), accents.end());
  if (kana || !specials.empty()) {
    key.insert(key.end(), {0x01, 0x01});
    // The only kana text in Access's files that we have seen, two plain hiragana, has
    // this section; kana of other kinds (small, katakana, half width) are not known.
    if (kana) key.insert(key.end(), {0xff, 0x02, 0x80, 0xff, 0x80});
  }
  if (!specials.empty()) {
    key.push_back(0x01);
    key.insert(key.end(), specials.begin(), specials.end());
  }
  key.push_back(0x00);
  return key;
}

}  // namespace

Bytes GeneralTextKey(const std::u16string& text, JetVersion version, bool* exact, bool* weights_known) {
  bool known = true;
  bool places_known = true;
  // Trailing spaces take no part in a key.
  std::u16string_view kept(text);
  while (!kept.empty() && kept.back() == u' ') kept.remove_suffix(1);
  const std::u16string trimmed(kept);
  Bytes key = version == JetVersion::kJet3 ? Jet3Key(trimmed, known, places_known) : Jet4Key(trimmed, known);
  if (exact != nullptr) *exact = known && places_known;
  if (weights_known != nullptr) *weights_known = known;
  return key;
}

}  // namespace jet
