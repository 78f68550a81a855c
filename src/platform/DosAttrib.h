#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The value of the extended attribute user.DOSATTRIB, in which file servers keep a file's hidden,
/// system and archive attributes, so that a share seen from Windows and this host agree.
///
/// Layout (little-endian, NDR with 2- and 4-byte alignment from the start of the value):
///   offset 0      the attribute bits as text "0x%x" and a zero byte ("0x20\0")
///   next, even    uint16 version, then uint16 version again (the union's level)
///   next, 4-align the version's record:
///     1  uint32 attrib, ...
///     2  uint32 flags, uint32 attrib, ...
///     3  uint32 validFlags, uint32 attrib, uint32 eaSize, uint64 size, uint64 allocSize,
///        uint64 createTime, uint64 changeTime (44 bytes)
///     4  uint32 validFlags, uint32 attrib, uint64 itime, uint64 createTime (24 bytes)
///     5  uint32 validFlags, uint32 attrib, uint64 createTime (16 bytes)
///   validFlags bit 0x1 says that attrib is valid. A value that holds only the text (the oldest
///   form) gives the bits of the text.
namespace lifto::platform {

/// The attribute bits of a user.DOSATTRIB value; nullopt when the value cannot be understood.
std::optional<std::uint32_t> DecodeDosAttrib(std::string_view value);

/// A user.DOSATTRIB value holding the attribute bits. A previous value of version 3, 4 or 5 keeps its
/// version and its other fields (such as the creation time); otherwise a version 3 value is made.
std::string EncodeDosAttrib(std::uint32_t attributes, std::string_view previous = {});

}  // namespace lifto::platform
