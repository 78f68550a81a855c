#pragma once

#include <exception>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

/// The errors of the database engine. Engine failures carry (code, message) entries with the
/// engine's classic codes, so that the database-error translator can explain them; errors of the
/// dataset layer (a field that does not exist, a record not in edit mode) are plain database
/// errors; a value that does not convert is a conversion error.
namespace lifto::platform::db {

/// The engine's error codes. Messages are the engine's English texts; a message names what
/// failed on lines after the first ("Table is busy.\rTable: F:\DADOS\NOVO.sqlite\rUser: ANA").
namespace code {
inline constexpr int kGeneralError = 0x2100;    ///< anything without a code of its own
inline constexpr int kHeaderCorrupt = 0x2301;   ///< the file is not a table of the engine
inline constexpr int kFileCorrupt = 0x2302;     ///< the table's contents are damaged
inline constexpr int kIndexCorrupt = 0x2305;    ///< an index is damaged
inline constexpr int kKeyViolation = 0x2601;    ///< a unique index or constraint refused the row
inline constexpr int kRecordDeleted = 0x2602;   ///< the record was deleted by another user
inline constexpr int kInvalidAliasPath = 0x2703;  ///< the alias's folder does not exist
inline constexpr int kUnknownAlias = 0x2706;    ///< no such alias in aliases.ini
inline constexpr int kNoSuchIndex = 0x270D;     ///< no index of that name
inline constexpr int kNoSuchTable = 0x2728;     ///< no table of that name in the folder
inline constexpr int kRecordLocked = 0x2801;    ///< another user holds the record locked
inline constexpr int kTableBusy = 0x2803;       ///< another user holds the table open
inline constexpr int kLockTimeout = 0x2809;     ///< the table stayed locked by another writer
inline constexpr int kTableReadOnly = 0x2A04;   ///< the table file cannot be written
inline constexpr int kFileNotFound = 0x2B02;    ///< operating system: file not found
inline constexpr int kPathNotFound = 0x2B03;    ///< operating system: path not found
inline constexpr int kAccessDenied = 0x2B05;    ///< operating system: permission denied
inline constexpr int kWriteFailed = 0x2B0F;     ///< operating system: write or flush failed
}  // namespace code

/// One entry of an engine error.
struct DbErrorEntry {
  int code = 0;
  std::string message;
};

/// A database error: what() is its message (1252), which a handler may replace.
class EDatabaseError : public std::runtime_error {
 public:
  explicit EDatabaseError(const std::string& message);
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }

 private:
  std::string message_;
};

/// An error of the engine, with its entries. The message is the entries' messages, one per line.
class EDBEngineError : public EDatabaseError {
 public:
  /// One entry.
  EDBEngineError(int code, const std::string& message);
  /// No entries: an error raised above the engine that only carries its message.
  explicit EDBEngineError(const std::string& message);
  explicit EDBEngineError(std::vector<DbErrorEntry> entries);

  const std::vector<DbErrorEntry>& Entries() const { return entries_; }
  /// The first entry's code, 0 without entries.
  int ErrorCode() const { return entries_.empty() ? 0 : entries_.front().code; }

 private:
  std::vector<DbErrorEntry> entries_;
};

/// A value that cannot be converted to the kind asked for ("'abc' não é um valor inteiro válido").
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// The silent abort: the operation was given up and the user has already been told. Nobody shows
/// it; the application's error handler passes it over.
class EAbort : public std::exception {
 public:
  const char* what() const noexcept override { return "Operation aborted"; }
};

}  // namespace lifto::platform::db
