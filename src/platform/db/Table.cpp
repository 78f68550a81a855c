#include "platform/db/Table.h"

#include <algorithm>

#include "platform/Codepage.h"
#include "platform/TextCase.h"
#include "platform/db/FieldValues.h"
#include "platform/db/TableBackend.h"
#include "platform/db/TableStorage.h"

namespace lifto::platform::db {

namespace {

/// Holds the table's header lock: shared while records are read, exclusively while a row is
/// written (so that writers of a dBase file also start from each other's record count). Never
/// nested.
class HeaderLock {
 public:
  HeaderLock(TableLocking& lock, bool exclusive) : lock_(lock) { lock_.LockHeader(exclusive); }
  ~HeaderLock() { lock_.UnlockHeader(); }
  HeaderLock(const HeaderLock&) = delete;
  HeaderLock& operator=(const HeaderLock&) = delete;

 private:
  TableLocking& lock_;
};

}  // namespace

Table::Table(DataSetEvents events) : events_(std::move(events)) {}

Table::~Table() {
  // Locks and files go with their owners; an edit in progress is dropped.
  ReleaseRecordLock();
}

void Table::CheckClosed() const {
  if (Active()) {
    throw EDatabaseError(Ansi("Não é possível executar esta operação em uma tabela aberta"));
  }
}

void Table::CheckActive() const {
  if (!Active()) {
    throw EDatabaseError(Ansi("Não é possível executar esta operação em uma tabela fechada"));
  }
}

void Table::SetDatabaseName(std::string name) {
  CheckClosed();
  databaseName_ = std::move(name);
}

void Table::SetTableName(std::string name) {
  CheckClosed();
  tableName_ = std::move(name);
}

void Table::SetExclusive(bool exclusive) {
  CheckClosed();
  exclusive_ = exclusive;
}

void Table::SetIndexName(std::string name) {
  if (!Active()) {
    indexName_ = std::move(name);
    return;
  }
  CheckBrowseMode();
  const std::string previous = indexName_;
  indexName_ = std::move(name);
  try {
    LoadRows(CurrentRecordId() ? std::optional<RecordId>(CurrentRecordId()) : std::nullopt);
  } catch (...) {
    indexName_ = previous;
    throw;
  }
}

void Table::Notify(const DataSetNotifyEvent& event) {
  if (event) event(*this);
}

// ---- Open and close ----

void Table::Open() {
  if (Active()) return;
  Notify(events_.BeforeOpen);
  TableStorage storage = OpenTableStorage(databaseName_, tableName_, exclusive_);
  backend_ = std::move(storage.backend);
  lock_ = std::move(storage.locks);
  filePath_ = std::move(storage.displayPath);
  pos_ = 0;
  try {
    LoadRows(std::nullopt);
  } catch (...) {
    backend_.reset();
    lock_.reset();
    throw;
  }
  bof_ = true;
  state_ = DataSetState::Browse;
  Notify(events_.AfterOpen);
}

void Table::Close() {
  if (!Active()) return;
  Notify(events_.BeforeClose);
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) {
    // The edit is dropped without reading the record again: closing must also work on a table
    // whose server has gone away.
    Notify(events_.BeforeCancel);
    ReleaseRecordLock();
    state_ = DataSetState::Browse;
    changed_.clear();
    Notify(events_.AfterCancel);
  }
  ReleaseRecordLock();
  backend_.reset();
  lock_.reset();  // releases the open lock and every record lock
  state_ = DataSetState::Inactive;
  rows_.clear();
  current_.clear();
  pos_ = 0;
  eof_ = bof_ = true;
  Notify(events_.AfterClose);
}

// ---- Cursor ----

void Table::CheckBrowseMode() {
  CheckActive();
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Post();
}

RecordId Table::CurrentRecordId() const {
  if (!Active() || rows_.empty() || state_ == DataSetState::Insert) return 0;
  return rows_[pos_];
}

void Table::LoadRows(std::optional<RecordId> stayOn) {
  {
    HeaderLock header(*lock_, false);
    rows_ = backend_->RecordIds(indexName_);
  }
  if (stayOn) {
    const auto found = std::find(rows_.begin(), rows_.end(), *stayOn);
    if (found != rows_.end()) pos_ = static_cast<std::size_t>(found - rows_.begin());
  }
  if (pos_ >= rows_.size()) pos_ = rows_.empty() ? 0 : rows_.size() - 1;
  eof_ = bof_ = rows_.empty();
  LoadCurrent();
}

void Table::LoadCurrent() {
  while (!rows_.empty()) {
    if (pos_ >= rows_.size()) pos_ = rows_.size() - 1;
    std::optional<RecordValues> values;
    {
      HeaderLock header(*lock_, false);
      values = backend_->Read(rows_[pos_]);
    }
    if (values) {
      current_ = std::move(*values);
      return;
    }
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos_));
  }
  pos_ = 0;
  eof_ = bof_ = true;
  current_.assign(backend_->Fields().size(), std::nullopt);
}

void Table::Refresh() {
  CheckBrowseMode();
  {
    HeaderLock header(*lock_, false);
    backend_->Reload();
  }
  const RecordId id = CurrentRecordId();
  LoadRows(id ? std::optional<RecordId>(id) : std::nullopt);
}

void Table::First() {
  CheckBrowseMode();
  pos_ = 0;
  LoadCurrent();
  bof_ = true;
  eof_ = rows_.empty();
}

void Table::Last() {
  CheckBrowseMode();
  pos_ = rows_.empty() ? 0 : rows_.size() - 1;
  LoadCurrent();
  eof_ = true;
  bof_ = rows_.empty();
}

void Table::Next() {
  CheckBrowseMode();
  if (rows_.empty() || pos_ + 1 >= rows_.size()) {
    eof_ = true;
    return;
  }
  const RecordId from = rows_[pos_];
  ++pos_;
  LoadCurrent();
  // When the records after this one vanished meanwhile, the cursor stays on it: the end.
  eof_ = rows_.empty() || rows_[pos_] == from;
  bof_ = rows_.empty();
}

void Table::Prior() {
  CheckBrowseMode();
  if (rows_.empty() || pos_ == 0) {
    bof_ = true;
    return;
  }
  --pos_;
  LoadCurrent();
  bof_ = rows_.empty();
  eof_ = rows_.empty();
}

bool Table::FindNearest(const std::vector<std::string>& key) {
  CheckBrowseMode();
  if (indexName_.empty()) throw EDatabaseError(Ansi("Nenhum índice ativo na tabela ") + tableName_);
  std::optional<RecordId> id;
  {
    HeaderLock header(*lock_, false);
    id = backend_->FindNearest(indexName_, key);
  }
  if (!id) {
    Last();
    return false;
  }
  if (std::find(rows_.begin(), rows_.end(), *id) == rows_.end()) LoadRows(std::nullopt);
  const auto found = std::find(rows_.begin(), rows_.end(), *id);
  if (found != rows_.end()) pos_ = static_cast<std::size_t>(found - rows_.begin());
  LoadCurrent();
  eof_ = bof_ = rows_.empty();
  return true;
}

// ---- Changes ----

void Table::CheckOperation(const std::function<void()>& operation, const DataSetErrorEvent& onError) {
  for (;;) {
    try {
      operation();
      return;
    } catch (EDatabaseError& error) {
      DataAction action = DataAction::Fail;
      if (onError) onError(*this, error, action);
      if (action == DataAction::Fail) throw;
      if (action == DataAction::Abort) throw EAbort();
    }
  }
}

void Table::Append() {
  CheckBrowseMode();
  Notify(events_.BeforeInsert);
  current_.assign(backend_->Fields().size(), std::nullopt);
  changed_.assign(current_.size(), false);
  state_ = DataSetState::Insert;
  Notify(events_.AfterInsert);
}

void Table::Edit() {
  CheckActive();
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
  if (rows_.empty()) {
    throw EDatabaseError(Ansi("Não é possível alterar um registro: a tabela está vazia"));
  }
  Notify(events_.BeforeEdit);
  CheckOperation([this] { InternalEdit(); }, events_.OnEditError);
  changed_.assign(current_.size(), false);
  state_ = DataSetState::Edit;
  Notify(events_.AfterEdit);
}

void Table::RecordLocked() const {
  throw EDBEngineError(code::kRecordLocked, "Record locked by another user.\rTable: " + filePath_);
}

void Table::InternalEdit() {
  if (rows_.empty()) {
    throw EDatabaseError(Ansi("Não é possível alterar um registro: a tabela está vazia"));
  }
  const RecordId id = rows_[pos_];
  if (!lock_->TryLockRecord(id)) RecordLocked();
  lockedRecord_ = id;
  try {
    // What another program posted before it let the lock go is what this edit starts from.
    std::optional<RecordValues> values;
    {
      HeaderLock header(*lock_, false);
      backend_->Reload();
      values = backend_->Read(id);
    }
    if (!values) throw EDBEngineError(code::kRecordDeleted, "Record/Key deleted.\rTable: " + filePath_);
    current_ = std::move(*values);
  } catch (...) {
    ReleaseRecordLock();
    throw;
  }
}

void Table::Post() {
  CheckActive();
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  Notify(events_.BeforePost);
  CheckOperation([this] { InternalPost(); }, events_.OnPostError);
  state_ = DataSetState::Browse;
  Notify(events_.AfterPost);
}

void Table::InternalPost() {
  if (state_ == DataSetState::Edit) {
    const RecordId id = lockedRecord_.value_or(CurrentRecordId());
    // Normally already held since the edit began; taken again should it have been lost.
    if (!lock_->TryLockRecord(id)) RecordLocked();
    lockedRecord_ = id;
    {
      HeaderLock header(*lock_, true);
      backend_->Update(id, current_, changed_);
    }
    ReleaseRecordLock();
    LoadCurrent();
    return;
  }
  RecordId id = 0;
  {
    HeaderLock header(*lock_, true);
    id = backend_->Insert(current_, changed_);
  }
  // The new record becomes the current one, with what the table gave it (the auto-increment).
  LoadRows(id);
}

void Table::Delete() {
  CheckActive();
  if (state_ == DataSetState::Insert) {
    Cancel();
    return;
  }
  if (state_ == DataSetState::Edit) Cancel();
  if (rows_.empty()) {
    throw EDatabaseError(Ansi("Não é possível excluir um registro: a tabela está vazia"));
  }
  Notify(events_.BeforeDelete);
  CheckOperation([this] { InternalDelete(); }, events_.OnDeleteError);
  Notify(events_.AfterDelete);
}

void Table::InternalDelete() {
  if (rows_.empty()) {
    throw EDatabaseError(Ansi("Não é possível excluir um registro: a tabela está vazia"));
  }
  const RecordId id = rows_[pos_];
  if (!lock_->TryLockRecord(id)) RecordLocked();
  lockedRecord_ = id;
  try {
    HeaderLock header(*lock_, true);
    backend_->Delete(id);
  } catch (...) {
    ReleaseRecordLock();
    throw;
  }
  ReleaseRecordLock();
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos_));
  LoadCurrent();
  eof_ = bof_ = rows_.empty();
}

void Table::Cancel() {
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  Notify(events_.BeforeCancel);
  ReleaseRecordLock();
  state_ = DataSetState::Browse;
  changed_.clear();
  LoadCurrent();
  Notify(events_.AfterCancel);
}

void Table::ReleaseRecordLock() {
  if (lockedRecord_ && lock_) lock_->UnlockRecord(*lockedRecord_);
  lockedRecord_.reset();
}

void Table::SaveChanges() {
  CheckActive();
  backend_->SaveChanges();
}

// ---- Fields ----

const std::vector<FieldDef>& Table::Fields() const {
  CheckActive();
  return backend_->Fields();
}

std::size_t Table::FieldIndex(const std::string& name) const {
  const auto& fields = Fields();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (EqualsNoCase(fields[i].name, name)) return i;
  }
  throw EDatabaseError(Ansi("Campo '") + name + Ansi("' não encontrado"));
}

bool Table::HasField(const std::string& name) const {
  if (!Active()) return false;
  const auto& fields = backend_->Fields();
  return std::any_of(fields.begin(), fields.end(),
                     [&](const FieldDef& field) { return EqualsNoCase(field.name, name); });
}

const FieldDef& Table::Field(const std::string& name) const { return Fields()[FieldIndex(name)]; }

bool Table::FieldIsNull(const std::string& name) const { return !current_[FieldIndex(name)]; }

std::string Table::FieldAsText(const std::string& name) const {
  const auto i = FieldIndex(name);
  return ValueAsText(Fields()[i], current_[i]);
}

std::int64_t Table::FieldAsInteger(const std::string& name) const {
  const auto i = FieldIndex(name);
  return ValueAsInteger(Fields()[i], current_[i]);
}

double Table::FieldAsFloat(const std::string& name) const {
  const auto i = FieldIndex(name);
  return ValueAsFloat(Fields()[i], current_[i]);
}

bool Table::FieldAsBoolean(const std::string& name) const {
  const auto i = FieldIndex(name);
  return ValueAsBoolean(Fields()[i], current_[i]);
}

DateTime Table::FieldAsDateTime(const std::string& name) const {
  const auto i = FieldIndex(name);
  return ValueAsDateTime(Fields()[i], current_[i]);
}

int Table::FieldDeclaredSize(const std::string& name) const { return Field(name).size; }

void Table::SetValue(const std::string& name, FieldValue value) {
  const auto i = FieldIndex(name);
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) {
    throw EDatabaseError(Ansi("Tabela não está em modo de edição ou inserção: ") + tableName_);
  }
  if (Fields()[i].readOnly) {
    throw EDatabaseError(Ansi("Campo '") + Fields()[i].name + Ansi("' não pode ser modificado"));
  }
  current_[i] = std::move(value);
  changed_[i] = true;
}

void Table::SetFieldText(const std::string& name, const std::string& text) {
  SetValue(name, ValueFromText(Field(name), text));
}

void Table::SetFieldInteger(const std::string& name, std::int64_t number) {
  SetValue(name, ValueFromInteger(Field(name), number));
}

void Table::SetFieldFloat(const std::string& name, double number) {
  SetValue(name, ValueFromFloat(Field(name), number));
}

void Table::SetFieldBoolean(const std::string& name, bool flag) {
  SetValue(name, ValueFromBoolean(Field(name), flag));
}

void Table::SetFieldDateTime(const std::string& name, DateTime value) {
  SetValue(name, ValueFromDateTime(Field(name), value));
}

void Table::ClearField(const std::string& name) { SetValue(name, std::nullopt); }

}  // namespace lifto::platform::db
