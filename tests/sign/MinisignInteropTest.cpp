// Keys and signatures exchanged with the standard minisign command, both ways.
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "sign/KeyFiles.h"
#include "sign/SignedFile.h"
#include "support/TempFolder.h"

namespace lifto::sign {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;

class Minisign : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(std::system("command -v minisign >/dev/null"), 0) << "minisign is not installed (scripts/setup.sh)";
  }

  // Runs a shell command in the test's folder; its output goes to out.txt there.
  int Run(const std::string& command) {
    const std::string line = "cd '" + folder.Path().string() + "' && (" + command + ") >out.txt 2>&1";
    const int raw = std::system(line.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  std::string Output() { return ReadFileBytes(folder.Path() / "out.txt"); }
  fs::path At(const std::string& name) { return folder.Path() / name; }

  TempFolder folder;
};

TEST_F(Minisign, ItsKeysAndSignaturesWorkHereAndOursThere) {
  ASSERT_EQ(Run("minisign -G -W -p them.pub -s them.key"), 0) << Output();
  folder.Write("X.ATU", std::string(300000, 'x'));
  folder.Write("X.aex", "[CONFIG]\r\nVERSAO=6.5\r\n");

  // Its default (prehashed) and legacy signatures verify here.
  ASSERT_EQ(Run("minisign -S -s them.key -m X.ATU -t 'conjunto 65'"), 0) << Output();
  ASSERT_EQ(Run("minisign -S -l -s them.key -m X.aex"), 0) << Output();
  const auto theirs = ReadPublicKeyFile(At("them.pub"));
  const auto atu = CheckSignedFile(At("X.ATU"), theirs);
  EXPECT_EQ(atu.verdict, Verdict::kValid);
  EXPECT_EQ(atu.trustedComment, "conjunto 65");
  EXPECT_EQ(ParseSignature(ReadFileBytes(At("X.aex.minisig"))).kind, SignatureKind::kLegacy);
  EXPECT_EQ(CheckSignedFile(At("X.aex"), theirs).verdict, Verdict::kValid);

  // Its secret key signs here, and the command verifies that signature; a changed byte fails there.
  WriteSignatureFile(At("X.ATU"), ReadSecretKeyFile(At("them.key"), {}));
  EXPECT_EQ(Run("minisign -V -H -p them.pub -m X.ATU"), 0) << Output();
  EXPECT_NE(Output().find("file:X.ATU\thashed"), std::string::npos) << Output();

  // Our keys, unencrypted and encrypted, sign with the command and verify it.
  const auto ours = WriteKeyPair(At("ours.pub"), At("ours.key"), std::nullopt);
  WriteKeyPair(At("locked.pub"), At("locked.key"), "segredo", InteractiveLimits());
  ASSERT_EQ(Run("minisign -S -s ours.key -m X.aex"), 0) << Output();
  EXPECT_EQ(CheckSignedFile(At("X.aex"), ours).verdict, Verdict::kValid);
  ASSERT_EQ(Run("echo segredo | minisign -S -s locked.key -m X.aex"), 0) << Output();
  EXPECT_EQ(CheckSignedFile(At("X.aex"), ReadPublicKeyFile(At("locked.pub"))).verdict, Verdict::kValid);
  WriteSignatureFile(At("X.aex"), ReadSecretKeyFile(At("ours.key"), {}));
  EXPECT_EQ(Run("minisign -V -p ours.pub -m X.aex"), 0) << Output();
  EXPECT_EQ(Run("minisign -V -P " + PublicKeyLine(ours) + " -m X.aex"), 0) << Output();

  folder.Write("X.aex", "[CONFIG]\r\nVERSAO=6.6\r\n");
  EXPECT_NE(Run("minisign -V -p ours.pub -m X.aex"), 0) << Output();
  EXPECT_NE(Run("minisign -V -p them.pub -m X.ATU -x X.aex.minisig"), 0) << Output();
}

// The command encrypts its keys with scrypt at its sensitive limits (about 1 GiB, seconds).
TEST_F(Minisign, ItsPasswordProtectedKeyOpensHereWithThePassword) {
  ASSERT_EQ(Run("printf 'senha1\\nsenha1\\n' | minisign -G -p them.pub -s them.key"), 0) << Output();
  folder.Write("X.002", std::string(1000, '2'));
  const auto key = ReadSecretKeyFile(At("them.key"), [] { return std::string("senha1"); });
  EXPECT_EQ(key.Public().key, ReadPublicKeyFile(At("them.pub")).key);
  WriteSignatureFile(At("X.002"), key);
  EXPECT_EQ(Run("minisign -V -p them.pub -m X.002"), 0) << Output();
}

}  // namespace
}  // namespace lifto::sign
