#include "net/ExchangeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "net/HelperMessages.h"
#include "platform/Paths.h"
#include "platform/UniqueFd.h"
#include "support/Utilities.h"

namespace lifto::net {
namespace {

std::optional<std::filesystem::path> HostExchangeFile() {
  try {
    return platform::ToHostPath(ExchangeFilePath());
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace

std::string ExchangeFilePath() { return support::TempFolder() + "\\" + kExchangeFileName; }

bool WriteExchangeLines(const std::vector<std::string>& lines) {
  const auto file = HostExchangeFile();
  if (!file) return false;
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  platform::UniqueFd fd(::open(file->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd.Valid()) return false;
  // A file left by an earlier run may carry a wider mode: the password goes in only after.
  if (::fchmod(fd.Get(), 0600) != 0) return false;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd.Get(), text.data() + done, text.size() - done);
    if (n < 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::optional<std::vector<std::string>> ReadExchangeLines() {
  const auto file = HostExchangeFile();
  if (!file) return std::nullopt;
  platform::UniqueFd fd(::open(file->c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.Valid()) return std::nullopt;
  std::string text;
  char buffer[65536];
  ssize_t n;
  while ((n = ::read(fd.Get(), buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  if (n < 0) return std::nullopt;
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

void RemoveExchangeFile() {
  if (const auto file = HostExchangeFile()) ::unlink(file->c_str());
}

}  // namespace lifto::net
