#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

/// The signing commands of `atu`: sign and verify the files of an update set with detached
/// signatures beside them ("X.ATU.minisig"), and make a key pair.
namespace lifto::archive::cli {

/// A command line that cannot be used; RunAtu reports it with the usage text.
struct SignUsageError {
  std::string problem;
};

/// `atu sign FILE... --key SECRET_KEY_FILE [--password-file FILE]`. An encrypted key's password
/// comes from the password file, else from the terminal (not echoed), else from the first line of
/// standard input. @return 0 when every file was signed, 1 otherwise @throw SignUsageError
int SignCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

/// `atu verify FILE... --key PUBLIC_KEY_FILE`: 0 only when every file's signature is valid.
/// @throw SignUsageError
int VerifyCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

/// `atu keygen --public FILE --secret FILE [--unencrypted] [--password-file FILE]`.
/// @throw SignUsageError
int KeygenCommand(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err);

}  // namespace lifto::archive::cli
