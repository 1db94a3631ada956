// The Linux INI store over arbitrary INI files. The first byte picks the
// section and key to write (an existing one or a new one); the bytes up to
// the first NUL are the value, the rest is the file. After the write the
// value reads back, and every other section and key reads as before.
#include <map>
#include <utility>

#include "fuzz_support.h"
#include "platform/platform.h"
#include "settings/ini_store.h"
#include "rtl/text.h"
#include "settings/value_layout.h"

using namespace zelmor;

namespace {

using Contents = std::map<std::pair<std::string, std::string>, std::string>;

const std::string& IniPath() {
  static const std::string* path = new std::string(fuzz::WorkFolder() + "store.ini");
  return *path;
}

// What a reader finds: the value of the first match of each section and key.
Contents ReadContents(IniStore& store) {
  Contents contents;
  store.BeginBatch();
  for (const std::string& section : store.ReadSections())
    for (const std::string& key : store.ReadSection(section))
      contents.emplace(std::make_pair(section, key), store.ReadKey(section, key, "\x01"));
  store.EndBatch();
  return contents;
}

void WriteFile(const std::string& path, std::string_view bytes) {
  const platform::FileHandle file = platform::CreateExclusive(path);
  fuzz::Require(file != platform::kInvalidFile, "cannot create the INI file");
  platform::FileWriteAll(file, bytes.data(), bytes.size());
  platform::FileClose(file);
}

// The value as TSafeIniFile hands it to the store: one chunk, line breaks
// as markers, quoted where the store would drop blanks or quotes.
std::string StoredForm(std::string_view value) {
  const SplitResult split = SplitValue(value, true);
  return split.chunks.empty() ? std::string() : split.chunks[0];
}

std::string Unquoted(const std::string& stored) {
  return stored.size() >= 2 && stored.front() == '"' && stored.back() == '"'
             ? stored.substr(1, stored.size() - 2)
             : stored;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InputReader input(data, size);
  const uint8_t choice = input.Byte();
  const std::string stored = StoredForm(input.Until('\0'));
  WriteFile(IniPath(), input.Rest());

  IniStore store(IniPath());
  Contents contents = ReadContents(store);
  std::pair<std::string, std::string> target("Fuzz", "Key");
  if (!contents.empty() && choice % 4 != 0) {
    auto it = contents.begin();
    std::advance(it, choice % contents.size());
    target = it->first;
  }
  store.WriteKey(target.first, target.second, stored);

  fuzz::Require(store.ReadKey(target.first, target.second, "\x01") == Unquoted(stored),
                "the written value does not read back");
  // Names match without regard to case: every alias of the key changed.
  contents[target] = Unquoted(stored);
  for (auto& [name, value] : contents)
    if (AnsiSameText(name.first, target.first) && AnsiSameText(name.second, target.second))
      value = Unquoted(stored);
  fuzz::Require(ReadContents(store) == contents, "another key or section changed");
  return 0;
}
