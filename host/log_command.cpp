// log: the shared event log shown on a UTF-8 terminal, optionally followed.
#include <fstream>
#include <iostream>
#include <string>

#include "host/commands.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

// The level tag right after the timestamp picks the colour.
const char* ColourOf(const std::string& line) {
  if (line.find(" [ошиб]") != std::string::npos || line.find(" [сбой]") != std::string::npos)
    return "\x1b[31m";
  if (line.find(" [вним]") != std::string::npos) return "\x1b[33m";
  if (line.find(" [инф]") != std::string::npos || line.find(" [событ]") != std::string::npos)
    return "\x1b[36m";
  if (line.find(" [отлад]") != std::string::npos) return "\x1b[2m";
  return nullptr;
}

void PrintLine(std::string line, bool colour) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  const char* code = colour ? ColourOf(line) : nullptr;
  if (code) std::cout << code;
  std::cout << Cp1251ToUtf8(line);
  if (code) std::cout << "\x1b[0m";
  std::cout << '\n';
}

// Prints whole lines from `offset` on; returns the offset after the last one.
int64_t PrintFrom(const std::string& path, int64_t offset, bool colour) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return 0;
  in.seekg(offset);
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof()) break;  // a line still being written
    PrintLine(line, colour);
    offset += static_cast<int64_t>(line.size()) + 1;
  }
  std::cout.flush();
  return offset;
}

int64_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<int64_t>(in.tellg()) : -1;
}

}  // namespace

int RunLog(const Options& options) {
  const std::string path = options.Get("file", EventLogPath());
  const bool colour = platform::StdoutIsTerminal();
  const bool follow = options.Has("f") || options.Has("follow");
  if (!platform::FileExists(path) && !follow) {
    std::cerr << "zelmor: no event log at " << path << '\n';
    return kExitFailure;
  }
  int64_t offset = PrintFrom(path, 0, colour);
  while (follow) {
    platform::SleepMs(200);
    const int64_t size = FileSize(path);
    if (size < offset) offset = 0;  // rotated into an archive: a new file
    if (size > offset) offset = PrintFrom(path, offset, colour);
  }
  return kExitOk;
}

}  // namespace zelmor::host
