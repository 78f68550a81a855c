#include "sign/SignedFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

#include <unistd.h>

#include "sign/SignError.h"

namespace lifto::sign {
namespace {

// A signature file is four short lines; anything much longer is not one.
constexpr std::uintmax_t kMaxSignatureBytes = 64 * 1024;

bool SameNameNoCase(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    return std::tolower(x) == std::tolower(y);
  });
}

}  // namespace

std::filesystem::path SignaturePathOf(const std::filesystem::path& file) {
  auto path = file;
  path += ".minisig";
  return path;
}

void WriteSignatureFile(const std::filesystem::path& file, const SecretKey& key) {
  const auto name = file.filename().string();
  const auto text = FormatSignature(SignFile(file, key, DefaultTrustedComment(name, SignatureKind::kPrehashed)));
  const auto target = SignaturePathOf(file);
  auto temporary = target;
  temporary += ".tmp" + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      throw SignError("cannot write " + target.string());
    }
  }
  std::error_code ec;
  std::filesystem::rename(temporary, target, ec);
  if (ec) {
    std::filesystem::remove(temporary, ec);
    throw SignError("cannot write " + target.string() + ": " + ec.message());
  }
}

SignatureCheck CheckSignedFile(const std::filesystem::path& file, const PublicKey& key) {
  SignatureCheck check;
  const auto signaturePath = SignaturePathOf(file);
  std::error_code ec;
  if (!std::filesystem::is_regular_file(signaturePath, ec)) return check;  // kMissing
  const auto size = std::filesystem::file_size(signaturePath, ec);
  std::string text;
  if (!ec && size <= kMaxSignatureBytes) {
    std::ifstream in(signaturePath, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (in) text = content.str();
  }
  try {
    if (text.empty()) throw SignError("the signature file cannot be read or is too long");
    const auto signature = ParseSignature(text);
    try {
      check.verdict = VerifyFile(file, signature, key);
    } catch (const SignError& e) {
      check.verdict = Verdict::kUnreadable;
      check.detail = e.what();
      return check;
    }
    const auto signedName = SignedFileName(signature.trustedComment);
    if (check.verdict == Verdict::kValid && !signedName.empty() &&
        !SameNameNoCase(signedName, file.filename().string())) {
      check.verdict = Verdict::kOtherFile;
      check.detail = "the signature was made for " + signedName;
    }
    if (check.verdict == Verdict::kValid) check.trustedComment = signature.trustedComment;
  } catch (const SignError& e) {
    check.verdict = Verdict::kMalformed;
    check.detail = e.what();
  }
  return check;
}

std::string VerdictText(Verdict verdict) {
  switch (verdict) {
    case Verdict::kValid: return "the signature is valid";
    case Verdict::kMissing: return "there is no signature file";
    case Verdict::kMalformed: return "the signature file is not a signature";
    case Verdict::kOtherKey: return "the signature was made with another key";
    case Verdict::kBadSignature: return "the file does not match its signature";
    case Verdict::kBadComment: return "the signature's trusted comment was changed";
    case Verdict::kOtherFile: return "the signature belongs to another file";
    case Verdict::kUnreadable: return "the file cannot be read";
  }
  return "unknown";
}

}  // namespace lifto::sign
