#include "tools/jettool/CsvFormat.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace tav::jettool {
namespace {

void AppendQuoted(const std::string& text, std::string& out) {
  out.push_back('"');
  size_t from = 0;
  for (size_t quote; (quote = text.find('"', from)) != std::string::npos; from = quote + 1) {
    out.append(text, from, quote + 1 - from);
    out.push_back('"');  // a quote inside the field is doubled
  }
  out.append(text, from, std::string::npos);
  out.push_back('"');
}

void AppendHex(const std::string& bytes, std::string& out) {
  static const char kDigits[] = "0123456789ABCDEF";
  for (unsigned char b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 15]);
  }
}

std::string FormatCurrency(int64_t ten_thousandths) {
  const bool negative = ten_thousandths < 0;
  const uint64_t magnitude = negative ? uint64_t(0) - static_cast<uint64_t>(ten_thousandths)
                                      : static_cast<uint64_t>(ten_thousandths);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%s%llu.%04llu", negative ? "-" : "",
                static_cast<unsigned long long>(magnitude / 10000),
                static_cast<unsigned long long>(magnitude % 10000));
  return buf;
}

// Civil date from a day count relative to 1970-01-01.
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

}  // namespace

std::string FormatReal(double value, int significant) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*g", significant, value);
  return buf;
}

std::string FormatJetDate(double days) {
  // Jet counts whole days from 1899-12-30 and stores the time of day as the magnitude of
  // the fraction, also for dates before the epoch.
  double whole = std::trunc(days);
  double fraction = std::fabs(days - whole);
  int64_t seconds = std::llround(fraction * 86400.0);
  if (seconds >= 86400) {
    seconds -= 86400;
    whole += days < 0 ? -1 : 1;
  }
  int64_t y;
  unsigned m, d;
  CivilFromDays(static_cast<int64_t>(whole) - 25569, y, m, d);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld", static_cast<long long>(y), m, d,
                static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                static_cast<long long>(seconds % 60));
  return buf;
}

void AppendCsvField(const jet::Value& v, std::string& out) {
  using jet::ColumnType;
  if (v.null) return;
  switch (v.type) {
    case ColumnType::kBoolean:
    case ColumnType::kByte:
    case ColumnType::kInteger:
    case ColumnType::kLong:
      out += std::to_string(v.integer);
      break;
    case ColumnType::kCurrency:
      out += FormatCurrency(v.integer);
      break;
    case ColumnType::kSingle:
      out += FormatReal(v.real, 8);
      break;
    case ColumnType::kDouble:
      out += FormatReal(v.real, 16);
      break;
    case ColumnType::kDateTime:
      AppendQuoted(FormatJetDate(v.real), out);
      break;
    case ColumnType::kText:
    case ColumnType::kMemo:
      AppendQuoted(v.text, out);
      break;
    case ColumnType::kNumeric:
      out += v.text;
      break;
    case ColumnType::kReplicationId: {
      out.push_back('"');
      AppendHex(jet::FormatGuid(v.bytes), out);
      out.push_back('"');
      break;
    }
    default: {
      out.push_back('"');
      AppendHex(std::string(v.bytes.begin(), v.bytes.end()), out);
      out.push_back('"');
      break;
    }
  }
}

}  // namespace tav::jettool
