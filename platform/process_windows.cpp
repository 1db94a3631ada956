#include "platform/process.h"

#include "platform/command_line.h"
#include "platform/windows_api.h"

namespace zelmor::platform {

using win::IsSlash;
using win::kPathBuffer;

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }
uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }

std::string TempPath() {
  char buffer[kPathBuffer];
  const DWORD length = ::GetTempPathA(kPathBuffer, buffer);
  if (length == 0 || length >= kPathBuffer) return {};
  std::string path(buffer, length);
  if (!IsSlash(path.back())) path += '\\';
  return path;
}

std::string WindowsDirectory() {
  char buffer[kPathBuffer];
  const UINT length = ::GetWindowsDirectoryA(buffer, kPathBuffer);
  if (length == 0 || length >= kPathBuffer) return {};
  std::string path(buffer, length);
  while (!path.empty() && IsSlash(path.back())) path.pop_back();
  return path;
}

std::string ZedeHome() { return "C:\\ZEDE\\"; }

std::vector<std::string> CommandLineArguments() {
  std::vector<std::string> arguments = SplitCommandLine(::GetCommandLineA());
  if (!arguments.empty()) arguments.erase(arguments.begin());
  return arguments;
}

char LocaleDecimalSeparator() {
  char buffer[8] = {};
  if (::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, sizeof buffer) < 2)
    return '.';
  return buffer[0];
}

bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  return ::SetEnvironmentVariableA(name.c_str(), value.c_str()) != 0;
}

std::string GetEnvironmentVariable(const std::string& name) {
  std::string value;
  DWORD size = ::GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  // The value may grow between the two calls; ask again until it fits.
  while (size > 0) {
    value.resize(size);
    const DWORD length = ::GetEnvironmentVariableA(name.c_str(), value.data(), size);
    if (length < size) {
      value.resize(length);
      return value;
    }
    size = length;
  }
  return {};
}

bool StdoutIsTerminal() {
  return ::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
}

}  // namespace zelmor::platform
