#pragma once

#include <stdexcept>
#include <string>

/// Detached signatures of update sets: Ed25519 keys and signatures in the format of the standard
/// `minisign` command, so that the vendor can sign and check sets with either tool.
namespace lifto::sign {

/// A key or signature that cannot be read or used; what() says what failed and with which file
/// (UTF-8 host paths). It never holds key material.
class SignError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace lifto::sign
