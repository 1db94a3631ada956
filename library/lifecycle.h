// Set-up and tear-down of the library in a process, run by its entry point.
//
// One rule keeps both working on every platform: the units keep no
// namespace-scope object with a constructor or destructor. On Linux the entry
// point runs before such objects of this library are constructed, and at
// process exit the unload sequence runs after they are destroyed; so
// process-wide state is constant data, a plain pointer or number, or a
// ProcessObject (rtl/process_object.h) that the unload sequence releases.
#pragma once

namespace zelmor::library {

// Sets the units up in their order: the event log unit, then the main unit's
// load sequence (the settings and tools units keep only constant tables,
// made on first use, and need no step). False when the load sequence failed
// (the library must then not be used).
bool ProcessAttach();
// Why the library leaves the process.
enum class DetachReason {
  kUnload,       // FreeLibrary / dlclose: the rest of the process goes on
  kProcessExit,  // the process ends with the library still loaded
};
// On an unload, the main unit's unload sequence, then the event log unit's. At process exit nothing: the libraries this one calls may
// already be finalised (the client library shuts down in its own exit
// handlers), so the pool is not cleared and nothing is freed; the OS takes
// the memory back and closes the sockets, whose attachments the server then
// drops, and every log line is already in its file.
void ProcessDetach(DetachReason reason);

}  // namespace zelmor::library
