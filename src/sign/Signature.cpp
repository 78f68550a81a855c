#include "sign/Signature.h"

#include <chrono>
#include <cstring>
#include <fstream>
#include <vector>

#include <sodium.h>

#include "sign/SignError.h"
#include "sign/Sodium.h"

namespace lifto::sign {
namespace {

constexpr std::string_view kUntrusted = "untrusted comment: ";
constexpr std::string_view kTrusted = "trusted comment: ";
constexpr std::size_t kChunk = 1 << 16;

std::string PathText(const std::filesystem::path& file) { return file.string(); }

std::ifstream OpenForReading(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw SignError("cannot read " + PathText(file));
  return in;
}

// The 64-byte BLAKE2b hash of the file, read in chunks so that an archive of any size fits.
std::array<unsigned char, 64> HashOf(const std::filesystem::path& file) {
  auto in = OpenForReading(file);
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, 64);
  std::vector<char> buffer(kChunk);
  while (in) {
    in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(buffer.data()),
                              static_cast<unsigned long long>(in.gcount()));
  }
  if (in.bad()) throw SignError("cannot read " + PathText(file));
  std::array<unsigned char, 64> hash{};
  crypto_generichash_final(&state, hash.data(), hash.size());
  return hash;
}

std::vector<unsigned char> ContentOf(const std::filesystem::path& file) {
  auto in = OpenForReading(file);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw SignError("cannot read " + PathText(file));
  return bytes;
}

// What the first signature signs.
std::vector<unsigned char> Message(const std::filesystem::path& file, SignatureKind kind) {
  if (kind == SignatureKind::kLegacy) return ContentOf(file);
  const auto hash = HashOf(file);
  return {hash.begin(), hash.end()};
}

std::vector<unsigned char> CommentMessage(const Signature& s) {
  std::vector<unsigned char> message(s.signature.begin(), s.signature.end());
  message.insert(message.end(), s.trustedComment.begin(), s.trustedComment.end());
  return message;
}

// Splits the text into lines without their CR LF or LF.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const auto end = text.find('\n');
    auto line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

Signature ParseSignature(std::string_view text) {
  EnsureSodium();
  const auto lines = Lines(text);
  if (lines.size() < 4) throw SignError("the signature has " + std::to_string(lines.size()) + " lines, not 4");
  for (std::size_t i = 4; i < lines.size(); ++i) {
    if (!lines[i].empty()) throw SignError("the signature has text after its fourth line");
  }
  if (!lines[0].starts_with(kUntrusted)) throw SignError("the signature does not start with \"untrusted comment: \"");
  if (!lines[2].starts_with(kTrusted)) throw SignError("the signature's third line is not a \"trusted comment: \"");
  Signature s;
  s.untrustedComment = lines[0].substr(kUntrusted.size());
  s.trustedComment = lines[2].substr(kTrusted.size());
  const auto first = Base64Decode(lines[1], 74, "the signature");
  if (first[0] == 'E' && first[1] == 'D') {
    s.kind = SignatureKind::kPrehashed;
  } else if (first[0] == 'E' && first[1] == 'd') {
    s.kind = SignatureKind::kLegacy;
  } else {
    throw SignError("the signature uses an unknown algorithm");
  }
  std::memcpy(s.keyId.data(), first.data() + 2, 8);
  std::memcpy(s.signature.data(), first.data() + 10, 64);
  const auto second = Base64Decode(lines[3], 64, "the trusted comment's signature");
  std::memcpy(s.commentSignature.data(), second.data(), 64);
  return s;
}

std::string FormatSignature(const Signature& s) {
  unsigned char first[74];
  first[0] = 'E';
  first[1] = s.kind == SignatureKind::kPrehashed ? 'D' : 'd';
  std::memcpy(first + 2, s.keyId.data(), 8);
  std::memcpy(first + 10, s.signature.data(), 64);
  return std::string(kUntrusted) + s.untrustedComment + "\n" + Base64Encode(first, sizeof first) + "\n" +
         std::string(kTrusted) + s.trustedComment + "\n" +
         Base64Encode(s.commentSignature.data(), s.commentSignature.size()) + "\n";
}

std::string DefaultTrustedComment(const std::string& fileName, SignatureKind kind) {
  const auto seconds =
      std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
  return "timestamp:" + std::to_string(seconds) + "\tfile:" + fileName +
         (kind == SignatureKind::kPrehashed ? "\thashed" : "");
}

Signature SignFile(const std::filesystem::path& file, const SecretKey& key, const std::string& trustedComment,
                   SignatureKind kind) {
  EnsureSodium();
  if (trustedComment.find_first_of("\r\n") != std::string::npos) {
    throw SignError("a trusted comment is one line");
  }
  Signature s;
  s.kind = kind;
  s.keyId = key.Id();
  s.untrustedComment = "signature from minisign secret key";
  s.trustedComment = trustedComment;
  const auto message = Message(file, kind);
  crypto_sign_detached(s.signature.data(), nullptr, message.data(), message.size(), key.Bytes());
  const auto comment = CommentMessage(s);
  crypto_sign_detached(s.commentSignature.data(), nullptr, comment.data(), comment.size(), key.Bytes());
  return s;
}

Verdict VerifyFile(const std::filesystem::path& file, const Signature& signature, const PublicKey& key) {
  EnsureSodium();
  if (!SameBytes(signature.keyId.data(), key.id.data(), key.id.size())) return Verdict::kOtherKey;
  const auto message = Message(file, signature.kind);
  if (crypto_sign_verify_detached(signature.signature.data(), message.data(), message.size(), key.key.data()) != 0) {
    return Verdict::kBadSignature;
  }
  const auto comment = CommentMessage(signature);
  if (crypto_sign_verify_detached(signature.commentSignature.data(), comment.data(), comment.size(),
                                  key.key.data()) != 0) {
    return Verdict::kBadComment;
  }
  return Verdict::kValid;
}

std::string SignedFileName(const std::string& trustedComment) {
  // Fields are separated by tabs; the name runs to the next tab.
  std::size_t at = 0;
  while (at <= trustedComment.size()) {
    const auto end = trustedComment.find('\t', at);
    const auto field = trustedComment.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (field.starts_with("file:")) return field.substr(5);
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return {};
}

}  // namespace lifto::sign
