#include "support/PeBuilder.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/Utf16.h"

namespace lifto::test {
namespace {

constexpr std::uint32_t kSectionRva = 0x1000;
constexpr std::uint32_t kFileAlignment = 0x200;
constexpr std::uint32_t kSectionAlignment = 0x1000;

void Put16(std::string& out, std::size_t at, std::uint32_t v) {
  out[at] = static_cast<char>(v & 0xFF);
  out[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
  Put16(out, at, v & 0xFFFF);
  Put16(out, at + 2, v >> 16);
}

void Append16(std::string& out, std::uint32_t v) {
  out.append(2, '\0');
  Put16(out, out.size() - 2, v);
}

void Append32(std::string& out, std::uint32_t v) {
  out.append(4, '\0');
  Put32(out, out.size() - 4, v);
}

void PadTo(std::string& out, std::size_t alignment) {
  while (out.size() % alignment != 0) out += '\0';
}

// A node of VS_VERSIONINFO: header, zero-ended UTF-16 key, padding, value, padding, children.
std::string Node(const std::string& key, const std::string& value, std::uint16_t valueLength,
                 std::uint16_t type, const std::vector<std::string>& children) {
  std::string node(6, '\0');
  node += platform::AnsiToUtf16Le(key);
  node.append(2, '\0');
  PadTo(node, 4);
  node += value;
  for (const auto& child : children) {
    PadTo(node, 4);
    node += child;
  }
  Put16(node, 0, static_cast<std::uint32_t>(node.size()));
  Put16(node, 2, valueLength);
  Put16(node, 4, type);
  return node;
}

std::string StringNode(const std::string& name, const std::string& text) {
  std::string value = platform::AnsiToUtf16Le(text);
  value.append(2, '\0');
  return Node(name, value, static_cast<std::uint16_t>(text.size() + 1), 1, {});
}

std::array<std::uint32_t, 2> VersionNumbers(const std::string& text) {
  std::array<std::uint32_t, 4> parts{};
  std::istringstream in(text);
  std::string part;
  for (std::size_t i = 0; i < 4 && std::getline(in, part, '.'); ++i) {
    try {
      parts[i] = static_cast<std::uint32_t>(std::stoul(part)) & 0xFFFF;
    } catch (const std::exception&) {
      parts[i] = 0;
    }
  }
  return {parts[0] << 16 | parts[1], parts[2] << 16 | parts[3]};
}

std::string VersionInfo(const std::vector<PeStringTable>& tables) {
  const auto find = [&](const char* name) {
    if (tables.empty()) return std::string();
    const auto it = tables.front().strings.find(name);
    return it == tables.front().strings.end() ? std::string() : it->second;
  };
  const auto file = VersionNumbers(find("FileVersion"));
  const auto product = VersionNumbers(find("ProductVersion"));
  std::string fixed;
  for (std::uint32_t v : {0xFEEF04BDu, 0x00010000u, file[0], file[1], product[0], product[1], 0x3Fu,
                          0u, 0x00040004u, 1u, 0u, 0u, 0u}) {
    Append32(fixed, v);
  }

  std::vector<std::string> stringTables;
  std::string translations;
  for (const auto& table : tables) {
    std::vector<std::string> strings;
    for (const auto& [name, text] : table.strings) strings.push_back(StringNode(name, text));
    stringTables.push_back(Node(table.language, "", 0, 1, strings));
    const std::uint32_t block = static_cast<std::uint32_t>(std::stoul(table.language, nullptr, 16));
    Append16(translations, block >> 16);
    Append16(translations, block & 0xFFFF);
  }
  const std::string stringInfo = Node("StringFileInfo", "", 0, 1, stringTables);
  const std::string varInfo = Node(
      "VarFileInfo", "", 0, 1,
      {Node("Translation", translations, static_cast<std::uint16_t>(translations.size()), 0, {})});
  return Node("VS_VERSION_INFO", fixed, static_cast<std::uint16_t>(fixed.size()), 0,
              {stringInfo, varInfo});
}

// A resource directory with one entry; subdirectory offsets carry the high bit.
void AppendDirectory(std::string& out, std::uint32_t id, std::uint32_t target) {
  out.append(12, '\0');  // characteristics, time stamp, version
  Append16(out, 0);      // named entries
  Append16(out, 1);      // id entries
  Append32(out, id);
  Append32(out, target);
}

std::string ResourceSection(const PeOptions& options) {
  const std::uint32_t type = options.withVersion ? 16 : 6;  // RT_VERSION, else RT_STRING
  std::uint32_t language = 0x0416;
  if (!options.tables.empty()) {
    language = static_cast<std::uint32_t>(std::stoul(options.tables.front().language, nullptr, 16)) >> 16;
  }
  const std::string block = options.withVersion ? VersionInfo(options.tables) : std::string(8, '\0');
  std::string out;
  AppendDirectory(out, type, 0x80000000u | 24);
  AppendDirectory(out, 1, 0x80000000u | 48);
  AppendDirectory(out, language, 72);
  Append32(out, kSectionRva + 88);  // data entry: address, size, code page, reserved
  Append32(out, static_cast<std::uint32_t>(block.size()));
  Append32(out, 0);
  Append32(out, 0);
  out.append(88 - out.size(), '\0');
  out += block;
  return out;
}

std::uint32_t AlignUp(std::size_t value, std::uint32_t alignment) {
  return static_cast<std::uint32_t>((value + alignment - 1) / alignment * alignment);
}

}  // namespace

std::string BuildPe(const PeOptions& options) {
  const std::string resources = ResourceSection(options);
  const std::size_t optionalSize = options.pe32Plus ? 240 : 224;
  const std::uint32_t peOffset = 0x40;

  std::string file(kFileAlignment, '\0');
  file[0] = 'M';
  file[1] = 'Z';
  Put32(file, 0x3C, peOffset);
  file.replace(peOffset, 4, std::string("PE\0\0", 4));
  const std::size_t coff = peOffset + 4;
  Put16(file, coff, options.pe32Plus ? 0x8664 : 0x14C);
  Put16(file, coff + 2, 1);  // one section
  Put16(file, coff + 16, static_cast<std::uint32_t>(optionalSize));
  Put16(file, coff + 18, options.pe32Plus ? 0x0022 : 0x0102);

  const std::size_t opt = coff + 20;
  const std::uint32_t imageSize = kSectionRva + AlignUp(resources.size(), kSectionAlignment);
  Put16(file, opt, options.pe32Plus ? 0x20B : 0x10B);
  Put32(file, opt + 8, AlignUp(resources.size(), kFileAlignment));  // initialised data
  if (options.pe32Plus) {
    Put32(file, opt + 24, 0x40000000);  // image base, low half
    Put32(file, opt + 28, 0x1);
  } else {
    Put32(file, opt + 28, 0x400000);
  }
  Put32(file, opt + 32, kSectionAlignment);
  Put32(file, opt + 36, kFileAlignment);
  Put16(file, opt + 40, 4);  // operating system version
  Put16(file, opt + 48, 4);  // subsystem version
  Put32(file, opt + 56, imageSize);
  Put32(file, opt + 60, kFileAlignment);  // size of headers
  Put16(file, opt + 68, 2);               // GUI subsystem
  const std::size_t countAt = options.pe32Plus ? 108 : 92;
  Put32(file, opt + countAt, 16);
  Put32(file, opt + countAt + 4 + 2 * 8, kSectionRva);  // resource directory
  Put32(file, opt + countAt + 4 + 2 * 8 + 4, static_cast<std::uint32_t>(resources.size()));

  const std::size_t section = opt + optionalSize;
  file.replace(section, 8, std::string(".rsrc\0\0\0", 8));
  Put32(file, section + 8, static_cast<std::uint32_t>(resources.size()));
  Put32(file, section + 12, kSectionRva);
  Put32(file, section + 16, AlignUp(resources.size(), kFileAlignment));
  Put32(file, section + 20, kFileAlignment);
  Put32(file, section + 36, 0x40000040);  // initialised data, readable

  file += resources;
  PadTo(file, kFileAlignment);
  return file;
}

std::string BuildPeWithVersion(const std::map<std::string, std::string>& strings,
                               const std::string& langBlock) {
  PeOptions options;
  options.tables.push_back(PeStringTable{langBlock, strings});
  return BuildPe(options);
}

void WritePeWithVersion(const std::filesystem::path& file,
                        const std::map<std::string, std::string>& strings,
                        const std::string& langBlock) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << BuildPeWithVersion(strings, langBlock);
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace lifto::test
