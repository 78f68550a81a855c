#include "update/SetSignatures.h"

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "sign/SignError.h"
#include "sign/SignedFile.h"
#include "support/Utilities.h"
#include "update/SourceFolder.h"

namespace lifto::update {
namespace {

std::string PublicKeyText() { return platform::Environment::Current().SecurityValue("PublicKey"); }

std::string Reason(sign::Verdict verdict) {
  switch (verdict) {
    case sign::Verdict::kMalformed: return Ansi("o arquivo de assinatura está danificado");
    case sign::Verdict::kOtherKey: return Ansi("foi assinado com outra chave");
    case sign::Verdict::kBadSignature: return Ansi("o arquivo foi alterado depois de assinado");
    case sign::Verdict::kBadComment: return Ansi("o comentário confiável da assinatura foi alterado");
    case sign::Verdict::kOtherFile: return Ansi("a assinatura é de outro arquivo");
    case sign::Verdict::kUnreadable: return Ansi("o arquivo não pode ser lido");
    case sign::Verdict::kValid:
    case sign::Verdict::kMissing: break;
  }
  return {};
}

void Refuse(const std::string& text) {
  support::ShowKindMessage(Ansi("Atualização recusada: ") + text, 4);
}

}  // namespace

bool SiteChecksSignatures() { return !PublicKeyText().empty(); }

std::string SignatureFileOf(const std::string& windowsPath) { return windowsPath + ".minisig"; }

bool AcceptSetFile(const std::string& windowsPath) {
  const std::string keyText = PublicKeyText();
  if (keyText.empty()) return true;
  sign::PublicKey key;
  try {
    key = sign::ParsePublicKey(keyText);
  } catch (const sign::SignError& e) {
    Refuse(Ansi("a chave pública do fornecedor em system.ini ([Security] PublicKey) não é válida: ") +
           platform::FromUtf8(e.what()));
    return false;
  }
  const auto host = platform::ToHostPath(windowsPath);
  const auto check = host ? sign::CheckSignedFile(*host, key) : sign::SignatureCheck{sign::Verdict::kUnreadable, {}, {}};
  switch (check.verdict) {
    case sign::Verdict::kValid:
      return true;
    case sign::Verdict::kMissing:
      Refuse("o arquivo " + windowsPath + Ansi(" não tem assinatura (falta ") + NameOfFile(windowsPath) + ".minisig)");
      return false;
    default:
      Refuse("a assinatura do arquivo " + windowsPath + Ansi(" não é válida: ") + Reason(check.verdict));
      return false;
  }
}

}  // namespace lifto::update
