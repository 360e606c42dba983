// Files of a later format than Jet 3 and Jet 4: those of Access 2007 and later (signature
// "Standard ACE DB", whatever their version byte) and Jet files whose version byte is after
// Jet 4's. Every entry point (the open and test open, the check, compaction, repair, the
// editor, the password writer and every jettool command) refuses them with the error that
// says what the file is, and leaves the file byte for byte as it was, with nothing beside it.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "jet/edit/TableEditor.h"
#include "jet/format/Header.h"
#include "jet/repair/Repairer.h"
#include "jet/write/PasswordWriter.h"
#include "tests/jet/JetTestSupport.h"

namespace jet {
namespace {

using testing::ShellQuote;
using testing::TempDir;

// `fixture`'s bytes with the signature of `format` and version byte `version`.
std::vector<uint8_t> Signed(const std::string& fixture, FileFormat format, uint8_t version) {
  std::vector<uint8_t> bytes = testing::ReadBytes(testing::FixturePath(fixture));
  if (bytes.size() < kHeaderMinimumBytes) {
    ADD_FAILURE() << "no fixture " << fixture;
    return std::vector<uint8_t>(kHeaderMinimumBytes, 0);
  }
  if (format == FileFormat::kAccess2007OrLater)
    std::memcpy(bytes.data() + kHeaderFormatIdOffset, kHeaderAceFormatId, sizeof kHeaderAceFormatId);
  bytes[kHeaderVersionOffset] = version;
  return bytes;
}

std::set<std::string> Listing(const std::filesystem::path& folder) {
  std::set<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    out.insert(entry.path().filename().string());
  return out;
}

// Every entry point of the engine, called in-process on `path`; each must refuse it as a file
// of `format`, and the file and its folder stay as they were.
void ExpectRefusedInProcess(const TempDir& dir, const std::string& path, FileFormat format) {
  const std::vector<uint8_t> before = testing::ReadBytes(path);
  const std::set<std::string> listed = Listing(dir.path());
  const auto refused = [&](const Status& status, const char* where) {
    EXPECT_EQ(status.kind(), ErrorKind::kUnsupported) << where << ": " << status.ToString();
    EXPECT_EQ(status.refused_format(), format) << where << ": " << status.ToString();
  };
  refused(Database::OpenPath(path).status(), "open");
  refused(Database::OpenPath(path, {.password = "", .tolerate_damage = true}).status(),
          "open for the check and repair");
  refused(RepairDatabase(path).status(), "repair");
  {
    auto file = LoadIntoMemory(path);
    ASSERT_TRUE(file.ok());
    MemoryFile out;
    refused(RepairInto(**file, out).status(), "repair into a new file");
    EXPECT_TRUE(out.bytes().empty());
  }
  refused(TableEditor::Open(path).status(), "editor");
  {
    auto file = SystemFileSystem().Open(path, OpenMode::kReadWrite);
    ASSERT_TRUE(file.ok());
    refused(SetDatabasePassword(**file, "secret"), "password");
  }
  EXPECT_EQ(testing::ReadBytes(path), before);
  EXPECT_EQ(Listing(dir.path()), listed);
}

TEST(LaterFormatTest, TheHeaderSaysWhatTheFileIs) {
  std::vector<uint8_t> page = testing::ReadBytes(testing::FixturePath("jet4/test2V2000.mdb"));
  page.resize(4096);
  EXPECT_EQ(IdentifyFormat(page), FileFormat::kNone);
  page[kHeaderVersionOffset] = 0;
  EXPECT_EQ(IdentifyFormat(page), FileFormat::kNone);
  for (int version = 2; version < 256; ++version) {
    page[kHeaderVersionOffset] = static_cast<uint8_t>(version);
    EXPECT_EQ(IdentifyFormat(page), FileFormat::kLaterJetVersion) << version;
  }
  std::memcpy(page.data() + kHeaderFormatIdOffset, kHeaderAceFormatId, sizeof kHeaderAceFormatId);
  for (int version = 0; version < 256; ++version) {
    page[kHeaderVersionOffset] = static_cast<uint8_t>(version);
    EXPECT_EQ(IdentifyFormat(page), FileFormat::kAccess2007OrLater) << version;
    const Status refused = RefusedFormatError(IdentifyFormat(page), page);
    EXPECT_NE(refused.description().find("Access 2007 or later"), std::string::npos) << refused.ToString();
  }
  page[0] = 'x';
  EXPECT_EQ(IdentifyFormat(page), FileFormat::kNotADatabase);
  const Status not_a_database = ParseHeader(page).status();
  EXPECT_EQ(not_a_database.kind(), ErrorKind::kNotADatabase);
  EXPECT_EQ(not_a_database.refused_format(), FileFormat::kNotADatabase);
}

// Every version byte, on a Jet 3 and a Jet 4 fixture.
TEST(LaterFormatTest, EveryVersionByteOfAnAccess2007FileIsRefusedUntouched) {
  for (const char* fixture : {"jet3/testV1997.mdb", "jet4/test2V2000.mdb"}) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    for (int version = 0; version < 256; ++version) {
      SCOPED_TRACE(version);
      const std::string path = dir.Write(
          "ace.accdb", Signed(fixture, FileFormat::kAccess2007OrLater, static_cast<uint8_t>(version)));
      ExpectRefusedInProcess(dir, path, FileFormat::kAccess2007OrLater);
      std::filesystem::remove(path);
      if (version < 2) continue;
      const std::string later = dir.Write(
          "later.mdb", Signed(fixture, FileFormat::kLaterJetVersion, static_cast<uint8_t>(version)));
      ExpectRefusedInProcess(dir, later, FileFormat::kLaterJetVersion);
      std::filesystem::remove(later);
    }
  }
}

// Every fixture, with the version bytes of the Access releases that use them and the extremes.
TEST(LaterFormatTest, EveryFixtureSignedAsALaterFormatIsRefusedUntouched) {
  for (const std::string& fixture : testing::AllFixtures()) {
    SCOPED_TRACE(fixture);
    TempDir dir;
    for (uint8_t version : {0, 1, 2, 3, 4, 5, 6, 0x7f, 0xff}) {
      SCOPED_TRACE(static_cast<int>(version));
      const std::string path =
          dir.Write("ace.accdb", Signed(fixture, FileFormat::kAccess2007OrLater, version));
      ExpectRefusedInProcess(dir, path, FileFormat::kAccess2007OrLater);
      std::filesystem::remove(path);
    }
  }
}

// Every jettool command answers error 3343 (the engine's unrecognised-format number), says
// what the file is, and changes nothing.
TEST(LaterFormatTest, EveryJettoolCommandRefusesUntouched) {
  const std::string jettool = std::string(TAVIMER_BINARY_DIR) + "/tools/jettool ";
  for (const char* fixture : {"jet3/testV1997.mdb", "jet4/test2V2000.mdb"}) {
    for (uint8_t version : {0, 1, 2, 3, 5, 0xff}) {
      for (FileFormat format : {FileFormat::kAccess2007OrLater, FileFormat::kLaterJetVersion}) {
        if (format == FileFormat::kLaterJetVersion && version < 2) continue;
        SCOPED_TRACE(std::string(fixture) + " version " + std::to_string(version));
        TempDir dir;
        const std::string path = dir.Write("file.mdb", Signed(fixture, format, version));
        const std::vector<uint8_t> before = testing::ReadBytes(path);
        const std::string file = ShellQuote(path);
        const std::string copy = ShellQuote((dir.path() / "copy.mdb").string());
        for (const std::string& command :
             {"info " + file, "tables " + file, "schema " + file, "export " + file + " Table1",
              "check " + file, "check -v " + file, "compact " + file + " " + copy,
              "delete " + file + " Table1 --where ID=1", "repair " + file, "keys " + file}) {
          const auto run = testing::RunCommand(jettool + command + " 2>&1");
          EXPECT_EQ(run.exit_code, 2) << command << ": " << run.out;
          EXPECT_EQ(run.out.rfind("error 3343: ", 0), 0u) << command << ": " << run.out;
          const char* says =
              format == FileFormat::kAccess2007OrLater ? "Access 2007 or later" : "later than Jet 4";
          EXPECT_NE(run.out.find(says), std::string::npos) << command << ": " << run.out;
          EXPECT_EQ(testing::ReadBytes(path), before) << command;
          EXPECT_EQ(Listing(dir.path()), std::set<std::string>{"file.mdb"}) << command;
        }
      }
    }
  }
}

}  // namespace
}  // namespace jet
