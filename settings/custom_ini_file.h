// The INI file interface of the runtime: the operations a concrete INI file
// provides, and the ones built on them (integers, Booleans, binary data,
// key existence) that reach the file only through ReadString, WriteString
// and ReadSection.
#pragma once

#include <string>
#include <vector>

namespace zelmor {

class TCustomIniFile {
 public:
  explicit TCustomIniFile(std::string file_name) : file_name_(std::move(file_name)) {}
  virtual ~TCustomIniFile() = default;
  TCustomIniFile(const TCustomIniFile&) = delete;
  TCustomIniFile& operator=(const TCustomIniFile&) = delete;

  const std::string& FileName() const { return file_name_; }

  virtual std::string ReadString(const std::string& section, const std::string& key,
                                 const std::string& default_value) = 0;
  virtual void WriteString(const std::string& section, const std::string& key,
                           const std::string& value) = 0;
  virtual void ReadSection(const std::string& section, std::vector<std::string>& keys) = 0;
  virtual void ReadSections(std::vector<std::string>& sections) = 0;
  virtual void ReadSectionValues(const std::string& section,
                                 std::vector<std::string>& lines) = 0;
  virtual void EraseSection(const std::string& section) = 0;
  virtual void DeleteKey(const std::string& section, const std::string& key) = 0;
  virtual void UpdateFile() = 0;

  // Decimal or "0x"/"$" hexadecimal text; anything else gives the default.
  int ReadInteger(const std::string& section, const std::string& key, int default_value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  // Stored as "1" / "0"; any non-zero integer reads as true.
  bool ReadBool(const std::string& section, const std::string& key, bool default_value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // Bytes stored as upper-case hexadecimal text. Reading appends the bytes
  // up to the first pair that is not hexadecimal and returns their count.
  int ReadBinaryStream(const std::string& section, const std::string& key, std::string& bytes);
  void WriteBinaryStream(const std::string& section, const std::string& key,
                         const std::string& bytes);
  // The names of the sections "<section>\<name>", or of all sections for an
  // empty `section`.
  void ReadSections(const std::string& section, std::vector<std::string>& names);
  // Whether the section lists the key (letter case ignored).
  bool ValueExists(const std::string& section, const std::string& key);

 private:
  std::string file_name_;
};

// The text as a 32-bit integer (decimal, "$" or "0x" hexadecimal), or the
// default when it is not one.
int StrToInt32Def(const std::string& text, int default_value);

}  // namespace zelmor
