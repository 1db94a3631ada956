#include "platform/command_line.h"

namespace zelmor::platform {

std::vector<std::string> SplitCommandLine(std::string_view command_line) {
  std::vector<std::string> arguments;
  // Bytes compare unsigned: CP1251 letters above 127 are not separators.
  const auto at = [&](size_t i) -> unsigned char {
    return i < command_line.size() ? static_cast<unsigned char>(command_line[i]) : 0;
  };
  size_t p = 0;
  for (;;) {
    for (;;) {
      while (p < command_line.size() && at(p) <= ' ') ++p;
      if (at(p) == '"' && at(p + 1) == '"')
        p += 2;
      else
        break;
    }
    std::string argument;
    while (at(p) > ' ') {
      if (at(p) == '"') {
        ++p;
        while (p < command_line.size() && at(p) != '"') argument += command_line[p++];
        if (p < command_line.size()) ++p;
      } else {
        argument += command_line[p++];
      }
    }
    if (argument.empty()) break;
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace zelmor::platform
