// Reading the event log's lines back: the timestamp, level tag and process
// markers the writer puts in front of each text, and the timed database
// operations inside the texts. Pure functions over the CP1251 bytes of one
// line (without its CR LF).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zelmor::host {

// The timestamp as the line prints it: "dd.mm hh:nn:ss.zzz" (the event log's
// own pattern) or "dd.mm.yyyy hh:nn:ss.zzz" (the writer's default one).
struct LogStamp {
  int year = 0;  // 0: the line does not say
  int month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
};

struct LogLine {
  LogStamp stamp;
  std::string_view stamp_text;  // as printed, for showing
  int level = 0;                 // 0-7; 0 has no tag
  std::optional<int64_t> pid;    // from <P:%d;T:%d> or <P:%d>
  std::optional<int64_t> tid;
  std::string_view text;         // what follows the markers
};

// Nullopt for a line that does not start with a timestamp: an empty
// separator line, or a further line of a multi-line text (a statement).
std::optional<LogLine> ParseLogLine(std::string_view line);

constexpr int kErrorLevel = 2;

// The level names people type and read, by level number (0 "plain" ... 7
// "other"), and the writer's own tag texts without brackets ("инф" ...).
std::string_view LevelName(int level);
// A level given as a number, an English name or the writer's tag; -1 if
// none of them.
int LevelFromName(std::string_view name);

// The database operations whose lines the statistics gather, in the order
// they are shown.
enum class OperationKind {
  kDbOpen,
  kDbClose,
  kTranCreate,
  kTranStart,
  kTranCommit,
  kTranRollback,
  kTabCreateRead,
  kTabCreateWrite,
  kTabOpen,
  kTabClose,
  kExecSql,
};
constexpr int kOperationKindCount = 11;
std::string_view OperationName(OperationKind kind);  // "DB:OPEN" ...

// One operation's line: a success line carries the duration ("%d ms") where
// the operation is timed, connection lines also the wait for the connect
// lock ("w%d"); an error line marks a failure, and for connections it
// carries the wait too.
struct Operation {
  OperationKind kind;
  bool failed = false;
  std::optional<uint32_t> duration_ms;
  std::optional<uint32_t> wait_ms;
};
// "[tag] body", as the library's database lines open: the caller's tag and
// what follows it.
struct TaggedText {
  std::string_view tag;
  std::string_view body;
};
std::optional<TaggedText> SplitCallerTag(std::string_view text);

// The operation a line's text (LogLine::text) reports, if any.
std::optional<Operation> ParseOperation(std::string_view text);
// Whether a line's text reports a failure of the library's database work,
// whatever level the line was written at (most go at the plain level).
bool IsFailureText(std::string_view text);

// The host program named in the library's load line ("Модуль Zelmor
// загружен (v.9.30). Процесс: \"…\"."), if the text is one.
std::optional<std::string_view> LoadedProcessName(std::string_view text);

}  // namespace zelmor::host
