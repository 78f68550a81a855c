#include "platform/db/DbErrors.h"

namespace lifto::platform::db {

namespace {

std::string JoinMessages(const std::vector<DbErrorEntry>& entries) {
  std::string text;
  for (const auto& entry : entries) {
    if (!text.empty()) text += '\r';
    text += entry.message;
  }
  return text;
}

}  // namespace

EDatabaseError::EDatabaseError(const std::string& message)
    : std::runtime_error(message), message_(message) {}

EDBEngineError::EDBEngineError(int code, const std::string& message)
    : EDatabaseError(message), entries_{{code, message}} {}

EDBEngineError::EDBEngineError(const std::string& message) : EDatabaseError(message) {}

EDBEngineError::EDBEngineError(std::vector<DbErrorEntry> entries)
    : EDatabaseError(JoinMessages(entries)), entries_(std::move(entries)) {}

}  // namespace lifto::platform::db
