#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "e2e/UpdateOfficeHelpers.h"
#include "support/TempFolder.h"

// Signed update sets through the real atu and atualizar: an office that names the vendor's public
// key installs only what that key signed, and keeps nothing of what it refuses.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;

// Runs build/atu with host-path arguments; the sandbox's LIFTO_HOME is in the environment.
void Atu(const std::string& arguments) {
  const std::string command = std::string(LIFTO_BINARY_DIR) + "/atu " + arguments + " >/dev/null 2>&1 </dev/null";
  const int raw = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << command;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

class SignedUpdate {
 public:
  SignedUpdate() {
    fs::create_directories(office.Host("C:\\VENDOR"));
    for (const char* name : {"vendor", "other"}) {
      Atu("keygen --unencrypted --public " + Quoted(Key(name, "pub")) + " --secret " + Quoted(Key(name, "key")));
    }
  }

  fs::path Key(const std::string& name, const std::string& kind) const {
    return office.Host("C:\\VENDOR\\" + name + "." + kind);
  }
  // The base64 line of a public key file, as system.ini names it.
  std::string PublicKeyLine(const std::string& name) const {
    const std::string text = ReadFileBytes(Key(name, "pub"));
    const auto start = text.find('\n') + 1;
    return text.substr(start, text.find('\n', start) - start);
  }
  void Sign(const std::vector<std::string>& files, const std::string& key = "vendor") {
    std::string arguments = "sign";
    for (const auto& file : files) arguments += " " + Quoted(office.Host(file));
    Atu(arguments + " --key " + Quoted(Key(key, "key")));
  }
  void FlipLastByte(const std::string& file) {
    std::string content = office.Read(file);
    content.back() = static_cast<char>(content.back() ^ 1);
    office.Write(file, content);
  }
  // Nothing of the set reached the program: no file, no copy in the updates folder, no marker, no log.
  void ExpectNothingLeft() {
    EXPECT_FALSE(office.Exists("C:\\KORAMI\\KORAMI.EXE"));
    EXPECT_FALSE(office.Exists("F:\\KORAMI\\DADOS\\TABSQL.DB"));
    EXPECT_TRUE(office.LogLines().empty());
    const auto updates = office.Host("F:\\KORAMI\\UPDATES");
    if (fs::exists(updates)) {
      for (const auto& entry : fs::directory_iterator(updates)) ADD_FAILURE() << "left behind: " << entry.path();
    }
  }

  Office office;
};

std::string Big() {
  std::string big;
  for (int i = 0; i < 60000; ++i) big += std::to_string(i * 7919 % 104729) + ",";
  return big;
}

TEST(SignedUpdateTest, ADisketteSetInstallsOnlyAsSignedAndARefusalLeavesNothing) {
  const std::vector<std::string> set = {"A:\\X.aex", "A:\\X.ATU", "A:\\X.002", "A:\\X.003"};
  struct Case {
    const char* name;
    bool siteHasKey;
    std::function<void(SignedUpdate&)> change;
    std::string refusal;  // what the message names; empty: the update installs
  };
  const std::vector<Case> cases = {
      {"signed", true, [](SignedUpdate&) {}, ""},
      {"script changed", true, [](SignedUpdate& s) { s.FlipLastByte("A:\\X.aex"); },
       "a assinatura do arquivo A:\\\\X.aex não é válida: o arquivo foi alterado depois de assinado"},
      {"first volume changed", true, [](SignedUpdate& s) { s.FlipLastByte("A:\\X.ATU"); },
       "a assinatura do arquivo A:\\\\X.ATU não é válida"},
      {"last volume changed", true, [](SignedUpdate& s) { s.FlipLastByte("A:\\X.003"); },
       "a assinatura do arquivo A:\\\\X.003 não é válida"},
      {"volume signature missing", true, [](SignedUpdate& s) { fs::remove(s.office.Host("A:\\X.002.minisig")); },
       "o arquivo A:\\\\X.002 não tem assinatura (falta X.002.minisig)"},
      {"signed with another key", true, [&](SignedUpdate& s) { s.Sign(set, "other"); },
       "a assinatura do arquivo A:\\\\X.aex não é válida: foi assinado com outra chave"},
      {"the key in system.ini mistyped", true,
       [](SignedUpdate& s) { s.office.Home().SetSecurityValue("PublicKey", "RWQ" + s.PublicKeyLine("vendor").substr(4)); },
       "a chave pública do fornecedor em system.ini ([Security] PublicKey) não é válida"},
      {"unsigned at a site without the key", false,
       [&](SignedUpdate& s) { for (const auto& f : set) fs::remove(s.office.Host(f + ".minisig")); }, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SignedUpdate s;
    ASSERT_EQ(s.office.MakeUpdate("A:", "X", "6.5.0.12",
                                  {{"PONTO", "KORAMI.EXE", Big(), "\\"}, {"SERVIDOR", "TABSQL.DB", "table", "\\DADOS\\"}},
                                  {}, 70000),
              3);
    s.Sign(set);
    if (c.siteHasKey) s.office.Home().SetSecurityValue("PublicKey", s.PublicKeyLine("vendor"));
    c.change(s);

    const AtualizarRun run = s.office.Run({}, "TFormaLifto.caminho=A:\\,TFormaLifto.versao=X.aex,ok,ok,ok,ok");
    if (c.refusal.empty()) {
      EXPECT_EQ(run.status, 0) << run.output;
      EXPECT_EQ(s.office.Read("C:\\KORAMI\\KORAMI.EXE"), Big());
      EXPECT_EQ(s.office.LogLines().size(), 1u);
      EXPECT_EQ(s.office.Exists("F:\\KORAMI\\UPDATES\\X.003.minisig"), c.siteHasKey);
      EXPECT_TRUE(s.office.Exists("F:\\KORAMI\\UPDATES\\atualiza.ok"));
      continue;
    }
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_TRUE(run.Shows(R"("kind":4,"title":"Erro","text":"Atualização recusada: )" + c.refusal)) << run.output;
    s.ExpectNothingLeft();
  }
}

TEST(SignedUpdateTest, TheAutomaticUpdateChecksTheSetInTheUpdatesFolderBeforeTheRestore) {
  SignedUpdate s;
  ASSERT_EQ(s.office.MakeUpdate("F:\\KORAMI\\updates", "X", "6.5.0.12", {{"PONTO", "KORAMI.EXE", Big(), "\\"}}, {}, 70000), 3);
  s.Sign({"F:\\KORAMI\\updates\\X.aex", "F:\\KORAMI\\updates\\X.ATU", "F:\\KORAMI\\updates\\X.002",
          "F:\\KORAMI\\updates\\X.003"});
  s.office.Write("F:\\KORAMI\\updates\\atualiza.ok", "X.aex\r\n");
  s.office.Home().SetSecurityValue("PublicKey", s.PublicKeyLine("vendor"));
  s.FlipLastByte("F:\\KORAMI\\updates\\X.002");

  // The restore asks for disk 2 and refuses it before reading it.
  const AtualizarRun run = s.office.Run({"/R", "/KORAMI.EXE"}, "ok");
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_TRUE(run.Shows("X.002 não é válida: o arquivo foi alterado depois de assinado")) << run.output;
  EXPECT_FALSE(s.office.Exists("C:\\KORAMI\\KORAMI.EXE"));
  EXPECT_TRUE(s.office.LogLines().empty());

  s.FlipLastByte("F:\\KORAMI\\updates\\X.002");  // back as signed
  const AtualizarRun again = s.office.Run({"/R", "/KORAMI.EXE"}, "ok,ok");
  EXPECT_EQ(again.status, 0) << again.output;
  EXPECT_EQ(s.office.Read("C:\\KORAMI\\KORAMI.EXE"), Big());
}

}  // namespace
}  // namespace lifto::test
