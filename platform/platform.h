// The one door to the operating system.
//
// Everything in Zelmor that touches the OS goes through platform/; each
// subject has a header of its own and one implementation file per OS
// (<subject>_windows.cpp: the Win32 calls themselves; <subject>_posix.cpp:
// the same observable behaviour on Linux). No other folder includes
// <windows.h> or POSIX headers. This header brings in the subjects every OS
// has at once; the few files that use command_line.h, ini_profile.h,
// file_replace.h and the two seams include them by name.
//
// Conventions, for every subject:
//  * Strings are CP1251 byte strings (std::string), as everywhere in Zelmor.
//  * A function that can fail returns false / an invalid handle and leaves the
//    Windows error code of the failure in LastError() (errors.h).
//  * Nothing here throws.
//
// Subjects: errors.h, mutex.h (machine-wide named mutexes), files.h (files,
// folders, file names), clock.h (ticks, local time, sleeping), fork_guard.h
// (the locks a fork must not copy held), process.h
// (ids, environment, command line, the suite's folders), modules.h (the
// executable, libraries, the Firebird client), notification.h (window
// messages, tones), station.h (the shared folders as the station check
// reports them), command_line.h, ini_profile.h (the Windows profile
// functions, Windows only), file_replace.h (a file's whole content replaced
// at once, for the settings store without them), file_fault_hook.h (the seam tests make file
// calls fail through), clock_hook.h (the seam tests count time through).
// What only tests and benchmarks use (child processes, resident memory, the
// fault injector, the fake tick counter) is in platform/testing/, a target
// of its own that the product does not link.
#pragma once

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/fork_guard.h"
#include "platform/modules.h"
#include "platform/mutex.h"
#include "platform/network.h"
#include "platform/notification.h"
#include "platform/process.h"
#include "platform/station.h"
