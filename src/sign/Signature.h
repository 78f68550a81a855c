#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "sign/Keys.h"

/// Detached signatures in the `minisign` signature file format, four lines:
///   untrusted comment: <text>
///   base64 of the algorithm ("ED" prehashed, "Ed" legacy), the 8-byte key id, 64-byte signature
///   trusted comment: <text>
///   base64 of the 64-byte signature of the first signature followed by the trusted comment
/// A prehashed ("ED") signature signs the file's 64-byte BLAKE2b hash, a legacy ("Ed") one the
/// file's bytes themselves.
namespace lifto::sign {

enum class SignatureKind { kPrehashed, kLegacy };

struct Signature {
  SignatureKind kind = SignatureKind::kPrehashed;
  KeyId keyId{};
  std::array<unsigned char, 64> signature{};
  std::string untrustedComment;
  std::string trustedComment;
  std::array<unsigned char, 64> commentSignature{};
};

/// Reads a signature file's text. @throw SignError saying what is wrong
Signature ParseSignature(std::string_view text);
/// The text of a signature file.
std::string FormatSignature(const Signature& signature);

/// The trusted comment the command writes by default: "timestamp:<seconds>\tfile:<name>\thashed"
/// (without "\thashed" for a legacy signature).
std::string DefaultTrustedComment(const std::string& fileName, SignatureKind kind);

/// Signs a file. @param file host path @param trustedComment one line
/// @throw SignError when the file cannot be read
Signature SignFile(const std::filesystem::path& file, const SecretKey& key, const std::string& trustedComment,
                   SignatureKind kind = SignatureKind::kPrehashed);

/// What a check of a signature found.
enum class Verdict {
  kValid,
  kMissing,       ///< no signature file beside the file
  kMalformed,     ///< the signature file cannot be read as a signature
  kOtherKey,      ///< made with another key
  kBadSignature,  ///< does not match the file's content
  kBadComment,    ///< the trusted comment was changed
  kOtherFile,     ///< the trusted comment names another file
  kUnreadable,    ///< the file itself cannot be read
};

/// Checks a signature of a file against a public key: key id, the signature of the content and the
/// signature of the trusted comment. @throw SignError when the file cannot be read
Verdict VerifyFile(const std::filesystem::path& file, const Signature& signature, const PublicKey& key);

/// The name that a trusted comment's "file:" field gives, empty when it has none.
std::string SignedFileName(const std::string& trustedComment);

}  // namespace lifto::sign
