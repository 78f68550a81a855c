#pragma once

#include <string>

/// The extraction folder into which an update archive is restored, flat: the script copy and
/// every restored file side by side under their bare names.
namespace lifto::update {

/// The private temporary folder + "\Vorn". It lies in the user's own temporary folder, never in
/// one that other users can write, so that nobody can plant or swap a file that is then
/// installed. @throw std::runtime_error when the private temporary folder is not safe to use
std::string ExtractFolder();

/// Removes the extraction folder with everything in it, subfolders too, without following any
/// link inside it; nothing when it does not exist.
/// @throw std::runtime_error naming the folder when it cannot be removed
void ClearExtractFolder();

}  // namespace lifto::update
