#pragma once

#include <optional>
#include <string>

#include "sign/Keys.h"

/// The vendor's signing of the update sets that generation writes. A vendor machine whose
/// system.ini names its secret key ([Security] SigningKey=<key file>, and for a key encrypted with
/// a password SigningKeyPasswordFile=<file holding the password>) signs every file of each set it
/// generates: "X.aex.minisig", "X.ATU.minisig", "X.002.minisig"... beside them.
namespace lifto::project {

class SetSigner {
 public:
  /// The signer of this machine; nullopt when system.ini names no signing key.
  /// @throw sign::SignError naming the key or password file that cannot be used
  static std::optional<SetSigner> FromSystemIni();

  /// Signs a file of the set (Windows path). A failure is shown (kind 4) naming the file.
  /// @return true when its signature file was written
  bool Sign(const std::string& windowsPath) const;

 private:
  explicit SetSigner(sign::SecretKey key) : key_(std::move(key)) {}
  sign::SecretKey key_;
};

}  // namespace lifto::project
