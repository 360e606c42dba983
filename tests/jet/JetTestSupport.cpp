#include "tests/jet/JetTestSupport.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

namespace jet::testing {

std::vector<std::string> AllFixtures() {
  std::vector<std::string> out;
  for (const char* folder : {"jet3", "jet4"}) {
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::path(TAVIMER_FIXTURES_DIR) / "jet" / folder)) {
      if (entry.path().extension() == ".mdb")
        out.push_back(std::string(folder) + "/" + entry.path().filename().string());
    }
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string FixturePath(const std::string& relative) {
  return (std::filesystem::path(TAVIMER_FIXTURES_DIR) / "jet" / relative).string();
}

namespace {

constexpr const char* kRealWorld = "../realworld/";

// File name -> password, from the corpus manifest (columns: file, version, bytes, tables,
// rows, password, ...).
std::map<std::string, std::string> RealWorldPasswords() {
  std::map<std::string, std::string> out;
  std::ifstream in(std::filesystem::path(TAVIMER_FIXTURES_DIR) / "realworld" / "MANIFEST.tsv");
  std::string line;
  std::getline(in, line);  // the heading
  while (std::getline(in, line)) {
    std::vector<std::string> fields;
    std::stringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    if (fields.size() > 5) out[fields[0]] = fields[5];
  }
  return out;
}

}  // namespace

std::string FixturePassword(const std::string& relative) {
  if (relative.rfind(kRealWorld, 0) == 0) {
    static const std::map<std::string, std::string> passwords = RealWorldPasswords();
    auto found = passwords.find(relative.substr(std::string(kRealWorld).size()));
    return found == passwords.end() ? "" : found->second;
  }
  return relative.find("password") != std::string::npos ? "password" : "";
}

std::vector<std::string> RealWorldFiles() {
  std::vector<std::string> out;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(TAVIMER_FIXTURES_DIR) / "realworld")) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".mdb" || ext == ".MDB") out.push_back(kRealWorld + entry.path().filename().string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

TempDir::TempDir() {
  std::random_device rd;
  path_ =
      std::filesystem::temp_directory_path() / ("jet-test-" + std::to_string(rd()) + std::to_string(rd()));
  std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::CopyFixture(const std::string& relative) const {
  const auto target = path_ / std::filesystem::path(relative).filename();
  std::filesystem::copy_file(FixturePath(relative), target,
                             std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(target,
                               std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  return target.string();
}

std::string TempDir::Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const auto target = path_ / name;
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return target.string();
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

}  // namespace jet::testing
