#include "support/Lzrw1KhCompressor.h"

#include <algorithm>
#include <cstdint>

namespace lifto::test {
namespace {

void PutInt32(std::string& out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((v >> shift) & 0xFF);
}

}  // namespace

std::vector<std::uint8_t> Lzrw1KhCompress(const std::string& text) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
  const std::size_t size = text.size();
  std::vector<std::uint8_t> out{0x40, 0, 0};
  std::size_t controlAt = 1;
  unsigned control = 0;
  int items = 0;
  std::size_t x = 0;
  std::vector<std::size_t> table(4096, SIZE_MAX);
  while (x < size) {
    if (items == 16) {
      out[controlAt] = static_cast<std::uint8_t>(control >> 8);
      out[controlAt + 1] = static_cast<std::uint8_t>(control);
      controlAt = out.size();
      out.push_back(0);
      out.push_back(0);
      control = 0;
      items = 0;
    }
    std::size_t run = 1;
    while (x + run < size && run < 4111 && data[x + run] == data[x]) ++run;
    // Candidates: the last place these three bytes were seen, and the nearest few places, so
    // that overlapping copies (offset below length) occur too.
    std::size_t bestLength = 0;
    std::size_t bestOffset = 0;
    std::size_t candidates[5] = {0, 1, 2, 3, 4};
    if (x + 2 < size) {
      const std::size_t key = (data[x] * 65599U + data[x + 1] * 257U + data[x + 2]) % table.size();
      if (table[key] != SIZE_MAX) candidates[0] = x - table[key];
      table[key] = x;
    }
    for (std::size_t offset : candidates) {
      if (offset == 0 || offset > x || offset > 4095) continue;
      std::size_t length = 0;
      while (length < 18 && x + length < size && data[x + length] == data[x - offset + length]) {
        ++length;
      }
      if (length > bestLength) {
        bestLength = length;
        bestOffset = offset;
      }
    }
    if (run >= 16 && run > bestLength) {
      control |= 0x8000U >> items;
      const std::size_t count = run - 16;
      out.push_back(0);
      out.push_back(static_cast<std::uint8_t>(count >> 8));
      out.push_back(static_cast<std::uint8_t>(count));
      out.push_back(data[x]);
      x += run;
    } else if (bestLength >= 3) {
      control |= 0x8000U >> items;
      out.push_back(static_cast<std::uint8_t>(bestOffset >> 4));
      out.push_back(static_cast<std::uint8_t>(((bestOffset & 0x0F) << 4) | (bestLength - 3)));
      x += bestLength;
    } else {
      out.push_back(data[x]);
      ++x;
    }
    ++items;
  }
  out[controlAt] = static_cast<std::uint8_t>(control >> 8);
  out[controlAt + 1] = static_cast<std::uint8_t>(control);
  if (out.size() > size + 1) {
    out.assign(1, 0x80);
    out.insert(out.end(), data, data + size);
  }
  return out;
}

std::string LegacyArchive(const std::vector<std::pair<std::string, std::string>>& entries,
                          std::int32_t stamp, std::size_t blockData) {
  std::string out;
  std::int64_t total = 0;
  for (const auto& entry : entries) total += static_cast<std::int64_t>(entry.second.size());
  PutInt32(out, 6);
  out += "Legado";
  PutInt32(out, static_cast<std::int32_t>(total));
  PutInt32(out, static_cast<std::int32_t>(entries.size()));
  for (const auto& [name, data] : entries) {
    PutInt32(out, static_cast<std::int32_t>(name.size()));
    out += name;
    PutInt32(out, stamp);
    out.append("ECS\0", 4);
    std::string body;
    for (std::size_t at = 0; at < data.size(); at += blockData) {
      const auto block = Lzrw1KhCompress(data.substr(at, blockData));
      PutInt32(body, static_cast<std::int32_t>(block.size()));
      body.append(block.begin(), block.end());
    }
    PutInt32(out, static_cast<std::int32_t>(body.size()));
    out += body;
  }
  PutInt32(out, 0);
  return out;
}

}  // namespace lifto::test
