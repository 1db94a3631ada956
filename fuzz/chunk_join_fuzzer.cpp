// ReadString's joining of a long value's chunks over arbitrary INI files
// (a key with its __$Count, __$Hash and __$LineN companions). The value read
// begins with the main key's text; written back, it reads back the same,
// line breaks aside (a lone CR is dropped, a lone LF becomes CR LF, the
// marker text becomes CR LF) and unless a key appears twice.
#include <vector>

#include "fuzz_support.h"
#include "platform/platform.h"
#include "rtl/text.h"
#include "settings/safe_ini_file.h"
#include "settings/value_layout.h"

using namespace zelmor;

namespace {

const std::string& IniPath() {
  static const std::string* path = new std::string(fuzz::WorkFolder() + "chunks.ini");
  return *path;
}

TSafeIniFile& Ini() {
  static TSafeIniFile* ini = new TSafeIniFile(IniPath());
  return *ini;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  const platform::FileHandle file = platform::CreateExclusive(path);
  fuzz::Require(file != platform::kInvalidFile, "cannot create the INI file");
  platform::FileWriteAll(file, bytes.data(), bytes.size());
  platform::FileClose(file);
}

// A key written twice in the section: removing the first copy, as the
// profile functions do, brings the second one back, so a value written
// over such keys may read back joined with stale chunks.
bool HasDuplicateKeys(TSafeIniFile& ini) {
  std::vector<std::string> keys;
  ini.ReadSection("Values", keys);
  for (size_t i = 0; i < keys.size(); ++i)
    for (size_t j = i + 1; j < keys.size(); ++j)
      if (AnsiSameText(keys[i], keys[j])) return true;
  return false;
}

std::string NormalLineBreaks(const std::string& value) {
  std::string text;
  for (const char c : value) {
    if (c == '\r') continue;
    if (c == '\n') text += '\r';
    text += c;
  }
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const bool single_key_mode = (input.Byte() & 1) != 0;
  WriteFile(IniPath(), input.Rest());
  TSafeIniFile& ini = Ini();
  ini.SingleKeyMode = single_key_mode;

  const std::string value = ini.ReadString("Values", "Text", "");
  ini.SingleKeyMode = true;
  const std::string main_key = ini.ReadString("Values", "Text", "");
  ini.SingleKeyMode = single_key_mode;
  fuzz::Require(value.compare(0, main_key.size(), main_key) == 0,
                "the value does not begin with its main key's text");

  const bool duplicates = HasDuplicateKeys(ini);
  ini.WriteString("Values", "Text", value);
  // Markers typed into the text (or formed where two chunks meet) read
  // back as line breaks too.
  const std::string expected = DecodeLineBreaks(NormalLineBreaks(value));
  if (!duplicates && (!single_key_mode || SplitValue(value, true).chunks.size() <= 1))
    fuzz::Require(ini.ReadString("Values", "Text", "") == expected,
                  "the value written back reads differently");
  return 0;
}
