// atu sign, verify and keygen end to end, on a set spread over volumes of a sandbox diskette.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "e2e/AtuHelpers.h"
#include "sign/KeyFiles.h"
#include "support/SandboxHome.h"
#include "support/TempFolder.h"

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

using AtuSign = AtuTest;

TEST_F(AtuSign, SignsAndVerifiesEveryFileOfASetAndNamesTheOneThatFails) {
  home.Write("A:\\SET.aex", "[CONFIG]\r\nVERSAO=1\r\n");
  home.Write("A:\\SET.ATU", std::string(4000, '1'));
  home.Write("A:\\SET.002", std::string(4000, '2'));
  const std::string set = "'A:\\SET.aex' 'A:\\SET.ATU' 'A:\\SET.002'";

  AtuRun run = Run("keygen --public 'C:\\CHAVES\\vendor.pub' --secret 'C:\\CHAVES\\vendor.key' --unencrypted");
  ASSERT_EQ(run.status, 1) << "the folder does not exist yet: " << run.out;
  fs::create_directories(home.HostPath("C:\\CHAVES"));
  run = Run("keygen --public 'C:\\CHAVES\\vendor.pub' --secret 'C:\\CHAVES\\vendor.key' --unencrypted");
  ASSERT_EQ(run.status, 0) << run.err;

  run = Run("sign " + set + " --key 'C:\\CHAVES\\vendor.key'");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(home.HostPath("A:\\SET.002.minisig")));
  run = Run("verify " + set + " --key 'C:\\CHAVES\\vendor.pub'");
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("OK      A:\\SET.002\ttimestamp:"), std::string::npos) << run.out;

  home.Write("A:\\SET.002", std::string(3999, '2') + "3");
  fs::remove(home.HostPath("A:\\SET.aex.minisig"));
  run = Run("verify " + set + " --key 'C:\\CHAVES\\vendor.pub'");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("FAILED  A:\\SET.aex: there is no signature file"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("OK      A:\\SET.ATU"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("FAILED  A:\\SET.002: the file does not match its signature"), std::string::npos);
  EXPECT_NE(run.err.find("2 of 3 files are not validly signed"), std::string::npos) << run.err;

  EXPECT_EQ(Run("verify 'A:\\SET.ATU'").status, 2);
  EXPECT_EQ(Run("sign --key 'C:\\CHAVES\\vendor.key'").status, 2);
}

TEST_F(AtuSign, AnEncryptedKeyTakesItsPasswordFromAFileOrStandardInputNeverTheCommandLine) {
  home.Write("A:\\SET.ATU", "volume");
  const auto passwordFile = home.Write("C:\\senha.txt", "s3nha\n");
  fs::permissions(passwordFile, fs::perms::owner_read | fs::perms::owner_write);
  // The key is made with light scrypt limits; keygen's own take a gigabyte and seconds.
  sign::WriteKeyPair(home.HostPath("C:\\k.pub"), home.HostPath("C:\\k.key"), "s3nha", sign::InteractiveLimits());

  AtuRun run = Run("sign 'A:\\SET.ATU' --key 'C:\\k.key' --password-file 'C:\\senha.txt'");
  EXPECT_EQ(run.status, 0) << run.err;
  run = Run("sign 'A:\\SET.ATU' --key 'C:\\k.key'", "s3nha\n");
  EXPECT_EQ(run.status, 0) << run.err;
  run = Run("sign 'A:\\SET.ATU' --key 'C:\\k.key'", "errada\n");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("wrong password"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("errada"), std::string::npos);
  EXPECT_EQ(Run("sign 'A:\\SET.ATU' --key 'C:\\k.key' --password s3nha").status, 2);
  EXPECT_EQ(Run("verify 'A:\\SET.ATU' --key 'C:\\k.pub'").status, 0);
}

}  // namespace
}  // namespace lifto::test
