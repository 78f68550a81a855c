#include "archive/ArchiveFormat.h"

#include <algorithm>
#include <cstdio>

namespace lifto::archive {

std::string VolumeDigits(unsigned volume) {
  std::string digits = std::to_string(volume);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits.substr(digits.size() - 3);
}

std::string VolumePath(const std::string& archivePath, const std::string& digits) {
  const auto separator = archivePath.find_last_of("\\/:");
  const auto dot = archivePath.find_last_of('.');
  std::string base = archivePath;
  if (dot != std::string::npos && (separator == std::string::npos || dot > separator)) {
    base.erase(dot);
  }
  return base + "." + digits;
}

std::string DiskRecordName(unsigned volume) {
  return std::string(kDiskRecordPrefix) + VolumeDigits(volume);
}

bool IsDiskRecord(std::string_view name) { return name.substr(0, 9) == kDiskRecordPrefix; }

std::string DiskRecordDigits(std::string_view name) {
  return name.size() > 9 ? std::string(name.substr(9, 3)) : std::string();
}

std::optional<std::uint16_t> DiskRecordVolume(std::string_view name) {
  const std::string digits = DiskRecordDigits(name);
  if (digits.empty()) return std::nullopt;
  unsigned value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return static_cast<std::uint16_t>(value);
}

int Percent(std::int64_t done, std::int64_t total) {
  if (total <= 0 || done <= 0) return 0;
  if (done >= total) return 100;
  return static_cast<int>(done * 100 / total);
}

std::string FileIdLine(const std::string& path, std::int32_t stamp, std::int64_t size) {
  return path + "\t" + std::to_string(stamp) + "=" + std::to_string(size);
}

std::string TrimText(std::string_view text) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string LowerText(std::string_view text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
  return lower;
}

std::string StampText(std::int32_t stamp) {
  const auto v = static_cast<std::uint32_t>(stamp);
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", (v >> 25) + 1980,
                (v >> 21) & 0x0F, (v >> 16) & 0x1F, (v >> 11) & 0x1F, (v >> 5) & 0x3F,
                (v & 0x1F) * 2);
  return text;
}

}  // namespace lifto::archive
