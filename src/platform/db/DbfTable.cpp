#include "platform/db/DbfTable.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/db/DateTime.h"
#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

using namespace std::string_view_literals;

namespace {

unsigned LittleEndian(const unsigned char* bytes, int count) {
  unsigned value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

std::string Trim(std::string_view text) {
  const auto first = text.find_first_not_of(" \0"sv);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \0"sv);
  return std::string(text.substr(first, last - first + 1));
}

std::string TrimRight(std::string_view text) {
  const auto last = text.find_last_not_of(" \0"sv);
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

}  // namespace

bool DbfTable::LooksLikeDbf(const std::filesystem::path& file) {
  std::error_code error;
  const auto size = std::filesystem::file_size(file, error);
  if (error) return false;
  std::ifstream in(file, std::ios::binary);
  unsigned char head[32];
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  static constexpr unsigned char kVersions[] = {0x02, 0x03, 0x04, 0x05, 0x30, 0x31, 0x32, 0x43,
                                                0x63, 0x83, 0x8B, 0x8E, 0xCB, 0xF5, 0xFB};
  if (std::find(std::begin(kVersions), std::end(kVersions), head[0]) == std::end(kVersions)) {
    return false;
  }
  if (head[2] > 12 || head[3] > 31) return false;  // month and day of the last update
  const unsigned records = LittleEndian(head + 4, 4);
  const unsigned headerLength = LittleEndian(head + 8, 2);
  const unsigned recordLength = LittleEndian(head + 10, 2);
  if (headerLength < 65 || recordLength < 2 || headerLength > size) return false;
  std::vector<unsigned char> descriptors(headerLength - 32);
  if (!in.read(reinterpret_cast<char*>(descriptors.data()),
               static_cast<std::streamsize>(descriptors.size()))) {
    return false;
  }
  unsigned width = 1;  // the deletion mark
  std::size_t offset = 0;
  for (;; offset += 32) {
    if (offset >= descriptors.size()) return false;
    if (descriptors[offset] == 0x0D) break;
    if (offset + 32 > descriptors.size() || descriptors[offset] == 0) return false;
    const char type = static_cast<char>(descriptors[offset + 11]);
    if (std::strchr("CNFLDMBGPYTIV@O+0", type) == nullptr || type == 0) return false;
    const unsigned fieldWidth = descriptors[offset + 16];
    if (fieldWidth == 0) return false;
    width += fieldWidth;
  }
  if (offset == 0 || width != recordLength) return false;
  return size >= headerLength + static_cast<std::uint64_t>(records) * recordLength;
}

DbfTable::DbfTable(const std::filesystem::path& file, const std::string& displayPath)
    : file_(file), display_(displayPath) {
  // Checked before the library sees the file, so that a foreign file is never written to.
  if (!LooksLikeDbf(file)) {
    throw EDBEngineError(code::kHeaderCorrupt, "Corrupt table/index header.\rTable: " + display_);
  }
  writable_ = ::access(file.c_str(), W_OK) == 0;
  handle_ = OpenHandle(false);
  const int count = DBFGetFieldCount(handle_.get());
  for (int i = 0; i < count; ++i) {
    char name[XBASE_FLDNAME_LEN_READ + 1] = {};
    int width = 0, decimals = 0;
    DBFGetFieldInfo(handle_.get(), i, name, &width, &decimals);
    const char type = DBFGetNativeFieldType(handle_.get(), i);
    FieldDef def;
    def.name = name;
    switch (type) {
      case 'C':
        def.kind = FieldKind::String;
        def.size = width;
        break;
      case 'N':
      case 'F':
        def.kind = (type == 'N' && decimals == 0) ? FieldKind::Integer : FieldKind::Float;
        break;
      case 'L':
        def.kind = FieldKind::Boolean;
        break;
      case 'D':
        def.kind = FieldKind::Date;
        break;
      default:  // memo and the later dBase types: shown as their raw text, never written
        def.kind = FieldKind::String;
        def.size = width;
        def.readOnly = true;
        break;
    }
    fields_.push_back(def);
    types_.push_back(type);
    widths_.push_back(width);
    decimals_.push_back(decimals);
  }
}

DbfTable::~DbfTable() = default;

DbfTable::Handle DbfTable::OpenHandle(bool forWriting) const {
  Handle handle(DBFOpen(file_.c_str(), forWriting ? "rb+" : "rb"));
  if (!handle) {
    throw EDBEngineError(code::kAccessDenied, "Cannot open the table.\rTable: " + display_);
  }
  return handle;
}

void DbfTable::Reload() { handle_ = OpenHandle(false); }

std::vector<RecordId> DbfTable::RecordIds(const std::string& indexName) {
  if (!indexName.empty()) {
    throw EDBEngineError(code::kNoSuchIndex, "Index does not exist.\rIndex: " + indexName);
  }
  std::vector<RecordId> ids;
  const int count = DBFGetRecordCount(handle_.get());
  for (int i = 0; i < count; ++i) {
    if (!DBFIsRecordDeleted(handle_.get(), i)) ids.push_back(i + 1);
  }
  return ids;
}

std::optional<RecordValues> DbfTable::Read(RecordId id) {
  if (id < 1 || id > DBFGetRecordCount(handle_.get())) return std::nullopt;
  const int record = static_cast<int>(id - 1);
  if (DBFIsRecordDeleted(handle_.get(), record)) return std::nullopt;
  const char* tuple = DBFReadTuple(handle_.get(), record);
  if (!tuple) {
    throw EDBEngineError(code::kFileCorrupt, "Corrupt file - other than header.\rTable: " + display_);
  }
  RecordValues values;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    const std::string_view raw(tuple + handle_->panFieldOffset[i],
                               static_cast<std::size_t>(widths_[i]));
    FieldValue value;
    switch (types_[i]) {
      case 'N':
      case 'F': {
        std::string number = Trim(raw);
        if (!number.empty() && number.find_first_not_of('*') != std::string::npos) value = number;
        break;
      }
      case 'L': {
        const char mark = raw.empty() ? ' ' : raw.front();
        if (std::strchr("TtYy", mark) && mark) value = "1";
        if (std::strchr("FfNn", mark) && mark) value = "0";
        break;
      }
      case 'D':
        if (const auto date = ParseIsoDateTime(Trim(raw))) value = IsoDate(*date);
        break;
      default:
        value = TrimRight(raw);
        break;
    }
    values.push_back(std::move(value));
  }
  return values;
}

std::string DbfTable::RawValue(const FieldValue& value, int field) const {
  const auto width = static_cast<std::size_t>(widths_[field]);
  if (!value) return std::string(width, ' ');
  std::string raw;
  switch (types_[field]) {
    case 'N':
    case 'F': {
      char buffer[64];
      if (fields_[field].kind == FieldKind::Integer) {
        raw = *value;
      } else {
        std::snprintf(buffer, sizeof buffer, "%.*f", decimals_[field], std::strtod(value->c_str(), nullptr));
        raw = buffer;
      }
      if (raw.size() > width) {
        throw EDBEngineError(code::kGeneralError, "Field value out of range.\rTable: " + display_ +
                                                      "\rField: " + fields_[field].name);
      }
      return std::string(width - raw.size(), ' ') + raw;
    }
    case 'L':
      raw = *value == "1" ? "T" : "F";
      break;
    case 'D':
      if (const auto date = ParseIsoDateTime(*value)) {
        raw = IsoDate(*date);
        raw.erase(std::remove(raw.begin(), raw.end(), '-'), raw.end());
      }
      break;
    default:
      raw = *value;
      break;
  }
  raw.resize(width, ' ');
  return raw;
}

void DbfTable::WriteFields(DBFHandle handle, int record, const RecordValues& values,
                           const std::vector<bool>& changed) const {
  // Everything is formatted (and checked) before the first byte is written.
  std::vector<std::pair<int, std::string>> raws;
  for (std::size_t i = 0; i < fields_.size(); ++i) {
    if (changed[i] && !fields_[i].readOnly) {
      raws.emplace_back(static_cast<int>(i), RawValue(values[i], static_cast<int>(i)));
    }
  }
  for (auto& [field, raw] : raws) {
    if (!DBFWriteAttributeDirectly(handle, record, field, raw.data())) {
      throw EDBEngineError(code::kWriteFailed, "Write failed.\rTable: " + display_);
    }
  }
}

template <typename WriteFunction>
void DbfTable::Write(WriteFunction&& write) {
  if (!writable_) {
    throw EDBEngineError(code::kTableReadOnly, "Table is read only.\rTable: " + display_);
  }
  handle_.reset();
  try {
    Handle writer = OpenHandle(true);
    write(writer.get());
  } catch (...) {
    handle_ = OpenHandle(false);
    throw;
  }
  // The writer is closed by now, which wrote the header with the new record count.
  handle_ = OpenHandle(false);
}

RecordId DbfTable::Insert(const RecordValues& values, const std::vector<bool>&) {
  RecordId id = 0;
  Write([&](DBFHandle handle) {
    const int record = DBFGetRecordCount(handle);
    // Every field is written, so that the record exists even when nothing was set.
    WriteFields(handle, record, values, std::vector<bool>(fields_.size(), true));
    id = record + 1;
  });
  return id;
}

void DbfTable::Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) {
  Write([&](DBFHandle handle) {
    const int record = static_cast<int>(id - 1);
    if (id < 1 || id > DBFGetRecordCount(handle) || DBFIsRecordDeleted(handle, record)) {
      throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + display_);
    }
    WriteFields(handle, record, values, changed);
  });
}

void DbfTable::Delete(RecordId id) {
  Write([&](DBFHandle handle) {
    const int record = static_cast<int>(id - 1);
    if (id < 1 || id > DBFGetRecordCount(handle) || DBFIsRecordDeleted(handle, record)) {
      throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + display_);
    }
    if (!DBFMarkRecordDeleted(handle, record, 1)) {
      throw EDBEngineError(code::kWriteFailed, "Write failed.\rTable: " + display_);
    }
  });
}

std::optional<RecordId> DbfTable::FindNearest(const std::string& indexName,
                                              const std::vector<std::string>&) {
  throw EDBEngineError(code::kNoSuchIndex, "Index does not exist.\rIndex: " + indexName);
}

void DbfTable::SaveChanges() {
  // Each write closed the file, so the library holds nothing; what the system holds goes out.
  const int fd = ::open(file_.c_str(), O_RDONLY | O_CLOEXEC);
  const bool saved = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  if (!saved) throw EDBEngineError(code::kWriteFailed, "Write failed.\rTable: " + display_);
}

}  // namespace lifto::platform::db
