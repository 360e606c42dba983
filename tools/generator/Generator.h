#pragma once
// Lays out a Tavimer installation filled with made-up data, for tests and benchmarks:
//   TV1: DIR/tavimer.exe (empty), DIR/data/list.mdb, DIR/history/history.mdb
//   TV2: DIR/data/list.mdb, DIR/data/helper.mdb, DIR/history/history.mdb,
//        DIR/schedule/schedule.mdb
// The same seed gives the same files. Rows stream to disk, so memory stays bounded by the
// index entries whatever the size. Test data only: the tests, the benchmarks and
// `jettool generate` use it; the engine's writers (jet/DatabaseCreator.h) do the writing.

#include <cstdint>
#include <functional>
#include <string>

#include "jet/base/Status.h"
#include "jet/format/Format.h"

namespace tav {

struct GenerateOptions {
  std::string generation = "TV1";  // "TV1" or "TV2"
  uint64_t rows = 1000;            // recipients; history gets twice as many rows
  double deleted = 0.0;            // share of rows written and then left deleted (0..1)
  std::string password;            // protects list.mdb only
  jet::JetVersion version = jet::JetVersion::kJet4;
  uint64_t seed = 1;
  // Called now and then with rows written so far and rows in total.
  std::function<void(uint64_t, uint64_t)> progress;
  // Called with the path of each database file before it is created; an error stops the
  // generation there (a caller refuses files that another program uses).
  std::function<jet::Status(const std::string&)> before_create;
};

// Errors: kInvalidArgument for bad options, kExists when a database file is already there,
// kIo for failures of the file system.
jet::Status GenerateInstallation(const std::string& dir, const GenerateOptions& options);

}  // namespace tav
