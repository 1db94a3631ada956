// What the fuzz targets share: a folder of their own and a way to stop on a
// broken property that libFuzzer reports as a crash, with the input saved.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace zelmor::fuzz {

// A folder in the temporary folder, private to this process, made on first
// use; ends in a path delimiter.
const std::string& WorkFolder();

// Aborts with `what` on stderr unless `holds`.
void Require(bool holds, const char* what);

// Reads an input front to back; past its end every read gives zero or empty.
class InputReader {
 public:
  InputReader(const uint8_t* data, size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  uint8_t Byte();
  // Bytes up to the next `separator` (dropped) or the end.
  std::string_view Until(char separator);
  std::string_view Rest() { return std::exchange(rest_, std::string_view()); }

 private:
  std::string_view rest_;
};

}  // namespace zelmor::fuzz
