// log: the shared event log shown on a UTF-8 terminal, filtered, followed,
// or summed up in figures.
#include <deque>
#include <fstream>
#include <iostream>
#include <string>

#include "host/commands.h"
#include "host/log_entries.h"
#include "host/log_files.h"
#include "host/log_json.h"
#include "host/log_stats.h"
#include "host/station_paths.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

const char* ColourOf(const std::optional<LogLine>& line) {
  if (!line) return nullptr;
  switch (line->level) {
    case 2: case 3: return "\x1b[31m";  // error, fault
    case 4: return "\x1b[33m";          // warning
    case 1: case 5: return "\x1b[36m";  // info, event
    case 6: return "\x1b[2m";           // debug
    default: return nullptr;
  }
}

// Calls `take(line)` for each whole line of `path` from `offset` on (CP1251,
// without CR LF); returns the offset after the last one. A last line
// without its end is still being written and waits for the next call.
template <typename Take>
int64_t ForEachLine(const std::string& path, int64_t offset, Take&& take) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return offset;
  in.seekg(offset);
  std::string line;
  while (std::getline(in, line)) {
    if (in.eof()) break;
    offset += static_cast<int64_t>(line.size()) + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    take(line);
  }
  return offset;
}

int64_t FileSize(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return in ? static_cast<int64_t>(in.tellg()) : -1;
}

// As other tools do: NO_COLOR (any value) and TERM=dumb turn the colour of
// a terminal off; the option overrides both.
bool UsesColour(Colour colour) {
  if (colour != Colour::kAuto) return colour == Colour::kAlways;
  return platform::StdoutIsTerminal() && platform::GetEnvironmentVariable("NO_COLOR").empty() &&
         platform::GetEnvironmentVariable("TERM") != "dumb";
}

// Prints the lines the filter takes, or with --json their entries; with a
// count, holds the last ones back until the first Flush, as tail does, then
// prints as they come.
class LinePrinter {
 public:
  LinePrinter(const LogOptions& options, const Today& today)
      : selector_(options.filter, today),
        colour_(!options.json && UsesColour(options.colour)),
        last_(options.last),
        json_(options.json),
        entries_([this](const std::string& entry) { Emit(writer_.EntryObject(entry)); }) {}
  void operator()(const std::string& line) {
    const auto parsed = ParseLogLine(line);
    if (json_) writer_.See(parsed);
    if (!selector_.Take(line, parsed)) return;
    if (json_) {
      entries_.Take(line, parsed.has_value());
      return;
    }
    std::string shown;
    const char* code = colour_ ? ColourOf(parsed) : nullptr;
    if (code) shown += code;
    shown += Cp1251ToUtf8(line);
    if (code) shown += "\x1b[0m";
    shown += '\n';
    Emit(std::move(shown));
  }
  // After each read of the file: an open entry has all its lines by then,
  // as the writer writes an entry at once.
  void Flush() {
    entries_.Flush();
    for (const std::string& shown : held_) std::cout << shown;
    held_.clear();
    last_.reset();
    std::cout.flush();
  }

 private:
  void Emit(std::string shown) {
    if (!last_) {
      std::cout << shown;
      return;
    }
    held_.push_back(std::move(shown));
    if (held_.size() > *last_) held_.pop_front();
  }

  LineSelector selector_;
  bool colour_;
  std::optional<size_t> last_;
  std::deque<std::string> held_;
  bool json_;
  LogJsonWriter writer_;
  LogEntries entries_;
};

int NoLog(const LogOptions& options, const std::string& path) {
  if (options.file) {
    std::cerr << "zelmor: no log at " << path << '\n';
    return kExitFailure;
  }
  const std::string library = HomeLibraryPath();
  const char* const absent = platform::FileExists(library) ? "" : ", and there is no library there";
  std::cerr << "zelmor: no event log at " << path << "\n"
            << "zelmor: the library writes it only when it was loaded from the station home ("
            << library << ")" << absent << '\n';
  return kExitFailure;
}

int PrintStats(const LogOptions& options, const std::string& path, const Today& today) {
  const auto files = LogAndArchives(path);
  if (files.empty()) return NoLog(options, path);
  LineSelector selector(options.filter, today);
  LogStatistics statistics;
  LogEntries entries([&](const std::string& entry) { statistics.Add(*ParseLogLine(entry)); });
  for (const std::string& file : files) {
    ForEachLine(file, 0, [&](const std::string& line) {
      const auto parsed = ParseLogLine(line);
      if (selector.Take(line, parsed)) entries.Take(line, parsed.has_value());
    });
    entries.Flush();
  }
  std::cout << statistics.LineCount() << " lines read from " << files.size()
            << (files.size() == 1 ? " file" : " files") << ", " << path
            << (files.size() > 1 ? " and its archives" : "") << "\n\n";
  statistics.Print(std::cout);
  return kExitOk;
}

}  // namespace

int RunLog(const LogOptions& options, const Today& today) {
  const std::string path = options.file.value_or(EventLogPath());
  if (options.stats) return PrintStats(options, path, today);
  const auto files = LogAndArchives(path);
  if (!platform::FileExists(path) && !options.follow && (!options.archives || files.empty()))
    return NoLog(options, path);
  LinePrinter print(options, today);
  if (options.archives) {
    for (const std::string& file : files)
      if (file != path) ForEachLine(file, 0, print);
  }
  int64_t offset = ForEachLine(path, 0, print);
  print.Flush();
  while (options.follow) {
    platform::SleepMs(200);
    const int64_t size = FileSize(path);
    if (size < offset) offset = 0;  // rotated into an archive: a new file
    if (size > offset) {
      offset = ForEachLine(path, offset, print);
      print.Flush();
    }
  }
  return kExitOk;
}

}  // namespace zelmor::host
