// Signatures of files and the key files, against tampering and misuse.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "sign/KeyFiles.h"
#include "sign/SignError.h"
#include "sign/SignedFile.h"
#include "support/TempFolder.h"

namespace lifto::sign {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempFolder;

void Overwrite(const fs::path& file, const std::string& content) {
  std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

// Replaces the first occurrence of `from` in a file.
void Edit(const fs::path& file, const std::string& from, const std::string& to) {
  auto text = ReadFileBytes(file);
  const auto at = text.find(from);
  ASSERT_NE(at, std::string::npos) << from;
  text.replace(at, from.size(), to);
  Overwrite(file, text);
}

TEST(SignedFile, EveryChangeToTheFileOrItsSignatureIsRefused) {
  TempFolder folder;
  const auto [pub, secret] = GenerateKeyPair();
  const auto [otherPub, otherSecret] = GenerateKeyPair();
  struct Case {
    const char* name;
    std::function<void(const fs::path& file)> change;
    Verdict expected;
  };
  const std::string content(200000, 'a');  // more than one read chunk
  const std::vector<Case> cases = {
      {"untouched", [](const fs::path&) {}, Verdict::kValid},
      {"one byte of the file", [](const fs::path& f) { Edit(f, "aaaa", "aaba"); }, Verdict::kBadSignature},
      {"file cut short", [&](const fs::path& f) { Overwrite(f, content.substr(1)); }, Verdict::kBadSignature},
      {"signature missing", [](const fs::path& f) { fs::remove(SignaturePathOf(f)); }, Verdict::kMissing},
      {"signature not one", [](const fs::path& f) { Overwrite(SignaturePathOf(f), "hello\n"); }, Verdict::kMalformed},
      {"signature empty", [](const fs::path& f) { Overwrite(SignaturePathOf(f), ""); }, Verdict::kMalformed},
      {"trusted comment changed",
       [](const fs::path& f) { Edit(SignaturePathOf(f), "timestamp:", "timestamp:9"); }, Verdict::kBadComment},
      {"untrusted comment changed",
       [](const fs::path& f) { Edit(SignaturePathOf(f), "signature from", "anything from"); }, Verdict::kValid},
      {"signed by another key",
       [&](const fs::path& f) { WriteSignatureFile(f, otherSecret); }, Verdict::kOtherKey},
      {"another file's signature", [&](const fs::path& f) {
         const auto other = f.parent_path() / "OTHER.ATU";
         fs::copy_file(f, other);
         WriteSignatureFile(other, secret);
         fs::rename(SignaturePathOf(other), SignaturePathOf(f));
       }, Verdict::kOtherFile},
      {"file gone", [](const fs::path& f) { fs::remove(f); }, Verdict::kUnreadable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(folder.Path() / "set");
    const auto file = folder.Write("set/X.ATU", content);
    WriteSignatureFile(file, secret);
    c.change(file);
    EXPECT_EQ(CheckSignedFile(file, pub).verdict, c.expected);
  }
}

TEST(SignedFile, LegacySignaturesOfTheWholeContentVerify) {
  TempFolder folder;
  const auto [pub, secret] = GenerateKeyPair();
  const auto file = folder.Write("X.aex", "[CONFIG]\r\nVERSAO=1\r\n");
  const auto legacy = SignFile(file, secret, "file:X.aex", SignatureKind::kLegacy);
  Overwrite(SignaturePathOf(file), FormatSignature(legacy));
  EXPECT_EQ(ParseSignature(ReadFileBytes(SignaturePathOf(file))).kind, SignatureKind::kLegacy);
  EXPECT_EQ(CheckSignedFile(file, pub).verdict, Verdict::kValid);
  Overwrite(file, "[CONFIG]\r\nVERSAO=2\r\n");
  EXPECT_EQ(CheckSignedFile(file, pub).verdict, Verdict::kBadSignature);
}

TEST(KeyFiles, EncryptedAndUnencryptedKeysReadBackAndGuardTheirSecret) {
  TempFolder folder;
  const auto pubFile = folder.Path() / "k.pub";
  const auto encFile = folder.Path() / "k.key";
  const auto pub = WriteKeyPair(pubFile, encFile, "segredo", InteractiveLimits());
  EXPECT_EQ(fs::status(encFile).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadPublicKeyFile(pubFile).key, pub.key);
  EXPECT_EQ(ReadSecretKeyFile(encFile, [] { return std::string("segredo"); }).Public().key, pub.key);
  EXPECT_THROW(WriteKeyPair(pubFile, encFile, std::nullopt), SignError);  // never over a key

  const auto expectRefusal = [](const std::function<void()>& action, const std::string& words) {
    try {
      action();
      ADD_FAILURE() << "not refused: " << words;
    } catch (const SignError& e) {
      EXPECT_NE(std::string(e.what()).find(words), std::string::npos) << e.what();
      EXPECT_EQ(std::string(e.what()).find("segredo"), std::string::npos);
    }
  };
  expectRefusal([&] { ReadSecretKeyFile(encFile, [] { return std::string("outra"); }); }, "wrong password");
  expectRefusal([&] { ReadSecretKeyFile(encFile, [] { return std::nullopt; }); }, "no password");

  const auto plainFile = folder.Path() / "plain.key";
  WriteKeyPair(folder.Path() / "plain.pub", plainFile, std::nullopt);
  EXPECT_EQ(ReadSecretKeyFile(plainFile, {}).Public().key, ReadPublicKeyFile(folder.Path() / "plain.pub").key);
  fs::permissions(plainFile, fs::perms::group_read, fs::perm_options::add);
  expectRefusal([&] { ReadSecretKeyFile(plainFile, {}); }, "other users can read (mode 0640)");

  // A damaged unencrypted key (one byte of its secret half) is noticed, not used.
  fs::permissions(plainFile, fs::perms::owner_read | fs::perms::owner_write);
  auto text = ReadFileBytes(plainFile);
  const auto line = text.find('\n') + 1;
  text[line + 110] = text[line + 110] == 'A' ? 'B' : 'A';
  Overwrite(plainFile, text);
  expectRefusal([&] { ReadSecretKeyFile(plainFile, {}); }, "damaged");

  const auto passwordFile = folder.Write("senha", "segredo\r\n");
  fs::permissions(passwordFile, fs::perms::owner_read);
  EXPECT_EQ(ReadPasswordFile(passwordFile), "segredo");
  fs::permissions(passwordFile, fs::perms::others_read, fs::perm_options::add);
  expectRefusal([&] { ReadPasswordFile(passwordFile); }, "other users can read");
}

TEST(KeyFiles, MalformedPublicKeysAreRefused) {
  const auto [pub, secret] = GenerateKeyPair();
  const auto line = PublicKeyLine(pub);
  EXPECT_EQ(ParsePublicKey(line).key, pub.key);
  EXPECT_EQ(ParsePublicKey(FormatPublicKey(pub)).id, pub.id);
  for (const std::string& bad : {std::string(""), line.substr(1), line + "AA", std::string("untrusted comment: x"),
                                "RW" + line.substr(2, 10), line.substr(0, 20) + "*" + line.substr(21)}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ParsePublicKey(bad), SignError);
  }
}

}  // namespace
}  // namespace lifto::sign
