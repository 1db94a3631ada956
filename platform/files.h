// Files, folders and file names.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zelmor::platform {

// Path separator of file paths on this platform ('\\' or '/').
extern const char kPathDelimiter;
// True for every character that ends a folder part: '\\' and ':' on Windows,
// '/' on Linux.
bool IsPathDelimiter(char c);
// True where the file system ignores the letter case of file names
// (Windows), so that a path may be upper-cased without naming another file.
extern const bool kCaseInsensitiveFileNames;

using FileHandle = intptr_t;
constexpr FileHandle kInvalidFile = -1;

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// Opens an existing file with full sharing (others may read and write).
// A file held exclusively elsewhere fails with kErrorSharingViolation.
// Linux, for this and the two below: anything but a regular file is
// refused (kErrorRefused), and so, for a writable open or a create, is a
// symlink at `path` or a folder outside the station's layout (a folder
// every account may write to, or another account's); new files are made
// 0660, for the folder's group. Windows: the ACLs decide.
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

// The file `path` names with symlinks, "." and ".." and doubled delimiters
// resolved, or `path` as given when that fails. Windows: `path` as given.
std::string ResolvedPath(const std::string& path);

bool FileExists(const std::string& path);       // files only
bool DirectoryExists(const std::string& path);
// Creates the folder and every missing parent (Linux: 02770, the station
// group's, whatever the umask). True when it exists after.
bool ForceDirectories(const std::string& path);
// Fails (false) when `to` exists or `from` is open elsewhere without sharing.
bool RenameFile(const std::string& from, const std::string& to);
// Renames `from` over `to`, replacing `to` when it exists, in one step: a
// reader of `to` sees either the old or the new file, never a mix.
// MoveFileExA(MOVEFILE_REPLACE_EXISTING) on Windows, rename() on Linux.
bool ReplaceFile(const std::string& from, const std::string& to);
// Fails when the file is open elsewhere without sharing.
bool DeleteFile(const std::string& path);
// Bare names of the entries of every attribute matching `pattern`, whose
// last component may hold the wildcards * and ? (other characters, [ and ]
// too, match only themselves).
std::vector<std::string> FindFiles(const std::string& pattern);
// Bare names of the entries whose name starts with the last component of
// `path`, every character of it taken literally (a Linux name may hold * or
// ? itself).
std::vector<std::string> FindFilesStartingWith(const std::string& path);

}  // namespace zelmor::platform
