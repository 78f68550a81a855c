#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lifto::test {

/// A small LZRW1-KH compressor, only for making legacy blocks in tests: runs of 16 or more equal
/// bytes become run items, earlier sequences of 3 to 18 bytes within 4095 bytes become copy
/// items, the rest literals. Blocks that would not get shorter are stored (flag 0x80).
/// @param data at most 32768 bytes
std::vector<std::uint8_t> Lzrw1KhCompress(const std::string& data);

/// A legacy archive of one entry per (name, data) pair, each an "ECS" segment of blocks made by
/// Lzrw1KhCompress from pieces of at most `blockData` bytes.
std::string LegacyArchive(const std::vector<std::pair<std::string, std::string>>& entries,
                          std::int32_t stamp, std::size_t blockData = 32768);

}  // namespace lifto::test
