#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

/// The exchange file through which a request's text and the listing answer travel between the
/// tool and its helper: TempFolder + "\messa.tmp". It carries the server password, so it is made
/// readable by its user only, and it lies in the user's private temporary folder.
namespace lifto::net {

/// The exchange file's Windows path. @throw std::runtime_error when the temporary folder cannot
/// be used (another owner or mode)
std::string ExchangeFilePath();

/// Writes the lines, each ending in CR LF, replacing the file (mode 0600, never through a link).
/// @return false when the file cannot be written
bool WriteExchangeLines(const std::vector<std::string>& lines);
/// The file's lines without their line ends; nullopt when it is missing or unreadable.
std::optional<std::vector<std::string>> ReadExchangeLines();
/// Deletes the file; a missing file is no error.
void RemoveExchangeFile();

/// Deletes the exchange file when it goes, however the request that wrote it ends.
class ExchangeFileCleanup {
 public:
  ExchangeFileCleanup() = default;
  ~ExchangeFileCleanup() { RemoveExchangeFile(); }
  ExchangeFileCleanup(const ExchangeFileCleanup&) = delete;
  ExchangeFileCleanup& operator=(const ExchangeFileCleanup&) = delete;
};

}  // namespace lifto::net
