#include "sign/KeyFiles.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/UniqueFd.h"
#include "sign/SignError.h"

namespace lifto::sign {
namespace {

// Key and password files are small; a larger one is not what was meant.
constexpr off_t kMaxKeyFileBytes = 16 * 1024;

std::string Octal(mode_t mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
  return text;
}

struct ReadFile {
  std::string text;
  mode_t mode = 0;
};

ReadFile Read(const std::filesystem::path& file) {
  platform::UniqueFd fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat st {};
  if (!fd.Valid() || ::fstat(fd.Get(), &st) != 0) {
    throw SignError("cannot read " + file.string() + ": " + std::strerror(errno));
  }
  if (!S_ISREG(st.st_mode) || st.st_size > kMaxKeyFileBytes) {
    throw SignError(file.string() + " is not a key file (not a regular file, or too large)");
  }
  ReadFile result;
  result.mode = st.st_mode;
  result.text.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < result.text.size()) {
    const auto n = ::read(fd.Get(), result.text.data() + done, result.text.size() - done);
    if (n <= 0) throw SignError("cannot read " + file.string());
    done += static_cast<std::size_t>(n);
  }
  return result;
}

void RequirePrivate(const std::filesystem::path& file, mode_t mode, const std::string& what) {
  if ((mode & 077) != 0) {
    throw SignError(file.string() + " holds " + what + " that other users can read (mode " + Octal(mode) +
                    "): make it private (chmod 600)");
  }
}

void WriteNew(const std::filesystem::path& file, const std::string& text, mode_t mode) {
  platform::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
  if (!fd.Valid()) throw SignError("cannot create " + file.string() + ": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < text.size()) {
    const auto n = ::write(fd.Get(), text.data() + done, text.size() - done);
    if (n <= 0) throw SignError("cannot write " + file.string() + ": " + std::strerror(errno));
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd.Get()) != 0) throw SignError("cannot write " + file.string() + ": " + std::strerror(errno));
}

}  // namespace

PublicKey ReadPublicKeyFile(const std::filesystem::path& file) {
  const auto content = Read(file);
  try {
    return ParsePublicKey(content.text);
  } catch (const SignError& e) {
    throw SignError(file.string() + ": " + e.what());
  }
}

SecretKey ReadSecretKeyFile(const std::filesystem::path& file, const PasswordSource& password) {
  auto content = Read(file);
  try {
    std::optional<std::string> given;
    if (IsEncryptedSecretKey(content.text)) {
      given = password ? password() : std::nullopt;
      if (!given) throw SignError("the secret key is encrypted and no password was given");
    } else {
      RequirePrivate(file, content.mode, "an unencrypted secret key");
    }
    auto key = ParseSecretKey(content.text, given);
    std::fill(content.text.begin(), content.text.end(), '\0');
    if (given) std::fill(given->begin(), given->end(), '\0');
    return key;
  } catch (const SignError& e) {
    std::fill(content.text.begin(), content.text.end(), '\0');
    const std::string what = e.what();
    throw SignError(what.starts_with(file.string()) ? what : file.string() + ": " + what);
  }
}

std::string ReadPasswordFile(const std::filesystem::path& file) {
  auto content = Read(file);
  RequirePrivate(file, content.mode, "a password");
  auto line = content.text.substr(0, content.text.find('\n'));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  std::fill(content.text.begin(), content.text.end(), '\0');
  return line;
}

PublicKey WriteKeyPair(const std::filesystem::path& publicFile, const std::filesystem::path& secretFile,
                       const std::optional<std::string>& password, KdfLimits limits) {
  auto [pub, secret] = GenerateKeyPair();
  auto text = FormatSecretKey(secret, password, limits);
  try {
    WriteNew(secretFile, text, 0600);
  } catch (...) {
    std::fill(text.begin(), text.end(), '\0');
    throw;
  }
  std::fill(text.begin(), text.end(), '\0');
  WriteNew(publicFile, FormatPublicKey(pub), 0644);
  return pub;
}

}  // namespace lifto::sign
