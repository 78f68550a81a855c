#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "e2e/DownloadHelpers.h"
#include "support/TempFolder.h"

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

const std::string kUpdates = "F:\\KORAMI\\updates\\";
const std::string kMarker = kUpdates + "atualiza.ok";

std::string ServerBytes(DownloadOffice& d, const std::string& name) {
  return ReadFileBytes(d.ServerFolder() / name);
}

// The automatic modes: the script named by "versao.txt" or by this office's line of
// "especif.txt" arrives with its archive in the updates folder, and only then the marker.
TEST(Download, AutomaticModesFetchTheSetAndWriteTheMarker) {
  struct Case {
    std::string mode;
    std::function<void(DownloadOffice&)> serve;
  };
  const std::vector<Case> cases = {
      {"/I", [](DownloadOffice& d) { d.Serve("KORAMI/versao.txt", " X.aex \r\nY.aex\r\n"); }},
      {"/D", [](DownloadOffice& d) {
         d.Serve("especif.txt",
                 "OUTRO\xc8RECIFE\xc8PE\xc8KORAMI.EXE\xc8Y.aex\r\n"
                 "Escritorio Central\xc8recife\xc8PE\xc8korami.exe\xc8X.aex\r\n");
       }},
  };
  for (const auto& c : cases) {
    DownloadOffice d;
    c.serve(d);
    d.office().Write(kMarker, "ANTIGO.aex\r\n");
    const auto run = d.office().Run({c.mode, "/KORAMI.EXE"}, "nao");
    EXPECT_EQ(run.status, 0) << c.mode << run.output;
    EXPECT_EQ(d.office().Read(kUpdates + "X.aex"), ServerBytes(d, "X.aex")) << c.mode;
    EXPECT_EQ(d.office().Read(kUpdates + "X.ATU"), ServerBytes(d, "X.ATU")) << c.mode;
    EXPECT_EQ(d.office().Read(kMarker), "X.aex\r\n") << c.mode;
    EXPECT_TRUE(run.Shows("Download Concluído com Sucesso")) << c.mode;
    const auto offer = run.Lines("Deseja executar a atualização do sistema agora?");
    ASSERT_EQ(offer.size(), 1u) << c.mode;
    EXPECT_NE(offer[0].find("\"answer\":\"nao\""), std::string::npos);
    EXPECT_FALSE(d.office().Exists("C:\\temp\\vorndown")) << c.mode;
    EXPECT_FALSE(fs::exists(d.office().Home().Home() / "temp" / "vorndown")) << c.mode;
    EXPECT_TRUE(d.office().LogLines().empty()) << "a download installs nothing";
  }
}

// Every way a download can fail: the message that says why, exit status 1, no marker (an old
// one is gone), and neither the script nor its archive in the updates folder.
TEST(Download, FailuresLeaveNoMarkerNoFileAndNoSuccess) {
  struct Case {
    std::string name;
    std::vector<std::string> arguments;
    std::function<void(DownloadOffice&)> setUp;
    std::string message;  // UTF-8
    FtpServer::Options server;
  };
  const auto newest = [](DownloadOffice& d) { d.Serve("KORAMI/versao.txt", "X.aex\r\n"); };
  const std::vector<Case> cases = {
      {"unknown program", {"/I", "/XYZ.EXE"}, {},
       "O Programa </XYZ.EXE> não está configurado para Download", {}},
      {"no line for this office", {"/D", "/KORAMI.EXE"},
       [](DownloadOffice& d) {
         d.Serve("especif.txt", "Escritorio Central\xc8Recife\xc8PE\xc8MORBA.EXE\xc8X.aex\r\n");
       },
       "Arquivo para download específico não existe", {}},
      {"server in maintenance", {"/I", "/KORAMI.EXE"},
       [&](DownloadOffice& d) {
         newest(d);
         fs::remove(d.server().Updates() / "ok.txt");
       },
       "Tente mais tarde servidor em manutenção pela vornel", {}},
      {"versao.txt empty", {"/I", "/KORAMI.EXE"},
       [](DownloadOffice& d) { d.Serve("KORAMI/versao.txt", ""); },
       "Erro: arquivo /home/vornel/updates/KORAMI/versao.txt está vazio", {}},
      {"versao.txt missing", {"/I", "/KORAMI.EXE"}, {},
       "Erro ao Download do arquivo /home/vornel/updates/KORAMI/versao.txt", {}},
      {"INDECR.DBF missing", {"/I", "/KORAMI.EXE"},
       [&](DownloadOffice& d) {
         newest(d);
         fs::remove(d.office().Host("F:\\KORAMI\\DADOS\\INDECR.DBF"));
       },
       "Erro na Abertura do INDECR Local", {}},
      {"archive missing", {"/I", "/KORAMI.EXE"},
       [&](DownloadOffice& d) {
         newest(d);
         fs::remove(d.ServerFolder() / "X.ATU");
       },
       "Erro no download do arquivo /home/vornel/updates/KORAMI/X.ATU", {}},
      {"archive cut short", {"/I", "/KORAMI.EXE"}, newest,
       "Erro no download do arquivo /home/vornel/updates/KORAMI/X.ATU", {false, "X.ATU", ""}},
      {"name leading out of the folder", {"/I", "/KORAMI.EXE"},
       [](DownloadOffice& d) { d.Serve("KORAMI/versao.txt", "../X.aex\r\n"); },
       "nome de arquivo inválido para download: ../X.aex", {}},
      {"name that is no script", {"/D", "/KORAMI.EXE"},
       [](DownloadOffice& d) {
         d.Serve("especif.txt", "Escritorio Central\xc8Recife\xc8PE\xc8KORAMI.EXE\xc8X.ATU\r\n");
       },
       "nome de arquivo inválido para download: X.ATU", {}},
  };
  for (const auto& c : cases) {
    DownloadOffice d(c.server);
    if (c.setUp) c.setUp(d);
    d.office().Write(kMarker, "ANTIGO.aex\r\n");
    const auto run = d.office().Run(c.arguments);
    EXPECT_EQ(run.status, 1) << c.name << run.output;
    EXPECT_TRUE(run.Shows(c.message)) << c.name << run.output;
    EXPECT_FALSE(run.Shows("Download Concluído")) << c.name;
    EXPECT_FALSE(d.office().Exists(kUpdates + "X.aex")) << c.name;
    EXPECT_FALSE(d.office().Exists(kUpdates + "X.ATU")) << c.name;
    // The marker goes before the first request; the failures before that point keep it.
    const bool beforeRequests = c.name == "unknown program" || c.name == "server in maintenance" ||
                                c.name == "INDECR.DBF missing";
    EXPECT_EQ(d.office().Exists(kMarker), beforeRequests) << c.name;
  }
}

// The version list: the one installed program goes to the grid by itself, the grid lists the
// scripts with their descriptions, and the version chosen is downloaded. When its archive fails
// the script stays in the temporary folder only and the window stays open.
TEST(Download, InteractiveDownloadThroughTheVersionList) {
  for (const bool archiveThere : {true, false}) {
    DownloadOffice d;
    d.Serve("KORAMI/versao.txt", "X.aex\r\n");
    if (!archiveThere) fs::remove(d.ServerFolder() / "X.ATU");
    const auto run = d.office().Run(
        {}, "TFormaLifto.origem=Internet,ok,TFormaversoes.versao=x.aex,ok");
    const auto lists = run.Lines("\"name\":\"TFormaversoes\"");
    ASSERT_EQ(lists.size(), 1u) << run.output;
    EXPECT_NE(lists[0].find("X.aex - Versão 6.6"), std::string::npos) << lists[0];
    EXPECT_EQ(lists[0].find("descricao.txt"), std::string::npos);
    EXPECT_EQ(lists[0].find("X.ATU"), std::string::npos);
    if (archiveThere) {
      EXPECT_EQ(run.status, 0) << run.output;
      EXPECT_TRUE(run.Shows("Download Concluído..."));
      EXPECT_EQ(d.office().Read(kUpdates + "X.ATU"), ServerBytes(d, "X.ATU"));
      EXPECT_EQ(d.office().Read(kMarker), "X.aex\r\n");
    } else {
      EXPECT_EQ(run.status, 1) << run.output;
      EXPECT_TRUE(run.Shows("Erro no download do arquivo /home/vornel/updates/KORAMI/X.ATU"));
      EXPECT_FALSE(d.office().Exists(kUpdates + "X.aex"));
      EXPECT_FALSE(d.office().Exists(kMarker));
      EXPECT_TRUE(fs::exists(d.office().Home().Home() / "temp" / "vorndown" / "X.aex"));
      // The window stayed open: it was offered again, and closed.
      EXPECT_EQ(run.Lines("\"name\":\"TFormaLifto\"").size(), 2u);
    }
  }
}

TEST(Download, NoInstalledProgramAsksToChooseOne) {
  DownloadOffice d;
  // No "App Paths" entry of any known program.
  fs::remove(d.office().Home().Home() / "HKLM.reg");
  const auto run = d.office().Run({}, "TFormaLifto.origem=Internet,ok,ok,cancela");
  EXPECT_TRUE(run.Shows("Selecione um Programa para Download")) << run.output;
  EXPECT_FALSE(d.office().Exists(kMarker));
}

// The whole road: "/I" downloads, the offer is taken, and the "/R" it starts installs the set;
// the installed files are the server's, byte for byte.
TEST(Download, DownloadThenAutomaticUpdateInstallsTheServersSet) {
  DownloadOffice d;
  d.Serve("KORAMI/versao.txt", "X.aex\r\n");
  const auto run = d.office().Run({"/I", "/KORAMI.EXE"}, "sim");
  ASSERT_EQ(run.status, 0) << run.output;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(90);
  while (d.office().LogLines().empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  ASSERT_EQ(d.office().LogLines().size(), 1u) << ReadFileBytes(d.office().TranscriptPath());
  EXPECT_NE(d.office().LogLines()[0].find("X.aex"), std::string::npos);
  // "/R" ends soon after its log line; give it the moment to finish its copies' tail.
  std::this_thread::sleep_for(std::chrono::seconds(2));
  for (const auto& file : d.Files()) {
    const std::string root = file.section == "PONTO" ? "C:\\KORAMI" : "F:\\KORAMI";
    EXPECT_EQ(d.office().Read(root + file.target + (file.target.back() == '\\' ? "" : "\\") + file.name),
              file.content)
        << file.name;
  }
}

// A site that holds the vendor's key downloads the signatures beside the set and checks each
// file before anything reaches the updates folder; a set without them, or signed by another key,
// leaves no file and no marker there.
TEST(Download, SiteWithTheVendorsKeyTakesOnlyWhatTheKeySigned) {
  struct Case {
    std::string name;
    std::string archiveKey;  // the key that signs the archive; empty: nothing is signed
    std::string message;     // UTF-8; empty for a download that completes
  };
  const std::vector<Case> cases = {
      {"signed by the vendor", "vendor", ""},
      {"no signatures", "", "Erro no download do arquivo /home/vornel/updates/KORAMI/X.aex.minisig"},
      {"archive signed by another key", "other", "X.ATU"},
  };
  for (const auto& c : cases) {
    DownloadOffice d;
    d.Serve("KORAMI/versao.txt", "X.aex\r\n");
    auto& office = d.office();
    const auto key = [&](const std::string& name, const std::string& kind) {
      return (office.Home().Home() / (name + "." + kind)).string();
    };
    for (const char* name : {"vendor", "other"}) {
      ASSERT_EQ(office.RunAtu({"keygen", "--unencrypted", "--public", key(name, "pub"), "--secret",
                               key(name, "key")}).status, 0);
    }
    if (!c.archiveKey.empty()) {
      for (const auto& [file, signer] : {std::pair<std::string, std::string>{"X.aex", "vendor"},
                                         {"X.ATU", c.archiveKey}}) {
        ASSERT_EQ(office.RunAtu({"sign", (d.ServerFolder() / file).string(), "--key", key(signer, "key")}).status, 0);
      }
    }
    const std::string pub = ReadFileBytes(key("vendor", "pub"));
    const auto start = pub.find('\n') + 1;
    office.Home().SetIniValue("Security", "PublicKey", pub.substr(start, pub.find('\n', start) - start));

    const auto run = office.Run({"/I", "/KORAMI.EXE"}, "nao");
    if (c.message.empty()) {
      EXPECT_EQ(run.status, 0) << c.name << run.output;
      EXPECT_EQ(office.Read(kUpdates + "X.ATU"), ServerBytes(d, "X.ATU")) << c.name;
      EXPECT_TRUE(office.Exists(kUpdates + "X.ATU.minisig")) << c.name;
      EXPECT_EQ(office.Read(kMarker), "X.aex\r\n") << c.name;
      continue;
    }
    EXPECT_EQ(run.status, 1) << c.name << run.output;
    EXPECT_TRUE(run.Shows(c.message)) << c.name << run.output;
    EXPECT_FALSE(run.Shows("Download Concluído")) << c.name;
    EXPECT_FALSE(office.Exists(kUpdates + "X.aex")) << c.name;
    EXPECT_FALSE(office.Exists(kUpdates + "X.ATU")) << c.name;
    EXPECT_FALSE(office.Exists(kMarker)) << c.name;
  }
}

}  // namespace
}  // namespace lifto::test
