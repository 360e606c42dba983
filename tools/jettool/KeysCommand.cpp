// keys FILE: every entry of every index that covers a text column, beside the key our
// encoder computes for its row. One line per entry, tab-separated:
//   table, index number, the text of the index's text columns (joined by U+001F),
//   state (equal, differs, unknown: a character without known weight, order: a sort order
//   other than General), the stored key and the computed key in hex.
// With --weights, instead: for each Jet 4 entry of a one-column text index holding
// characters without known weight, the weight and accent its stored key shows for each such
// character, when the key allows only one reading (every unknown character taking two weight
// bytes, no sections beyond the accents):
//   U+XXXX, the weight in hex, the accent in hex, the text.
// `sort -u` over all files then shows each character's weights, and any conflict.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "jet/base/Bytes.h"
#include "jet/base/TextCodec.h"
#include "jet/check/StoredKeys.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

// The weight bytes and accent of a character whose weight is known, read off the key of
// the character followed by "a" (a space alone would be trimmed away).
struct KnownWeight {
  jet::Bytes weight;
  uint8_t accent = 0x02;
};
KnownWeight WeightOf(char16_t c) {
  const jet::Bytes key = jet::GeneralTextKey(std::u16string{c, u'a'}, jet::JetVersion::kJet4);
  KnownWeight w;
  size_t at = 0;
  while (at < key.size() && key[at] != 0x01) w.weight.push_back(key[at++]);
  if (!w.weight.empty()) w.weight.pop_back();  // the weight of a
  if (at + 1 < key.size() && key[at + 1] > 0x01) w.accent = key[at + 1];
  return w;
}

void PrintWeights(const std::string& text, const jet::Bytes& stored) {
  if (stored.empty() || stored[0] != 0x7F) return;  // ascending values only
  const std::u16string chars = jet::Utf8ToUtf16(text);
  std::u16string trimmed = chars;
  while (!trimmed.empty() && trimmed.back() == u' ') trimmed.pop_back();
  size_t known_bytes = 0;
  size_t unknown = 0;
  for (char16_t c : trimmed) {
    bool exact = true;
    jet::GeneralTextKey(std::u16string(1, c), jet::JetVersion::kJet4, &exact);
    if (exact)
      known_bytes += WeightOf(c).weight.size();
    else
      ++unknown;
  }
  const size_t weights_end = 1 + known_bytes + 2 * unknown;
  if (unknown == 0 || weights_end >= stored.size() || stored[weights_end] != 0x01) return;
  size_t accents_end = weights_end + 1;
  while (accents_end < stored.size() && stored[accents_end] > 0x01) ++accents_end;
  if (accents_end + 1 != stored.size() || stored[accents_end] != 0x00) return;  // further sections
  size_t at = 1;
  size_t accent = weights_end + 1;
  std::vector<std::string> lines;
  for (char16_t c : trimmed) {
    bool exact = true;
    jet::GeneralTextKey(std::u16string(1, c), jet::JetVersion::kJet4, &exact);
    if (exact) {
      const KnownWeight w = WeightOf(c);
      if (!std::equal(w.weight.begin(), w.weight.end(), stored.begin() + static_cast<ptrdiff_t>(at))) return;
      at += w.weight.size();
      accent += w.weight.empty() ? 0 : 1;
      continue;
    }
    char line[64];
    const unsigned a = accent < accents_end ? stored[accent] : 0x02;
    std::snprintf(line, sizeof line, "U+%04X	%02x%02x	%02x	", static_cast<unsigned>(c),
                  stored[at], stored[at + 1], a);
    lines.push_back(line);
    at += 2;
    ++accent;
  }
  for (const std::string& line : lines) std::cout << line << text << '\n';
}

jet::Status PrintKeys(jet::Database& db, const std::string& table, const jet::TableDef& def, bool weights) {
  for (const jet::RealIndex& index : def.real_indexes) {
    const jet::IndexKeyEncoder encoder(db, def, index);
    if (!encoder.valid()) continue;
    std::vector<size_t> text_columns;
    for (const jet::IndexColumn& c : index.columns) {
      const jet::ColumnDef* column = def.FindColumnByNumber(c.column_number);
      if (column->type == jet::ColumnType::kText)
        text_columns.push_back(static_cast<size_t>(column - def.columns.data()));
    }
    if (text_columns.empty()) continue;
    JET_ASSIGN_OR_RETURN(const std::vector<jet::StoredKey> keys, jet::ReadStoredKeys(db, def, index));
    for (const jet::StoredKey& k : keys) {
      std::string text;
      for (size_t i = 0; i < text_columns.size(); ++i) {
        if (i != 0) text += '\x1f';
        if (const auto* s = std::get_if<std::string>(&k.row[text_columns[i]])) text += *s;
      }
      const auto computed = encoder.encoder().Encode(k.row);
      if (weights) {
        if (db.version() == jet::JetVersion::kJet4 && encoder.general() && !computed.ok() &&
            index.columns.size() == 1) {
          PrintWeights(text, k.key);
        }
        continue;
      }
      const char* state = !encoder.general()   ? "order"
                          : !computed.ok()     ? "unknown"
                          : *computed == k.key ? "equal"
                                               : "differs";
      std::cout << table << '\t' << index.number << '\t' << text << '\t' << state << '\t'
                << jet::HexDigits(k.key) << '\t' << (computed.ok() ? jet::HexDigits(*computed) : "") << '\n';
    }
  }
  return jet::Status::Ok();
}

struct KeysArgs : DatabaseArgs {
  bool weights = false;
};

int RunKeys(const KeysArgs& args) {
  auto db = OpenDatabase(args);
  if (!db.ok()) return ReportError(db.status());
  for (const jet::CatalogEntry& e : (*db)->Tables(true)) {
    auto def = (*db)->ReadTableDef(e.DefinitionPage());
    if (!def.ok()) return ReportError(def.status());
    if (const jet::Status printed = PrintKeys(**db, e.name, *def, args.weights); !printed.ok())
      return ReportError(printed);
  }
  return 0;
}

}  // namespace

void RegisterKeys(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<KeysArgs>();
  CLI::App* sub =
      app.add_subcommand("keys", "List the text index keys beside the keys computed for their rows");
  AddDatabaseArgs(*sub, *args);
  AddCodePageOption(*sub, *args);
  sub->add_flag("--weights", args->weights, "derive the weights of characters whose weight is not known");
  sub->callback([args, &result] { result.exit_code = RunKeys(*args); });
}

}  // namespace tav::jettool
