#include "project/SetSigning.h"

#include "platform/Codepage.h"
#include "platform/Environment.h"
#include "platform/Paths.h"
#include "sign/KeyFiles.h"
#include "sign/SignError.h"
#include "sign/SignedFile.h"
#include "support/Utilities.h"

namespace lifto::project {
namespace {

std::filesystem::path HostPathOf(const std::string& windowsPath) {
  const auto host = platform::ToHostPath(windowsPath);
  if (!host) throw sign::SignError(platform::ToUtf8(windowsPath) + " lies on a drive that is not mapped");
  return *host;
}

}  // namespace

std::optional<SetSigner> SetSigner::FromSystemIni() {
  const auto& env = platform::Environment::Current();
  const std::string keyFile = env.SecurityValue("SigningKey");
  if (keyFile.empty()) return std::nullopt;
  const std::string passwordFile = env.SecurityValue("SigningKeyPasswordFile");
  auto key = sign::ReadSecretKeyFile(HostPathOf(keyFile), [&passwordFile]() -> std::optional<std::string> {
    if (passwordFile.empty()) return std::nullopt;
    return sign::ReadPasswordFile(HostPathOf(passwordFile));
  });
  return SetSigner(std::move(key));
}

bool SetSigner::Sign(const std::string& windowsPath) const {
  try {
    sign::WriteSignatureFile(HostPathOf(windowsPath), key_);
    return true;
  } catch (const sign::SignError& e) {
    support::ShowKindMessage(Ansi("Não foi possível assinar o arquivo ") + windowsPath + ": " +
                                 platform::FromUtf8(e.what()),
                             4);
    return false;
  }
}

}  // namespace lifto::project
