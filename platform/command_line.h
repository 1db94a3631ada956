// Splitting a Windows command line into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zelmor::platform {

// Splits `command_line` as the suite's Windows programs always have (the
// ParamStr rule of their runtime), so options reach the library exactly as
// those programs see them: arguments are separated by blanks and control
// characters; a double quote switches quoting on or off and is dropped;
// there are no escapes (a backslash is an ordinary character). Empty quote
// pairs between arguments are skipped, and the list ends at the first empty
// argument. The first element is the program path.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

}  // namespace zelmor::platform
