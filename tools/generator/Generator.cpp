#include "tools/generator/Generator.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <random>

#include "jet/io/FileSystem.h"
#include "jet/write/DatabaseCreator.h"

namespace tav {

using jet::ErrorKind;
using jet::Status;

namespace {

using jet::ColumnDesign;
using jet::ColumnType;
using jet::CreateOptions;
using jet::DatabaseCreator;
using jet::File;
using jet::IndexColumnDesign;
using jet::IndexDesign;
using jet::OpenMode;
using jet::Result;
using jet::RowValues;
using jet::SystemFileSystem;
using jet::TableBuilder;
using jet::TableDesign;

namespace fs = std::filesystem;

constexpr const char* kFirstNames[] = {"Anna",   "Marco", "Giulia", "Luca",  "Sofia",  "Peter",
                                       "Ingrid", "José",  "Zoë",    "Chen",  "Fatima", "Olaf",
                                       "Chloé",  "Ravi",  "Maria",  "Jürgen"};
constexpr const char* kLastNames[] = {"Rossi",   "Müller",  "Smith",    "García",  "Bianchi",
                                      "Dubois",  "Novak",   "Kowalski", "Ferrari", "Jensen",
                                      "O'Brien", "Lefèvre", "Costa",    "Ito"};
constexpr const char* kDomains[] = {"example.com", "mail.example.org", "post.example.net", "example.it"};
constexpr const char* kWords[] = {"offer",  "news",    "spring", "update",   "invoice", "meeting", "welcome",
                                  "price",  "catalog", "event",  "reminder", "thanks",  "report",  "winter",
                                  "summer", "sale",    "new",    "product",  "service", "à",       "€uro"};

// A small deterministic generator: the same seed gives the same files on every platform.
class Dice {
 public:
  explicit Dice(uint64_t seed) : engine_(seed) {}
  uint64_t Below(uint64_t n) { return n == 0 ? 0 : engine_() % n; }
  bool Chance(double p) { return static_cast<double>(engine_() >> 11) * 0x1.0p-53 < p; }
  template <size_t N>
  const char* Pick(const char* const (&list)[N]) {
    return list[Below(N)];
  }
  std::string Words(size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
      if (i) out += ' ';
      out += Pick(kWords);
    }
    return out;
  }
  std::string Text(size_t bytes) {
    std::string out;
    while (out.size() < bytes) {
      out += Pick(kWords);
      out += Below(12) == 0 ? ".\r\n" : " ";
    }
    out.resize(bytes);
    while (!out.empty() && (static_cast<uint8_t>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty() && static_cast<uint8_t>(out.back()) >= 0xC0) out.pop_back();
    return out;
  }

 private:
  std::mt19937_64 engine_;
};

constexpr double kFirstDay = 40179.0;  // 1 January 2010

ColumnDesign Col(const char* name, ColumnType type, uint16_t length = 0) {
  return ColumnDesign{name, type, length};
}

IndexDesign Index(const char* name, const char* column, bool primary, bool unique, bool descending = false) {
  IndexDesign index;
  index.name = name;
  index.columns.push_back(IndexColumnDesign{column, descending});
  index.primary_key = primary;
  index.unique = unique;
  return index;
}

TableDesign RecipientsDesign() {
  using T = ColumnType;
  TableDesign design{"Recipients",
                     {Col("ID", T::kLong), Col("Email", T::kText, 100), Col("FirstName", T::kText, 50),
                      Col("LastName", T::kText, 50), Col("Flags", T::kLong), Col("Active", T::kBoolean),
                      Col("Added", T::kDateTime), Col("Notes", T::kMemo)},
                     {Index("PrimaryKey", "ID", true, true), Index("Email", "Email", false, true)}};
  design.columns[0].auto_number = true;
  design.columns[1].required = true;
  return design;
}

TableDesign HistoryDesign() {
  using T = ColumnType;
  TableDesign design{"History",
                     {Col("ID", T::kLong), Col("RecipientID", T::kLong), Col("SentAt", T::kDateTime),
                      Col("Status", T::kInteger), Col("Subject", T::kText, 120), Col("Body", T::kMemo)},
                     {Index("PrimaryKey", "ID", true, true), Index("SentAt", "SentAt", false, false, true),
                      Index("RecipientID", "RecipientID", false, false)}};
  design.columns[0].auto_number = true;
  return design;
}

TableDesign ScheduleDesign() {
  using T = ColumnType;
  TableDesign design{"Schedule",
                     {Col("ID", T::kLong), Col("RunAt", T::kDateTime), Col("ListName", T::kText, 50),
                      Col("Repeat", T::kInteger), Col("Enabled", T::kBoolean), Col("Message", T::kMemo)},
                     {Index("PrimaryKey", "ID", true, true), Index("RunAt", "RunAt", false, false)}};
  design.columns[0].auto_number = true;
  return design;
}

TableDesign SettingsDesign() {
  using T = ColumnType;
  return TableDesign{"Settings",
                     {Col("Name", T::kText, 50), Col("Value", T::kMemo), Col("Changed", T::kDateTime)},
                     {Index("PrimaryKey", "Name", true, true)}};
}

struct Run {
  const GenerateOptions& options;
  Dice dice;
  uint64_t done = 0;
  uint64_t total = 0;

  void Tick() {
    ++done;
    if (options.progress && (done % 1024 == 0 || done == total)) options.progress(done, total);
  }

  // Writes the row, or with the chosen probability writes it and leaves it deleted.
  Status Put(TableBuilder& table, RowValues row) {
    Tick();
    if (options.deleted > 0 && dice.Chance(options.deleted)) return table.AddDeletedRow(std::move(row));
    return table.AddRow(std::move(row)).status();
  }
};

Result<std::unique_ptr<DatabaseCreator>> NewDatabase(const fs::path& path, const GenerateOptions& options,
                                                     const std::string& password, uint64_t seed) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec)
    return Status(ErrorKind::kIo,
                  "cannot create folder " + path.parent_path().string() + ": " + ec.message());
  if (options.before_create) JET_RETURN_IF_ERROR(options.before_create(path.string()));
  JET_ASSIGN_OR_RETURN(std::unique_ptr<File> file,
                       SystemFileSystem().Open(path.string(), OpenMode::kCreateNew));
  CreateOptions create;
  create.version = options.version;
  create.password = password;
  create.created = kFirstDay + static_cast<double>(seed % 4000) + 0.5;
  return DatabaseCreator::Create(std::move(file), create);
}

// Creates the database at `path` and fills it with `fill`. One left unfinished (a writer
// refused to grow it past its format's file-size limit, the disk failed) is removed again, so
// that no half-written database stays behind; one that was already there is never touched.
Status WriteDatabase(const fs::path& path, Run& run, const std::string& password, uint64_t seed,
                     const std::function<Status(DatabaseCreator&)>& fill) {
  JET_ASSIGN_OR_RETURN(std::unique_ptr<DatabaseCreator> db, NewDatabase(path, run.options, password, seed));
  Status written = fill(*db);
  if (written.ok()) written = db->Finish();
  if (!written.ok()) {
    db.reset();
    std::error_code ec;
    fs::remove(path, ec);
  }
  return written;
}

Status WriteList(const fs::path& path, Run& run) {
  return WriteDatabase(path, run, run.options.password, run.options.seed, [&](DatabaseCreator& db) -> Status {
    JET_ASSIGN_OR_RETURN(TableBuilder * table, db.AddTable(RecipientsDesign()));
    for (uint64_t i = 0; i < run.options.rows; ++i) {
      Dice& d = run.dice;
      const std::string first = d.Pick(kFirstNames), last = d.Pick(kLastNames);
      std::string email =
          first.substr(0, 1) + "." + last + "." + std::to_string(i + 1) + "@" + d.Pick(kDomains);
      RowValues row{std::monostate{},
                    std::move(email),
                    first,
                    last,
                    static_cast<int64_t>(d.Below(16)),
                    d.Below(5) != 0,
                    kFirstDay + static_cast<double>(d.Below(5000)) + 0.25,
                    std::monostate{}};
      if (d.Below(3) == 0) row[7] = d.Text(d.Below(400));
      JET_RETURN_IF_ERROR(run.Put(*table, std::move(row)));
    }
    return Status::Ok();
  });
}

Status WriteHistory(const fs::path& path, Run& run) {
  return WriteDatabase(path, run, "", run.options.seed + 1, [&](DatabaseCreator& db) -> Status {
    JET_ASSIGN_OR_RETURN(TableBuilder * table, db.AddTable(HistoryDesign()));
    const uint64_t rows = run.options.rows * 2;
    for (uint64_t i = 0; i < rows; ++i) {
      Dice& d = run.dice;
      const size_t body = d.Below(200) == 0 ? 20000 + d.Below(100000) : 300 + d.Below(3500);
      RowValues row{std::monostate{},
                    static_cast<int64_t>(1 + d.Below(std::max<uint64_t>(run.options.rows, 1))),
                    kFirstDay + static_cast<double>(i) / 96.0,
                    static_cast<int64_t>(d.Below(4)),
                    d.Words(1 + d.Below(6)),
                    d.Text(body)};
      if (run.options.deleted > 0 && d.Chance(run.options.deleted / 2)) {
        RowValues earlier = row;
        earlier[5] = d.Text(body / 2 + 100);
        run.Tick();
        JET_RETURN_IF_ERROR(table->AddUpdatedRow(earlier, std::move(row)).status());
        continue;
      }
      JET_RETURN_IF_ERROR(run.Put(*table, std::move(row)));
    }
    return Status::Ok();
  });
}

Status WriteSchedule(const fs::path& path, Run& run) {
  return WriteDatabase(path, run, "", run.options.seed + 2, [&](DatabaseCreator& db) -> Status {
    JET_ASSIGN_OR_RETURN(TableBuilder * table, db.AddTable(ScheduleDesign()));
    const uint64_t rows = std::max<uint64_t>(run.options.rows / 10, 1);
    for (uint64_t i = 0; i < rows; ++i) {
      Dice& d = run.dice;
      RowValues row{std::monostate{},
                    kFirstDay + static_cast<double>(d.Below(4000)) + 0.375,
                    "List " + std::to_string(1 + d.Below(20)),
                    static_cast<int64_t>(d.Below(8)),
                    d.Below(2) == 0,
                    d.Text(100 + d.Below(2000))};
      JET_RETURN_IF_ERROR(run.Put(*table, std::move(row)));
    }
    return Status::Ok();
  });
}

Status WriteHelper(const fs::path& path, Run& run) {
  return WriteDatabase(path, run, "", run.options.seed + 3, [&](DatabaseCreator& db) -> Status {
    JET_ASSIGN_OR_RETURN(TableBuilder * table, db.AddTable(SettingsDesign()));
    for (const char* name : {"SmtpServer", "SmtpPort", "Sender", "LastList", "Signature", "Throttle"}) {
      Dice& d = run.dice;
      JET_RETURN_IF_ERROR(table
                              ->AddRow({std::string(name), d.Words(1 + d.Below(8)),
                                        kFirstDay + static_cast<double>(d.Below(4000))})
                              .status());
    }
    return Status::Ok();
  });
}

Status CheckOptions(const GenerateOptions& options) {
  if (options.generation != "TV1" && options.generation != "TV2") {
    return Status(ErrorKind::kInvalidArgument, "generation must be TV1 or TV2");
  }
  if (!(options.deleted >= 0.0 && options.deleted < 1.0)) {
    return Status(ErrorKind::kInvalidArgument, "the deleted share must be at least 0 and below 1");
  }
  return Status::Ok();
}

}  // namespace

Status GenerateInstallation(const std::string& dir, const GenerateOptions& options) {
  JET_RETURN_IF_ERROR(CheckOptions(options));
  const fs::path root(dir);
  const bool tv2 = options.generation == "TV2";
  Run run{options, Dice(options.seed)};
  run.total = options.rows * 3 + (tv2 ? std::max<uint64_t>(options.rows / 10, 1) : 0);
  JET_RETURN_IF_ERROR(WriteList(root / "data" / "list.mdb", run));
  if (tv2) JET_RETURN_IF_ERROR(WriteHelper(root / "data" / "helper.mdb", run));
  JET_RETURN_IF_ERROR(WriteHistory(root / "history" / "history.mdb", run));
  if (tv2) JET_RETURN_IF_ERROR(WriteSchedule(root / "schedule" / "schedule.mdb", run));
  if (!tv2) {
    auto exe = SystemFileSystem().Open((root / "tavimer.exe").string(), OpenMode::kCreateNew);
    if (!exe.ok() && exe.status().kind() != ErrorKind::kExists) return exe.status();
  }
  return Status::Ok();
}

}  // namespace tav
