#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/TempFolder.h"

// Runs the real atualizar in the console front-end against a sandbox LIFTO_HOME and reads what
// it showed from its transcript.
namespace lifto::test {
namespace {

namespace fs = std::filesystem;

struct RunResult {
  int status = -1;
  std::vector<std::string> transcript;  ///< one JSON object a line (UTF-8)
  std::string err;
};

class Atualizar : public ::testing::Test {
 protected:
  Atualizar() {
    home_ = folder_.Path() / "home";
    fs::create_directories(home_ / "srv");
    WriteHome("system.ini", "[Drives]\nC=drive_c\nF=srv\n[System]\nWindowsFolder=C:\\WINDOWS\n");
  }

  void WriteHome(const std::string& name, const std::string& content) {
    fs::remove_all(home_ / name);
    fs::create_directories((home_ / name).parent_path());
    std::ofstream(home_ / name, std::ios::binary) << content;
  }

  RunResult Start(const std::string& arguments, const std::string& frontEnd = "console",
                  const std::string& program = LIFTO_BINARY_DIR "/atualizar") {
    const fs::path transcript = folder_.Path() / "transcript.jsonl";
    const fs::path err = folder_.Path() / "stderr.txt";
    fs::remove(transcript);
    const std::string command = "cd '" + folder_.Path().string() + "' && env -u DISPLAY -u WAYLAND_DISPLAY" +
                                " LIFTO_UI=" + frontEnd + " LIFTO_ANSWERS= LIFTO_HOME='" + home_.string() +
                                "' LIFTO_TRANSCRIPT='" + transcript.string() + "' '" + program + "' " +
                                arguments + " </dev/null >/dev/null 2>'" + err.string() + "'";
    RunResult run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    std::ifstream in(transcript);
    for (std::string line; std::getline(in, line);) run.transcript.push_back(line);
    run.err = ReadFileBytes(err);
    return run;
  }

  TempFolder folder_;
  fs::path home_;
};

// The forms' own tests decide each message; here the real program shows it and ends with 1.
TEST_F(Atualizar, ArgumentsThatLeadNowhereEndWithTheirMessage) {
  WriteHome("aliases.ini", "[ALIAS_PAVRO]\nPATH=F:\\PAVRO\\DADOS\n");
  fs::create_directories(home_ / "srv/PAVRO/DADOS");
  fs::create_directories(home_ / "srv/PAVRO/updates");
  const struct {
    const char* arguments;
    const char* message;
  } cases[] = {
      {"'/F:\\UPD\\NADA.aex'", R"("kind":4,"title":"Erro","text":"Caminho inválido:F:\\UPD\\NADA.aex")"},
      {"/r /xyz.exe",
       R"("kind":4,"title":"Erro","text":"O Programa <xyz.exe> não esta configurado para atualização Automatica")"},
      {"/R /PAVRO.EXE",
       R"("kind":2,"title":"Informação","text":"Foi detectado que o arquivo Atualiza.ok não consta no diretório especificado")"},
  };
  for (const auto& c : cases) {
    const RunResult run = Start(c.arguments);
    EXPECT_EQ(run.status, 1) << c.arguments;
    ASSERT_EQ(run.transcript.size(), 1u) << c.arguments;
    EXPECT_EQ(run.transcript[0], std::string(R"({"type":"message",)") + c.message + "}") << c.arguments;
  }
}

TEST_F(Atualizar, InteractiveRunWithoutAPersonClosesTheWindow) {
  const RunResult run = Start("");
  EXPECT_EQ(run.status, 0);
  ASSERT_EQ(run.transcript.size(), 1u);
  EXPECT_NE(run.transcript[0].find(R"("type":"dialog","name":"TFormaLifto")"), std::string::npos);
}

TEST_F(Atualizar, SelfReplacementFinishCopiesTheTool) {
  WriteHome("srv/KORAMI/atualizar", "\x7F" "ELF old program");
  const RunResult run = Start("/C /F:\\\\KORAMI\\\\atualizar");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(ReadFileBytes(home_ / "srv/KORAMI/atualizar"), ReadFileBytes(LIFTO_BINARY_DIR "/atualizar"));
}

struct BadFile {
  const char* file;
  const char* content;
  const char* expected;  ///< what the message must name
};

class BadConfiguration : public Atualizar, public ::testing::WithParamInterface<BadFile> {};

TEST_P(BadConfiguration, EndsWithStatusTwoNamingFileAndLine) {
  const BadFile bad = GetParam();
  WriteHome(bad.file, bad.content);
  const RunResult run = Start("");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find(bad.file), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(bad.expected), std::string::npos) << run.err;
  ASSERT_EQ(run.transcript.size(), 1u);
  EXPECT_NE(run.transcript[0].find(R"("type":"message","kind":4)"), std::string::npos);
  EXPECT_NE(run.transcript[0].find(bad.expected), std::string::npos) << run.transcript[0];
}

INSTANTIATE_TEST_SUITE_P(
    Files, BadConfiguration,
    ::testing::Values(BadFile{"system.ini", "[Drives]\nC=drive_c\nthis is no setting\n", "line 3"},
                      BadFile{"aliases.ini", "[ALIAS_KORAMI]\nPATH=F:\\KORAMI\\DADOS\n=sem nome\n", "line 3"},
                      BadFile{"HKLM.reg", "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software]\r\nnot a value\r\n",
                              "line 4"},
                      BadFile{"HKCU.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software]\r\n\"A\"=nada:1\r\n",
                              "line 4"}));

TEST_F(Atualizar, UnreadableSystemIniEndsWithStatusTwo) {
  fs::remove(home_ / "system.ini");
  fs::create_directories(home_ / "system.ini");
  const RunResult run = Start("");
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("system.ini"), std::string::npos) << run.err;
}

// The window front-end is a module beside the program: when it cannot be loaded, a run that chose
// the window names the file and the loader's reason and ends with 1, never running on the console.
TEST_F(Atualizar, WindowFrontEndWithoutItsModuleEndsWithTheReason) {
  if (!fs::exists(LIFTO_BINARY_DIR "/atualizar-gui.so")) GTEST_SKIP() << "built without the window front-end";
  const fs::path bin = folder_.Path() / "bin";
  fs::create_directories(bin);
  fs::copy_file(LIFTO_BINARY_DIR "/atualizar", bin / "atualizar");
  const fs::path module = bin / "atualizar-gui.so";
  const struct {
    const char* content;  // null: no module at all
    const char* reason;
  } cases[] = {
      {nullptr, "No such file or directory"},
      {"this is no module, only text long enough to be read as the header of one.......", "invalid ELF header"},
  };
  for (const auto& c : cases) {
    fs::remove(module);
    if (c.content) std::ofstream(module, std::ios::binary) << c.content;
    const RunResult run = Start("'/C:\\NADA.aex'", "gui", (bin / "atualizar").string());
    EXPECT_EQ(run.status, 1) << c.reason;
    EXPECT_NE(run.err.find("cannot load " + module.string() + ": "), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_TRUE(run.transcript.empty()) << "ran without its window: " << run.transcript.front();
  }
}

}  // namespace
}  // namespace lifto::test
