// The Windows profile functions (GetPrivateProfileStringA and its family),
// which keep INI files for the settings store. Windows only: on Linux the
// store keeps the file itself (settings/ini_store_file.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace zelmor::platform {

// GetPrivateProfileStringA into a buffer of `buffer_size` bytes: the value
// (blanks and one pair of enclosing quotes dropped) or `default_value`; the
// text ends at the first NUL.
std::string ProfileReadString(const std::string& file, const std::string& section,
                              const std::string& key, const std::string& default_value,
                              size_t buffer_size);
// WritePrivateProfileStringA. False with LastError() set on failure.
bool ProfileWriteString(const std::string& file, const std::string& section,
                        const std::string& key, const std::string& value);
bool ProfileDeleteKey(const std::string& file, const std::string& section,
                      const std::string& key);
bool ProfileEraseSection(const std::string& file, const std::string& section);
// Key names of a section, section names of the file, in file order.
std::vector<std::string> ProfileSectionKeys(const std::string& file,
                                            const std::string& section);
std::vector<std::string> ProfileSectionNames(const std::string& file);
// Flushes the system's cache of the file.
bool ProfileFlush(const std::string& file);

}  // namespace zelmor::platform
