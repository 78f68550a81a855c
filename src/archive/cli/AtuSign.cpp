#include "archive/cli/AtuSign.h"

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <optional>

#include <termios.h>
#include <unistd.h>

#include "platform/Codepage.h"
#include "platform/Paths.h"
#include "sign/KeyFiles.h"
#include "sign/SignError.h"
#include "sign/SignedFile.h"

namespace lifto::archive::cli {
namespace {

struct Arguments {
  std::vector<std::string> files;
  std::optional<std::string> key;
  std::optional<std::string> passwordFile;
  std::optional<std::string> publicFile;
  std::optional<std::string> secretFile;
  bool unencrypted = false;
};

Arguments Parse(const std::vector<std::string>& args, const std::vector<std::string>& allowed) {
  Arguments a;
  const auto allows = [&](const std::string& option) {
    return std::find(allowed.begin(), allowed.end(), option) != allowed.end();
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const auto& arg = args[i];
    if (!arg.starts_with("--") || arg.size() == 2) {
      a.files.push_back(arg);
      continue;
    }
    if (!allows(arg)) throw SignUsageError{"unknown option " + arg};
    if (arg == "--unencrypted") {
      a.unencrypted = true;
      continue;
    }
    if (i + 1 >= args.size()) throw SignUsageError{arg + " needs a value"};
    const auto& value = args[++i];
    if (arg == "--key") a.key = value;
    if (arg == "--password-file") a.passwordFile = value;
    if (arg == "--public") a.publicFile = value;
    if (arg == "--secret") a.secretFile = value;
  }
  return a;
}

// A Windows path on the drives of system.ini, or a host path.
std::filesystem::path HostPath(const std::string& given) {
  const auto host = platform::ToHostPath(platform::FromUtf8(given));
  if (!host) throw sign::SignError(given + " lies on a drive that is not mapped");
  return *host;
}

std::optional<std::string> ReadLine(std::istream& in) {
  std::string line;
  if (!std::getline(in, line)) return std::nullopt;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Asks on the terminal without echo, as a password prompt does.
std::optional<std::string> AskOnTerminal(const std::string& prompt, std::istream& in, std::ostream& err) {
  err << prompt << std::flush;
  termios saved{};
  const bool quiet = ::tcgetattr(STDIN_FILENO, &saved) == 0;
  if (quiet) {
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
  }
  auto line = ReadLine(in);
  if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
  err << "\n";
  return line;
}

// The password from the file named, else the terminal, else standard input; never the command line.
sign::PasswordSource PasswordFrom(const Arguments& a, std::istream& in, std::ostream& err, bool twice = false) {
  return [&a, &in, &err, twice]() -> std::optional<std::string> {
    if (a.passwordFile) return sign::ReadPasswordFile(HostPath(*a.passwordFile));
    if (&in != &std::cin || ::isatty(STDIN_FILENO) != 1) return ReadLine(in);
    auto password = AskOnTerminal("Password: ", in, err);
    if (twice && password) {
      if (AskOnTerminal("Password (again): ", in, err) != password) throw sign::SignError("the passwords differ");
    }
    return password;
  };
}

}  // namespace

int SignCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  const auto a = Parse(args, {"--key", "--password-file"});
  if (a.files.empty() || !a.key) throw SignUsageError{"sign needs at least one file and --key SECRET_KEY_FILE"};
  sign::SecretKey key;
  try {
    key = sign::ReadSecretKeyFile(HostPath(*a.key), PasswordFrom(a, in, err));
  } catch (const sign::SignError& e) {
    err << "atu: " << e.what() << "\n";
    return 1;
  }
  int failures = 0;
  for (const auto& file : a.files) {
    try {
      const auto host = HostPath(file);
      sign::WriteSignatureFile(host, key);
      out << "Signed " << file << " (" << sign::SignaturePathOf(host).filename().string() << ")\n";
    } catch (const sign::SignError& e) {
      err << "atu: cannot sign " << file << ": " << e.what() << "\n";
      ++failures;
    }
  }
  return failures == 0 ? 0 : 1;
}

int VerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  const auto a = Parse(args, {"--key"});
  if (a.files.empty() || !a.key) throw SignUsageError{"verify needs at least one file and --key PUBLIC_KEY_FILE"};
  sign::PublicKey key;
  try {
    key = sign::ReadPublicKeyFile(HostPath(*a.key));
  } catch (const sign::SignError& e) {
    err << "atu: " << e.what() << "\n";
    return 1;
  }
  int failures = 0;
  for (const auto& file : a.files) {
    std::optional<std::filesystem::path> host;
    try {
      host = HostPath(file);
    } catch (const sign::SignError& e) {
      err << "atu: " << e.what() << "\n";
      ++failures;
      continue;
    }
    const auto check = sign::CheckSignedFile(*host, key);
    if (check.verdict == sign::Verdict::kValid) {
      out << "OK      " << file << "\t" << check.trustedComment << "\n";
    } else {
      out << "FAILED  " << file << ": " << sign::VerdictText(check.verdict)
          << (check.detail.empty() ? "" : " (" + check.detail + ")") << "\n";
      ++failures;
    }
  }
  if (failures != 0) err << "atu: " << failures << " of " << a.files.size() << " files are not validly signed\n";
  return failures == 0 ? 0 : 1;
}

int KeygenCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  const auto a = Parse(args, {"--public", "--secret", "--unencrypted", "--password-file"});
  if (!a.files.empty() || !a.publicFile || !a.secretFile) {
    throw SignUsageError{"keygen needs --public FILE and --secret FILE"};
  }
  if (a.unencrypted && a.passwordFile) throw SignUsageError{"--unencrypted takes no --password-file"};
  try {
    std::optional<std::string> password;
    if (!a.unencrypted) {
      password = PasswordFrom(a, in, err, true)();
      if (!password || password->empty()) throw sign::SignError("no password given (use --unencrypted for none)");
    }
    const auto pub = sign::WriteKeyPair(HostPath(*a.publicFile), HostPath(*a.secretFile), password);
    out << "Key " << sign::KeyIdText(pub.id) << ": public key " << *a.publicFile << ", secret key " << *a.secretFile
        << (a.unencrypted ? " (unencrypted: keep it private)" : "") << "\n";
    return 0;
  } catch (const sign::SignError& e) {
    err << "atu: " << e.what() << "\n";
    return 1;
  }
}

}  // namespace lifto::archive::cli
