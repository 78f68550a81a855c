#include <algorithm>

#include "platform/Files.h"

namespace lifto::platform {
namespace {

// The packed form counts years from 1980 in seven bits: 1980-01-01 00:00:00 to 2107-12-31 23:59:58.
constexpr std::uint32_t kFirstDosDateTime = (1u << 21) | (1u << 16);
constexpr std::uint32_t kLastDosDateTime = (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;

}  // namespace

std::uint32_t ToDosDateTime(std::time_t when) {
  std::tm local{};
  if (!localtime_r(&when, &local)) return kFirstDosDateTime;
  const int year = local.tm_year + 1900;
  if (year < 1980) return kFirstDosDateTime;
  if (year > 2107) return kLastDosDateTime;
  const int second = std::min(local.tm_sec, 59);  // a leap second
  return static_cast<std::uint32_t>(year - 1980) << 25 | static_cast<std::uint32_t>(local.tm_mon + 1) << 21 |
         static_cast<std::uint32_t>(local.tm_mday) << 16 | static_cast<std::uint32_t>(local.tm_hour) << 11 |
         static_cast<std::uint32_t>(local.tm_min) << 5 | static_cast<std::uint32_t>(second / 2);
}

std::time_t FromDosDateTime(std::uint32_t dosDateTime) {
  // Out-of-range fields (month 0, minute 63...) come from damaged or foreign stamps; they are held to
  // the nearest valid value rather than carried into the next unit.
  const auto field = [dosDateTime](int shift, std::uint32_t mask) {
    return static_cast<int>((dosDateTime >> shift) & mask);
  };
  std::tm local{};
  local.tm_year = 80 + field(25, 0x7F);
  local.tm_mon = std::clamp(field(21, 0x0F), 1, 12) - 1;
  local.tm_mday = std::max(field(16, 0x1F), 1);
  local.tm_hour = std::min(field(11, 0x1F), 23);
  local.tm_min = std::min(field(5, 0x3F), 59);
  local.tm_sec = std::min(field(0, 0x1F) * 2, 58);
  local.tm_isdst = -1;
  return std::mktime(&local);
}

}  // namespace lifto::platform
