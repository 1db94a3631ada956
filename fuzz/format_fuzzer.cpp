// Format with arbitrary formats and arguments. The first byte tells how
// many arguments follow (up to four), each a type byte and its bytes; the
// rest is the format. Format returns or raises EConvertError, nothing else.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <typeinfo>

#include "fuzz_support.h"
#include "rtl/exceptions.h"
#include "rtl/format.h"

using namespace zelmor;

namespace {

template <typename T>
T Take(fuzz::InputReader& input) {
  unsigned char bytes[sizeof(T)];
  for (unsigned char& byte : bytes) byte = input.Byte();
  T value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

FormatArg TakeArg(fuzz::InputReader& input) {
  switch (input.Byte() % 6) {
    case 0: return FormatArg(Take<int>(input));
    case 1: return FormatArg(Take<long long>(input));
    case 2: return FormatArg(Take<double>(input));
    case 3: return FormatArg(std::string(input.Until('\0')));
    case 4: return FormatArg(Take<unsigned long long>(input));
    default: return FormatArg(reinterpret_cast<const void*>(Take<uintptr_t>(input)));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  FormatArgs args;
  for (int count = input.Byte() % 5; count > 0; --count) args.push_back(TakeArg(input));
  const std::string_view format = input.Rest();
  try {
    Format(format, args);
  } catch (const EConvertError&) {
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", typeid(error).name(), error.what());
    fuzz::Require(false, "Format raised something other than EConvertError");
  }
  return 0;
}
