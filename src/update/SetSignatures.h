#pragma once

#include <string>

/// The office's check of the vendor's signatures on update sets. A site whose system.ini names
/// the vendor's public key ([Security] PublicKey=<the key's base64 line>) uses a script or an
/// archive volume only when the signature file beside it ("X.ATU.minisig") was made with that
/// key for that very content; a site without the key uses every set as it comes.
namespace lifto::update {

/// Whether this site checks signatures (system.ini names a public key).
bool SiteChecksSignatures();

/// The signature file of a file of a set: its path followed by ".minisig".
std::string SignatureFileOf(const std::string& windowsPath);

/// Checks one file of a set when the site checks signatures. A refusal is shown at once
/// (kind 4) naming the file and what is wrong with its signature; a public key in system.ini that
/// cannot be read refuses every file, so that a mistyped key never lets a set through unchecked.
/// @param windowsPath the file (Windows path)
/// @return true when the file may be used: validly signed, or the site checks nothing
bool AcceptSetFile(const std::string& windowsPath);

}  // namespace lifto::update
