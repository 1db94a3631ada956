#include "platform/testing/child_process.h"

#include "platform/windows_api.h"

namespace zelmor::platform {

using win::AsHandle;
using win::FromHandle;

namespace {

// Quotes one argument so that the child's C runtime (CommandLineToArgvW and
// MSVCRT's argv) reads it back unchanged: backslashes are literal except
// before a quote, where they are doubled, and a quote is escaped.
std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
    return argument;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') backslashes = backslashes * 2 + 1;
    quoted.append(backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');  // the closing quote follows
  quoted += '"';
  return quoted;
}

// A file the child inherits as one of its standard handles.
HANDLE InheritableOutputFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

ProcessHandle SpawnProcess(const std::string& executable,
                           const std::vector<std::string>& arguments,
                           const ChildOutput* output) {
  std::string command_line = QuoteArgument(executable);
  for (const auto& argument : arguments) command_line += ' ' + QuoteArgument(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  HANDLE out = INVALID_HANDLE_VALUE, err = INVALID_HANDLE_VALUE;
  if (output) {
    out = InheritableOutputFile(output->stdout_path);
    err = InheritableOutputFile(output->stderr_path);
    if (out == INVALID_HANDLE_VALUE || err == INVALID_HANDLE_VALUE) {
      const DWORD code = ::GetLastError();
      if (out != INVALID_HANDLE_VALUE) ::CloseHandle(out);
      if (err != INVALID_HANDLE_VALUE) ::CloseHandle(err);
      ::SetLastError(code);
      return kInvalidProcess;
    }
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
  }
  PROCESS_INFORMATION process{};
  const BOOL started =
      ::CreateProcessA(executable.c_str(), command_line.data(), nullptr, nullptr,
                       output ? TRUE : FALSE, 0, nullptr, nullptr, &startup, &process);
  const DWORD code = ::GetLastError();
  if (output) {
    ::CloseHandle(out);
    ::CloseHandle(err);
  }
  if (!started) {
    ::SetLastError(code);
    return kInvalidProcess;
  }
  ::CloseHandle(process.hThread);
  return FromHandle(process.hProcess);
}

bool WaitProcess(ProcessHandle process, uint32_t timeout_ms, int& exit_code) {
  const DWORD result = ::WaitForSingleObject(AsHandle(process), timeout_ms);
  if (result == WAIT_TIMEOUT) return false;
  DWORD code = 0;
  if (result != WAIT_OBJECT_0 || !::GetExitCodeProcess(AsHandle(process), &code)) {
    exit_code = -1;
    return true;
  }
  exit_code = static_cast<int>(code);
  return true;
}

void KillProcess(ProcessHandle process) {
  ::TerminateProcess(AsHandle(process), 1);
  ::WaitForSingleObject(AsHandle(process), INFINITE);
}

void InterruptProcess(ProcessHandle process) { KillProcess(process); }

void CloseProcess(ProcessHandle process) {
  if (process != kInvalidProcess) ::CloseHandle(AsHandle(process));
}

}  // namespace zelmor::platform
