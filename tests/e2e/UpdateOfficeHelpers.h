#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <tuple>
#include <string>
#include <vector>

#include "support/SandboxHome.h"

/// A sample office for the end-to-end tests of atualizar: drives C: (the workstation), F: (the
/// server) and A: (a diskette drive as a mapped folder), the program KORAMI.EXE installed with a
/// version resource, its "App Paths" entry, its alias ALIAS_KORAMI (F:\KORAMI\DADOS) and its users
/// table "Novo"; a private temporary folder inside the sandbox. Update sets are made with the real
/// `atu`, and atualizar runs through the console front-end with its transcript.
namespace lifto::test {

/// One file of an update: its section, its name, its content and its target folder below the root.
struct UpdateFile {
  std::string section;  ///< "PONTO", "SERVIDOR", "WINDOWS"
  std::string name;     ///< "KORAMI.EXE"
  std::string content;
  std::string target = "\\";
};

/// What a run of atualizar showed and how it ended.
struct AtualizarRun {
  int status = -1;
  std::vector<std::string> transcript;  ///< one JSON object a line (UTF-8)
  std::string output;                   ///< standard output and error

  /// The transcript lines that hold a text (UTF-8), in order.
  std::vector<std::string> Lines(const std::string& text) const;
  bool Shows(const std::string& text) const { return !Lines(text).empty(); }
};

class Office {
 public:
  /// @param installedVersion the FileVersion of F:\KORAMI\KORAMI.EXE ("" for no executable)
  explicit Office(const std::string& installedVersion = "6.5.0.11");

  SandboxHome& Home() { return home_; }
  std::filesystem::path Host(const std::string& windowsPath) const { return home_.HostPath(windowsPath); }
  bool Exists(const std::string& windowsPath) const;
  std::string Read(const std::string& windowsPath) const;
  void Write(const std::string& windowsPath, const std::string& content) const;

  /// The lines of F:\KORAMI\Atualiz.log (UTF-8), empty when there is none.
  std::vector<std::string> LogLines() const;

  /// Writes the users table F:\KORAMI\DADOS\Novo.sqlite with (user, computer, active) rows.
  void WriteUsers(const std::vector<std::tuple<std::string, std::string, bool>>& users) const;

  /// Makes an update set in a folder: the sources in C:\FONTES\<name>\, the script
  /// <folder>\<name>.aex and its archive <folder>\<name>.ATU (with further volumes when maxSize
  /// is given). NUMDISCOS is the number of volumes written.
  /// @param config extra "[CONFIG]" lines, replacing the defaults of the same key
  /// @return the number of volumes
  int MakeUpdate(const std::string& folder, const std::string& name, const std::string& version,
                 const std::vector<UpdateFile>& files,
                 const std::map<std::string, std::string>& config = {}, long maxSize = 0);

  /// Runs atualizar (or another copy of it) with the arguments (each one argument, 1252) and the
  /// console answers (UTF-8), and waits for it to end.
  /// @param whileRunning called repeatedly while the program runs (a test window serving messages)
  AtualizarRun Run(const std::vector<std::string>& arguments, const std::string& answers = "",
                   const std::filesystem::path& program = {},
                   const std::function<void()>& whileRunning = {});
  /// The same with another LIFTO_HOME (a second workstation sharing this office's drives), its
  /// TEMP being home/temp; killNow, asked every few milliseconds, kills the run with SIGKILL
  /// (the status is then -1).
  AtualizarRun RunIn(const std::filesystem::path& home, const std::vector<std::string>& arguments,
                     const std::string& answers = "", const std::filesystem::path& program = {},
                     const std::function<void()>& whileRunning = {},
                     const std::function<bool()>& killNow = {});
  /// Runs atu with the arguments (1252) in this office's LIFTO_HOME; output is its stdout and stderr.
  AtualizarRun RunAtu(const std::vector<std::string>& arguments);

  /// The transcript file the runs append to (a fresh one for each run).
  std::filesystem::path TranscriptPath() const;

  /// Every file below the sandbox with its size and last-write time, for "nothing else changed".
  std::map<std::string, std::string> Snapshot() const;

 private:
  SandboxHome home_;
};

/// The paths that differ between two snapshots (added, removed or changed).
std::vector<std::string> ChangedPaths(const std::map<std::string, std::string>& before,
                                      const std::map<std::string, std::string>& after);

/// A Windows-1252 text of a UTF-8 literal, and back.
std::string Utf8(const std::string& cp1252);

}  // namespace lifto::test
