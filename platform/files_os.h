// The OS's own part of a call that files.cpp makes the same way on every OS.
#pragma once

#include <cstddef>

#include "platform/files.h"

namespace zelmor::platform::os {

// Writes all of `count` bytes, looping on partial writes; false on failure.
bool WriteAll(FileHandle file, const char* p, size_t count);

}  // namespace zelmor::platform::os
