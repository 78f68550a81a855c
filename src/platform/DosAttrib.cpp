#include "platform/DosAttrib.h"

#include <cstdio>

namespace lifto::platform {
namespace {

constexpr std::uint32_t kValidAttrib = 0x1;

std::size_t Align(std::size_t offset, std::size_t to) { return (offset + to - 1) / to * to; }

std::uint32_t Read16(std::string_view v, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(v[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(v[at + 1])) << 8;
}

std::uint32_t Read32(std::string_view v, std::size_t at) { return Read16(v, at) | Read16(v, at + 2) << 16; }

void Put32(std::string& v, std::size_t at, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + static_cast<std::size_t>(i)] = static_cast<char>((x >> (8 * i)) & 0xFF);
}

std::size_t RecordSize(std::uint32_t version) {
  switch (version) {
    case 3: return 44;
    case 4: return 24;
    case 5: return 16;
    case 2: return 8;  // flags and attrib: what is read of it
    default: return 4;  // version 1 and the compatibility form: attrib
  }
}

struct Parsed {
  std::uint32_t version = 0;
  std::size_t record = 0;  // offset of the version's record
};

// The structured part after the text, when it is there and consistent.
std::optional<Parsed> ParseStructure(std::string_view v) {
  const auto nul = v.find('\0');
  if (nul == std::string_view::npos) return std::nullopt;
  const auto versionAt = Align(nul + 1, 2);
  if (versionAt + 4 > v.size()) return std::nullopt;
  const auto version = Read16(v, versionAt);
  if (Read16(v, versionAt + 2) != version) return std::nullopt;
  const auto record = Align(versionAt + 4, 4);
  if (record + RecordSize(version) > v.size()) return std::nullopt;
  return Parsed{version, record};
}

std::optional<std::uint32_t> ParseText(std::string_view v) {
  const auto text = std::string(v.substr(0, v.find('\0')));
  unsigned int bits = 0;
  char extra = 0;
  if (std::sscanf(text.c_str(), "%x%c", &bits, &extra) != 1) return std::nullopt;
  return bits;
}

std::string Header(std::uint32_t attributes, std::uint32_t version) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", static_cast<unsigned int>(attributes));
  std::string v(text);
  v += '\0';
  v.resize(Align(v.size(), 2), '\0');
  for (int i = 0; i < 2; ++i) {
    v += static_cast<char>(version & 0xFF);
    v += static_cast<char>(version >> 8);
  }
  v.resize(Align(v.size(), 4), '\0');
  return v;
}

}  // namespace

std::optional<std::uint32_t> DecodeDosAttrib(std::string_view value) {
  if (const auto parsed = ParseStructure(value)) {
    const auto at = parsed->record;
    switch (parsed->version) {
      case 1:
      case 0xFFFF:
        return Read32(value, at);
      case 2:
        return Read32(value, at + 4);
      case 3:
      case 4:
      case 5:
        if (Read32(value, at) & kValidAttrib) return Read32(value, at + 4);
        break;
      default:
        break;
    }
  }
  return ParseText(value);
}

std::string EncodeDosAttrib(std::uint32_t attributes, std::string_view previous) {
  std::uint32_t version = 3;
  std::string record(RecordSize(3), '\0');
  if (const auto parsed = ParseStructure(previous);
      parsed && parsed->version >= 3 && parsed->version <= 5) {
    version = parsed->version;
    record = std::string(previous.substr(parsed->record, RecordSize(version)));
  }
  Put32(record, 0, Read32(record, 0) | kValidAttrib);
  Put32(record, 4, attributes);
  return Header(attributes, version) + record;
}

}  // namespace lifto::platform
