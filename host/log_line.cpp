#include "host/log_line.h"

#include <array>
#include <charconv>

#include "database/log_lines.h"

namespace zelmor::host {
namespace {

constexpr std::array<std::string_view, 8> kLevelNames = {
    "plain", "info", "error", "fault", "warning", "event", "debug", "other"};
// The writer's tags, without the blank and the brackets.
constexpr std::array<std::string_view, 8> kLevelTags = {
    "", "инф", "ошиб", "сбой", "вним", "событ", "отлад", "другое"};

constexpr std::array<std::string_view, kOperationKindCount> kOperationNames = {
    "DB:OPEN",      "DB:CLOSE",     "TRAN:CREATE", "TRAN:START", "TRAN:COMMIT", "TRAN:ROLLBACK",
    "TAB:CREATE_R", "TAB:CREATE_W", "TAB:OPEN",    "TAB:CLOSE",  "ExecSQL"};

// How each operation's lines are known, after the caller tag, and what
// figures they end in: the writer's own definitions of them.
struct LineShape {
  OperationKind kind;
  std::string_view success_start;
  std::string_view error_start;
  bool timed;        // the success line ends in ", %d ms)" or ", %d ms, w%d)"
  bool waits;        // the success line ends in ", w%d)"
  bool error_waits;  // so does the error line
};

template <typename Success, typename Failure>
constexpr LineShape ShapeOf(OperationKind kind, const Success& success, const Failure& failure) {
  return {kind, success.AfterTag(), failure.AfterTag(), Success::kTimed, Success::kWaits,
          Failure::kWaits};
}

namespace lines = db::lines;
constexpr std::array<LineShape, kOperationKindCount> kShapes = {{
    ShapeOf(OperationKind::kDbOpen, lines::kDbOpen, lines::kDbOpenFailed),
    ShapeOf(OperationKind::kDbClose, lines::kDbClose, lines::kDbCloseFailed),
    ShapeOf(OperationKind::kTranCreate, lines::kTranCreate, lines::kTranCreateFailed),
    ShapeOf(OperationKind::kTranStart, lines::kTranStart, lines::kTranStartFailed),
    ShapeOf(OperationKind::kTranCommit, lines::kTranCommit, lines::kTranCommitFailed),
    ShapeOf(OperationKind::kTranRollback, lines::kTranRollback, lines::kTranRollbackFailed),
    ShapeOf(OperationKind::kTabCreateRead, lines::kTabCreateRead, lines::kTabCreateReadFailed),
    ShapeOf(OperationKind::kTabCreateWrite, lines::kTabCreateWrite, lines::kTabCreateWriteFailed),
    ShapeOf(OperationKind::kTabOpen, lines::kTabOpen, lines::kTabOpenFailed),
    ShapeOf(OperationKind::kTabClose, lines::kTabClose, lines::kTabCloseFailed),
    ShapeOf(OperationKind::kExecSql, lines::kExecSql, lines::kExecSqlFailed),
}};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads exactly `width` digits at `at`.
bool FixedNumber(std::string_view text, size_t at, size_t width, int& value) {
  if (at + width > text.size()) return false;
  value = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (!IsDigit(text[i])) return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

// "dd.mm hh:nn:ss.zzz" or "dd.mm.yyyy hh:nn:ss.zzz" at the start of `line`;
// the length of the timestamp, 0 if there is none.
size_t ParseStamp(std::string_view line, LogStamp& stamp) {
  if (!FixedNumber(line, 0, 2, stamp.day) || line.substr(2, 1) != "." ||
      !FixedNumber(line, 3, 2, stamp.month))
    return 0;
  size_t at = 5;
  if (line.substr(at, 1) == ".") {
    if (!FixedNumber(line, at + 1, 4, stamp.year)) return 0;
    at += 5;
  }
  if (line.substr(at, 1) != " " || !FixedNumber(line, at + 1, 2, stamp.hour) ||
      line.substr(at + 3, 1) != ":" || !FixedNumber(line, at + 4, 2, stamp.minute) ||
      line.substr(at + 6, 1) != ":" || !FixedNumber(line, at + 7, 2, stamp.second) ||
      line.substr(at + 9, 1) != "." || !FixedNumber(line, at + 10, 3, stamp.millisecond))
    return 0;
  return at + 13;
}

// A signed decimal number at the start of `text`; advances past it.
bool TakeNumber(std::string_view& text, int64_t& value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end == text.data()) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

bool TakePrefix(std::string_view& text, std::string_view prefix) {
  if (!text.starts_with(prefix)) return false;
  text.remove_prefix(prefix.size());
  return true;
}

// " <P:%d;T:%d>", " <P:%d>" or " <T:%d>"; leaves `rest` alone if none.
void TakeMarkers(std::string_view& rest, LogLine& line) {
  std::string_view text = rest;
  int64_t pid = 0, tid = 0;
  if (TakePrefix(text, " <P:") && TakeNumber(text, pid)) {
    if (TakePrefix(text, ">")) {
      line.pid = pid;
      rest = text;
    } else if (TakePrefix(text, ";T:") && TakeNumber(text, tid) && TakePrefix(text, ">")) {
      line.pid = pid;
      line.tid = tid;
      rest = text;
    }
    return;
  }
  text = rest;
  if (TakePrefix(text, " <T:") && TakeNumber(text, tid) && TakePrefix(text, ">")) {
    line.tid = tid;
    rest = text;
  }
}

// The unsigned number that ends `text` right before `suffix`, preceded by
// `lead`; on success `text` is cut back to what precedes `lead`.
bool TakeTrailingNumber(std::string_view& text, std::string_view lead, std::string_view suffix,
                        uint32_t& value) {
  if (!text.ends_with(suffix)) return false;
  std::string_view head = text.substr(0, text.size() - suffix.size());
  size_t digits = 0;
  while (digits < head.size() && IsDigit(head[head.size() - 1 - digits])) ++digits;
  if (digits == 0) return false;
  const std::string_view number = head.substr(head.size() - digits);
  head.remove_suffix(digits);
  if (!head.ends_with(lead)) return false;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (error != std::errc() || end != number.data() + number.size()) return false;
  text = head.substr(0, head.size() - lead.size());
  return true;
}

Operation SuccessOf(const LineShape& shape, std::string_view body) {
  Operation operation{shape.kind, false, {}, {}};
  uint32_t value = 0;
  if (shape.waits) {
    if (!TakeTrailingNumber(body, ", w", ")", value)) return operation;
    operation.wait_ms = value;
    if (TakeTrailingNumber(body, ", ", " ms", value)) operation.duration_ms = value;
  } else if (shape.timed && TakeTrailingNumber(body, ", ", " ms)", value)) {
    operation.duration_ms = value;
  }
  return operation;
}

Operation FailureOf(const LineShape& shape, std::string_view body) {
  Operation operation{shape.kind, true, {}, {}};
  uint32_t value = 0;
  if (shape.error_waits && TakeTrailingNumber(body, ", w", ")", value)) operation.wait_ms = value;
  return operation;
}

}  // namespace

std::optional<LogLine> ParseLogLine(std::string_view text) {
  LogLine line;
  const size_t stamp_length = ParseStamp(text, line.stamp);
  if (stamp_length == 0) return std::nullopt;
  line.stamp_text = text.substr(0, stamp_length);
  std::string_view rest = text.substr(stamp_length);
  for (int level = 1; level < static_cast<int>(kLevelTags.size()); ++level) {
    const std::string_view tag = kLevelTags[static_cast<size_t>(level)];
    if (rest.size() > tag.size() + 2 && rest.starts_with(" [") &&
        rest.substr(2, tag.size()) == tag && rest[2 + tag.size()] == ']') {
      line.level = level;
      rest.remove_prefix(tag.size() + 3);
      break;
    }
  }
  TakeMarkers(rest, line);
  TakePrefix(rest, " ");
  line.text = rest;
  return line;
}

std::string_view LevelName(int level) {
  return level >= 0 && level < static_cast<int>(kLevelNames.size())
             ? kLevelNames[static_cast<size_t>(level)]
             : std::string_view();
}

int LevelFromName(std::string_view name) {
  if (name.size() == 1 && name[0] >= '0' && name[0] <= '7') return name[0] - '0';
  for (size_t level = 0; level < kLevelNames.size(); ++level) {
    if (name == kLevelNames[level] || (level > 0 && name == kLevelTags[level]))
      return static_cast<int>(level);
  }
  return -1;
}

std::string_view OperationName(OperationKind kind) {
  return kOperationNames[static_cast<size_t>(kind)];
}

std::optional<TaggedText> SplitCallerTag(std::string_view text) {
  const size_t tag_end = text.find("] ");
  if (!text.starts_with("[") || tag_end == std::string_view::npos) return std::nullopt;
  return TaggedText{text.substr(1, tag_end - 1), text.substr(tag_end + 2)};
}

std::optional<Operation> ParseOperation(std::string_view text) {
  // "[caller tag] " opens every database operation's line.
  const auto tagged = SplitCallerTag(text);
  if (!tagged) return std::nullopt;
  const std::string_view body = tagged->body;
  for (const LineShape& shape : kShapes) {
    if (body.starts_with(shape.success_start)) return SuccessOf(shape, body);
    if (body.starts_with(shape.error_start)) return FailureOf(shape, body);
  }
  // "ERROR FBConnectDB" follows the "Ошибка подкл." line of the same failed
  // open, which has already counted it.
  return std::nullopt;
}

bool IsFailureText(std::string_view text) {
  if (const auto operation = ParseOperation(text)) return operation->failed;
  const auto tagged = SplitCallerTag(text);
  return tagged && (tagged->body.starts_with(db::lines::kConnectFailed.AfterTag()) ||
                    tagged->body.starts_with(db::lines::kFuelConnectFailed.AfterTag()));
}

std::optional<std::string_view> LoadedProcessName(std::string_view text) {
  // Piece 0 leads to the version, piece 1 from it to the name, piece 2 ends it.
  const std::string_view start = db::lines::kLoaded.Piece(0);
  const std::string_view middle = db::lines::kLoaded.Piece(1);
  const std::string_view end = db::lines::kLoaded.Piece(2);
  if (!text.starts_with(start) || !text.ends_with(end)) return std::nullopt;
  const size_t from = text.find(middle, start.size());
  if (from == std::string_view::npos) return std::nullopt;
  const size_t name = from + middle.size();
  if (name > text.size() - end.size()) return std::nullopt;
  return text.substr(name, text.size() - end.size() - name);
}

}  // namespace zelmor::host
