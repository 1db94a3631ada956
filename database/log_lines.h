// The lines the library writes into the event log about its database work,
// each defined once: its text as a Format pattern and the values it holds,
// in order. The exports write them through these definitions and `zelmor
// log` reads them back by the same ones, so the two cannot drift apart. A
// pattern whose conversions do not match its values does not compile, nor
// does a write with other values or in another order: the numbers have
// types of their own, so a duration cannot take a wait's place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "rtl/format.h"

namespace zelmor::db::lines {

using Text = std::string;
struct ObjectNo {  // a component's number, as ObjectNumber gives it
  int32_t value;
};
struct Duration {
  uint32_t ms;
};
struct Wait {  // for ConnectLock
  uint32_t ms;
};
struct Version {  // the library's, as 9.30
  double value;
};

template <typename Value> inline constexpr char kConversion = 's';
template <> inline constexpr char kConversion<ObjectNo> = 'd';
template <> inline constexpr char kConversion<Duration> = 'd';
template <> inline constexpr char kConversion<Wait> = 'd';
template <> inline constexpr char kConversion<Version> = 'f';

inline FormatArg ArgOf(const Text& value) { return value; }
inline FormatArg ArgOf(ObjectNo value) { return value.value; }
inline FormatArg ArgOf(Duration value) { return value.ms; }
inline FormatArg ArgOf(Wait value) { return value.ms; }
inline FormatArg ArgOf(Version value) { return value.value; }

// Never constexpr: reached while a line is checked, it stops the build with
// its name in the compiler's message.
void LineDoesNotMatchItsValues();

template <typename... Values>
class Line {
 public:
  consteval Line(const char* pattern) : pattern_(pattern) {
    if (!ConversionsMatch()) LineDoesNotMatchItsValues();
  }

  constexpr std::string_view Pattern() const { return pattern_; }
  // The literal text before value `index` (0: the text's start) and after
  // the value before it: Piece(1) of "[%s] DB:OPEN (d%d, ..." is "] DB:OPEN (d".
  constexpr std::string_view Piece(size_t index) const {
    size_t start = 0;
    for (Conversion value = NextValue(0); value.at != kNone; value = NextValue(value.end)) {
      if (index-- == 0) return pattern_.substr(start, value.at - start);
      start = value.end;
    }
    return index == 0 ? pattern_.substr(start) : std::string_view();
  }
  // For a line that opens with the caller's tag, "[%s] ": what follows the
  // tag up to the next value, by which a reader knows the line.
  constexpr std::string_view AfterTag() const {
    const std::string_view piece = Piece(1);
    return Piece(0) == "[" && piece.starts_with("] ") ? piece.substr(2) : std::string_view();
  }

  static constexpr bool kTimed = (std::is_same_v<Values, Duration> || ...);
  static constexpr bool kWaits = (std::is_same_v<Values, Wait> || ...);

 private:
  static constexpr size_t kNone = std::string_view::npos;

  // One value's conversion: from its "%" to past its letter. The letter is
  // '\0' for a "%" that ends the text.
  struct Conversion {
    size_t at;
    size_t end;
    char letter;
  };

  // The first value's conversion at or after `from`, "%%" skipped; at is
  // kNone when there is none.
  constexpr Conversion NextValue(size_t from) const {
    for (size_t at = from; at < pattern_.size(); ++at) {
      if (pattern_[at] != '%') continue;
      size_t end = at + 1;  // past flags, width and precision
      while (end < pattern_.size() && (pattern_[end] == '-' || pattern_[end] == '.' ||
                                       (pattern_[end] >= '0' && pattern_[end] <= '9')))
        ++end;
      if (end == pattern_.size()) return {at, end, '\0'};
      if (pattern_[end] != '%') return {at, end + 1, pattern_[end]};
      at = end;  // "%%"
    }
    return {kNone, pattern_.size(), '\0'};
  }

  constexpr bool ConversionsMatch() const {
    constexpr char kExpected[] = {kConversion<Values>..., '\0'};
    size_t next = 0;
    for (Conversion value = NextValue(0); value.at != kNone; value = NextValue(value.end)) {
      if (value.letter == '\0' || next == sizeof...(Values) || value.letter != kExpected[next])
        return false;
      ++next;
    }
    return next == sizeof...(Values);
  }

  std::string_view pattern_;
};

// The values of `line` as Format takes them.
template <typename... Values>
FormatArgs ArgsOf(const Line<Values...>&, const std::type_identity_t<Values>&... values) {
  return {ArgOf(values)...};
}

// The library's load line.
inline constexpr Line<Version, Text> kLoaded{"Модуль Zelmor загружен (v.%.2f). Процесс: \"%s\"."};

// A connection's open and close, written under ConnectLock: the caller's
// tag first, the wait for the lock last.
inline constexpr Line<Text, Text, Text, Wait> kAlreadyConnected{
    "[%s] Подкл. УЖЕ устан. (%s, %s, w%d)"};  // database name, name
inline constexpr Line<Text, ObjectNo, Text, Text, Duration, Wait> kDbOpen{
    "[%s] DB:OPEN (d%d, %s, %s, %d ms, w%d)"};  // the database name as given, name
inline constexpr Line<Text, Text, Text, Text, Wait> kDbOpenFailed{
    "[%s] Ошибка подкл.: %s (%s, %s, w%d)"};  // message, database name, name
inline constexpr Line<Text, Text, Text, Wait> kNotConnected{
    "[%s] Подкл. НЕ БЫЛО устан. (%s, %s, w%d)"};
inline constexpr Line<Text, ObjectNo, Text, Text, Duration, Wait> kDbClose{
    "[%s] DB:CLOSE (d%d, %s, %s, %d ms, w%d)"};  // the database's file name only, name
inline constexpr Line<Text, Text, Text, Text, Wait> kDbCloseFailed{
    "[%s] Ошибка закрытия подкл.: %s (%s, %s, w%d)"};
// After kDbOpenFailed, once ConnectLock is released.
inline constexpr Line<Text, Text> kConnectFailed{"[%s] ERROR FBConnectDB: %s"};
inline constexpr Line<Text, Text> kFuelConnectFailed{
    "[%s] Ошибка установки соединения с БД ГСМ: %s"};
// A host's own message.
inline constexpr Line<Text, Text> kMessage{"**[%s] %s"};

// A timed step of a transaction or dataset: tag, the "d<number>, " piece,
// name, duration; its failure: tag, message, name; its statement after it.
using StepLine = Line<Text, Text, Text, Duration>;
using StepFailedLine = Line<Text, Text, Text>;
inline constexpr StepLine kTranStart{"[%s] TRAN:START (%s%s, %d ms)"};
inline constexpr StepFailedLine kTranStartFailed{"[%s] Ошибка старта транзакции: %s (%s)"};
inline constexpr StepLine kTranCommit{"[%s] TRAN:COMMIT (%s%s, %d ms)"};
inline constexpr StepFailedLine kTranCommitFailed{"[%s] Ошибка подтверждения транзакции: %s - %s"};
inline constexpr StepLine kTranRollback{"[%s] TRAN:ROLLBACK (%s%s, %d ms)"};
inline constexpr StepFailedLine kTranRollbackFailed{"[%s] Ошибка отката транзакции: %s - %s"};
inline constexpr StepLine kTabOpen{"[%s] TAB:OPEN (%s%s, %d ms)"};
inline constexpr StepFailedLine kTabOpenFailed{"[%s] Ошибка открытия таблицы: %s (%s)"};
inline constexpr StepLine kTabClose{"[%s] TAB:CLOSE (%s%s, %d ms)"};
inline constexpr StepFailedLine kTabCloseFailed{"[%s] Ошибка закрытия таблицы: %s (%s)"};
inline constexpr StepLine kExecSql{"[%s] ExecSQL (%s%s, %d ms)"};
inline constexpr StepFailedLine kExecSqlFailed{"[%s] Ошибка ExecSQL: %s (%s)"};
// A step left undone because the dataset already is so: tag, name.
inline constexpr Line<Text, Text> kTabAlreadyOpen{"[%s] Таблица уже открыта - %s"};
inline constexpr Line<Text, Text> kTabAlreadyClosed{"[%s] Таблица УЖЕ закрыта (%s)"};
inline constexpr Line<Text, Text> kStatement{"[%s] SQL: %s"};

// A transaction made: its head; the pieces that apply follow it, then ")".
inline constexpr Line<Text> kTranCreate{"[%s] TRAN:CREATE ("};
inline constexpr Line<Text, Text> kTranCreateFailed{"[%s] Ошибка создания транзакции: %s"};

// A dataset made for writing or reading: slow (tag, database, name,
// duration) or failed (tag, message, database, name).
inline constexpr Line<Text, ObjectNo, Text, Duration> kTabCreateWrite{
    "[%s] TAB:CREATE_W (d%d, %s, %d ms)"};
inline constexpr Line<Text, Text, ObjectNo, Text> kTabCreateWriteFailed{
    "[%s] ERROR:TAB:CREATE_W: %s (d%d, %s)"};
inline constexpr Line<Text, ObjectNo, Text, Duration> kTabCreateRead{
    "[%s] TAB:CREATE_R (d%d, %s, %d ms)"};
inline constexpr Line<Text, Text, ObjectNo, Text> kTabCreateReadFailed{
    "[%s] ERROR:TAB:CREATE_R: %s (d%d, %s)"};

}  // namespace zelmor::db::lines
