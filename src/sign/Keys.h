#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

/// Ed25519 key pairs in the `minisign` key file format.
///
/// Public key file: "untrusted comment: <text>" then base64 of "Ed", the 8-byte key id and the
/// 32-byte public key. Secret key file: "untrusted comment: <text>" then base64 of "Ed", the key
/// derivation ("Sc" for scrypt, two zero bytes for none), "B2", a 32-byte salt, the scrypt
/// operations and memory limits (64-bit little-endian), then the key id, the 64-byte secret key
/// and a 32-byte BLAKE2b checksum of "Ed", id and key. With scrypt, those 104 bytes are XORed
/// with a stream derived from the password, so that a wrong password shows in the checksum.
namespace lifto::sign {

using KeyId = std::array<unsigned char, 8>;

/// The key id as the command shows it ("A0FAB1A0ADF1E36B": the 8 bytes little-endian, in hex).
std::string KeyIdText(const KeyId& id);

struct PublicKey {
  KeyId id{};
  std::array<unsigned char, 32> key{};
};

/// Reads a public key: the text of a public key file, or its base64 line alone (as given to the
/// command with -P, or written in system.ini). @throw SignError saying what is wrong
PublicKey ParsePublicKey(std::string_view text);
/// The base64 line of a public key.
std::string PublicKeyLine(const PublicKey& key);
/// The text of a public key file ("untrusted comment: minisign public key <id>" and the key).
std::string FormatPublicKey(const PublicKey& key);

/// The scrypt limits of an encrypted secret key.
struct KdfLimits {
  std::uint64_t operations = 0;
  std::uint64_t memory = 0;  ///< bytes
};
/// The limits the command uses: about 1 GiB of memory, a few seconds.
KdfLimits SensitiveLimits();
/// Lighter limits (16 MiB), for keys made in tests.
KdfLimits InteractiveLimits();

/// A secret key in memory, wiped when destroyed. Move-only; it never appears in a message.
class SecretKey {
 public:
  SecretKey() = default;
  ~SecretKey();
  SecretKey(SecretKey&& other) noexcept;
  SecretKey& operator=(SecretKey&& other) noexcept;
  SecretKey(const SecretKey&) = delete;
  SecretKey& operator=(const SecretKey&) = delete;

  const KeyId& Id() const { return id_; }
  /// The 64 bytes that signing takes (seed and public key).
  const unsigned char* Bytes() const { return key_.data(); }
  PublicKey Public() const;

 private:
  friend std::pair<PublicKey, SecretKey> GenerateKeyPair();
  friend SecretKey ParseSecretKey(std::string_view, const std::optional<std::string>&);
  void Wipe();
  KeyId id_{};
  std::array<unsigned char, 64> key_{};
};

/// A fresh key pair with a random id.
std::pair<PublicKey, SecretKey> GenerateKeyPair();

/// Whether a secret key file's text holds an encrypted key (it needs a password).
/// @throw SignError when the text is not a secret key
bool IsEncryptedSecretKey(std::string_view text);

/// Reads a secret key. @param password needed when the key is encrypted, ignored otherwise
/// @throw SignError for a malformed key, a missing or wrong password, a damaged key
SecretKey ParseSecretKey(std::string_view text, const std::optional<std::string>& password);

/// The text of a secret key file: encrypted with scrypt when a password is given, otherwise
/// unencrypted (protected only by the file's permissions), as the command writes either kind.
std::string FormatSecretKey(const SecretKey& key, const std::optional<std::string>& password,
                            KdfLimits limits = SensitiveLimits());

}  // namespace lifto::sign
