#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The fixed parts of the update archive's layout: method markers, the names of the special
/// entries, volume names, and the arithmetic that the writer and the reader share.
///
/// Layout (integers 32-bit signed little-endian, strings a length and 1252 bytes):
///   first volume: title, total size, file count; then entries
///   entry: name, DOS date-time stamp, segment        ("FILE:LIST" is the file-ID list)
///   segment: "EC2\0" then blocks (B > 0 zlib stream, B < 0 -B stored bytes, B = 0 end),
///            or "ECS\0", a body length and LZRW1-KH blocks each led by its length
///   disk record in the place of an entry: "NEXT:DISK" and three digits; the next volume
///            starts with the continuation segment; a name length of 0 ends the archive
namespace lifto::archive {

inline constexpr std::string_view kMethodEc2 = "EC2";
inline constexpr std::string_view kMethodEcs = "ECS";
inline constexpr std::string_view kDiskRecordPrefix = "NEXT:DISK";
inline constexpr std::string_view kFileListName = "FILE:LIST";

/// No chunk starts at or past MaxSize less this (a whole block plus 100 bytes).
inline constexpr std::int64_t kVolumeReserve = 16484;
/// The smallest MaxSize on which a chunk fits: a continuation volume holds the 4-byte method
/// marker before its first chunk.
inline constexpr std::int64_t kMinimumMaxSize = kVolumeReserve + 4 + 1;
/// Longest title or entry name the reader accepts; the format's names are file paths.
inline constexpr std::int32_t kMaxNameLength = 65536;

/// The three digits of a volume number: leading zeros to three places, last three kept.
std::string VolumeDigits(unsigned volume);

/// The path of a further volume: the archive path with its extension replaced by a point and the
/// digits ("X.ATU" → "X.002"); a path without an extension gets one.
std::string VolumePath(const std::string& archivePath, const std::string& digits);

/// "NEXT:DISK" and the volume's three digits.
std::string DiskRecordName(unsigned volume);
bool IsDiskRecord(std::string_view name);
/// Characters 10 to 12 of a disk record.
std::string DiskRecordDigits(std::string_view name);
/// The volume number that a disk record names, or nullopt when its digits are not a number.
std::optional<std::uint16_t> DiskRecordVolume(std::string_view name);

/// Progress in percent, 0 to 100, without overflow; 0 while the total is 0 or less.
int Percent(std::int64_t done, std::int64_t total);

/// One line of the file-ID list, without its line end: path, TAB, stamp, "=", size.
std::string FileIdLine(const std::string& path, std::int32_t stamp, std::int64_t size);

/// Leading and trailing blanks and control characters removed.
std::string TrimText(std::string_view text);
/// Letters A to Z made lower case; other bytes kept, so that names outside ASCII still resolve
/// to the same file.
std::string LowerText(std::string_view text);

/// A DOS date-time stamp as "YYYY-MM-DD HH:MM:SS", for listings.
std::string StampText(std::int32_t stamp);

}  // namespace lifto::archive
