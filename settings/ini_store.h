// One INI file, kept as the Windows profile functions keep it: section and
// key names compared without regard to case, the first match winning, one
// name=value line per key, blanks and one pair of enclosing quotes dropped on
// reading, other lines left as they are.
//
// Two implementations, chosen by the build: ini_store_profile.cpp calls the
// Windows profile functions; ini_store_file.cpp keeps the file itself and
// writes it whole with platform::ReplaceFileContent, so no reader ever sees
// a half-written file. What both share is ini_store.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/errors.h"

namespace zelmor {

class IniStore {
 public:
  // The profile functions read into a buffer of this size, NUL included.
  static constexpr size_t kReadBufferSize = 65535;

  explicit IniStore(std::string file_name);
  ~IniStore();
  IniStore(const IniStore&) = delete;
  IniStore& operator=(const IniStore&) = delete;

  const std::string& FileName() const { return file_name_; }

  // The value, at most kReadBufferSize - 1 bytes, or `default_value` (its
  // trailing blanks dropped) when the file, section or key is missing.
  std::string ReadKey(const std::string& section, const std::string& key,
                      const std::string& default_value);
  // Raises EIniFileException on failure; LastFailure() tells why.
  void WriteKey(const std::string& section, const std::string& key,
                const std::string& value);
  // Failures are ignored, as the runtime's INI class does.
  void DeleteKey(const std::string& section, const std::string& key);
  // Removes every section of that name with all its lines. Raises
  // EIniFileException on failure.
  void EraseSection(const std::string& section);
  std::vector<std::string> ReadSection(const std::string& section);
  std::vector<std::string> ReadSections();

  // A batch groups the operations one holder of the file's lock makes: the
  // store may read the file once and keep changes in memory until Flush.
  // Batches nest; the outermost EndBatch drops changes not flushed.
  void BeginBatch();
  void EndBatch();
  bool HasPendingChanges() const;
  // Writes pending changes as WriteKey writes its change: raises
  // EIniFileException on failure, LastFailure() telling why.
  void WritePending();
  // Writes pending changes / flushes the system's cache of the file. False
  // with platform::LastError() set on failure.
  bool Flush();
  // The error code of the last failed write or flush. Kept here because
  // unwinding an exception may change the system's last-error value.
  uint32_t LastFailure() const { return last_failure_; }

 private:
  // What an implementation keeps between calls; it alone knows the type.
  struct State;
  static State* NewState();
  struct StateDeleter {
    void operator()(State* state) const;
  };
  // Records the system's error code and raises EIniFileException.
  [[noreturn]] void RaiseWriteError();

  std::string file_name_;
  std::unique_ptr<State, StateDeleter> state_;
  uint32_t last_failure_ = 0;
};

}  // namespace zelmor
