#pragma once
// Renders decoded values as CSV fields, in the form the export subcommand promises: text
// and dates quoted, binary data as upper-case hex, numbers in plain decimal.

#include <string>

#include "jet/format/Value.h"

namespace tav::jettool {

// Appends the CSV rendering of `value` to `out` (nothing for null).
void AppendCsvField(const jet::Value& value, std::string& out);

// "YYYY-MM-DD HH:MM:SS" for a Jet date (days since 1899-12-30, time as the fraction).
std::string FormatJetDate(double days);

// `significant` digits, trailing zeros removed, exponent form for very large or small values.
std::string FormatReal(double value, int significant);

}  // namespace tav::jettool
