// TSafeIniFile: the library's INI file. Every operation on one file holds a
// machine-wide mutex named after the file's path, failures come back
// prefixed with the operation's name, dates and numbers are kept in fixed
// formats, and string values may be of any length and hold line breaks
// (value_layout.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/mutex.h"
#include "rtl/datetime.h"
#include "settings/custom_ini_file.h"
#include "settings/ini_store.h"

namespace zelmor {

// How long one key write is retried, and the pause between attempts.
constexpr uint32_t kRetryWindowMs = 1000;
constexpr uint32_t kRetryPauseMs = 20;
constexpr bool kDefaultSingleKeyMode = false;
// Whether a mutex that cannot be created is an error (else: work unlocked).
constexpr bool kRaiseOnMutexFailure = false;

class TSafeIniFile : public TCustomIniFile {
 public:
  // Opens or creates the file's mutex; the file itself is not touched.
  explicit TSafeIniFile(const std::string& file_name);
  ~TSafeIniFile() override;

  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& key,
                   const std::string& value) override;
  void ReadSection(const std::string& section, std::vector<std::string>& keys) override;
  using TCustomIniFile::ReadSections;
  void ReadSections(std::vector<std::string>& sections) override;
  void ReadSectionValues(const std::string& section, std::vector<std::string>& lines) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& key) override;
  void UpdateFile() override;

  // Dates "dd.mm.yyyy", times "hh:nn:ss.zzz", floats with a decimal point.
  // Text that does not convert reads as the default.
  virtual DateTime ReadDate(const std::string& section, const std::string& key,
                            DateTime default_value);
  virtual DateTime ReadDateTime(const std::string& section, const std::string& key,
                                DateTime default_value);
  virtual DateTime ReadTime(const std::string& section, const std::string& key,
                            DateTime default_value);
  virtual double ReadFloat(const std::string& section, const std::string& key,
                           double default_value);
  virtual void WriteDate(const std::string& section, const std::string& key, DateTime value);
  virtual void WriteDateTime(const std::string& section, const std::string& key,
                             DateTime value);
  virtual void WriteTime(const std::string& section, const std::string& key, DateTime value);
  virtual void WriteFloat(const std::string& section, const std::string& key, double value);

  // Whether each change is followed by a flush of the system's cache.
  bool FlushAfterChange = false;
  // Values kept under their one key, without companion keys (long values
  // are cut to one chunk).
  bool SingleKeyMode = kDefaultSingleKeyMode;

 private:
  class LockedScope;

  void CheckSection(const std::string& section) const;
  void CheckKey(const std::string& key) const;
  // One key as the store reads it, line-break markers decoded; `hash`, when
  // given, receives the hash of the text as stored.
  std::string ReadRawValue(const std::string& section, const std::string& key,
                           const std::string& default_value, int32_t* hash);
  void WriteKeyWithRetry(const std::string& section, const std::string& key,
                         const std::string& text);
  void FlushWithRetry();
  // How a failure of the operation's own write ends it.
  enum class OnFailure { kRetry, kIgnore, kRaise };
  // Writes what the store held back in memory, failing as the operation's
  // own write would fail (`on_failure`), then flushes when asked to.
  void FinishChange(OnFailure on_failure);
  void DeleteValueKeys(const std::string& section, const std::string& key,
                       bool delete_main_key);

  platform::MutexHandle lock_;
  IniStore store_;
};

}  // namespace zelmor
