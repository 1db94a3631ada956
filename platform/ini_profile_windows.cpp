#include "platform/ini_profile.h"

#include "platform/file_fault_hook.h"
#include "platform/windows_api.h"

namespace zelmor::platform {

namespace {

// The list calls return NUL-separated names ending with a double NUL and
// report size - 2 when the buffer was too small; grow until they fit.
template <typename Call>
std::vector<std::string> NameList(Call call) {
  std::vector<char> buffer(4096);
  DWORD length = 0;
  for (;;) {
    length = call(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length + 2 < buffer.size()) break;
    buffer.resize(buffer.size() * 4);
  }
  std::vector<std::string> names;
  for (DWORD pos = 0; pos < length;) {
    std::string name(buffer.data() + pos);
    pos += static_cast<DWORD>(name.size()) + 1;
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace

std::string ProfileReadString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& default_value,
                              size_t buffer_size) {
  std::vector<char> buffer(buffer_size);
  const DWORD length = ::GetPrivateProfileStringA(
      section.c_str(), key.c_str(), default_value.c_str(), buffer.data(),
      static_cast<DWORD>(buffer.size()), file.c_str());
  return std::string(buffer.data(), length);
}

bool ProfileWriteString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value) {
  if (fault::Injected(FileOp::kWrite, file)) return false;
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(),
                                      file.c_str()) != 0;
}

bool ProfileDeleteKey(const std::string& file, const std::string& section,
                      const std::string& key) {
  if (fault::Injected(FileOp::kDelete, file)) return false;
  return ::WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr,
                                      file.c_str()) != 0;
}

bool ProfileEraseSection(const std::string& file, const std::string& section) {
  if (fault::Injected(FileOp::kWrite, file)) return false;
  return ::WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str()) != 0;
}

std::vector<std::string> ProfileSectionKeys(const std::string& file,
                                            const std::string& section) {
  return NameList([&](char* buffer, DWORD size) {
    return ::GetPrivateProfileStringA(section.c_str(), nullptr, "", buffer, size,
                                      file.c_str());
  });
}

std::vector<std::string> ProfileSectionNames(const std::string& file) {
  return NameList([&](char* buffer, DWORD size) {
    return ::GetPrivateProfileSectionNamesA(buffer, size, file.c_str());
  });
}

bool ProfileFlush(const std::string& file) {
  // The flush form (no section, key or value) is documented to return FALSE
  // even after a successful flush, so its result says nothing.
  ::WritePrivateProfileStringA(nullptr, nullptr, nullptr, file.c_str());
  return true;
}

}  // namespace zelmor::platform
