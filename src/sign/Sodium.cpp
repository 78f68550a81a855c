#include "sign/Sodium.h"

#include <sodium.h>

#include "sign/SignError.h"

namespace lifto::sign {

void EnsureSodium() {
  // sodium_init is safe to call again and from several threads; -1 means no usable random source.
  if (sodium_init() < 0) throw SignError("the crypto library cannot start (no random source)");
}

std::string Base64Encode(const unsigned char* data, std::size_t size) {
  constexpr int kVariant = sodium_base64_VARIANT_ORIGINAL;
  std::string text(sodium_base64_ENCODED_LEN(size, kVariant), '\0');
  sodium_bin2base64(text.data(), text.size(), data, size, kVariant);
  text.resize(text.size() - 1);  // the terminating zero
  return text;
}

std::vector<unsigned char> Base64Decode(std::string_view text, std::size_t size, const std::string& what) {
  std::vector<unsigned char> bytes(size + 1);  // one more, so that a longer text shows
  std::size_t decoded = 0;
  const char* end = nullptr;
  if (sodium_base642bin(bytes.data(), bytes.size(), text.data(), text.size(), nullptr, &decoded, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      end != text.data() + text.size() || decoded != size) {
    throw SignError(what + " is not valid: expected " + std::to_string(size) + " bytes in base64");
  }
  bytes.resize(size);
  return bytes;
}

bool SameBytes(const unsigned char* a, const unsigned char* b, std::size_t size) {
  return sodium_memcmp(a, b, size) == 0;
}

}  // namespace lifto::sign
