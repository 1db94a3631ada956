// Windows implementation of the OS layer: the Win32 ANSI calls themselves.
//
// Handles cross the interface as integers (files, processes) or as a small
// owned record (mutexes). Every failing path returns straight after the
// failing call, so GetLastError() still holds its code when the caller asks.
#include "platform/platform.h"

#include "platform/fault_injection.h"

#include <windows.h>

#include "platform/command_line.h"

// <windows.h> maps these names to their A/W variants or to FreeLibrary; ours
// are the functions of this layer.
#undef DeleteFile
#undef SetEnvironmentVariable
#undef GetEnvironmentVariable
#undef FreeModule

namespace zelmor::platform {

const char kPathDelimiter = '\\';
const char* const kZelmorLibraryFileName = "Zelmor.dll";
const char* const kClientLibraryFileName = "GDS32.dll";
const char* const kHomeClientLibraryPath = "FIREBIRD\\bin\\GDS32.dll";
const char* const kHomeFirebirdFolder = "FIREBIRD\\";

// The runtime's path split stops at a backslash or a drive colon; a forward
// slash is part of a name there, so it is here too.
bool IsPathDelimiter(char c) { return c == '\\' || c == ':'; }

namespace {

// The fixed buffer size the suite passes to GetTempPathA and friends.
constexpr DWORD kPathBuffer = 260;

HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

bool IsSlash(char c) { return c == '\\' || c == '/'; }

}  // namespace

// ---- errors ------------------------------------------------------------------

uint32_t LastError() { return ::GetLastError(); }
void SetLastError(uint32_t code) { ::SetLastError(code); }

std::string SystemErrorMessage(uint32_t code) {
  char buffer[1024];
  DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, buffer, sizeof buffer, nullptr);
  if (length == 0) return "Unknown error " + std::to_string(code);
  while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                        buffer[length - 1] == ' '))
    --length;
  return std::string(buffer, length);
}

// ---- named mutex -------------------------------------------------------------

struct NamedMutex {
  HANDLE handle;
};

namespace {

// Each thread prepares its own descriptor, so a thread that prepares one
// never rewrites a descriptor another thread is passing to CreateMutexA.
struct NullDaclSecurity {
  SECURITY_DESCRIPTOR descriptor;
  SECURITY_ATTRIBUTES attributes;
  bool ready = false;
};
thread_local NullDaclSecurity t_security;

// Hosts of the suite are 32-bit: the structure they pass is 12 bytes long.
static_assert(sizeof(void*) != 4 || sizeof(SECURITY_ATTRIBUTES) == 12);

}  // namespace

SecurityStep PrepareNullDaclSecurity() {
  NullDaclSecurity& security = t_security;
  security.ready = false;
  if (!::InitializeSecurityDescriptor(&security.descriptor, SECURITY_DESCRIPTOR_REVISION))
    return SecurityStep::kInitializeDescriptor;
  // DACL present but null: every account in every session may open it.
  if (!::SetSecurityDescriptorDacl(&security.descriptor, TRUE, nullptr, FALSE))
    return SecurityStep::kSetDacl;
  security.attributes.nLength = sizeof(SECURITY_ATTRIBUTES);
  security.attributes.lpSecurityDescriptor = &security.descriptor;
  security.attributes.bInheritHandle = FALSE;
  security.ready = true;
  return SecurityStep::kOk;
}

MutexHandle CreateMutexNullDacl(const std::string& name) {
  NullDaclSecurity& security = t_security;
  if (!security.ready && PrepareNullDaclSecurity() != SecurityStep::kOk) return nullptr;
  const HANDLE handle = ::CreateMutexA(&security.attributes, FALSE, name.c_str());
  if (!handle) return nullptr;
  return new NamedMutex{handle};
}

void WaitMutex(MutexHandle mutex) {
  // WAIT_ABANDONED hands the mutex over as well, so the result needs no check.
  if (mutex) ::WaitForSingleObject(mutex->handle, INFINITE);
}

void ReleaseMutex(MutexHandle mutex) {
  if (mutex) ::ReleaseMutex(mutex->handle);
}

void CloseMutex(MutexHandle mutex) {
  if (!mutex) return;
  ::CloseHandle(mutex->handle);
  delete mutex;
}

// ---- files -------------------------------------------------------------------

namespace {

FileHandle OpenFile(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  const HANDLE handle = ::CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  return handle == INVALID_HANDLE_VALUE ? kInvalidFile : FromHandle(handle);
}

DWORD Attributes(const std::string& path) { return ::GetFileAttributesA(path.c_str()); }

}  // namespace

FileHandle OpenShared(const std::string& path, bool writable) {
  if (fault::Injected(FileOp::kOpen, path)) return kInvalidFile;
  const DWORD access = writable ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  return fault::Track(
      OpenFile(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING), path);
}

FileHandle CreateExclusive(const std::string& path) {
  if (fault::Injected(FileOp::kCreate, path)) return kInvalidFile;
  return fault::Track(OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS), path);
}

FileHandle OpenExclusive(const std::string& path) {
  if (fault::Injected(FileOp::kOpen, path)) return kInvalidFile;
  return fault::Track(OpenFile(path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_EXISTING), path);
}

int64_t FileSeek(FileHandle file, int64_t offset, SeekOrigin origin) {
  const DWORD method = origin == SeekOrigin::kBegin     ? FILE_BEGIN
                       : origin == SeekOrigin::kCurrent ? FILE_CURRENT
                                                        : FILE_END;
  LARGE_INTEGER distance;
  distance.QuadPart = offset;
  LARGE_INTEGER position;
  if (!::SetFilePointerEx(AsHandle(file), distance, &position, method)) return -1;
  return position.QuadPart;
}

int64_t FileRead(FileHandle file, void* buffer, size_t count) {
  if (fault::Injected(FileOp::kRead, file)) return -1;
  const DWORD chunk = count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
  DWORD read = 0;
  if (!::ReadFile(AsHandle(file), buffer, chunk, &read, nullptr)) return -1;
  return read;
}

namespace {

bool WriteAll(FileHandle file, const char* p, size_t count) {
  while (count > 0) {
    const DWORD chunk = count > MAXDWORD ? MAXDWORD : static_cast<DWORD>(count);
    DWORD written = 0;
    if (!::WriteFile(AsHandle(file), p, chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    p += written;
    count -= written;
  }
  return true;
}

}  // namespace

bool FileWriteAll(FileHandle file, const void* buffer, size_t count) {
  if (fault::Injected(FileOp::kWrite, file)) return false;
  const char* p = static_cast<const char*>(buffer);
  if (fault::Injected(FileOp::kShortWrite, file)) {
    const uint32_t code = LastError();
    WriteAll(file, p, count / 2);
    SetLastError(code);
    return false;
  }
  return WriteAll(file, p, count);
}

int64_t FileGetSize(FileHandle file) {
  LARGE_INTEGER size;
  if (!::GetFileSizeEx(AsHandle(file), &size)) return -1;
  return size.QuadPart;
}

bool FileSetSize(FileHandle file, int64_t size) {
  if (fault::Injected(FileOp::kSetSize, file)) return false;
  // SetEndOfFile cuts at the file pointer; the caller's position is kept, as
  // a truncate elsewhere keeps it.
  const int64_t position = FileSeek(file, 0, SeekOrigin::kCurrent);
  if (position < 0 || FileSeek(file, size, SeekOrigin::kBegin) < 0) return false;
  if (!::SetEndOfFile(AsHandle(file))) {
    const DWORD error = ::GetLastError();
    FileSeek(file, position, SeekOrigin::kBegin);
    ::SetLastError(error);
    return false;
  }
  return FileSeek(file, position, SeekOrigin::kBegin) >= 0;
}

void FileClose(FileHandle file) {
  if (file == kInvalidFile) return;
  fault::Untrack(file);
  ::CloseHandle(AsHandle(file));
}

bool FileExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ForceDirectories(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 1 && IsSlash(folder.back())) folder.pop_back();
  if (folder.empty()) {
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  if (DirectoryExists(folder)) return true;
  const auto cut = folder.find_last_of("\\/");
  if (cut != std::string::npos && cut > 0) {
    const std::string parent = folder.substr(0, cut);
    const bool drive_root = parent.size() == 2 && parent[1] == ':';
    if (!drive_root && !ForceDirectories(parent)) return false;
  }
  if (!::CreateDirectoryA(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  if (DirectoryExists(folder)) return true;
  ::SetLastError(ERROR_ALREADY_EXISTS);  // a file of that name is in the way
  return false;
}

bool RenameFile(const std::string& from, const std::string& to) {
  if (fault::Injected(FileOp::kRename, from)) return false;
  return ::MoveFileA(from.c_str(), to.c_str()) != 0;
}

bool DeleteFile(const std::string& path) {
  if (fault::Injected(FileOp::kDelete, path)) return false;
  return ::DeleteFileA(path.c_str()) != 0;
}

std::vector<std::string> FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA entry;
  const HANDLE search = ::FindFirstFileA(pattern.c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = entry.cFileName;
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileA(search, &entry));
  ::FindClose(search);
  return names;
}

// ---- clock, ids, sleep ---------------------------------------------------------

uint32_t TickCount() {
  if (const auto* fake = fault::FakeTicks()) return fake->load();
  return ::GetTickCount();
}

LocalTime CurrentLocalTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  return {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

uint32_t CurrentProcessId() { return ::GetCurrentProcessId(); }
uint32_t CurrentThreadId() { return ::GetCurrentThreadId(); }
void SleepMs(uint32_t milliseconds) {
  if (auto* fake = fault::FakeTicks()) {
    fake->fetch_add(milliseconds);
    return;
  }
  ::Sleep(milliseconds);
}
void Beep(uint32_t frequency, uint32_t duration_ms) { ::Beep(frequency, duration_ms); }

// ---- process and environment -----------------------------------------------------

namespace {

// A module's file name; long paths get a larger buffer than MAX_PATH.
std::string ModuleFileName(HMODULE module) {
  std::string buffer(MAX_PATH, '\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      buffer.resize(length);
      return buffer;
    }
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

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

std::string HostExecutablePath() { return ModuleFileName(nullptr); }

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!::GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(address), &module))
    return {};
  return ModuleFileName(module);
}

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

// ---- modules -------------------------------------------------------------------------

std::vector<std::string> ClientLibraryNames() { return {"GDS32.dll", "fbclient.dll"}; }

bool IsModuleLoaded(const std::string& name) { return ::GetModuleHandleA(name.c_str()) != nullptr; }

ModuleHandle LoadedModule(const std::string& name) { return ::GetModuleHandleA(name.c_str()); }

ModuleHandle LoadModule(const std::string& path_or_name) {
  return ::LoadLibraryA(path_or_name.c_str());
}

void* ModuleSymbol(ModuleHandle module, const char* symbol) {
  return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), symbol));
}

bool FreeModule(ModuleHandle module) { return ::FreeLibrary(static_cast<HMODULE>(module)) != 0; }

// ---- child processes -------------------------------------------------------------------

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

void CloseProcess(ProcessHandle process) {
  if (process != kInvalidProcess) ::CloseHandle(AsHandle(process));
}

// ---- notification -----------------------------------------------------------------------

bool PostNotification(uintptr_t target, uint32_t message) {
  return ::PostMessageA(reinterpret_cast<HWND>(target), message, 0, 0) != 0;
}

}  // namespace zelmor::platform

// ---- replacing a file (settings store) ---------------------------------------

// <windows.h> maps ReplaceFile to ReplaceFileA; ours is this layer's.
#undef ReplaceFile

namespace zelmor::platform {

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (fault::Injected(FileOp::kRename, from)) return false;
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool StdoutIsTerminal() {
  return ::GetFileType(::GetStdHandle(STD_OUTPUT_HANDLE)) == FILE_TYPE_CHAR;
}

}  // namespace zelmor::platform

// ---- file name case (fuel database connection text) -----------------------
namespace zelmor::platform {
const bool kCaseInsensitiveFileNames = true;
}  // namespace zelmor::platform

// ---- process memory (memory benchmark) ---------------------------------------
// Kept with the one function that needs it (psapi, linked in CMakeLists.txt).
#include <psapi.h>

namespace zelmor::platform {

uint64_t ResidentMemoryBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.WorkingSetSize;
}

}  // namespace zelmor::platform
