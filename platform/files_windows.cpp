#include "platform/files.h"

#include "platform/file_fault_hook.h"
#include "platform/files_os.h"
#include "platform/windows_api.h"

namespace zelmor::platform {

using win::AsHandle;
using win::FromHandle;
using win::IsSlash;

const char kPathDelimiter = '\\';
const bool kCaseInsensitiveFileNames = true;

// The runtime's path split stops at a backslash or a drive colon; a forward
// slash is part of a name there, so it is here too.
bool IsPathDelimiter(char c) { return c == '\\' || c == ':'; }

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

namespace os {

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

}  // namespace os

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

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (fault::Injected(FileOp::kRename, from)) return false;
  return ::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
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

std::string ResolvedPath(const std::string& path) { return path; }

// Windows names hold no wildcard characters.
std::vector<std::string> FindFilesStartingWith(const std::string& path) {
  return FindFiles(path + "*");
}

}  // namespace zelmor::platform
