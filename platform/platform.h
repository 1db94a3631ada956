// The one door to the operating system.
//
// Everything in Zelmor that touches the OS goes through this header; the two
// implementations are platform_windows.cpp (the Win32 calls themselves) and
// platform_posix.cpp (the same observable behaviour on Linux). No other file
// includes <windows.h> or POSIX headers.
//
// Conventions:
//  * Strings are CP1251 byte strings (std::string), as everywhere in Zelmor.
//  * A function that can fail returns false / an invalid handle and leaves the
//    Windows error code of the failure in LastError(). On Linux errno is
//    mapped to the Windows codes listed below, so callers test one set.
//  * Nothing here throws.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zelmor::platform {

// Windows error codes the rest of the system tests for.
enum ErrorCode : uint32_t {
  kErrorSuccess = 0,
  kErrorFileNotFound = 2,
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorInvalidHandle = 6,
  kErrorNotEnoughMemory = 8,
  kErrorWriteFault = 29,
  kErrorReadFault = 30,
  kErrorSharingViolation = 32,
  kErrorLockViolation = 33,
  kErrorFileExists = 80,
  kErrorInvalidParameter = 87,
  kErrorBufferOverflow = 111,  // file name too long
  kErrorDiskFull = 112,
  kErrorInvalidName = 123,     // bad file name syntax
  kErrorModNotFound = 126,
  kErrorProcNotFound = 127,
  kErrorAlreadyExists = 183,
};

// Path separator of file paths on this platform ('\\' or '/').
extern const char kPathDelimiter;
// True for every character that ends a folder part: '\\' and ':' on Windows,
// '/' on Linux.
bool IsPathDelimiter(char c);

// ---- errors --------------------------------------------------------------
uint32_t LastError();
void SetLastError(uint32_t code);
// The system's message text for an error code (FormatMessage / strerror),
// without a trailing line break.
std::string SystemErrorMessage(uint32_t code);

// ---- machine-wide named mutex --------------------------------------------
// Windows: CreateMutexA with a null-DACL security descriptor. Linux: flock on
// a lock file; names starting with "Global\" live in one machine-wide folder,
// other names in a per-user folder. The lock is recursive for its owning
// thread, one lock is shared by every handle of the process that names it,
// and the OS frees it when the owning process dies.
struct NamedMutex;
using MutexHandle = NamedMutex*;

// Which step of preparing the null-DACL security descriptor failed.
enum class SecurityStep { kOk, kInitializeDescriptor, kSetDacl };
// Prepares the null-DACL descriptor used by CreateMutexNullDacl. Always kOk
// on Linux.
SecurityStep PrepareNullDaclSecurity();
// Creates or opens the mutex `name` (not initially owned, not inheritable).
// Returns nullptr on failure with LastError() set.
MutexHandle CreateMutexNullDacl(const std::string& name);
// Waits without a time limit. A mutex abandoned by a dead owner counts as
// taken.
void WaitMutex(MutexHandle mutex);
void ReleaseMutex(MutexHandle mutex);
void CloseMutex(MutexHandle mutex);

// ---- files ----------------------------------------------------------------
using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// Opens an existing file with full sharing (others may read and write).
// A file held exclusively elsewhere fails with kErrorSharingViolation.
FileHandle OpenShared(const std::string& path, bool writable);
// Creates (replacing any existing file) for reading and writing, with no
// sharing while it is open. A file open elsewhere fails with
// kErrorSharingViolation and is left untouched.
FileHandle CreateExclusive(const std::string& path);
// Opens an existing file for reading and writing with no sharing.
FileHandle OpenExclusive(const std::string& path);
// Returns the new position, or -1 on failure.
int64_t FileSeek(FileHandle file, int64_t offset, SeekOrigin origin);
// Returns the bytes read (0 at the end), or -1 on failure.
int64_t FileRead(FileHandle file, void* buffer, size_t count);
// Writes all of `count` bytes, looping on partial writes. False on failure.
bool FileWriteAll(FileHandle file, const void* buffer, size_t count);
// Size in bytes, or -1 on failure.
int64_t FileGetSize(FileHandle file);
// Sets the file's size (truncates or extends). False on failure.
bool FileSetSize(FileHandle file, int64_t size);
void FileClose(FileHandle file);

bool FileExists(const std::string& path);       // files only
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent. True when it exists after.
bool ForceDirectories(const std::string& path);
// Fails (false) when `to` exists or `from` is open elsewhere without sharing.
bool RenameFile(const std::string& from, const std::string& to);
// Fails when the file is open elsewhere without sharing.
bool DeleteFile(const std::string& path);
// Bare names of the entries of every attribute matching `pattern`, whose
// last component may hold the wildcards * and ?.
std::vector<std::string> FindFiles(const std::string& pattern);

// ---- clock, ids, sleep ------------------------------------------------------
// Milliseconds since an arbitrary start, wrapping at 2^32 (GetTickCount).
uint32_t TickCount();
struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
LocalTime CurrentLocalTime();
uint32_t CurrentProcessId();
uint32_t CurrentThreadId();
void SleepMs(uint32_t milliseconds);
// A tone on Windows; on Linux only the pause.
void Beep(uint32_t frequency, uint32_t duration_ms);

// ---- process and environment ------------------------------------------------
// The user's temporary folder, ending with the path delimiter.
std::string TempPath();
// The Windows directory, without a trailing delimiter ($ZEDE_WINDIR or
// /etc/zede on Linux).
std::string WindowsDirectory();
// The suite's home folder, ending with the path delimiter: "C:\ZEDE\" on
// Windows, $ZEDE_HOME or /opt/zede/ on Linux.
std::string ZedeHome();
// Full path of the host program's executable.
std::string HostExecutablePath();
// Full path of the module (library or program) that contains `address`.
std::string ModulePathOf(const void* address);
// The host process's command-line arguments, without the program path.
std::vector<std::string> CommandLineArguments();
// The decimal separator of the user's regional settings.
char LocaleDecimalSeparator();
bool SetEnvironmentVariable(const std::string& name, const std::string& value);
std::string GetEnvironmentVariable(const std::string& name);

// ---- modules ----------------------------------------------------------------
using ModuleHandle = void*;
// The file names under which the suite ships its pieces on this platform.
extern const char* const kZelmorLibraryFileName;  // "Zelmor.dll" / "libZelmor.so"
extern const char* const kClientLibraryFileName;  // "GDS32.dll" / "libfbclient.so.2"
// Client library names tried, in order, when it is loaded by name.
std::vector<std::string> ClientLibraryNames();
// The suite's own copy of the client library, relative to ZedeHome().
extern const char* const kHomeClientLibraryPath;
// The FIREBIRD root folder relative to ZedeHome(), ending with a delimiter.
extern const char* const kHomeFirebirdFolder;

// True when a module with this file name is loaded in the process.
bool IsModuleLoaded(const std::string& name);
// nullptr on failure with LastError() set.
ModuleHandle LoadModule(const std::string& path_or_name);
// A module of that name already loaded, without loading it; nullptr if none.
// The handle is borrowed (no reference is taken): never pass it to
// FreeModule.
ModuleHandle LoadedModule(const std::string& name);
void* ModuleSymbol(ModuleHandle module, const char* symbol);
bool FreeModule(ModuleHandle module);

// ---- child processes ------------------------------------------------------------
// Used by the cross-process tests and the tools that drive the library.
using ProcessHandle = intptr_t;
constexpr ProcessHandle kInvalidProcess = -1;
// Files that take a child's standard output and standard error (created or
// emptied), for tests that read what a program printed.
struct ChildOutput {
  std::string stdout_path, stderr_path;
};
// Starts `executable` with `arguments` (passed as they are, one each); its
// standard output and error are this process's unless `output` names files.
ProcessHandle SpawnProcess(const std::string& executable,
                           const std::vector<std::string>& arguments,
                           const ChildOutput* output = nullptr);
// Waits up to `timeout_ms` for the process to end. Returns true with its exit
// code when it ended, false on time-out.
bool WaitProcess(ProcessHandle process, uint32_t timeout_ms, int& exit_code);
// Ends the process at once, as a crash would, and reaps it.
void KillProcess(ProcessHandle process);
// Releases the handle of an ended process (no-op on Linux).
void CloseProcess(ProcessHandle process);

// ---- notification -------------------------------------------------------------
// Posts `message` to `target` without waiting: PostMessageA(window, message,
// 0, 0) on Windows; on Linux `target` is a descriptor (pipe or eventfd) and the
// 32-bit message is written to it without blocking.
bool PostNotification(uintptr_t target, uint32_t message);

// ---- console ----------------------------------------------------------------------
// True when standard output is a terminal (colours make sense there).
bool StdoutIsTerminal();

}  // namespace zelmor::platform

// ---- replacing a file (settings store) ---------------------------------------
namespace zelmor::platform {
// Renames `from` over `to`, replacing `to` when it exists, in one step: a
// reader of `to` sees either the old or the new file, never a mix.
// MoveFileExA(MOVEFILE_REPLACE_EXISTING) on Windows, rename() on Linux.
bool ReplaceFile(const std::string& from, const std::string& to);
}  // namespace zelmor::platform

// ---- file name case (fuel database connection text) -----------------------
namespace zelmor::platform {
// True where the file system ignores the letter case of file names
// (Windows), so that a path may be upper-cased without naming another file.
extern const bool kCaseInsensitiveFileNames;
}  // namespace zelmor::platform

// ---- fault injection (tests only) ---------------------------------------------
// A seam for tests, as leveldb tests through a fault-injecting Env: an
// injector set here is asked before each file call below runs and may make
// it fail without touching the file. Nothing in the product sets one.
namespace zelmor::platform {
enum class FileOp {
  kOpen,     // OpenShared, OpenExclusive
  kCreate,   // CreateExclusive
  kRead,     // FileRead
  kWrite,    // FileWriteAll; on Windows also the profile writes of a settings file
  kSetSize,  // FileSetSize
  kRename,   // RenameFile, ReplaceFile (`path` is the source)
  kDelete,   // DeleteFile; on Windows also the profile's key deletion
  // FileWriteAll puts the first half of its bytes down, then fails: a write
  // the OS takes only in part.
  kShortWrite,
};
// Returns 0 to let the call run, or the Windows error code it fails with
// (left in LastError()). For calls on a handle `path` is the name the handle
// was opened under, or empty for a handle opened before the injector was set.
// Called from whichever thread makes the file call, outside any lock of this
// layer; it must not make file calls itself.
using FaultInjector = std::function<uint32_t(FileOp op, const std::string& path)>;
// Sets the injector, replacing any earlier one; an empty one removes it. A
// call that already asked the old injector may still be inside it when this
// returns. Without an injector each file call pays one relaxed atomic load
// (FileWriteAll two).
void SetFaultInjector(FaultInjector injector);

// A tick counter of the test's own: while one is set, TickCount() reads it
// and SleepMs() adds the pause to it at once instead of sleeping, so that a
// timeout or a retry window is counted in attempts, whatever the machine's
// load. Null puts the OS counter back. The test owns the counter and keeps
// it alive while it is set.
void SetFakeTicks(std::atomic<uint32_t>* ticks);
}  // namespace zelmor::platform

// ---- process memory (memory benchmark) ---------------------------------------
namespace zelmor::platform {
// The process's resident memory in bytes, or 0 when it cannot be read:
// VmRSS of /proc/self/status on Linux, the working set of
// GetProcessMemoryInfo on Windows.
uint64_t ResidentMemoryBytes();
}  // namespace zelmor::platform
