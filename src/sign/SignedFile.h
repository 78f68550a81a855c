#pragma once

#include <filesystem>
#include <string>

#include "sign/Keys.h"
#include "sign/Signature.h"

/// Files of an update set and their signature files beside them ("X.ATU" → "X.ATU.minisig").
namespace lifto::sign {

/// The signature file of a file: its path followed by ".minisig".
std::filesystem::path SignaturePathOf(const std::filesystem::path& file);

/// Signs a file and writes its signature file beside it, replacing one that is there (written
/// under a temporary name and renamed, so that no half-written signature is left).
/// The trusted comment names the file, as the command writes it.
/// @throw SignError when the file cannot be read or the signature cannot be written
void WriteSignatureFile(const std::filesystem::path& file, const SecretKey& key);

/// The outcome of checking a file against its signature file.
struct SignatureCheck {
  Verdict verdict = Verdict::kMissing;
  std::string trustedComment;  ///< of a valid signature
  std::string detail;          ///< what was wrong, in English, for kMalformed and kUnreadable
};

/// Checks a file against the signature file beside it. A signature whose trusted comment names
/// another file (compared without regard to case) is refused, so that a signed file of one set
/// cannot stand in for another file under a different name. Never throws for the file or its
/// signature; every problem is a verdict.
SignatureCheck CheckSignedFile(const std::filesystem::path& file, const PublicKey& key);

/// An English sentence for a verdict ("the signature was made with another key").
std::string VerdictText(Verdict verdict);

}  // namespace lifto::sign
