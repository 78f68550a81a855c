#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/DateTime.h"
#include "platform/db/DbErrors.h"
#include "platform/db/FieldDef.h"

/// The engine's table component: a table opened by alias and name, or by full path, with a
/// cursor over its records, a record buffer for editing and the dataset events of the vendor's
/// programs. Several programs may have a table open at once; the locks of TableLock.h (a file)
/// or PgTableLock.h (a table on a database server) keep them apart (an exclusive open, and a
/// record edited, posted or deleted).
namespace lifto::platform::db {

enum class DataSetState { Inactive, Browse, Edit, Insert };

/// What a failed edit, post or delete does next, as the error event decides: raise the error,
/// give up silently (EAbort), or try the operation again at once.
enum class DataAction { Fail, Abort, Retry };

class Table;
using DataSetNotifyEvent = std::function<void(Table&)>;
using DataSetErrorEvent = std::function<void(Table&, EDatabaseError&, DataAction&)>;

/// The dataset events. Empty handlers are not called.
struct DataSetEvents {
  DataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  DataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  DataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  DataSetNotifyEvent BeforeDelete, AfterDelete;
  /// Called each time the operation fails with a database error; the action starts as Fail.
  DataSetErrorEvent OnEditError, OnPostError, OnDeleteError;
};

class TableBackend;
class TableLocking;

class Table {
 public:
  /// @param events handlers already set when the table is made
  explicit Table(DataSetEvents events = {});
  virtual ~Table();
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // ---- Settings ----

  /// The component's name, shown in the retry window ("TabDiscos").
  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  /// An alias of aliases.ini, or a folder.
  const std::string& DatabaseName() const { return databaseName_; }
  void SetDatabaseName(std::string name);
  /// "Novo", "INDECR.DBF", or a full path.
  const std::string& TableName() const { return tableName_; }
  void SetTableName(std::string name);
  bool Exclusive() const { return exclusive_; }
  void SetExclusive(bool exclusive);
  /// The index that orders the records and that FindNearest searches; empty for the table's own
  /// order. May change while open (the cursor stays on its record).
  const std::string& IndexName() const { return indexName_; }
  void SetIndexName(std::string name);
  DataSetEvents& Events() { return events_; }

  // ---- Open and close ----

  /// @throw EDBEngineError for a missing or damaged table, a table held open in a conflicting way
  ///        by another program (kTableBusy), or an unknown index
  void Open();
  /// Cancels an edit in progress, releases the locks.
  void Close();
  bool Active() const { return state_ != DataSetState::Inactive; }
  DataSetState State() const { return state_; }
  /// The open table's file as a Windows path.
  const std::string& FilePath() const { return filePath_; }

  // ---- Cursor ----
  // Moving, refreshing and appending post an edit in progress first, as the dataset always did.

  /// Re-reads the records from the file, staying on the current record where it still exists.
  void Refresh();
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  int RecordCount() const { return static_cast<int>(rows_.size()); }
  bool IsEmpty() const { return rows_.empty(); }
  /// Goes to the first record whose key on IndexName() is not less than the values given (for the
  /// leading fields of the index). @return false, standing on the last record, when there is none
  bool FindNearest(const std::vector<std::string>& key);
  bool FindNearest(const std::string& value) { return FindNearest(std::vector<std::string>{value}); }
  /// The current record's id (0 when there is none).
  RecordId CurrentRecordId() const;

  // ---- Changes ----

  /// A new empty record to fill; Post adds it. (Insert is the same: rows are not positional.)
  void Append();
  void Insert() { Append(); }
  /// Locks the current record and reads it afresh.
  /// @throw EDBEngineError kRecordLocked while another program holds it, unless the edit-error
  ///        event decides otherwise
  void Edit();
  /// Writes the record being edited or appended; an auto-increment field then holds its number.
  /// Does nothing outside edit and insert.
  virtual void Post();
  /// Deletes the current record (locking it meanwhile).
  void Delete();
  /// Drops the changes of an edit or append.
  void Cancel();
  /// Makes every posted change durable on disk. @throw EDBEngineError when that fails
  virtual void SaveChanges();

  // ---- Fields (by name, without regard to case) ----

  const std::vector<FieldDef>& Fields() const;
  bool HasField(const std::string& name) const;
  /// @throw EDatabaseError "Campo 'X' não encontrado"
  const FieldDef& Field(const std::string& name) const;
  bool FieldIsNull(const std::string& name) const;
  std::string FieldAsText(const std::string& name) const;
  std::int64_t FieldAsInteger(const std::string& name) const;
  double FieldAsFloat(const std::string& name) const;
  bool FieldAsBoolean(const std::string& name) const;
  DateTime FieldAsDateTime(const std::string& name) const;
  /// The declared size of a text field; 0 for the other kinds.
  int FieldDeclaredSize(const std::string& name) const;

  /// Setting needs edit or insert mode; an auto-increment field cannot be set.
  void SetFieldText(const std::string& name, const std::string& text);
  void SetFieldInteger(const std::string& name, std::int64_t number);
  void SetFieldFloat(const std::string& name, double number);
  void SetFieldBoolean(const std::string& name, bool flag);
  void SetFieldDateTime(const std::string& name, DateTime value);
  void ClearField(const std::string& name);

 protected:
  /// Runs an operation until it succeeds, asking the error event what to do each time it fails
  /// with a database error.
  void CheckOperation(const std::function<void()>& operation, const DataSetErrorEvent& onError);

 private:
  void CheckActive() const;
  void CheckBrowseMode();
  void CheckClosed() const;
  std::size_t FieldIndex(const std::string& name) const;
  void SetValue(const std::string& name, FieldValue value);
  void Notify(const DataSetNotifyEvent& event);
  void LoadRows(std::optional<RecordId> stayOn);
  /// Reads the record at the cursor, dropping records that vanished meanwhile.
  void LoadCurrent();
  void InternalEdit();
  void InternalPost();
  void InternalDelete();
  void ReleaseRecordLock();
  [[noreturn]] void RecordLocked() const;

  std::string name_, databaseName_, tableName_, indexName_;
  bool exclusive_ = false;
  DataSetEvents events_;
  DataSetState state_ = DataSetState::Inactive;
  std::unique_ptr<TableBackend> backend_;
  std::unique_ptr<TableLocking> lock_;
  std::string filePath_;
  std::vector<RecordId> rows_;
  std::size_t pos_ = 0;
  bool eof_ = true, bof_ = true;
  RecordValues current_;
  std::vector<bool> changed_;
  std::optional<RecordId> lockedRecord_;
};

}  // namespace lifto::platform::db
