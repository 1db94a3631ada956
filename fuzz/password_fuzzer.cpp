// DecodePassword over arbitrary text: a text it accepts deciphers to a
// password whose encoding deciphers to it again; and any byte string, as a
// password, survives encoding and decoding.
#include "fuzz_support.h"
#include "tools/password_cipher.h"

using namespace zelmor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string plain;
  if (DecodePassword(text, plain)) {
    std::string again;
    fuzz::Require(DecodePassword(EncodePassword(plain), again) && again == plain,
                  "a decoded password does not survive encoding");
  } else {
    fuzz::Require(plain.empty(), "a refused text leaves a password behind");
  }
  std::string decoded;
  fuzz::Require(DecodePassword(EncodePassword(text), decoded) && decoded == text,
                "a password does not survive encoding");
  return 0;
}
