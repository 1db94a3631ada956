#include "settings/custom_ini_file.h"

#include <cstdint>

#include "rtl/text.h"

namespace zelmor {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int StrToInt32Def(const std::string& text, int default_value) {
  long long value = 0;
  if (!TryStrToInt(text, value) || value < INT32_MIN || value > INT32_MAX) return default_value;
  return static_cast<int>(value);
}

int TCustomIniFile::ReadInteger(const std::string& section, const std::string& key,
                                int default_value) {
  std::string text = ReadString(section, key, "");
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
    text = "$" + text.substr(2);
  return StrToInt32Def(text, default_value);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& key,
                                  int value) {
  WriteString(section, key, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& key,
                              bool default_value) {
  return ReadInteger(section, key, default_value ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& key,
                               bool value) {
  WriteString(section, key, value ? "1" : "0");
}

int TCustomIniFile::ReadBinaryStream(const std::string& section, const std::string& key,
                                     std::string& bytes) {
  const std::string text = ReadString(section, key, "");
  int count = 0;
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) break;
    bytes += static_cast<char>(high * 16 + low);
    ++count;
  }
  return count;
}

void TCustomIniFile::WriteBinaryStream(const std::string& section, const std::string& key,
                                       const std::string& bytes) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char c : bytes) {
    text += kDigits[static_cast<unsigned char>(c) >> 4];
    text += kDigits[static_cast<unsigned char>(c) & 0x0F];
  }
  WriteString(section, key, text);
}

void TCustomIniFile::ReadSections(const std::string& section, std::vector<std::string>& names) {
  std::vector<std::string> all;
  ReadSections(all);
  names.clear();
  const std::string prefix = section + "\\";
  for (const std::string& name : all) {
    if (section.empty())
      names.push_back(name);
    else if (name.size() > prefix.size() && AnsiSameText(name.substr(0, prefix.size()), prefix))
      names.push_back(name.substr(prefix.size()));
  }
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& key) {
  std::vector<std::string> keys;
  ReadSection(section, keys);
  for (const std::string& name : keys)
    if (AnsiSameText(name, key)) return true;
  return false;
}

}  // namespace zelmor
