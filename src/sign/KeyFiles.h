#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "sign/Keys.h"

/// Key files on disk. A secret key is either encrypted with a password, or unencrypted and
/// protected only by its file's permissions (for unattended machines); an unencrypted key, and a
/// password file, that other users may read are refused.
namespace lifto::sign {

/// Reads a public key file (or a file holding only its base64 line).
/// @throw SignError naming the file
PublicKey ReadPublicKeyFile(const std::filesystem::path& file);

/// Gives the password of an encrypted key when asked; nullopt when there is none.
using PasswordSource = std::function<std::optional<std::string>()>;

/// Reads a secret key file; the password is asked for only when the key is encrypted.
/// @throw SignError naming the file: unreadable, malformed, wrong or missing password, or an
/// unencrypted key that the group or others may read
SecretKey ReadSecretKeyFile(const std::filesystem::path& file, const PasswordSource& password);

/// The first line of a password file (without its line end); the file must be private to its
/// owner. @throw SignError naming the file
std::string ReadPasswordFile(const std::filesystem::path& file);

/// Writes a new key pair: the public key file, and the secret key file created private (mode 0600);
/// neither may exist yet. @param password encrypts the secret key; nullopt leaves it unencrypted
/// @throw SignError naming the file that cannot be written
PublicKey WriteKeyPair(const std::filesystem::path& publicFile, const std::filesystem::path& secretFile,
                       const std::optional<std::string>& password, KdfLimits limits = SensitiveLimits());

}  // namespace lifto::sign
