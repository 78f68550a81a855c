#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// The crypto library's start-up and the text encodings of keys and signatures.
namespace lifto::sign {

/// Initialises the crypto library once per process. @throw SignError when it cannot start
void EnsureSodium();

/// Standard base64 with padding, as the signature files hold it.
std::string Base64Encode(const unsigned char* data, std::size_t size);

/// Decodes standard base64 that must give exactly `size` bytes.
/// @param what names the text in the error ("the public key")
/// @throw SignError for other characters, other lengths or trailing text
std::vector<unsigned char> Base64Decode(std::string_view text, std::size_t size, const std::string& what);

/// Compares two byte ranges in constant time.
bool SameBytes(const unsigned char* a, const unsigned char* b, std::size_t size);

}  // namespace lifto::sign
