// Replacing a file's whole content, for the settings store of the builds
// without the Windows profile functions (Linux).
#pragma once

#include <string>

namespace zelmor::platform {

// Replaces the content of `path` (a new file when it does not exist) with
// `bytes`, all or nothing for every reader: the bytes go to a new sibling
// file under a name nobody can guess, next to the file a symlink names, made
// with the original's owner, group and mode, flushed to the disk and renamed
// over it, the folder flushed after. Where the folder is not writable by this
// account, or the owner cannot be kept, the file is written in place instead,
// its new size reserved first so that a full disk leaves it as it was (see
// the .cpp for what a crash there can do). Siblings left by writers that died
// are removed first. The caller holds the file's lock. False with
// LastError() set on failure.
bool ReplaceFileContent(const std::string& path, const std::string& bytes);

}  // namespace zelmor::platform
