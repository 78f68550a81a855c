// The link through the real vornet against servers on loopback.
#include <algorithm>
#include <chrono>
#include <fstream>

#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include "net/HelperLink.h"
#include "net/HelperMessages.h"
#include "net/NetTestHelpers.h"
#include "net/ProgressBarWindow.h"
#include "net/ServerConnection.h"
#include "platform/Codepage.h"
#include "platform/UniqueFd.h"
#include "support/FakeUi.h"

namespace lifto::net {
namespace {

namespace fs = std::filesystem;
using test::FakeUi;
using test::FtpServer;
using Names = std::vector<std::string>;

constexpr const char* kUser = "vornel";
constexpr const char* kPassword = "trovemi4";

std::string Bytes(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  return data;
}

void WriteFile(const fs::path& file, const std::string& data) {
  std::ofstream(file, std::ios::binary) << data;
}

// The names in a local folder, to see that nothing was left beside a failed download.
Names FolderNames(const fs::path& folder) {
  Names names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class VornetTest : public ::testing::Test {
 protected:
  void StartWith(const FtpServer& server) {
    sandbox.UseServer(server.Url());
    ASSERT_TRUE(StartHelper()) << ::testing::PrintToString(ui.MessageTexts());
  }
  fs::path Downloads() const { return downloads; }

  test::HelperSandbox sandbox;
  const fs::path downloads = sandbox.Home().HostPath("C:\\BAIXAR");
  const bool made = fs::create_directories(downloads);
  FakeUi ui;
  FakeUi::Scope scope{ui};
};

TEST_F(VornetTest, LogsInWithTheAccountAndNotWithAWrongPassword) {
  FtpServer server;
  StartWith(server);
  EXPECT_FALSE(Connect(server.Url(), kUser, "trovemi5"));
  EXPECT_TRUE(Connect(server.Url(), kUser, kPassword));
  EXPECT_TRUE(ChangeRemoteDir(kUpdatesFolder));
  EXPECT_FALSE(ChangeRemoteDir("/home/vornel/nada"));
  EXPECT_FALSE(ChangeRemoteDir("/home/vornel/updates/ok.txt"));  // a file is no folder
  CloseHelper();
  EXPECT_TRUE(ui.messages.empty()) << ::testing::PrintToString(ui.MessageTexts());
}

TEST_F(VornetTest, ConnectToServerNeedsOkTxtInAnyCase) {
  FtpServer server;
  StartWith(server);
  std::string name;
  bool dialedHere = false;
  const DialState state{name, false, dialedHere};
  const auto show = [](const std::string&) {};
  EXPECT_TRUE(ConnectToServer(state, show));
  DisconnectFromServer(state);

  fs::rename(server.Updates() / "ok.txt", server.Updates() / "OK.TXT");
  EXPECT_TRUE(ConnectToServer(state, show));
  DisconnectFromServer(state);

  fs::remove(server.Updates() / "OK.TXT");
  EXPECT_FALSE(ConnectToServer(state, show));
  DisconnectFromServer(state);
  EXPECT_EQ(ui.MessageTexts(), Names{Ansi("Tente mais tarde servidor em manutenção pela vornel")});

  ui.messages.clear();
  fs::remove_all(server.Root() / "home/vornel");
  EXPECT_FALSE(ConnectToServer(state, show));
  EXPECT_EQ(ui.MessageTexts(), Names{Ansi("Diretório não existe: /home/vornel/updates")});
  CloseHelper();
}

TEST_F(VornetTest, ListsAFolderAndDownloadsMovingTheProgressBar) {
  FtpServer server;
  fs::create_directories(server.Updates() / "KORAMI");
  const std::string data = Bytes(3 * 1024 * 1024 + 17);
  WriteFile(server.Updates() / "KORAMI" / "versão 6.5.aex", "[CONFIG]\r\n");  // UTF-8 on the server
  WriteFile(server.Updates() / "KORAMI" / "X.ATU", data);
  StartWith(server);
  ASSERT_TRUE(Connect(server.Url(), kUser, kPassword));

  auto names = ListRemoteDir("/home/vornel/updates/KORAMI");
  ASSERT_TRUE(names);
  std::sort(names->begin(), names->end());
  EXPECT_EQ(*names, (Names{"X.ATU", Ansi("versão 6.5.aex")}));

  std::vector<int> positions;
  ProgressBarWindow bar([&](int position) { positions.push_back(position); });
  const auto local = Downloads() / "X.ATU";
  WriteFile(local, "an older copy");
  ASSERT_TRUE(DownloadFile("X.ATU", "C:\\BAIXAR\\X.ATU", bar.Handle()));  // in the current folder
  EXPECT_EQ(test::ReadFileBytes(local), data);
  ASSERT_GE(positions.size(), 3u);
  EXPECT_EQ(positions.front(), 0);
  EXPECT_EQ(positions.back(), 100);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_TRUE(std::any_of(positions.begin(), positions.end(), [](int p) { return p > 0 && p < 100; }));

  // An absolute remote path, a name in 1252, and no progress bar.
  ASSERT_TRUE(DownloadFile(Ansi("/home/vornel/updates/KORAMI/versão 6.5.aex"), Ansi("C:\\BAIXAR\\V.aex"), 0));
  EXPECT_EQ(test::ReadFileBytes(Downloads() / "V.aex"), "[CONFIG]\r\n");
  EXPECT_FALSE(DownloadFile("nada.aex", "C:\\BAIXAR\\nada.aex", 0));
  EXPECT_EQ(FolderNames(Downloads()), (Names{"V.aex", "X.ATU"}));
  EXPECT_EQ(server.Logins(), 1) << "the login's connection serves every request that follows";
  CloseHelper();
}

TEST_F(VornetTest, ATransferCutInTheMiddleLeavesNoFile) {
  FtpServer server({.tls = false, .cut = "X.ATU", .stall = {}});
  WriteFile(server.Updates() / "X.ATU", Bytes(1024 * 1024));
  StartWith(server);
  ASSERT_TRUE(Connect(server.Url(), kUser, kPassword));
  EXPECT_FALSE(DownloadFile("/home/vornel/updates/X.ATU", "C:\\BAIXAR\\X.ATU", 0)) << "";
  EXPECT_EQ(FolderNames(Downloads()), Names{});
  CloseHelper();
}

TEST_F(VornetTest, AServerThatStopsSendingIsGivenUpAfterTheStallTimeout) {
  FtpServer server({.tls = false, .cut = {}, .stall = "X.ATU"});
  WriteFile(server.Updates() / "X.ATU", Bytes(1024 * 1024));
  StartWith(server);
  ASSERT_TRUE(Connect(server.Url(), kUser, kPassword));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(DownloadFile("/home/vornel/updates/X.ATU", "C:\\BAIXAR\\X.ATU", 0));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  EXPECT_EQ(FolderNames(Downloads()), Names{});
  CloseHelper();
}

TEST_F(VornetTest, AServerThatNeverAnswersEndsTheLoginAfterTheConnectTimeout) {
  // A socket that listens and never accepts: the connection is made, the greeting never comes.
  platform::UniqueFd listener(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(listener.Get(), reinterpret_cast<sockaddr*>(&address), length), 0);
  ASSERT_EQ(::listen(listener.Get(), 4), 0);
  ASSERT_EQ(::getsockname(listener.Get(), reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "ftp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
  sandbox.UseServer(url);
  ASSERT_TRUE(StartHelper());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(Connect(url, kUser, kPassword));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
  CloseHelper();
}

TEST_F(VornetTest, TlsServerIsTrustedOnlyThroughTheConfiguredCertificates) {
  FtpServer server({.tls = true, .cut = {}, .stall = {}});
  WriteFile(server.Updates() / "X.ATU", "dados");
  StartWith(server);
  EXPECT_FALSE(Connect(server.Url(), kUser, kPassword));  // its own certificate is nobody's
  CloseHelper();

  sandbox.Home().SetIniValue("Internet", "CAFile", server.CaFile().string());
  ASSERT_TRUE(StartHelper());
  ASSERT_TRUE(Connect(server.Url(), kUser, kPassword));
  EXPECT_EQ(ListRemoteDir(kUpdatesFolder), (Names{"X.ATU", "ok.txt"}));
  EXPECT_TRUE(DownloadFile("/home/vornel/updates/X.ATU", "C:\\BAIXAR\\X.ATU", 0));
  EXPECT_EQ(test::ReadFileBytes(Downloads() / "X.ATU"), "dados");
  CloseHelper();
}

TEST_F(VornetTest, HttpsServerLogsInListsAndDownloadsWithItsCertificateOnly) {
  test::HttpsServer server;
  fs::create_directories(server.Updates() / "KORAMI");
  const std::string data = Bytes(2 * 1024 * 1024 + 5);
  WriteFile(server.Updates() / "KORAMI" / "X.ATU", data);
  WriteFile(server.Updates() / "KORAMI" / "versão 6.5.aex", "[CONFIG]\r\n");
  sandbox.UseServer(server.Url());
  ASSERT_TRUE(StartHelper());
  EXPECT_FALSE(Connect(server.Url(), kUser, kPassword));  // a certificate nobody vouches for
  CloseHelper();

  sandbox.Home().SetIniValue("Internet", "CAFile", server.CaFile().string());
  ASSERT_TRUE(StartHelper());
  EXPECT_FALSE(Connect(server.Url(), kUser, "trovemi5"));
  ASSERT_TRUE(Connect(server.Url(), kUser, kPassword));
  EXPECT_FALSE(ChangeRemoteDir("/home/vornel/nada"));
  EXPECT_FALSE(ChangeRemoteDir("/home/vornel/updates/ok.txt"));
  ASSERT_TRUE(ChangeRemoteDir("/home/vornel/updates/KORAMI"));
  auto names = ListRemoteDir("/home/vornel/updates/KORAMI");
  ASSERT_TRUE(names);
  std::sort(names->begin(), names->end());
  EXPECT_EQ(*names, (Names{"X.ATU", Ansi("versão 6.5.aex")}));

  std::vector<int> positions;
  ProgressBarWindow bar([&](int position) { positions.push_back(position); });
  ASSERT_TRUE(DownloadFile("X.ATU", "C:\\BAIXAR\\X.ATU", bar.Handle()));
  EXPECT_EQ(test::ReadFileBytes(Downloads() / "X.ATU"), data);
  ASSERT_GE(positions.size(), 2u);
  EXPECT_EQ(positions.back(), 100);
  EXPECT_FALSE(DownloadFile("nada.aex", "C:\\BAIXAR\\nada.aex", 0));
  EXPECT_EQ(FolderNames(Downloads()), Names{"X.ATU"});
  CloseHelper();
  EXPECT_TRUE(ui.messages.empty()) << ::testing::PrintToString(ui.MessageTexts());
}

TEST_F(VornetTest, StartHelperClosesTheRunningHelperFirstAndSaysWhenItCannotStart) {
  ASSERT_TRUE(StartHelper());
  const auto first = platform::FindWindow(kHelperClass);
  ASSERT_TRUE(first);
  ASSERT_TRUE(StartHelper());
  const auto second = platform::FindWindow(kHelperClass);
  ASSERT_TRUE(second);
  EXPECT_NE(*first, *second);
  EXPECT_FALSE(platform::IsWindow(*first));
  CloseHelper();

  fs::remove(sandbox.Home().HostPath("C:\\WINDOWS\\System\\Vornet.exe"));
  EXPECT_FALSE(StartHelper());
  EXPECT_EQ(ui.MessageTexts(), Names{Ansi("Erro: o módulo C:\\WINDOWS\\System\\Vornet.exe não foi carregado")});
}

TEST_F(VornetTest, DialsTheSitesEntriesAndHangsUpOnlyWhatItDialled) {
  FtpServer server;
  const auto marks = sandbox.Home().Home();
  sandbox.Home().SetIniValue("Dialup", "Provedor", "echo dial >> " + (marks / "log").string());
  sandbox.Home().SetIniValue("Dialup", "Quebrado", "exit 3");
  sandbox.Home().SetIniValue("Internet", "HangUp", "echo hangup >> " + (marks / "log").string());
  sandbox.Home().SetIniValue("Internet", "Online", "test -e " + (marks / "online").string());
  StartWith(server);
  EXPECT_EQ(ListDialEntries(), (Names{"Provedor", "Quebrado"}));
  EXPECT_FALSE(IsOnline());
  EXPECT_FALSE(Dial("quebrado"));

  std::string name = "PROVEDOR";
  bool dialedHere = false;
  const DialState state{name, true, dialedHere};
  EXPECT_TRUE(ConnectToServer(state, [](const std::string&) {}));
  EXPECT_TRUE(dialedHere);
  DisconnectFromServer(state);
  EXPECT_EQ(test::ReadFileBytes(marks / "log"), "dial\nhangup\n");

  // Online already: nothing is dialled and nothing hung up.
  WriteFile(marks / "online", "");
  EXPECT_TRUE(IsOnline());
  EXPECT_TRUE(ConnectToServer(state, [](const std::string&) {}));
  EXPECT_FALSE(dialedHere);
  DisconnectFromServer(state);
  CloseHelper();
  EXPECT_EQ(test::ReadFileBytes(marks / "log"), "dial\nhangup\n");
  EXPECT_TRUE(ui.messages.empty()) << ::testing::PrintToString(ui.MessageTexts());
}

}  // namespace
}  // namespace lifto::net
