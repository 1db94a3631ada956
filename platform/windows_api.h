// <windows.h> for the Windows implementation files of this layer, and the
// helpers they share. Every failing path of those files returns straight
// after the failing call, so GetLastError() still holds its code when the
// caller asks.
#pragma once

#include <windows.h>

#include <cstdint>

// <windows.h> maps these names to their A/W variants; ours are the
// functions of this layer.
#undef DeleteFile
#undef ReplaceFile
#undef SetEnvironmentVariable
#undef GetEnvironmentVariable

namespace zelmor::platform::win {

// The fixed buffer size the suite passes to GetTempPathA and friends.
constexpr DWORD kPathBuffer = 260;

// Handles cross the interface as integers.
inline HANDLE AsHandle(intptr_t value) { return reinterpret_cast<HANDLE>(value); }
inline intptr_t FromHandle(HANDLE handle) { return reinterpret_cast<intptr_t>(handle); }

inline bool IsSlash(char c) { return c == '\\' || c == '/'; }

}  // namespace zelmor::platform::win
