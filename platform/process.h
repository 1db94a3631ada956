// The running process: its ids, environment, command line, regional
// settings, standard output, and the folders the suite finds through it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelmor::platform {

uint32_t CurrentProcessId();
uint32_t CurrentThreadId();

// The user's temporary folder, ending with the path delimiter; on Linux a
// folder only this account may enter: $TMPDIR/zelmor-<uid> (made 0700), or
// without TMPDIR the session's $XDG_RUNTIME_DIR, else /tmp/zelmor-<uid>.
std::string TempPath();
// The Windows directory, without a trailing delimiter ($ZEDE_WINDIR or
// /etc/zede on Linux).
std::string WindowsDirectory();
// The suite's home folder, ending with the path delimiter: "C:\ZEDE\" on
// Windows, $ZEDE_HOME or /opt/zede/ on Linux.
std::string ZedeHome();

// The host process's command-line arguments, without the program path.
std::vector<std::string> CommandLineArguments();
// The decimal separator of the user's regional settings.
char LocaleDecimalSeparator();
bool SetEnvironmentVariable(const std::string& name, const std::string& value);
std::string GetEnvironmentVariable(const std::string& name);
// True when standard output is a terminal (colours make sense there).
bool StdoutIsTerminal();

}  // namespace zelmor::platform
