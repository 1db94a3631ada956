// The store over the Windows profile functions; the system caches the file,
// so batches need nothing of their own.
#include "settings/ini_store.h"

#include "platform/errors.h"
#include "platform/ini_profile.h"

namespace zelmor {

// The system keeps the file's state.
IniStore::State* IniStore::NewState() { return nullptr; }
void IniStore::StateDeleter::operator()(State*) const {}

std::string IniStore::ReadKey(const std::string& section, const std::string& key,
                              const std::string& default_value) {
  return platform::ProfileReadString(file_name_, section, key, default_value,
                                     kReadBufferSize);
}

void IniStore::WriteKey(const std::string& section, const std::string& key,
                        const std::string& value) {
  if (!platform::ProfileWriteString(file_name_, section, key, value))
    RaiseWriteError();
}

void IniStore::DeleteKey(const std::string& section, const std::string& key) {
  platform::ProfileDeleteKey(file_name_, section, key);
}

void IniStore::EraseSection(const std::string& section) {
  if (!platform::ProfileEraseSection(file_name_, section)) RaiseWriteError();
}

std::vector<std::string> IniStore::ReadSection(const std::string& section) {
  return platform::ProfileSectionKeys(file_name_, section);
}

std::vector<std::string> IniStore::ReadSections() {
  return platform::ProfileSectionNames(file_name_);
}

void IniStore::BeginBatch() {}
void IniStore::EndBatch() {}
bool IniStore::HasPendingChanges() const { return false; }
bool IniStore::Flush() {
  if (platform::ProfileFlush(file_name_)) return true;
  last_failure_ = platform::LastError();
  return false;
}

}  // namespace zelmor
