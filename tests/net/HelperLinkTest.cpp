// The tool's side of the helper link against a helper window of the test itself, which records
// each request with the exchange file as it was while the request ran.
#include "net/HelperLink.h"

#include <map>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "net/ExchangeFile.h"
#include "net/HelperMessages.h"
#include "net/NetTestHelpers.h"
#include "net/ServerConnection.h"
#include "platform/Codepage.h"
#include "support/FakeUi.h"

namespace lifto::net {
namespace {

using test::FakeUi;
using Names = std::vector<std::string>;

const std::string kAbsent = Ansi("O Programa Vornet não está na memoria");

struct Request {
  std::uint32_t msg;
  std::uint64_t wParam;
  std::optional<std::string> line;  ///< the exchange file's first line while it ran
  unsigned mode = 0;                ///< its permission bits
};

class FakeHelper {
 public:
  explicit FakeHelper(const test::HelperSandbox& sandbox)
      : exchange_(sandbox.ExchangeFile()),
        window_([this](const platform::WindowMessage& m) { return Handle(m); }),
        child_([](const platform::WindowMessage&) -> std::int64_t { return 0; }, ChildOf(window_)) {
    window_.RegisterWindowClass(kHelperClass);
  }

  std::map<std::uint32_t, std::int64_t> answers{{kMsgConnect, 1}, {kMsgChangeDir, 1}, {kMsgListDir, 1}};
  Names listing{"ok.txt"};
  std::vector<Request> requests;

  void SetEntries(const std::string& text) { child_.SetText(text); }
  std::vector<std::uint32_t> Messages() const {
    std::vector<std::uint32_t> numbers;
    for (const auto& r : requests) numbers.push_back(r.msg);
    return numbers;
  }

 private:
  static platform::WindowOptions ChildOf(const platform::MessageWindow& parent) {
    platform::WindowOptions options;
    options.parent = parent.Handle();
    return options;
  }

  std::int64_t Handle(const platform::WindowMessage& m) {
    Request r{m.msg, m.wParam, std::nullopt};
    if (const auto lines = ReadExchangeLines(); lines && !lines->empty()) r.line = lines->front();
    struct stat info {};
    if (::stat(exchange_.c_str(), &info) == 0) r.mode = info.st_mode & 07777;
    requests.push_back(r);
    if (m.msg == kMsgListDir && answers[kMsgListDir] == 1) WriteExchangeLines(listing);
    const auto it = answers.find(m.msg);
    return it == answers.end() ? 0 : it->second;
  }

  std::filesystem::path exchange_;
  platform::MessageWindow window_;
  platform::MessageWindow child_;
};

class HelperLinkTest : public ::testing::Test {
 protected:
  test::HelperSandbox sandbox;
  FakeUi ui;
  FakeUi::Scope scope{ui};
};

TEST_F(HelperLinkTest, DialEntriesAreTheNamesBeforeEachSeparator) {
  FakeHelper helper(sandbox);
  const struct {
    std::string text;
    Names names;
  } cases[] = {
      {"A\xC8" "B\xC8", {"A", "B"}},
      {"A\xC8" "B", {"A"}},
      {"AB", {}},
      {"", {}},
      {Ansi("Provedor UmÈEscritórioÈ"), {"Provedor Um", Ansi("Escritório")}},
  };
  for (const auto& c : cases) {
    helper.SetEntries(c.text);
    EXPECT_EQ(ListDialEntries(), c.names) << c.text;
  }
  EXPECT_EQ(helper.requests.back().msg, kMsgListDialEntries);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HelperLinkTest, DialFindsTheEntryWithoutRegardToCase) {
  FakeHelper helper(sandbox);
  helper.SetEntries(Ansi("ProvedorÈEscritórioÈ"));
  helper.answers[kMsgDial] = 0;
  EXPECT_TRUE(Dial(Ansi("ESCRITÓRIO")));
  EXPECT_EQ(helper.requests.back().msg, kMsgDial);
  EXPECT_EQ(helper.requests.back().wParam, 1u);

  helper.answers[kMsgDial] = 5;  // anything but 0 is a failed dial
  EXPECT_FALSE(Dial("provedor"));
  EXPECT_EQ(helper.requests.back().wParam, 0u);

  helper.requests.clear();
  EXPECT_FALSE(Dial("Outro"));
  EXPECT_EQ(helper.Messages(), std::vector<std::uint32_t>{kMsgListDialEntries});
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(HelperLinkTest, EveryRequestWithoutHelperSaysSoAndFails) {
  const struct {
    const char* what;
    std::function<bool()> request;  ///< true when it gave its failure value
    std::size_t messages;
  } cases[] = {
      {"IsOnline", [] { return !IsOnline(); }, 1},
      {"ListDialEntries", [] { return ListDialEntries().empty(); }, 1},
      {"Dial", [] { return !Dial("A"); }, 2},  // the entry list and the dial request
      {"Connect", [] { return !Connect("h", "u", "p"); }, 1},
      {"ChangeRemoteDir", [] { return !ChangeRemoteDir("/x"); }, 1},
      {"ListRemoteDir", [] { return !ListRemoteDir("/x"); }, 1},
      {"DownloadFile", [] { return !DownloadFile("a", "C:\\a", 0); }, 1},
      {"CloseHelper", [] { CloseHelper(); return true; }, 1},
      {"HangUp", [] { HangUp(); return true; }, 1},
      {"Disconnect", [] { Disconnect(); return true; }, 1},
  };
  for (const auto& c : cases) {
    ui.messages.clear();
    EXPECT_TRUE(c.request()) << c.what;
    ASSERT_EQ(ui.messages.size(), c.messages) << c.what;
    for (const auto& m : ui.messages) {
      EXPECT_EQ(m.kind, 4);
      EXPECT_EQ(m.text, kAbsent);
    }
  }
}

TEST_F(HelperLinkTest, RequestLinesGoThroughAPrivateExchangeFileRemovedAfterwards) {
  FakeHelper helper(sandbox);
  EXPECT_TRUE(Connect("ftp.example", "vornel", "trovemi4"));
  helper.answers[kMsgDownload] = 0;
  EXPECT_FALSE(DownloadFile("/home/vornel/updates/X.aex", "C:\\TEMP\\X.aex", 77));
  ASSERT_EQ(helper.requests.size(), 2u);
  EXPECT_EQ(helper.requests[0].line, "ftp.example;vornel;trovemi4");
  EXPECT_EQ(helper.requests[0].mode, 0600u);
  EXPECT_EQ(helper.requests[1].line, "/home/vornel/updates/X.aex;C:\\TEMP\\X.aex");
  EXPECT_EQ(helper.requests[1].wParam, 77u);
  // Gone after a success and after a failure alike.
  EXPECT_FALSE(std::filesystem::exists(sandbox.ExchangeFile()));

  // A field holding the separator could not be read back as it was meant: nothing is sent.
  helper.requests.clear();
  EXPECT_FALSE(Connect("h", "u", "pass;word"));
  EXPECT_FALSE(DownloadFile("a;b", "C:\\a", 0));
  EXPECT_TRUE(helper.requests.empty());
}

TEST_F(HelperLinkTest, ListingLeavesOutNamesThatCouldLeaveTheLocalFolder) {
  FakeHelper helper(sandbox);
  helper.listing = {"ok.txt", "../x", "a/b", "a\\b", "..", ".", "c:x", "", "KORAMI"};
  EXPECT_EQ(ListRemoteDir("/home/vornel/updates"), (Names{"ok.txt", "KORAMI"}));
  EXPECT_EQ(helper.requests[0].line, "/home/vornel/updates");
  EXPECT_FALSE(std::filesystem::exists(sandbox.ExchangeFile()));

  helper.answers[kMsgListDir] = 0;  // no listing written: an empty list, not none
  EXPECT_EQ(ListRemoteDir("/a"), Names{});

  helper.answers[kMsgChangeDir] = 0;
  EXPECT_EQ(ListRemoteDir("/nada"), std::nullopt);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, Ansi("Diretório não existe: /nada"));
  EXPECT_EQ(ui.messages[0].kind, 4);
}

TEST_F(HelperLinkTest, ConnectToServerDialsOnlyWhenOfflineAndHangsUpWhatItDialled) {
  const struct {
    const char* what;
    bool autoDial;
    std::string dialupName;
    std::int64_t online;
    std::int64_t login;
    Names listing;
    bool result;
    bool dialedHere;
    std::vector<std::string> statuses;
    std::vector<std::uint32_t> messages;  ///< sent by ConnectToServer, then DisconnectFromServer
    std::vector<std::string> texts;
  } cases[] = {
      {"no dialling", false, "", 0, 1, {"ok.txt"}, true, false, {"Conectando..."},
       {kMsgConnect, kMsgChangeDir, kMsgListDir, kMsgDisconnect}, {}},
      {"online already", true, "Prov", 1, 1, {"OK.TXT"}, true, false, {"Discando...", "Conectando..."},
       {kMsgIsOnline, kMsgConnect, kMsgChangeDir, kMsgListDir, kMsgDisconnect}, {}},
      {"nothing to dial", true, " ", 0, 1, {"ok.txt"}, false, false, {"Discando..."}, {kMsgIsOnline, kMsgDisconnect},
       {Ansi("Nenhuma conexão dial-up selecionada, configure.")}},
      {"dialled, login refused", true, "prov", 0, 0, {}, false, true, {"Discando...", "Conectando..."},
       {kMsgIsOnline, kMsgListDialEntries, kMsgDial, kMsgConnect, kMsgHangUp, kMsgDisconnect, kMsgHangUp}, {}},
      {"in maintenance", false, "", 0, 1, {"x.aex"}, false, false, {"Conectando..."},
       {kMsgConnect, kMsgChangeDir, kMsgListDir, kMsgDisconnect},
       {Ansi("Tente mais tarde servidor em manutenção pela vornel")}},
  };
  for (const auto& c : cases) {
    FakeHelper helper(sandbox);
    helper.SetEntries("PROV\xC8");
    helper.answers[kMsgIsOnline] = c.online;
    helper.answers[kMsgConnect] = c.login;
    helper.answers[kMsgDial] = 0;
    helper.listing = c.listing;
    ui.messages.clear();
    bool dialedHere = !c.dialedHere;  // set false at the start of every connection
    std::vector<std::string> statuses;
    const DialState state{c.dialupName, c.autoDial, dialedHere};
    EXPECT_EQ(ConnectToServer(state, [&](const std::string& s) { statuses.push_back(s); }), c.result) << c.what;
    EXPECT_EQ(dialedHere, c.dialedHere) << c.what;
    DisconnectFromServer(state);
    EXPECT_EQ(statuses, c.statuses) << c.what;
    EXPECT_EQ(helper.Messages(), c.messages) << c.what;
    EXPECT_EQ(ui.MessageTexts(), c.texts) << c.what;
  }
}

}  // namespace
}  // namespace lifto::net
