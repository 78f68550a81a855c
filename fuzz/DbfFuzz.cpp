// dBase tables reach the engine from the offices' file servers, where a program that stopped half
// way may have left any bytes. Opening and reading one must end in the records or in the
// engine's damaged-table error, and must never change the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/Environment.h"
#include "platform/db/DbErrors.h"
#include "platform/db/Table.h"

namespace {

namespace fs = std::filesystem;
using namespace lifto::platform;
using namespace lifto::platform::db;

void Check(bool condition) {
  if (!condition) std::abort();
}

// A private folder for the table and an environment of its own, so that the fuzzer neither
// reads nor creates anything in the user's environment.
struct Place {
  fs::path root;
  fs::path table;
  std::string windowsFolder;  // the table's folder through drive Z:
};

Place MakePlace() {
  const fs::path base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path();
  std::string pattern = (base / "lifto-dbf-fuzz-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  Place place;
  place.root = pattern;
  fs::create_directories(place.root / "dados");
  Environment::SetCurrent(Environment::LoadFrom(place.root / "home"));
  place.table = place.root / "dados" / "FUZZ.DBF";
  place.windowsFolder = "Z:";
  for (char c : (place.root / "dados").string()) place.windowsFolder += c == '/' ? '\\' : c;
  return place;
}

const Place& ThePlace() {
  static const Place place = MakePlace();
  return place;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Reads every field of the current record the way the programs do, by its kind.
void ReadRecord(const Table& table) {
  for (const FieldDef& field : table.Fields()) {
    (void)table.FieldIsNull(field.name);
    (void)table.FieldAsText(field.name);
    // A name given twice reaches its first field only; that one is read by its own kind.
    if (&table.Field(field.name) != &field) continue;
    try {
      switch (field.kind) {
        case FieldKind::Integer:
        case FieldKind::AutoInc: (void)table.FieldAsInteger(field.name); break;
        case FieldKind::Float: (void)table.FieldAsFloat(field.name); break;
        case FieldKind::Boolean: (void)table.FieldAsBoolean(field.name); break;
        case FieldKind::Date:
        case FieldKind::Time:
        case FieldKind::DateTime: (void)table.FieldAsDateTime(field.name); break;
        case FieldKind::String: break;
      }
    } catch (const EConvertError&) {
      // Text in a number field: the program is told that the value does not convert.
    }
  }
}

void OpenAndRead(const Place& place) {
  Table table;
  table.SetDatabaseName(place.windowsFolder);
  table.SetTableName("FUZZ.DBF");
  try {
    table.Open();
    int seen = 0;
    for (table.First(); !table.Eof(); table.Next()) {
      ReadRecord(table);
      ++seen;
    }
    Check(seen == table.RecordCount());
    table.Last();
    table.Prior();
    table.Refresh();
    if (!table.IsEmpty()) ReadRecord(table);
    table.Close();
  } catch (const EDBEngineError& error) {
    Check(error.ErrorCode() == code::kHeaderCorrupt || error.ErrorCode() == code::kFileCorrupt);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ThePlace();
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(ThePlace().root, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const Place& place = ThePlace();
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  {
    std::ofstream out(place.table, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) std::abort();
  }
  OpenAndRead(place);
  // Reading never writes: a damaged file stays as it was found for whoever repairs it.
  Check(ReadFile(place.table) == bytes);
  std::error_code ignored;
  fs::remove(place.table.string() + ".lck", ignored);
  return 0;
}
