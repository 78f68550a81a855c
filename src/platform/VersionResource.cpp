#include "platform/VersionResource.h"

#include <cerrno>
#include <algorithm>
#include <cstdint>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "platform/UniqueFd.h"
#include "platform/Utf16.h"

namespace lifto::platform {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::size_t kResourceDirectoryIndex = 2;
constexpr std::size_t kMaxSections = 1024;
constexpr std::size_t kMaxDirectoryEntries = 4096;
// VS_VERSIONINFO carries its length in 16 bits; anything larger is not a version block.
constexpr std::size_t kMaxBlock = 0x10000;

// Reads byte ranges of an executable; a range that does not lie wholly inside it fails.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual bool Read(std::uint64_t offset, std::size_t count, std::string& out) const = 0;
};

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  bool Read(std::uint64_t offset, std::size_t count, std::string& out) const override {
    if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
    out.assign(bytes_.substr(static_cast<std::size_t>(offset), count));
    return true;
  }

 private:
  std::string_view bytes_;
};

class FileSource : public ByteSource {
 public:
  FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  bool Read(std::uint64_t offset, std::size_t count, std::string& out) const override {
    if (offset > size_ || count > size_ - offset) return false;
    out.resize(count);
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(fd_, out.data() + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

 private:
  int fd_;
  std::uint64_t size_;
};

std::uint16_t U16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

std::uint32_t U32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(U16(bytes, at)) |
         (static_cast<std::uint32_t>(U16(bytes, at + 2)) << 16);
}

struct Section {
  std::uint32_t virtualAddress;
  std::uint32_t virtualSize;
  std::uint32_t rawSize;
  std::uint32_t rawOffset;
};

class PeReader {
 public:
  explicit PeReader(const ByteSource& source) : source_(source) {}

  std::optional<std::string> VersionBlock() {
    std::uint32_t resourceRva = 0;
    if (!ReadHeaders(resourceRva) || resourceRva == 0) return std::nullopt;
    const auto base = FileOffset(resourceRva);
    if (!base) return std::nullopt;
    resourceBase_ = *base;

    // Type, then name, then language; the first name and language of RT_VERSION are taken.
    std::uint32_t entry = 0;
    if (!FindEntry(0, kRtVersion, true, entry) || !(entry & 0x80000000u)) return std::nullopt;
    if (!FindEntry(entry & 0x7FFFFFFFu, 0, false, entry) || !(entry & 0x80000000u)) return std::nullopt;
    if (!FindEntry(entry & 0x7FFFFFFFu, 0, false, entry) || (entry & 0x80000000u)) return std::nullopt;

    std::string dataEntry;
    if (!source_.Read(resourceBase_ + entry, 16, dataEntry)) return std::nullopt;
    const std::uint32_t dataRva = U32(dataEntry, 0);
    std::uint32_t size = U32(dataEntry, 4);
    if (size == 0) return std::nullopt;
    if (size > kMaxBlock) size = kMaxBlock;
    const auto offset = FileOffset(dataRva);
    if (!offset) return std::nullopt;
    std::string block;
    if (!source_.Read(*offset, size, block)) return std::nullopt;
    return block;
  }

 private:
  bool ReadHeaders(std::uint32_t& resourceRva) {
    std::string dos;
    if (!source_.Read(0, 64, dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const std::uint32_t peOffset = U32(dos, 0x3C);
    std::string coff;
    if (!source_.Read(peOffset, 24, coff) || coff.compare(0, 4, std::string("PE\0\0", 4)) != 0) {
      return false;
    }
    const std::size_t sectionCount = U16(coff, 6);
    const std::size_t optionalSize = U16(coff, 20);
    std::string optional;
    if (optionalSize < 2 || !source_.Read(peOffset + 24ull, optionalSize, optional)) return false;
    std::size_t countAt = 0;
    switch (U16(optional, 0)) {
      case 0x10B: countAt = 92; break;   // PE32
      case 0x20B: countAt = 108; break;  // PE32+
      default: return false;
    }
    if (countAt + 4 > optional.size()) return false;
    const std::uint32_t directoryCount = U32(optional, countAt);
    const std::size_t directoryAt = countAt + 4 + kResourceDirectoryIndex * 8;
    if (directoryCount <= kResourceDirectoryIndex || directoryAt + 8 > optional.size()) return false;
    resourceRva = U32(optional, directoryAt);

    if (sectionCount > kMaxSections) return false;
    std::string table;
    if (!source_.Read(peOffset + 24ull + optionalSize, sectionCount * 40, table)) return false;
    for (std::size_t i = 0; i < sectionCount; ++i) {
      const std::size_t at = i * 40;
      sections_.push_back(Section{U32(table, at + 12), U32(table, at + 8), U32(table, at + 16),
                                  U32(table, at + 20)});
    }
    return true;
  }

  // The file offset of an address of the loaded image, when the file holds the byte there.
  std::optional<std::uint64_t> FileOffset(std::uint32_t rva) const {
    for (const auto& s : sections_) {
      const std::uint64_t span = s.virtualSize != 0 ? s.virtualSize : s.rawSize;
      if (rva >= s.virtualAddress && rva - s.virtualAddress < span) {
        const std::uint64_t delta = rva - s.virtualAddress;
        if (delta >= s.rawSize) return std::nullopt;
        return static_cast<std::uint64_t>(s.rawOffset) + delta;
      }
    }
    return std::nullopt;
  }

  // Finds an entry of the resource directory at dirOffset (relative to the resource section):
  // the one with the given numeric id, or the first one when byId is false. out gets its
  // offset field (high bit set for a subdirectory).
  bool FindEntry(std::uint32_t dirOffset, std::uint32_t id, bool byId, std::uint32_t& out) const {
    std::string header;
    if (!source_.Read(resourceBase_ + dirOffset, 16, header)) return false;
    const std::size_t count = std::size_t{U16(header, 12)} + U16(header, 14);
    if (count == 0 || count > kMaxDirectoryEntries) return false;
    std::string entries;
    if (!source_.Read(resourceBase_ + dirOffset + 16ull, count * 8, entries)) return false;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t name = U32(entries, i * 8);
      if (!byId || (!(name & 0x80000000u) && name == id)) {
        out = U32(entries, i * 8 + 4);
        return true;
      }
    }
    return false;
  }

  const ByteSource& source_;
  std::vector<Section> sections_;
  std::uint64_t resourceBase_ = 0;
};

// One node of VS_VERSIONINFO: wLength, wValueLength, wType, a zero-ended UTF-16 key, padding to
// 32 bits, the value, padding, then the children, each a node of the same shape.
struct Node {
  std::size_t end = 0;
  std::size_t valueStart = 0;
  std::size_t valueEnd = 0;  ///< end of the value as wValueLength gives it
  std::size_t childrenStart = 0;
  std::uint16_t type = 0;  ///< 1 text, 0 binary
  std::string key;
};

std::size_t Align4(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

bool ReadNode(std::string_view block, std::size_t start, std::size_t limit, Node& node) {
  if (limit > block.size() || start > limit || limit - start < 6) return false;
  const std::size_t length = U16(block, start);
  if (length < 6) return false;
  node.end = length > limit - start ? limit : start + length;
  const std::size_t valueLength = U16(block, start + 2);
  node.type = U16(block, start + 4);
  std::size_t pos = start + 6;
  std::string utf16;
  while (true) {
    if (pos + 2 > node.end) return false;
    if (U16(block, pos) == 0) break;
    utf16.append(block.substr(pos, 2));
    pos += 2;
  }
  node.key = Utf16LeToAnsi(utf16);
  node.valueStart = std::min(Align4(pos + 2), node.end);
  const std::size_t valueBytes = node.type == 1 ? valueLength * std::size_t{2} : valueLength;
  node.valueEnd = node.valueStart + std::min(valueBytes, node.end - node.valueStart);
  node.childrenStart = std::min(Align4(node.valueEnd), node.end);
  return true;
}

bool SameKey(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

std::optional<std::string> VersionBlockOfFile(const std::string& windowsPath) {
  const auto host = ToHostPath(windowsPath);
  if (!host) return std::nullopt;
  // Not blocking on the open keeps a named pipe planted under an executable's name harmless.
  UniqueFd fd(::open(host->c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!fd.Valid() || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  FileSource source(fd.Get(), static_cast<std::uint64_t>(info.st_size));
  return PeReader(source).VersionBlock();
}

}  // namespace

std::optional<std::string> VersionInfoBlock(std::string_view executable) {
  MemorySource source(executable);
  auto block = PeReader(source).VersionBlock();
  // Only a block that starts as VS_VERSIONINFO counts.
  Node root;
  if (!block || !ReadNode(*block, 0, block->size(), root) || root.key != "VS_VERSION_INFO") {
    return std::nullopt;
  }
  return block;
}

std::optional<std::string> QueryVersionBlock(std::string_view block, std::string_view query) {
  Node node;
  if (!ReadNode(block, 0, block.size(), node) || node.key != "VS_VERSION_INFO") return std::nullopt;
  bool descended = false;
  std::size_t pos = 0;
  while (pos < query.size()) {
    std::size_t end = query.find('\\', pos);
    if (end == std::string_view::npos) end = query.size();
    const std::string_view segment = query.substr(pos, end - pos);
    pos = end + 1;
    if (segment.empty()) continue;
    bool found = false;
    Node child;
    for (std::size_t at = node.childrenStart; at + 6 <= node.end; at = Align4(child.end)) {
      if (!ReadNode(block, at, node.end, child)) break;
      if (SameKey(child.key, segment)) {
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
    node = child;
    descended = true;
  }
  if (!descended) return std::nullopt;
  // A text value runs to its zero (or the node's end): writers disagree on whether wValueLength
  // counts characters or bytes. A node with children (a string table) has no text.
  if (node.valueEnd == node.valueStart) {
    if (node.childrenStart + 6 <= node.end) return std::nullopt;
    return std::string();
  }
  const std::size_t end = node.type == 1 ? node.end : node.valueEnd;
  std::string utf16;
  for (std::size_t at = node.valueStart; at + 2 <= end && U16(block, at) != 0; at += 2) {
    utf16.append(block.substr(at, 2));
  }
  return Utf16LeToAnsi(utf16);
}

std::size_t VersionInfoSize(const std::string& windowsPath) {
  const auto block = VersionBlockOfFile(windowsPath);
  if (!block) return 0;
  Node root;
  if (!ReadNode(*block, 0, block->size(), root) || root.key != "VS_VERSION_INFO") return 0;
  return block->size();
}

std::optional<std::string> QueryVersionString(const std::string& windowsPath, const std::string& query) {
  const auto block = VersionBlockOfFile(windowsPath);
  if (!block) return std::nullopt;
  return QueryVersionBlock(*block, query);
}

}  // namespace lifto::platform
