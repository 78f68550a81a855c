#include "e2e/UpdateOfficeHelpers.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "platform/Codepage.h"
#include "support/PeBuilder.h"
#include "support/TempFolder.h"

extern char** environ;

namespace lifto::test {
namespace {

namespace fs = std::filesystem;

void WriteBytes(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  if (!out) throw std::runtime_error("cannot write " + file.string());
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.push_back(line);
      line.clear();
    } else {
      line.push_back(text[i]);
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// Runs a program with an environment; returns its exit status (-1 when it did not exit).
int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env,
          const fs::path& outputFile, const std::function<void()>& whileRunning,
          const std::function<bool()>& killNow = {}) {
  std::vector<char*> args;
  for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
  int raw = 0;
  // A run that hangs fails its test instead of holding up the whole suite.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
  for (;;) {
    const pid_t done = waitpid(pid, &raw, WNOHANG);
    if (done == pid) break;
    if (done < 0 || std::chrono::steady_clock::now() > deadline || (killNow && killNow())) {
      kill(pid, SIGKILL);
      waitpid(pid, &raw, 0);
      return -1;
    }
    if (whileRunning) {
      whileRunning();
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(killNow ? 2 : 20));
    }
  }
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string Ini(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace

std::string Utf8(const std::string& cp1252) { return platform::ToUtf8(cp1252); }

std::vector<std::string> AtualizarRun::Lines(const std::string& text) const {
  std::vector<std::string> found;
  for (const auto& line : transcript) {
    if (line.find(text) != std::string::npos) found.push_back(line);
  }
  return found;
}

Office::Office(const std::string& installedVersion)
    : home_({{"F", "srv"}, {"A", "floppy"}}, {{"ALIAS_KORAMI", "F:\\KORAMI\\DADOS"}}) {
  WriteBytes(home_.Home() / "HKLM.reg",
             Ini({"REGEDIT4", "",
                  "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App "
                  "Paths\\KORAMI.EXE]",
                  "\"Path\"=\"C:\\\\KORAMI\""}));
  fs::create_directories(Host("C:\\KORAMI"));
  fs::create_directories(Host("F:\\KORAMI\\DADOS"));
  fs::create_directories(Host("F:\\KORAMI\\updates"));
  fs::create_directories(home_.Home() / "temp");
  fs::permissions(home_.Home() / "temp", fs::perms::owner_all, fs::perm_options::replace);
  if (!installedVersion.empty()) {
    WritePeWithVersion(Host("F:\\KORAMI\\KORAMI.EXE"), {{"FileVersion", installedVersion}});
  }
  WriteUsers({});
}

bool Office::Exists(const std::string& windowsPath) const { return fs::exists(Host(windowsPath)); }

std::string Office::Read(const std::string& windowsPath) const { return ReadFileBytes(Host(windowsPath)); }

void Office::Write(const std::string& windowsPath, const std::string& content) const {
  home_.Write(windowsPath, content);
}

std::vector<std::string> Office::LogLines() const {
  if (!Exists("F:\\KORAMI\\Atualiz.log")) return {};
  // A link left there (to /dev/zero, say) would be read without end.
  if (!fs::is_regular_file(fs::symlink_status(Host("F:\\KORAMI\\Atualiz.log")))) {
    throw std::runtime_error("the update log is not a regular file");
  }
  std::vector<std::string> lines;
  for (const auto& line : SplitLines(Read("F:\\KORAMI\\Atualiz.log"))) lines.push_back(Utf8(line));
  return lines;
}

void Office::WriteUsers(const std::vector<std::tuple<std::string, std::string, bool>>& users) const {
  const fs::path file = Host("F:\\KORAMI\\DADOS\\Novo.sqlite");
  fs::remove(file);
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("cannot open " + file.string());
  std::string sql =
      "CREATE TABLE Novo (USUARIO VARCHAR(10), NOMEMICRO VARCHAR(15), ATIVO BOOLEAN);";
  for (const auto& [user, computer, active] : users) {
    sql += "INSERT INTO Novo VALUES ('" + user + "','" + computer + "'," + (active ? "1" : "0") + ");";
  }
  char* message = nullptr;
  const int result = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  sqlite3_free(message);
  sqlite3_close(db);
  if (result != SQLITE_OK) throw std::runtime_error("cannot write " + file.string());
}

int Office::MakeUpdate(const std::string& folder, const std::string& name, const std::string& version,
                       const std::vector<UpdateFile>& files,
                       const std::map<std::string, std::string>& config, long maxSize) {
  std::map<std::string, std::string> settings = {
      {"ALIAS", "ALIAS_KORAMI"}, {"PROG", "KORAMI.EXE"}, {"TIPO", "ATU"},
      {"DESCRICAO", "ATUALIZACAO " + version}, {"VERSAO", version}, {"VERWIN", "1"},
      {"EXECUTAR", ""}};
  for (const auto& [key, value] : config) settings[key] = value;
  const std::string sources = "C:\\FONTES\\" + name + "\\";
  for (const auto& file : files) Write(sources + file.name, file.content);

  std::vector<std::string> argv = {LIFTO_BINARY_DIR "/atu", "create", folder + "\\" + name + ".ATU",
                                   sources + "*.*", "--title", "Atualiza\xc3\xa7\xc3\xa3o"};
  if (maxSize > 0) {
    argv.push_back("--max-size");
    argv.push_back(std::to_string(maxSize));
  }
  fs::create_directories(Host(folder));
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  const fs::path output = home_.Home() / "atu.txt";
  if (Spawn(argv, env, output, {}) != 0) {
    throw std::runtime_error("atu create failed: " + ReadFileBytes(output));
  }
  int volumes = 1;
  while (Exists(folder + "\\" + name + "." + (volumes + 1 < 10 ? "00" : "0") +
                std::to_string(volumes + 1))) {
    ++volumes;
  }

  std::vector<std::string> lines = {"[CONFIG]"};
  for (const char* key : {"ALIAS", "PROG", "TIPO", "DESCRICAO", "VERSAO", "VERWIN", "EXECUTAR"}) {
    if (settings.count(key) != 0) lines.push_back(std::string(key) + "=" + settings[key]);
  }
  for (const auto& [key, value] : settings) {
    static const std::string known = "|ALIAS|PROG|TIPO|DESCRICAO|VERSAO|VERWIN|EXECUTAR|";
    if (known.find("|" + key + "|") == std::string::npos) lines.push_back(key + "=" + value);
  }
  if (settings.count("NUMDISCOS") == 0) lines.push_back("NUMDISCOS=" + std::to_string(volumes));
  lines.push_back("");
  lines.push_back("[BACKUP]");
  lines.push_back("");
  int key = 20;
  for (const char* section : {"PONTO", "SERVIDOR", "WINDOWS"}) {
    lines.push_back(std::string("[") + section + "]");
    for (const auto& file : files) {
      if (file.section != section) continue;
      lines.push_back(std::string(1, section[0]) + "_ARQ" + std::to_string(key++) + "=" + sources +
                      file.name + " , " + file.target);
    }
    lines.push_back("");
  }
  Write(folder + "\\" + name + ".aex", Ini(lines));
  return volumes;
}

AtualizarRun Office::RunAtu(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {LIFTO_BINARY_DIR "/atu"};
  for (const auto& a : arguments) argv.push_back(platform::ToUtf8(a));
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) env.emplace_back(*e);
  const fs::path output = home_.Home() / "atu.txt";
  AtualizarRun run;
  run.status = Spawn(argv, env, output, {});
  run.output = ReadFileBytes(output);
  return run;
}

fs::path Office::TranscriptPath() const { return home_.Home() / "transcript.jsonl"; }

AtualizarRun Office::Run(const std::vector<std::string>& arguments, const std::string& answers,
                         const fs::path& program, const std::function<void()>& whileRunning) {
  return RunIn(home_.Home(), arguments, answers, program, whileRunning);
}

AtualizarRun Office::RunIn(const fs::path& home, const std::vector<std::string>& arguments,
                           const std::string& answers, const fs::path& program,
                           const std::function<void()>& whileRunning,
                           const std::function<bool()>& killNow) {
  std::vector<std::string> argv = {program.empty() ? std::string(LIFTO_BINARY_DIR "/atualizar")
                                                   : program.string()};
  for (const auto& a : arguments) argv.push_back(platform::ToUtf8(a));
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const std::string key = entry.substr(0, entry.find('='));
    if (key == "DISPLAY" || key == "WAYLAND_DISPLAY" || key == "TMP" || key == "TEMP" ||
        key.rfind("LIFTO_", 0) == 0) {
      continue;
    }
    env.push_back(entry);
  }
  const fs::path transcript = home / "transcript.jsonl";
  env.push_back("LIFTO_HOME=" + home.string());
  env.push_back("LIFTO_UI=console");
  env.push_back("LIFTO_ANSWERS=" + answers);
  env.push_back("LIFTO_TRANSCRIPT=" + transcript.string());
  env.push_back("TEMP=" + (home / "temp").string());
  fs::remove(transcript);
  const fs::path output = home / "output.txt";
  AtualizarRun run;
  run.status = Spawn(argv, env, output, whileRunning, killNow);
  run.output = ReadFileBytes(output);
  std::ifstream in(transcript);
  for (std::string line; std::getline(in, line);) run.transcript.push_back(line);
  return run;
}

std::map<std::string, std::string> Office::Snapshot() const {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(home_.Home())) {
    if (!entry.is_regular_file()) continue;
    const auto stamp = entry.last_write_time().time_since_epoch().count();
    files[fs::relative(entry.path(), home_.Home()).string()] =
        std::to_string(entry.file_size()) + "@" + std::to_string(stamp);
  }
  return files;
}

std::vector<std::string> ChangedPaths(const std::map<std::string, std::string>& before,
                                      const std::map<std::string, std::string>& after) {
  std::vector<std::string> changed;
  for (const auto& [path, stamp] : before) {
    const auto it = after.find(path);
    if (it == after.end() || it->second != stamp) changed.push_back(path);
  }
  for (const auto& [path, stamp] : after) {
    if (before.count(path) == 0) changed.push_back(path);
  }
  return changed;
}

}  // namespace lifto::test
