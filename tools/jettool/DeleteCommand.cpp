// delete FILE TABLE --where COLUMN=VALUE: deletes the matching rows in place, as the engine
// does (flagged slots, free pages), and prints how many. Works on text and whole-number
// columns (a value that is not a whole number in the column's range is refused); the file is
// locked while it changes, and a database in use elsewhere is refused.
#include <charconv>
#include <climits>
#include <cstdint>
#include <iostream>
#include <optional>
#include <utility>

#include "jet/edit/TableEditor.h"
#include "tools/jettool/Command.h"

namespace tav::jettool {
namespace {

struct DeleteArgs {
  DatabaseArgs db;
  std::string table;
  std::string where;
};

bool IsWholeNumber(jet::ColumnType type) {
  return type == jet::ColumnType::kByte || type == jet::ColumnType::kInteger ||
         type == jet::ColumnType::kLong;
}

// `text` as a value of the whole-number column `type`: all of it a number in the column's
// range, or nothing.
std::optional<int64_t> WholeNumber(const std::string& text, jet::ColumnType type) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
  const auto [low, high] = type == jet::ColumnType::kByte ? std::pair<int64_t, int64_t>(0, 255)
                           : type == jet::ColumnType::kInteger
                               ? std::pair<int64_t, int64_t>(-32768, 32767)
                               : std::pair<int64_t, int64_t>(INT32_MIN, INT32_MAX);
  if (value < low || value > high) return std::nullopt;
  return value;
}

int RunDelete(const DeleteArgs& args) {
  const size_t equals = args.where.find('=');
  if (equals == std::string::npos || equals == 0) {
    return ReportError(jet::Status(jet::ErrorKind::kInvalidArgument, "--where needs COLUMN=VALUE"));
  }
  const std::string column = args.where.substr(0, equals);
  const std::string wanted = args.where.substr(equals + 1);
  auto hold = HoldDatabase(args.db.path);
  if (!hold.ok()) return ReportError(hold.status());
  jet::OpenOptions options;
  options.password = args.db.password;
  auto editor = jet::TableEditor::Open(args.db.path, options);
  if (!editor.ok()) return ReportError(editor.status());
  auto def = (*editor)->database().OpenTable(args.table);
  if (!def.ok()) return ReportError(def.status());
  const jet::ColumnDef* col = def->FindColumn(column);
  if (col == nullptr)
    return ReportError(jet::Status(jet::ErrorKind::kInvalidArgument, "no column named '" + column + "'"));
  const bool text = col->type == jet::ColumnType::kText || col->type == jet::ColumnType::kMemo;
  if (!text && !IsWholeNumber(col->type)) {
    return ReportError(
        jet::Status(jet::ErrorKind::kUnsupported, "--where works on text and whole-number columns"));
  }
  std::optional<int64_t> number;
  if (!text) {
    number = WholeNumber(wanted, col->type);
    if (!number) {
      return ReportError(jet::Status(
          jet::ErrorKind::kInvalidArgument,
          "--where: '" + wanted + "' is not a value of the whole-number column '" + column + "'"));
    }
  }
  auto match = [&](const jet::EditedRow& row) {
    const jet::Value& v = row.Get(column);
    if (v.null) return false;
    return text ? v.text == wanted : v.integer == *number;
  };
  auto deleted = (*editor)->DeleteRows(args.table, match);
  if (!deleted.ok()) return ReportError(deleted.status());
  std::cout << *deleted << " row(s) deleted\n";
  return 0;
}

}  // namespace

void RegisterDelete(CLI::App& app, RunResult& result) {
  auto args = std::make_shared<DeleteArgs>();
  CLI::App* sub = app.add_subcommand("delete", "Delete the rows of a table whose column has a value");
  AddDatabaseArgs(*sub, args->db);
  sub->add_option("table", args->table, "Table")->required();
  sub->add_option("--where", args->where, "COLUMN=VALUE")->required();
  sub->callback([args, &result] { result.exit_code = RunDelete(*args); });
}

}  // namespace tav::jettool
