#include "platform/Profile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/Paths.h"
#include "platform/SafeFiles.h"

namespace lifto::platform {
namespace {

namespace fs = std::filesystem;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Upper case of one 1252 letter, accented letters included, as the reader's comparison sees it.
unsigned char Upper1252(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 0x20);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<unsigned char>(c - 0x20);
  switch (c) {
    case 0x9A: return 0x8A;  // s caron
    case 0x9C: return 0x8C;  // oe
    case 0x9E: return 0x8E;  // z caron
    case 0xFF: return 0x9F;  // y diaeresis
    default: return c;
  }
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return Upper1252(static_cast<unsigned char>(x)) == Upper1252(static_cast<unsigned char>(y));
         });
}

// A value written as "text" or 'text' is read without its quotes.
std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string SystemReason(int error) { return std::strerror(error); }

[[noreturn]] void FailCreate(std::string_view windowsPath, const std::string& reason) {
  throw std::runtime_error("Cannot create file \"" + std::string(windowsPath) + "\". " + reason);
}

}  // namespace

ProfileFile ProfileFile::Parse(std::string_view text) {
  ProfileFile profile;
  Section* current = nullptr;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    std::size_t next;
    if (end == std::string_view::npos) {
      end = next = text.size();
    } else {
      // CR LF is one line end; a lone CR or a lone LF is one too.
      next = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
    std::string_view line = TrimBlanks(text.substr(start, end - start));
    start = next;
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      std::string_view name = line.substr(1);
      name = name.substr(0, name.find(']'));
      profile.sections_.push_back(Section{std::string(TrimBlanks(name)), {}});
      current = &profile.sections_.back();
      continue;
    }
    if (current == nullptr) continue;  // lines before the first section belong to none
    const std::size_t eq = line.find('=');
    std::string_view key = TrimBlanks(line.substr(0, eq));
    if (key.empty()) continue;  // an empty name would end the packed name list early
    std::string_view value =
        eq == std::string_view::npos ? std::string_view() : Unquote(TrimBlanks(line.substr(eq + 1)));
    current->entries.push_back(Entry{std::string(key), std::string(value)});
  }
  return profile;
}

ProfileFile ProfileFile::Load(std::string_view windowsPath) {
  const auto host = ToHostPath(windowsPath);
  if (!host) return {};
  std::ifstream in(*host, std::ios::binary);
  if (!in) return {};
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) return {};
  return Parse(buffer.str());
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view name) const {
  std::string_view wanted = TrimBlanks(name);
  for (const Section& section : sections_) {
    if (SameName(section.name, wanted)) return &section;
  }
  return nullptr;
}

ProfileKeyNames ProfileFile::KeyNames(std::string_view section, std::size_t bufferSize) const {
  ProfileKeyNames result;
  const Section* found = FindSection(section);
  if (found == nullptr || found->entries.empty()) return result;
  std::size_t total = 1;  // the zero that ends the list
  for (const Entry& entry : found->entries) total += entry.key.size() + 1;
  if (total <= bufferSize) {
    for (const Entry& entry : found->entries) result.names.push_back(entry.key);
    return result;
  }
  // The list does not fit: the reader keeps bufferSize - 2 characters of names and zeros, and
  // ends the buffer with two zeros, cutting the last name.
  result.truncated = true;
  if (bufferSize < 2) return result;
  const std::size_t limit = bufferSize - 2;
  std::size_t pos = 0;
  for (const Entry& entry : found->entries) {
    if (pos >= limit) break;
    if (pos + entry.key.size() <= limit) {
      result.names.push_back(entry.key);
      pos += entry.key.size() + 1;
    } else {
      result.names.push_back(entry.key.substr(0, limit - pos));
      result.lastCut = true;
      break;
    }
  }
  return result;
}

std::string ProfileFile::String(std::string_view section, std::string_view key,
                                std::string_view defaultValue, std::size_t bufferSize) const {
  if (bufferSize == 0) return {};
  std::string_view value = defaultValue;
  while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
  if (const Section* found = FindSection(section)) {
    const std::string_view wanted = TrimBlanks(key);
    for (const Entry& entry : found->entries) {
      if (SameName(entry.key, wanted)) {
        value = entry.value;
        break;
      }
    }
  }
  return std::string(value.substr(0, std::min(value.size(), bufferSize - 1)));
}

std::string ReadTextFile(std::string_view windowsPath) {
  const std::string shown(windowsPath);
  const auto host = ToHostPath(windowsPath);
  if (!host) {
    throw std::runtime_error("Cannot open file \"" + shown + "\". Its drive is not mapped");
  }
  std::error_code ec;
  if (fs::is_directory(*host, ec)) {
    throw std::runtime_error("Cannot open file \"" + shown + "\". It is a folder");
  }
  std::ifstream in(*host, std::ios::binary);
  if (!in) throw std::runtime_error("Cannot open file \"" + shown + "\". " + SystemReason(errno));
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) throw std::runtime_error("Cannot read file \"" + shown + "\"");
  return buffer.str();
}

void ReplaceTextFile(std::string_view windowsPath, std::string_view content) {
  const auto host = ToHostPath(windowsPath);
  if (!host) FailCreate(windowsPath, "Its drive is not mapped");
  if (!ReplaceFile(*host, content)) {
    const int error = errno;
    if (error == EISDIR) FailCreate(windowsPath, "It is a folder");
    if (error == EACCES) FailCreate(windowsPath, "Access is denied");
    FailCreate(windowsPath, SystemReason(error));
  }
}

}  // namespace lifto::platform
