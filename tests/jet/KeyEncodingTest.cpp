// Index keys computed by the encoder from each row's values, compared with the keys that
// Microsoft Access stored, for every entry of every index of every fixture and real-world
// file. A key the encoder calls exact must be Access's key byte for byte; text with a
// character of unknown weight, or under another sort order, must be called not exact.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>

#include "jet/base/Bytes.h"
#include "jet/base/TextCodec.h"
#include "jet/check/StoredKeys.h"
#include "jet/read/Database.h"
#include "jet/write/KeyEncoder.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

struct Tally {
  size_t compared = 0;
  size_t unknown = 0;  // not exact: a character without known weight
  size_t ordered = 0;  // text under a sort order other than General
  std::vector<std::string> mismatches;
};

void CompareTable(Database& db, const TableDef& def, const std::string& where, Tally& tally) {
  for (const RealIndex& index : def.real_indexes) {
    const IndexKeyEncoder encoder(db, def, index);
    ASSERT_TRUE(encoder.valid()) << where;
    auto keys = ReadStoredKeys(db, def, index);
    ASSERT_TRUE(keys.ok()) << where << ": " << keys.status().ToString();
    for (const StoredKey& k : *keys) {
      if (!encoder.general()) {
        ++tally.ordered;
        continue;
      }
      const auto key = encoder.encoder().Encode(k.row);
      if (!key.ok()) {
        ASSERT_EQ(key.status().kind(), ErrorKind::kUnsupported) << where << ": " << key.status().ToString();
        ++tally.unknown;
        continue;
      }
      ++tally.compared;
      if (*key != k.key) {
        tally.mismatches.push_back(where + " index " + std::to_string(index.number) + ": stored " +
                                   HexDigits(k.key) + " computed " + HexDigits(*key));
      }
    }
  }
}

TEST(KeyEncodingTest, ExactKeysAreTheOnesAccessStoredInEveryFixtureAndRealFile) {
  testing::TempDir tmp;
  Tally tally;
  std::vector<std::string> files = testing::AllFixtures();
  const std::vector<std::string> real = testing::RealWorldFiles();
  files.insert(files.end(), real.begin(), real.end());
  for (const std::string& file : files) {
    auto db = Database::OpenPath(tmp.CopyFixture(file), {.password = testing::FixturePassword(file)});
    ASSERT_TRUE(db.ok()) << file << ": " << db.status().ToString();
    for (const CatalogEntry& table : (*db)->Tables(true)) {
      auto def = (*db)->ReadTableDef(table.DefinitionPage());
      ASSERT_TRUE(def.ok()) << file << " " << table.name << ": " << def.status().ToString();
      CompareTable(**db, *def, file + " " + table.name, tally);
    }
  }
  std::printf("index keys compared: %zu, not exact: %zu, other sort orders: %zu, differing: %zu\n",
              tally.compared, tally.unknown, tally.ordered, tally.mismatches.size());
  for (size_t i = 0; i < tally.mismatches.size() && i < 10; ++i)
    std::printf("  differs: %s\n", tally.mismatches[i].c_str());
  EXPECT_GT(tally.compared, 70000u);
  EXPECT_EQ(tally.mismatches.size(), 0u);
}

// Jet 3 accent codes go to the letters that have accented forms only; whether a digit or a
// letter of its own weight before an accent takes a place, no stored key shows, so such a
// key is not exact.
TEST(KeyEncodingTest, Jet3AccentPlacesAreKnownOnlyAfterLetters) {
  const struct {
    const char* text;
    bool exact;
  } cases[] = {{"Köln", true}, {"Blåbær 12", true}, {"Straße 7", true}, {"12 Général", false},
               {"ðé", false},  {"²é", false},       {"Cæsarée", false}};
  for (const auto& c : cases) {
    bool exact = true;
    GeneralTextKey(Utf8ToUtf16(c.text), JetVersion::kJet3, &exact);
    EXPECT_EQ(exact, c.exact) << c.text;
  }
}

}  // namespace
}  // namespace jet
