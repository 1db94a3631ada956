// What both implementations of the store share.
#include "settings/ini_store.h"

#include <utility>

#include "platform/errors.h"
#include "rtl/exceptions.h"

namespace zelmor {

IniStore::IniStore(std::string file_name)
    : file_name_(std::move(file_name)), state_(NewState()) {}
IniStore::~IniStore() = default;

void IniStore::WritePending() {
  if (!Flush()) RaiseWriteError();
}

void IniStore::RaiseWriteError() {
  last_failure_ = platform::LastError();
  throw EIniFileException("Unable to write to " + file_name_);
}

}  // namespace zelmor
