#include "sign/Keys.h"

#include <cstring>
#include <vector>

#include <sodium.h>

#include "sign/SignError.h"
#include "sign/Sodium.h"

namespace lifto::sign {
namespace {

constexpr std::string_view kCommentPrefix = "untrusted comment: ";
constexpr unsigned char kEd[2] = {'E', 'd'};
constexpr unsigned char kScrypt[2] = {'S', 'c'};
constexpr unsigned char kNoKdf[2] = {0, 0};
constexpr unsigned char kBlake2[2] = {'B', '2'};

// Offsets in the decoded secret key.
constexpr std::size_t kSaltAt = 6;
constexpr std::size_t kOpsAt = kSaltAt + 32;
constexpr std::size_t kMemAt = kOpsAt + 8;
constexpr std::size_t kIdAt = kMemAt + 8;
constexpr std::size_t kKeyAt = kIdAt + 8;
constexpr std::size_t kChkAt = kKeyAt + 64;
constexpr std::size_t kSecretSize = kChkAt + 32;
constexpr std::size_t kSealedSize = kSecretSize - kIdAt;  // id, key and checksum

// Wipes a buffer of key material when it goes out of scope.
struct WipedBytes {
  std::vector<unsigned char> bytes;
  ~WipedBytes() { sodium_memzero(bytes.data(), bytes.size()); }
};

// The base64 line of a key file: the second line after an untrusted comment, or the whole text.
std::string_view KeyLine(std::string_view text, const std::string& what) {
  const auto trim = [](std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
  };
  text = trim(text);
  if (!text.starts_with(kCommentPrefix)) {
    if (text.find('\n') != std::string_view::npos) {
      throw SignError(what + " does not start with \"untrusted comment: \"");
    }
    return text;
  }
  const auto end = text.find('\n');
  if (end == std::string_view::npos) throw SignError(what + " holds a comment but no key");
  return trim(text.substr(end + 1));
}

std::uint64_t Le64(const unsigned char* p) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

void PutLe64(unsigned char* p, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(value >> (8 * i));
}

void Checksum(const unsigned char* id, const unsigned char* key, unsigned char* out) {
  crypto_generichash_state state;
  crypto_generichash_init(&state, nullptr, 0, 32);
  crypto_generichash_update(&state, kEd, 2);
  crypto_generichash_update(&state, id, 8);
  crypto_generichash_update(&state, key, 64);
  crypto_generichash_final(&state, out, 32);
}

// XORs the id, key and checksum with the stream the password derives.
void Seal(unsigned char* sealed, const std::string& password, const unsigned char* salt, KdfLimits limits) {
  WipedBytes stream{std::vector<unsigned char>(kSealedSize)};
  if (crypto_pwhash_scryptsalsa208sha256(stream.bytes.data(), stream.bytes.size(), password.data(), password.size(),
                                         salt, limits.operations, static_cast<std::size_t>(limits.memory)) != 0) {
    throw SignError("the key cannot be derived from the password (not enough memory for the key's limits?)");
  }
  for (std::size_t i = 0; i < kSealedSize; ++i) sealed[i] ^= stream.bytes[i];
}

}  // namespace

std::string KeyIdText(const KeyId& id) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text;
  for (int i = 7; i >= 0; --i) {
    text += kHex[id[static_cast<std::size_t>(i)] >> 4];
    text += kHex[id[static_cast<std::size_t>(i)] & 15];
  }
  return text;
}

PublicKey ParsePublicKey(std::string_view text) {
  EnsureSodium();
  const auto bytes = Base64Decode(KeyLine(text, "the public key"), 42, "the public key");
  if (std::memcmp(bytes.data(), kEd, 2) != 0) throw SignError("the public key is not an Ed25519 key");
  PublicKey key;
  std::memcpy(key.id.data(), bytes.data() + 2, 8);
  std::memcpy(key.key.data(), bytes.data() + 10, 32);
  return key;
}

std::string PublicKeyLine(const PublicKey& key) {
  unsigned char bytes[42];
  std::memcpy(bytes, kEd, 2);
  std::memcpy(bytes + 2, key.id.data(), 8);
  std::memcpy(bytes + 10, key.key.data(), 32);
  return Base64Encode(bytes, sizeof bytes);
}

std::string FormatPublicKey(const PublicKey& key) {
  return std::string(kCommentPrefix) + "minisign public key " + KeyIdText(key.id) + "\n" + PublicKeyLine(key) + "\n";
}

KdfLimits SensitiveLimits() {
  return {crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_SENSITIVE, crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_SENSITIVE};
}

KdfLimits InteractiveLimits() {
  return {crypto_pwhash_scryptsalsa208sha256_OPSLIMIT_INTERACTIVE,
          crypto_pwhash_scryptsalsa208sha256_MEMLIMIT_INTERACTIVE};
}

SecretKey::~SecretKey() { Wipe(); }

SecretKey::SecretKey(SecretKey&& other) noexcept : id_(other.id_), key_(other.key_) { other.Wipe(); }

SecretKey& SecretKey::operator=(SecretKey&& other) noexcept {
  if (this != &other) {
    id_ = other.id_;
    key_ = other.key_;
    other.Wipe();
  }
  return *this;
}

void SecretKey::Wipe() {
  sodium_memzero(key_.data(), key_.size());
  id_.fill(0);
}

PublicKey SecretKey::Public() const {
  PublicKey key;
  key.id = id_;
  crypto_sign_ed25519_sk_to_pk(key.key.data(), key_.data());
  return key;
}

std::pair<PublicKey, SecretKey> GenerateKeyPair() {
  EnsureSodium();
  SecretKey secret;
  PublicKey pub;
  crypto_sign_keypair(pub.key.data(), secret.key_.data());
  randombytes_buf(secret.id_.data(), secret.id_.size());
  pub.id = secret.id_;
  return {pub, std::move(secret)};
}

bool IsEncryptedSecretKey(std::string_view text) {
  EnsureSodium();
  WipedBytes bytes{Base64Decode(KeyLine(text, "the secret key"), kSecretSize, "the secret key")};
  if (std::memcmp(bytes.bytes.data() + 2, kScrypt, 2) == 0) return true;
  if (std::memcmp(bytes.bytes.data() + 2, kNoKdf, 2) == 0) return false;
  throw SignError("the secret key uses an unknown key derivation");
}

SecretKey ParseSecretKey(std::string_view text, const std::optional<std::string>& password) {
  EnsureSodium();
  WipedBytes bytes{Base64Decode(KeyLine(text, "the secret key"), kSecretSize, "the secret key")};
  unsigned char* b = bytes.bytes.data();
  if (std::memcmp(b, kEd, 2) != 0) throw SignError("the secret key is not an Ed25519 key");
  if (std::memcmp(b + 4, kBlake2, 2) != 0) throw SignError("the secret key uses an unknown checksum");
  const bool encrypted = std::memcmp(b + 2, kScrypt, 2) == 0;
  if (!encrypted && std::memcmp(b + 2, kNoKdf, 2) != 0) throw SignError("the secret key uses an unknown key derivation");
  if (encrypted) {
    if (!password) throw SignError("the secret key is encrypted and no password was given");
    Seal(b + kIdAt, *password, b + kSaltAt, {Le64(b + kOpsAt), Le64(b + kMemAt)});
  }
  SecretKey key;
  std::memcpy(key.id_.data(), b + kIdAt, 8);
  std::memcpy(key.key_.data(), b + kKeyAt, 64);
  unsigned char chk[32];
  Checksum(b + kIdAt, b + kKeyAt, chk);
  // The command leaves the checksum of an unencrypted key zero; the key's own public half still
  // shows damage there.
  static constexpr unsigned char kZero[32] = {};
  const bool checksumOk = SameBytes(chk, b + kChkAt, 32) || (!encrypted && SameBytes(kZero, b + kChkAt, 32));
  if (!checksumOk) {
    throw SignError(encrypted ? "wrong password for the secret key" : "the secret key is damaged (checksum)");
  }
  unsigned char pk[32];
  unsigned char seeded[64];
  crypto_sign_seed_keypair(pk, seeded, key.key_.data());
  const bool whole = SameBytes(seeded, key.key_.data(), 64);
  sodium_memzero(seeded, sizeof seeded);
  if (!whole) throw SignError("the secret key is damaged (its public half does not match)");
  return key;
}

std::string FormatSecretKey(const SecretKey& key, const std::optional<std::string>& password, KdfLimits limits) {
  EnsureSodium();
  WipedBytes bytes{std::vector<unsigned char>(kSecretSize, 0)};
  unsigned char* b = bytes.bytes.data();
  std::memcpy(b, kEd, 2);
  std::memcpy(b + 2, password ? kScrypt : kNoKdf, 2);
  std::memcpy(b + 4, kBlake2, 2);
  std::memcpy(b + kIdAt, key.Id().data(), 8);
  std::memcpy(b + kKeyAt, key.Bytes(), 64);
  if (password) {
    randombytes_buf(b + kSaltAt, 32);
    PutLe64(b + kOpsAt, limits.operations);
    PutLe64(b + kMemAt, limits.memory);
    Checksum(b + kIdAt, b + kKeyAt, b + kChkAt);
    Seal(b + kIdAt, *password, b + kSaltAt, limits);
  }
  std::string line = Base64Encode(b, kSecretSize);
  std::string text = std::string(kCommentPrefix) + "minisign encrypted secret key\n" + line + "\n";
  sodium_memzero(line.data(), line.size());
  return text;
}

}  // namespace lifto::sign
