#pragma once

#include <shapefil.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/TableBackend.h"

namespace lifto::platform::db {

/// A dBase file (".DBF") read and written through shapelib. Field types C, N, F, L and D; other
/// types read as text and cannot be written. Texts are kept in the file as they are (1252).
/// Records marked deleted are passed over. A dBase file has no indexes here.
///
/// Every write reopens the file, so that it starts from the record count that other programs
/// left, and closes it again, so that the header is written at once; the dataset holds the
/// table's header lock meanwhile.
class DbfTable : public TableBackend {
 public:
  /// @param file the host file, known to exist
  /// @param displayPath the file's Windows path, for messages
  /// @throw EDBEngineError kHeaderCorrupt when the file is not a dBase table (it is left as it is)
  DbfTable(const std::filesystem::path& file, const std::string& displayPath);
  ~DbfTable() override;
  DbfTable(const DbfTable&) = delete;
  DbfTable& operator=(const DbfTable&) = delete;

  const std::vector<FieldDef>& Fields() const override { return fields_; }
  std::vector<RecordId> RecordIds(const std::string& indexName) override;
  std::optional<RecordValues> Read(RecordId id) override;
  RecordId Insert(const RecordValues& values, const std::vector<bool>& changed) override;
  void Update(RecordId id, const RecordValues& values, const std::vector<bool>& changed) override;
  void Delete(RecordId id) override;
  std::optional<RecordId> FindNearest(const std::string& indexName,
                                      const std::vector<std::string>& key) override;
  void SaveChanges() override;
  void Reload() override;

  /// True when the file's header and field descriptors make a consistent dBase table.
  static bool LooksLikeDbf(const std::filesystem::path& file);

 private:
  struct Closer {
    void operator()(DBFInfo* handle) const { DBFClose(handle); }
  };
  using Handle = std::unique_ptr<DBFInfo, Closer>;

  Handle OpenHandle(bool forWriting) const;
  /// Runs a write on a fresh handle and closes it, so that the header goes out at once.
  template <typename WriteFunction>
  void Write(WriteFunction&& write);
  void WriteFields(DBFHandle handle, int record, const RecordValues& values,
                   const std::vector<bool>& changed) const;
  std::string RawValue(const FieldValue& value, int field) const;

  std::filesystem::path file_;
  std::string display_;
  bool writable_ = false;
  Handle handle_;  ///< for reading; reopened by Reload and after each write
  std::vector<FieldDef> fields_;
  std::vector<char> types_;  ///< native dBase type of each field
  std::vector<int> widths_;
  std::vector<int> decimals_;
};

}  // namespace lifto::platform::db
