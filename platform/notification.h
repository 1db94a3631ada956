// Telling someone outside the library that something happened: a window
// message to a host's window, a tone to the person at the machine.
#pragma once

#include <cstdint>

namespace zelmor::platform {

// Posts `message` to `target` without waiting: PostMessageA(window, message,
// 0, 0) on Windows; on Linux `target` is a descriptor (pipe or eventfd) and the
// 32-bit message is written to it without blocking.
bool PostNotification(uintptr_t target, uint32_t message);
// A tone on Windows; on Linux only the pause.
void Beep(uint32_t frequency, uint32_t duration_ms);

}  // namespace zelmor::platform
