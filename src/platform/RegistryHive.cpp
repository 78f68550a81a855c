#include "platform/RegistryHive.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/SafeFiles.h"
#include "platform/UniqueFd.h"
#include "platform/Utf16.h"

namespace lifto::platform {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";

char FoldChar(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  switch (b) {
    case 0x9A: return '\x8A';
    case 0x9C: return '\x8C';
    case 0x9E: return '\x8E';
    case 0xFF: return '\x9F';
    default: return c;
  }
}

std::string_view TrimView(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (FoldChar(text[i]) != FoldChar(prefix[i])) return false;
  }
  return true;
}

// Collapses separators and spells out the root's abbreviation, keeping the case given.
std::string NormalizeKeyPath(std::string_view keyPath) {
  std::string out;
  std::size_t pos = 0;
  bool first = true;
  while (pos <= keyPath.size()) {
    std::size_t end = keyPath.find('\\', pos);
    if (end == std::string_view::npos) end = keyPath.size();
    std::string_view part = keyPath.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty()) continue;
    if (first) {
      const std::string folded = FoldCase(part);
      if (folded == "HKLM") part = "HKEY_LOCAL_MACHINE";
      else if (folded == "HKCU") part = "HKEY_CURRENT_USER";
      else if (folded == "HKCR") part = "HKEY_CLASSES_ROOT";
      else if (folded == "HKU") part = "HKEY_USERS";
      else if (folded == "HKCC") part = "HKEY_CURRENT_CONFIG";
      first = false;
    } else {
      out += '\\';
    }
    out += part;
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : (lead >> 5) == 0x6 ? 1 : (lead >> 4) == 0xE ? 2
                                      : (lead >> 3) == 0x1E ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
      return false;
    }
    for (int k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0xC0) != 0x80) {
        return false;
      }
    }
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

// The export's text in 1252, whatever form regedit wrote it in.
std::string DecodeExport(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return Utf16LeToAnsi(bytes.substr(2));
  }
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return FromUtf8(bytes.substr(3));
  // UTF-16LE without a byte order mark: the header's first character has a zero high byte.
  if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0') return Utf16LeToAnsi(bytes);
  if (StartsWithNoCase(TrimView(bytes.substr(0, 64)), kHeader5) && IsValidUtf8(bytes)) {
    return FromUtf8(bytes);
  }
  return std::string(bytes);
}

class ExportParser {
 public:
  ExportParser(const std::filesystem::path& file, RegistryHive& hive) : file_(file), hive_(hive) {}

  void Run(const std::string& text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
      std::size_t end = text.find('\n', pos);
      if (end == std::string::npos) end = text.size();
      lines.emplace_back(text.data() + pos, end - pos);
      pos = end + 1;
    }
    std::size_t i = 0;
    bool headerSeen = false;
    while (i < lines.size()) {
      const int lineNo = static_cast<int>(i) + 1;
      const std::string_view line = TrimView(lines[i]);
      ++i;
      if (line.empty()) continue;
      if (!headerSeen) {
        if (line == kHeader4) {
          unicode_ = false;
        } else if (line == kHeader5) {
          unicode_ = true;
        } else {
          Fail(lineNo, "not a registry export (the first line must be \"REGEDIT4\" or \"" +
                           std::string(kHeader5) + "\")");
        }
        headerSeen = true;
        continue;
      }
      if (line.front() == ';') continue;
      if (line.front() == '[') {
        Section(line, lineNo);
      } else if (line.front() == '"' || line.front() == '@') {
        Value(line, lineNo, lines, i);
      } else {
        Fail(lineNo, "unexpected line");
      }
    }
  }

 private:
  [[noreturn]] void Fail(int line, const std::string& problem) const {
    throw ConfigError(file_, line, problem);
  }

  // A name with a line break or a zero byte could not be written back as one line; regedit
  // never writes one, so such a file is damaged.
  void CheckName(std::string_view name, int lineNo) const {
    if (name.find_first_of(std::string_view("\r\0", 2)) != std::string_view::npos) {
      Fail(lineNo, "a key or value name holds a line break or a zero byte");
    }
  }

  void Section(std::string_view line, int lineNo) {
    if (line.back() != ']') Fail(lineNo, "a key line must end with ']'");
    std::string_view name = line.substr(1, line.size() - 2);
    const bool removal = !name.empty() && name.front() == '-';
    if (removal) name.remove_prefix(1);
    const std::string normalized = NormalizeKeyPath(name);
    if (normalized.empty()) Fail(lineNo, "empty key name");
    CheckName(name, lineNo);
    // "[\-X]" names a key "-X" that would be written back as "[-X]", which removes it.
    if (!removal && normalized.front() == '-') Fail(lineNo, "a key name cannot start with '-'");
    key_ = std::string(name);
    inKey_ = !removal;
    // "[-KEY]" removes the key and everything below it, as importing the line would.
    if (removal) {
      hive_.RemoveKey(name);
    } else {
      hive_.CreateKey(name);
    }
  }

  // A quoted text with \\ and \" escapes starting at text[pos] == '"'; pos ends after the quote.
  std::string Quoted(std::string_view text, std::size_t& pos, int lineNo) const {
    std::string out;
    ++pos;
    while (pos < text.size()) {
      const char c = text[pos++];
      if (c == '"') return out;
      if (c == '\\' && pos < text.size() && (text[pos] == '\\' || text[pos] == '"')) {
        out += text[pos++];
      } else {
        out += c;
      }
    }
    Fail(lineNo, "a quoted text is not closed");
  }

  void Value(std::string_view line, int lineNo, const std::vector<std::string_view>& lines,
             std::size_t& next) {
    if (key_.empty()) Fail(lineNo, "a value before the first key");
    HiveValue value;
    std::size_t pos = 0;
    if (line.front() == '@') {
      pos = 1;
    } else {
      value.name = Quoted(line, pos, lineNo);
      CheckName(value.name, lineNo);
    }
    std::string_view rest = TrimView(line.substr(pos));
    if (rest.empty() || rest.front() != '=') Fail(lineNo, "'=' expected after the value name");
    rest = TrimView(rest.substr(1));

    if (!rest.empty() && rest.front() == '"') {
      std::size_t at = 0;
      value.type = kRegSz;
      value.data = Quoted(rest, at, lineNo);
      if (!TrimView(rest.substr(at)).empty()) Fail(lineNo, "unexpected text after the value");
    } else if (rest == "-") {
      if (inKey_) hive_.Remove(key_, value.name);
      return;
    } else if (StartsWithNoCase(rest, "dword:")) {
      const std::string_view digits = TrimView(rest.substr(6));
      if (digits.empty() || digits.size() > 8 ||
          digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        Fail(lineNo, "a dword needs one to eight hexadecimal digits");
      }
      value.type = kRegDword;
      value.dword = static_cast<std::uint32_t>(std::stoul(std::string(digits), nullptr, 16));
    } else if (StartsWithNoCase(rest, "hex")) {
      HexValue(rest.substr(3), value, lineNo, lines, next);
    } else {
      Fail(lineNo, "unknown kind of value");
    }
    if (inKey_) hive_.Set(key_, std::move(value));
  }

  void HexValue(std::string_view rest, HiveValue& value, int lineNo,
                const std::vector<std::string_view>& lines, std::size_t& next) {
    value.type = kRegBinary;
    if (!rest.empty() && rest.front() == '(') {
      const std::size_t close = rest.find(')');
      const std::string_view digits = rest.substr(1, close == std::string_view::npos ? 0 : close - 1);
      if (close == std::string_view::npos || digits.empty() || digits.size() > 8 ||
          digits.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
        Fail(lineNo, "malformed hex(type)");
      }
      value.type = static_cast<std::uint32_t>(std::stoul(std::string(digits), nullptr, 16));
      rest = rest.substr(close + 1);
    }
    if (rest.empty() || rest.front() != ':') Fail(lineNo, "':' expected after hex");
    rest = rest.substr(1);
    std::string bytes;
    int currentLine = lineNo;
    while (true) {
      std::string_view part = TrimView(rest);
      const bool continued = !part.empty() && part.back() == '\\';
      if (continued) part = TrimView(part.substr(0, part.size() - 1));
      std::size_t pos = 0;
      while (pos < part.size()) {
        std::size_t comma = part.find(',', pos);
        const bool last = comma == std::string_view::npos;
        if (last) comma = part.size();
        const std::string_view token = TrimView(part.substr(pos, comma - pos));
        pos = comma + 1;
        if (token.empty() && last && !part.empty() && part.back() == ',') break;
        if (token.empty() || token.size() > 2 ||
            token.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
          Fail(currentLine, "malformed hex byte");
        }
        bytes += static_cast<char>(std::stoul(std::string(token), nullptr, 16));
      }
      if (!continued) break;
      if (next >= lines.size()) Fail(currentLine, "a continued value ends with the file");
      currentLine = static_cast<int>(next) + 1;
      rest = lines[next++];
    }
    ShapeHexData(value, std::move(bytes));
  }

  // Texts kept as hex are UTF-16 in the newer export form; the hive keeps them in 1252.
  void ShapeHexData(HiveValue& value, std::string bytes) const {
    const bool text = value.type == kRegSz || value.type == kRegExpandSz || value.type == kRegMultiSz;
    if (text && unicode_) bytes = Utf16LeToAnsi(bytes);
    if ((value.type == kRegSz || value.type == kRegExpandSz) && !bytes.empty() &&
        bytes.back() == '\0') {
      bytes.pop_back();
    }
    if (value.type == kRegDword && bytes.size() == 4) {
      value.dword = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[0])) |
                    static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[1])) << 8 |
                    static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) << 16 |
                    static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 24;
      return;
    }
    value.data = std::move(bytes);  // a dword of another length stays as its bytes
  }

  const std::filesystem::path& file_;
  RegistryHive& hive_;
  std::string key_;
  bool inKey_ = false;
  bool unicode_ = false;
};

std::string EscapeQuoted(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

void AppendHex(std::string& out, std::string_view prefix, std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::size_t lineLength = prefix.size();
  out += prefix;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
    lineLength += 2;
    if (i + 1 < bytes.size()) {
      out += ',';
      ++lineLength;
      // regedit wraps long values near 80 columns with a trailing backslash.
      if (lineLength > 76) {
        out += "\\\r\n  ";
        lineLength = 2;
      }
    }
  }
  out += "\r\n";
}

bool NeedsHexForm(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

std::string ReadWholeFile(const std::filesystem::path& file, bool& exists) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::error_code ec;
    exists = std::filesystem::exists(file, ec);
    if (exists) throw ConfigError(file, 0, "cannot be read: " + std::string(std::strerror(errno)));
    return {};
  }
  exists = true;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) throw ConfigError(file, 0, "cannot be read");
  return content.str();
}

[[noreturn]] void ThrowIo(const std::string& what, const std::filesystem::path& file) {
  throw std::runtime_error(what + " " + file.string() + ": " + std::strerror(errno));
}

}  // namespace

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = FoldChar(c);
  return out;
}

std::string FoldKeyPath(std::string_view keyPath) { return FoldCase(NormalizeKeyPath(keyPath)); }

RegistryHive RegistryHive::Parse(std::string_view bytes, const std::filesystem::path& file) {
  RegistryHive hive;
  ExportParser(file, hive).Run(DecodeExport(bytes));
  return hive;
}

RegistryHive RegistryHive::Load(const std::filesystem::path& file) {
  bool exists = false;
  const std::string bytes = ReadWholeFile(file, exists);
  return Parse(bytes, file);
}

std::string RegistryHive::Serialize() const {
  std::string out = std::string(kHeader4) + "\r\n\r\n";
  for (const auto& key : keys_) {
    out += '[' + key.path + "]\r\n";
    for (const auto& value : key.values) {
      const std::string name = value.name.empty() ? "@" : EscapeQuoted(value.name);
      if (value.type == kRegSz && !NeedsHexForm(value.data)) {
        out += name + '=' + EscapeQuoted(value.data) + "\r\n";
      } else if (value.type == kRegDword && value.data.empty()) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08x", value.dword);
        out += name + "=dword:" + digits + "\r\n";
      } else if (value.type == kRegBinary) {
        AppendHex(out, name + "=hex:", value.data);
      } else {
        std::string data = value.data;
        if (value.type == kRegSz || value.type == kRegExpandSz) data += '\0';
        char prefix[32];
        std::snprintf(prefix, sizeof prefix, "=hex(%x):", value.type);
        AppendHex(out, name + prefix, data);
      }
    }
    out += "\r\n";
  }
  return out;
}

const HiveValue* RegistryHive::Find(std::string_view keyPath, std::string_view valueName) const {
  const auto it = index_.find(FoldKeyPath(keyPath));
  if (it == index_.end()) return nullptr;
  const std::string name = FoldCase(valueName);
  for (const auto& value : keys_[it->second].values) {
    if (FoldCase(value.name) == name) return &value;
  }
  return nullptr;
}

bool RegistryHive::KeyExists(std::string_view keyPath) const {
  const std::string folded = FoldKeyPath(keyPath);
  if (folded.empty()) return false;
  if (index_.count(folded) != 0) return true;
  const std::string below = folded + '\\';
  const auto it = index_.lower_bound(below);
  return it != index_.end() && it->first.compare(0, below.size(), below) == 0;
}

HiveKey& RegistryHive::KeyFor(std::string_view keyPath) {
  const std::string normalized = NormalizeKeyPath(keyPath);
  const std::string folded = FoldCase(normalized);
  if (const auto it = index_.find(folded); it != index_.end()) return keys_[it->second];
  index_.emplace(folded, keys_.size());
  keys_.push_back(HiveKey{normalized, {}});
  return keys_.back();
}

void RegistryHive::Set(std::string_view keyPath, HiveValue value) {
  const auto unsafe = [](std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  };
  if (NormalizeKeyPath(keyPath).empty() || unsafe(keyPath) || unsafe(value.name)) {
    throw std::invalid_argument("a registry key or value name cannot be empty or hold line breaks");
  }
  HiveKey& key = KeyFor(keyPath);
  const std::string name = FoldCase(value.name);
  for (auto& existing : key.values) {
    if (FoldCase(existing.name) == name) {
      existing = std::move(value);
      return;
    }
  }
  key.values.push_back(std::move(value));
}

void RegistryHive::CreateKey(std::string_view keyPath) {
  if (NormalizeKeyPath(keyPath).empty()) throw std::invalid_argument("empty registry key name");
  KeyFor(keyPath);
}

void RegistryHive::RemoveKey(std::string_view keyPath) {
  const std::string target = FoldKeyPath(keyPath);
  const std::string below = target + '\\';
  std::vector<HiveKey> kept;
  for (auto& key : keys_) {
    const std::string folded = FoldKeyPath(key.path);
    if (folded == target || folded.compare(0, below.size(), below) == 0) continue;
    kept.push_back(std::move(key));
  }
  keys_ = std::move(kept);
  index_.clear();
  for (std::size_t i = 0; i < keys_.size(); ++i) index_.emplace(FoldKeyPath(keys_[i].path), i);
}

bool RegistryHive::Remove(std::string_view keyPath, std::string_view valueName) {
  const auto it = index_.find(FoldKeyPath(keyPath));
  if (it == index_.end()) return false;
  auto& values = keys_[it->second].values;
  const std::string name = FoldCase(valueName);
  const auto found = std::find_if(values.begin(), values.end(),
                                  [&](const HiveValue& v) { return FoldCase(v.name) == name; });
  if (found == values.end()) return false;
  values.erase(found);
  return true;
}

void UpdateHiveFile(const std::filesystem::path& file,
                    const std::function<void(RegistryHive&)>& change) {
  // Walked by descriptor: a hive that is a link of the user's or root's is changed where it lies,
  // keeping the link; one that another user may have planted is refused, so that nobody else's
  // file is read into the hive or replaced.
  const auto at = Locate(file);
  if (!at) ThrowIo("cannot reach", file);
  const int folder = at->folder.Get();
  struct stat present {};
  if (::fstatat(folder, at->name.c_str(), &present, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(present.st_mode)) {
    errno = ELOOP;
    ThrowIo("refused a link of another user at", file);
  }
  const std::filesystem::path lockPath = file.string() + ".lock";
  const UniqueFd lock = OpenFile(at->name + ".lock", O_RDWR | O_CREAT, 0644, Links::Trusted, folder);
  if (!lock.Valid()) ThrowIo("cannot open the lock file", lockPath);
  while (::flock(lock.Get(), LOCK_EX) != 0) {
    if (errno != EINTR) ThrowIo("cannot lock", lockPath);
  }

  std::string old;
  if (const UniqueFd in = OpenFile(at->name, O_RDONLY, 0, Links::Trusted, folder); in.Valid()) {
    struct stat st {};
    if (::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      throw ConfigError(file, 0, "is not a regular file");
    }
    char buffer[65536];
    for (;;) {
      const ssize_t got = ::read(in.Get(), buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw ConfigError(file, 0, "cannot be read: " + std::string(std::strerror(errno)));
      if (got == 0) break;
      old.append(buffer, static_cast<std::size_t>(got));
    }
  } else if (errno != ENOENT) {
    throw ConfigError(file, 0, "cannot be read: " + std::string(std::strerror(errno)));
  }
  RegistryHive hive = RegistryHive::Parse(old, file);
  change(hive);
  if (!ReplaceFile(at->name, hive.Serialize(), folder)) ThrowIo("cannot replace", file);
}

}  // namespace lifto::platform
