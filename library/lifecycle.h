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

// Sets the units up in their order: the event log unit, the settings unit,
// the tools unit, and last the main unit's load sequence. False when the load
// sequence failed (the library must then not be used).
bool ProcessAttach();
// The main unit's unload sequence, then the other units in reverse order.
void ProcessDetach();

}  // namespace zelmor::library
