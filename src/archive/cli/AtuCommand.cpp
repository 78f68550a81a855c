#include "archive/cli/AtuCommand.h"

#include <charconv>
#include <cstdint>
#include <exception>
#include <iostream>
#include <limits>
#include <map>
#include <optional>

#include "archive/ArchiveError.h"
#include "archive/ArchiveFormat.h"
#include "archive/ArchiveScan.h"
#include "archive/BackupFile.h"
#include "archive/cli/AtuSign.h"
#include "archive/cli/ProgressBar.h"
#include "platform/Codepage.h"
#include "platform/Files.h"

namespace lifto::archive::cli {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;

/// A usage error: what was wrong with the command line.
struct UsageError {
  std::string problem;
};

/// The command line split into positional words and options; options may stand anywhere.
struct CommandLine {
  std::vector<std::string> words;
  std::map<std::string, std::string> values;  // options with a value
  std::vector<std::string> flags;

  bool Has(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
  }
  std::optional<std::string> Value(const std::string& option) const {
    const auto it = values.find(option);
    return it == values.end() ? std::nullopt : std::optional(it->second);
  }
};

CommandLine Parse(const std::vector<std::string>& args, const std::vector<std::string>& withValue,
                  const std::vector<std::string>& flags) {
  CommandLine line;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 2 && arg.starts_with("--")) {
      if (std::find(withValue.begin(), withValue.end(), arg) != withValue.end()) {
        if (i + 1 >= args.size()) throw UsageError{arg + " needs a value"};
        line.values[arg] = args[++i];
      } else if (std::find(flags.begin(), flags.end(), arg) != flags.end()) {
        line.flags.push_back(arg);
      } else {
        throw UsageError{"unknown option " + arg};
      }
    } else {
      line.words.push_back(arg);
    }
  }
  return line;
}

template <typename T>
T Choice(const std::optional<std::string>& given, const std::string& option,
         const std::map<std::string, T>& choices, T fallback) {
  if (!given) return fallback;
  const auto it = choices.find(*given);
  if (it == choices.end()) throw UsageError{"unknown value \"" + *given + "\" for " + option};
  return it->second;
}

std::int32_t MaxSizeOf(const std::optional<std::string>& given) {
  if (!given) return 0;
  std::int64_t value = -1;
  const auto [end, ec] = std::from_chars(given->data(), given->data() + given->size(), value);
  if (ec != std::errc() || end != given->data() + given->size() || value < 0 ||
      value > std::numeric_limits<std::int32_t>::max()) {
    throw UsageError{"--max-size takes a number of bytes, not \"" + *given + "\""};
  }
  if (value != 0 && value < kMinimumMaxSize) {
    throw UsageError{"--max-size " + *given + " is too small for a block: use 0 or at least " +
                     std::to_string(kMinimumMaxSize)};
  }
  return static_cast<std::int32_t>(value);
}

// Reports the component's error code with what it concerned.
struct ErrorRecorder {
  std::int32_t code = 0;
  std::string text;
  void Attach(TBackupFile& backup) {
    backup.SetOnError([this](TBackupFile&, std::int32_t c, const std::string& t) {
      code = c;
      text = t;
    });
  }
  std::string Describe(const TBackupFile& backup) const {
    std::string message = text.empty() ? "error " + std::to_string(code) : text;
    if (!backup.ErrorDetail().empty()) message += " (" + ToUtf8(backup.ErrorDetail()) + ")";
    return message;
  }
};

int Create(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool bar) {
  const auto line = Parse(args, {"--title", "--level", "--max-size"},
                          {"--file-ids", "--incremental", "--set-archive-flag"});
  if (line.words.size() < 2) throw UsageError{"create needs an archive and at least one file specification"};
  TBackupFile backup;
  backup.SetBackupTitle(FromUtf8(line.Value("--title").value_or("")));
  backup.SetCompressionLevel(Choice<TCompressionLevel>(
      line.Value("--level"), "--level",
      {{"fastest", clFastest}, {"none", clNone}, {"default", clDefault}, {"max", clMax}}, clDefault));
  backup.SetMaxSize(MaxSizeOf(line.Value("--max-size")));
  backup.SetSaveFileID(line.Has("--file-ids"));
  if (line.Has("--incremental")) backup.SetBackupMode(bmIncremental);
  if (line.Has("--set-archive-flag")) backup.SetSetArchiveFlag(true);

  const std::string archive = FromUtf8(line.words[0]);
  std::vector<std::string> specs;
  for (std::size_t i = 1; i < line.words.size(); ++i) specs.push_back(FromUtf8(line.words[i]));

  ProgressBar progress(err, bar);
  unsigned volumes = 1;
  // Further volumes are written beside the first, without asking.
  backup.SetOnNeedDisk([&](TBackupFile&, std::uint16_t disk, bool&) { volumes = disk; });
  backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage p, bool&) { progress.Show(p, file); });
  ErrorRecorder error;
  error.Attach(backup);
  const bool done = backup.Backup(specs, archive);
  progress.Done();
  if (!done) {
    err << "atu: cannot create " << line.words[0] << ": " << error.Describe(backup) << "\n";
    return kAtuFailed;
  }
  out << "Created " << line.words[0] << " (" << volumes << (volumes == 1 ? " volume" : " volumes") << ")\n";
  return kAtuOk;
}

int ListOrTest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool bar,
               bool test) {
  const auto line = Parse(args, {}, {});
  if (line.words.size() != 1) throw UsageError{std::string(test ? "test" : "list") + " needs one archive"};
  const std::string archive = FromUtf8(line.words[0]);
  if (!platform::FileExists(archive)) {
    err << "atu: no archive at " << line.words[0] << "\n";
    return kAtuFailed;
  }
  ProgressBar progress(err, bar && test);
  bool headerShown = false;
  ScannedArchive scanned;
  auto showHeader = [&](const ScannedArchive& a) {
    if (test || headerShown) return;
    out << "Title: " << ToUtf8(a.title) << "\nTotal size: " << a.totalSize << " bytes\nFiles: " << a.fileCount << "\n";
    headerShown = true;
  };
  // The header is known before the first entry; the scanner reports entries as they end.
  std::vector<ScannedEntry> pending;
  scanned = ScanArchive(
      archive,
      [&](const ScannedEntry& e) {
        progress.Done();
        if (test) {
          out << (e.sound ? "OK      " : "FAILED  ") << ToUtf8(e.name);
          if (!e.sound) out << ": " << ToUtf8(e.problem);
          out << "\n";
        } else {
          pending.push_back(e);
        }
      },
      [&](int percent) { progress.Show(percent, ""); });
  progress.Done();
  if (!test && scanned.headerRead) {
    showHeader(scanned);
    for (const auto& e : pending) {
      out << ToUtf8(e.name) << "\t" << StampText(e.stamp) << "\t" << e.bytes << "\t" << e.method
          << "\t" << e.volume << (e.sound ? "" : "\tdamaged: " + ToUtf8(e.problem)) << "\n";
    }
  }
  const bool sound = scanned.complete && scanned.damagedEntries == 0;
  if (!scanned.complete) {
    err << "atu: " << line.words[0] << ": " << ToUtf8(scanned.problem) << "\n";
  } else if (!sound) {
    err << "atu: " << line.words[0] << ": " << scanned.damagedEntries << " of " << scanned.entries
        << " entries are damaged\n";
  } else if (test) {
    out << "All " << scanned.entries << " entries are sound.\n";
  }
  return sound ? kAtuOk : kAtuFailed;
}

int Extract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool bar) {
  const auto line = Parse(args, {"--mode"}, {"--full-path"});
  if (line.words.size() != 2) throw UsageError{"extract needs an archive and a folder"};
  TBackupFile backup;
  backup.SetRestoreFullPath(line.Has("--full-path"));
  backup.SetRestoreMode(Choice<TRestoreMode>(line.Value("--mode"), "--mode",
                                             {{"all", rmAll},
                                              {"no-overwrite", rmNoOverwrite},
                                              {"newer", rmNewer},
                                              {"existing", rmExisting},
                                              {"existing-newer", rmExistingNewer}},
                                             rmAll));
  const std::string archive = FromUtf8(line.words[0]);
  const std::string folder = FromUtf8(line.words[1]);
  if (!platform::FileExists(archive)) {
    err << "atu: no archive at " << line.words[0] << "\n";
    return kAtuFailed;
  }
  ProgressBar progress(err, bar);
  std::string missing;
  backup.SetOnNeedDisk([&](TBackupFile&, std::uint16_t disk, bool& goOn) {
    const std::string next = VolumePath(archive, VolumeDigits(disk));
    if (!platform::FileExists(next)) {
      missing = "volume " + std::to_string(disk) + " is missing: " + ToUtf8(next);
      goOn = false;
    }
  });
  int files = 0;
  backup.SetOnRestoreFile([&](TBackupFile&, std::string&, std::int32_t, bool& doRestore) {
    if (doRestore) ++files;
  });
  backup.SetOnProgress([&](TBackupFile&, const std::string& file, TPercentage p, bool&) { progress.Show(p, file); });
  ErrorRecorder error;
  error.Attach(backup);
  const bool done = backup.Restore(archive, folder);
  progress.Done();
  if (!done) {
    err << "atu: cannot extract " << line.words[0] << ": "
        << (!missing.empty() ? missing : error.code != 0 ? error.Describe(backup) : "stopped") << "\n";
    return kAtuFailed;
  }
  out << "Extracted " << files << (files == 1 ? " file" : " files") << " into " << line.words[1] << "\n";
  return kAtuOk;
}

}  // namespace

std::string AtuUsage() {
  return "usage:\n"
         "  atu create ARCHIVE SPEC... [--title TEXT] [--level fastest|none|default|max]\n"
         "             [--max-size BYTES] [--file-ids] [--incremental] [--set-archive-flag]\n"
         "  atu list ARCHIVE\n"
         "  atu test ARCHIVE\n"
         "  atu extract ARCHIVE FOLDER [--full-path]\n"
         "             [--mode all|no-overwrite|newer|existing|existing-newer]\n"
         "  atu sign FILE... --key SECRET_KEY_FILE [--password-file FILE]\n"
         "  atu verify FILE... --key PUBLIC_KEY_FILE\n"
         "  atu keygen --public FILE --secret FILE [--unencrypted] [--password-file FILE]\n"
         "SPEC is a path whose last part may hold * and ?, followed by \" /s\" to take subfolders too.\n"
         "Paths are Windows paths on the drives of LIFTO_HOME's system.ini, or host paths.\n";
}

int RunAtu(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           bool progressBar) {
  try {
    if (args.empty()) throw UsageError{"no command given"};
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "create") return Create(rest, out, err, progressBar);
    if (command == "list") return ListOrTest(rest, out, err, progressBar, false);
    if (command == "test") return ListOrTest(rest, out, err, progressBar, true);
    if (command == "extract") return Extract(rest, out, err, progressBar);
    if (command == "sign") return SignCommand(rest, std::cin, out, err);
    if (command == "verify") return VerifyCommand(rest, out, err);
    if (command == "keygen") return KeygenCommand(rest, std::cin, out, err);
    if (command == "--help" || command == "-h" || command == "help") {
      out << AtuUsage();
      return kAtuOk;
    }
    throw UsageError{"unknown command \"" + command + "\""};
  } catch (const UsageError& e) {
    err << "atu: " << e.problem << "\n" << AtuUsage();
    return kAtuUsage;
  } catch (const SignUsageError& e) {
    err << "atu: " << e.problem << "\n" << AtuUsage();
    return kAtuUsage;
  } catch (const ArchiveError& e) {
    err << "atu: " << ToUtf8(e.Describe()) << "\n";
    return kAtuFailed;
  } catch (const std::exception& e) {
    err << "atu: " << ToUtf8(e.what()) << "\n";
    return kAtuFailed;
  }
}

}  // namespace lifto::archive::cli
