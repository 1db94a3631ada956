// Reading the event log back: line parts, operations, moments and filters.
#include <gtest/gtest.h>

#include "host/log_filter.h"
#include "host/log_line.h"
#include "host/log_moment.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

const Today kToday{2026, 12, 7};

TEST(LogLineTest, TakesApartTimestampLevelMarkersAndText) {
  const auto line = ParseLogLine("07.12 03:51:33.123 [вним] <P:412;T:388> [Main] text");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->stamp.day, 7);
  EXPECT_EQ(line->stamp.month, 12);
  EXPECT_EQ(line->stamp.year, 0);
  EXPECT_EQ(line->stamp.hour, 3);
  EXPECT_EQ(line->stamp.minute, 51);
  EXPECT_EQ(line->stamp.second, 33);
  EXPECT_EQ(line->stamp.millisecond, 123);
  EXPECT_EQ(line->stamp_text, "07.12 03:51:33.123");
  EXPECT_EQ(line->level, 4);
  EXPECT_EQ(line->pid, 412);
  EXPECT_EQ(line->tid, 388);
  EXPECT_EQ(line->text, "[Main] text");
}

TEST(LogLineTest, ReadsTheWritersOtherShapes) {
  // The default pattern with its year, a level-0 line, a process marker
  // alone, a thread marker alone, negative ids, no markers.
  auto line = ParseLogLine("07.12.2026 03:51:33.123 [инф] Connected");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->stamp.year, 2026);
  EXPECT_EQ(line->level, 1);
  EXPECT_FALSE(line->pid);
  EXPECT_EQ(line->text, "Connected");

  line = ParseLogLine("07.12 03:51:33.123 <P:-5> x");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->level, 0);
  EXPECT_EQ(line->pid, -5);
  EXPECT_FALSE(line->tid);

  line = ParseLogLine("07.12 03:51:33.123 <T:9> x");
  ASSERT_TRUE(line);
  EXPECT_FALSE(line->pid);
  EXPECT_EQ(line->tid, 9);

  // A caller tag is no level tag.
  line = ParseLogLine("07.12 03:51:33.123 [Main] TRAN:START (T1, 15 ms)");
  ASSERT_TRUE(line);
  EXPECT_EQ(line->level, 0);
  EXPECT_EQ(line->text, "[Main] TRAN:START (T1, 15 ms)");
}

TEST(LogLineTest, LinesWithoutATimestampAreNoLogLines) {
  EXPECT_FALSE(ParseLogLine(""));
  EXPECT_FALSE(ParseLogLine("FROM SALES WHERE 1 = 1"));
  EXPECT_FALSE(ParseLogLine("07.12 03:51:33"));         // cut short
  EXPECT_FALSE(ParseLogLine("7.12 03:51:33.123 x"));    // one digit
  EXPECT_FALSE(ParseLogLine("07.12 03:51:33,123 x"));   // another separator
}

TEST(LogLineTest, LevelsByNumberNameAndTag) {
  EXPECT_EQ(LevelFromName("0"), 0);
  EXPECT_EQ(LevelFromName("7"), 7);
  EXPECT_EQ(LevelFromName("plain"), 0);
  EXPECT_EQ(LevelFromName("warning"), 4);
  EXPECT_EQ(LevelFromName("ошиб"), 2);
  EXPECT_EQ(LevelFromName("другое"), 7);
  EXPECT_EQ(LevelFromName("8"), -1);
  EXPECT_EQ(LevelFromName(""), -1);
  EXPECT_EQ(LevelFromName("Error"), -1);
  EXPECT_EQ(LevelName(3), "fault");
}

struct OperationCase {
  const char* text;
  OperationKind kind;
  bool failed;
  std::optional<uint32_t> duration, wait;
};

TEST(OperationTest, EverySuccessAndErrorLineOfTheDatabaseOperations) {
  const OperationCase cases[] = {
      {"[Main] DB:OPEN (d21954832, 127.0.0.1/30050:C:\\ZEDE\\DB\\VOLNEX.FDB, GSMDatabase, 47 ms, "
       "w0)",
       OperationKind::kDbOpen, false, 47, 0},
      // A name holding ", " and " ms" does not mislead the reading from the end.
      {"[] DB:CLOSE (d-1, A, 5 ms, B.FDB, , 2 ms, w130)", OperationKind::kDbClose, false, 2, 130},
      {"[t] Ошибка подкл.: connection refused (h/1:x, n, w12)", OperationKind::kDbOpen, true,
       std::nullopt, 12},
      {"[t] Ошибка закрытия подкл.: lost (h/1:x, , w3)", OperationKind::kDbClose, true,
       std::nullopt, 3},
      {"[t] TRAN:CREATE (d5 Тип:RC_RO)", OperationKind::kTranCreate, false, std::nullopt,
       std::nullopt},
      {"[t] Ошибка создания транзакции: x", OperationKind::kTranCreate, true, std::nullopt,
       std::nullopt},
      {"[t] TRAN:START (T1, 15 ms)", OperationKind::kTranStart, false, 15, std::nullopt},
      {"[t] Ошибка старта транзакции: active (T1)", OperationKind::kTranStart, true,
       std::nullopt, std::nullopt},
      {"[t] TRAN:COMMIT (d7, , 4294967295 ms)", OperationKind::kTranCommit, false, 4294967295u,
       std::nullopt},
      {"[t] Ошибка подтверждения транзакции: x - T1", OperationKind::kTranCommit, true,
       std::nullopt, std::nullopt},
      {"[t] TRAN:ROLLBACK (, 0 ms)", OperationKind::kTranRollback, false, 0, std::nullopt},
      {"[t] Ошибка отката транзакции: x - ", OperationKind::kTranRollback, true, std::nullopt,
       std::nullopt},
      {"[t] TAB:CREATE_R (d1, DS, 120 ms)", OperationKind::kTabCreateRead, false, 120,
       std::nullopt},
      {"[t] ERROR:TAB:CREATE_W: x (d1, DS)", OperationKind::kTabCreateWrite, true, std::nullopt,
       std::nullopt},
      {"[t] TAB:OPEN (d1, DS, 8 ms)", OperationKind::kTabOpen, false, 8, std::nullopt},
      {"[t] Ошибка открытия таблицы: x (DS)", OperationKind::kTabOpen, true, std::nullopt,
       std::nullopt},
      {"[t] TAB:CLOSE (DS, 1 ms)", OperationKind::kTabClose, false, 1, std::nullopt},
      {"[t] Ошибка закрытия таблицы: x (DS)", OperationKind::kTabClose, true, std::nullopt,
       std::nullopt},
      {"[t] ExecSQL (d1, , 1520 ms)", OperationKind::kExecSql, false, 1520, std::nullopt},
      {"[t] Ошибка ExecSQL: x ()", OperationKind::kExecSql, true, std::nullopt, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto operation = ParseOperation(c.text);
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->kind, c.kind);
    EXPECT_EQ(operation->failed, c.failed);
    EXPECT_EQ(operation->duration_ms, c.duration);
    EXPECT_EQ(operation->wait_ms, c.wait);
  }
}

TEST(OperationTest, OtherLinesAreNoOperations) {
  for (const char* text : {
           "[t] ERROR FBConnectDB: refused",  // the second line of a failed open
           "[t] Подкл. УЖЕ устан. (h/1:x, n, w0)",
           "[t] Таблица уже открыта - DS",
           "[t] SQL: SELECT 1",
           "**[t] DB:OPEN (d1, x, , 5 ms, w0)",  // a host's own line
           "DB:OPEN (d1, x, , 5 ms, w0)",        // no caller tag
           "Модуль выгружен",
       }) {
    EXPECT_FALSE(ParseOperation(text)) << text;
  }
  // The shape is known but the figures are not where they belong.
  const auto garbled = ParseOperation("[t] DB:OPEN (d1, x, , ms, wx)");
  ASSERT_TRUE(garbled);
  EXPECT_FALSE(garbled->duration_ms);
  EXPECT_FALSE(garbled->wait_ms);
}

TEST(OperationTest, TheLoadLineNamesTheProcess) {
  EXPECT_EQ(LoadedProcessName("Модуль Zelmor загружен (v.9.30). Процесс: \"/opt/pos\"."),
            "/opt/pos");
  EXPECT_EQ(LoadedProcessName("Модуль Zelmor загружен (v.9.30). Процесс: \"\"."), "");
  EXPECT_FALSE(LoadedProcessName("Модуль выгружен"));
  EXPECT_FALSE(LoadedProcessName("Модуль Zelmor загружен (v.9.30). Процесс: \"/opt/pos"));
}

Moment At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
          int millisecond = 0) {
  return MakeMoment(year, month, day, hour, minute, second, millisecond);
}

std::optional<Moment> Parsed(const char* text) {
  std::string error;
  return ParseMoment(text, kToday, error);
}

TEST(MomentTest, StampsWithoutAYearAreTheLatestNotAfterToday) {
  LogStamp stamp{0, 12, 7, 23, 59, 59, 999};
  EXPECT_EQ(MomentOfStamp(stamp, kToday), At(2026, 12, 7, 23, 59, 59, 999));
  stamp.day = 8;  // tomorrow: last year's
  EXPECT_EQ(MomentOfStamp(stamp, kToday), At(2025, 12, 8, 23, 59, 59, 999));
  stamp = {0, 1, 1};
  EXPECT_EQ(MomentOfStamp(stamp, {2027, 1, 2}), At(2027, 1, 1));
  EXPECT_EQ(MomentOfStamp({0, 12, 31}, {2027, 1, 2}), At(2026, 12, 31));
  EXPECT_EQ(MomentOfStamp({2020, 12, 31}, {2027, 1, 2}), At(2020, 12, 31));
}

TEST(MomentTest, TheFormsPeopleType) {
  EXPECT_EQ(Parsed("07.12 03:51"), At(2026, 12, 7, 3, 51));
  EXPECT_EQ(Parsed("7.12 3:51:33"), At(2026, 12, 7, 3, 51, 33));
  EXPECT_EQ(Parsed("07.12 03:51:33.5"), At(2026, 12, 7, 3, 51, 33, 500));
  EXPECT_EQ(Parsed("07.12 03:51:33.123"), At(2026, 12, 7, 3, 51, 33, 123));
  EXPECT_EQ(Parsed("08.12"), At(2025, 12, 8));
  EXPECT_EQ(Parsed("07.12.2024 10:00"), At(2024, 12, 7, 10));
  EXPECT_EQ(Parsed("2024-02-29"), At(2024, 2, 29));
  EXPECT_EQ(Parsed("2026-12-07T03:51:33"), At(2026, 12, 7, 3, 51, 33));
  EXPECT_EQ(Parsed("2026-12-07 03:51"), At(2026, 12, 7, 3, 51));
  EXPECT_EQ(Parsed("03:51"), At(2026, 12, 7, 3, 51));
  EXPECT_EQ(Parsed("29.02"), At(2026, 2, 29));  // the year may be a leap year
}

TEST(MomentTest, WhatIsNoMoment) {
  for (const char* text : {"", "yesterday", "07.12 03", "07.12 3:5", "07.12  03:51", "2026-12",
                           "2026-12-07T", "03:51 07.12", "07.12 03:51:33.1234", "07-12",
                           "03:51:60", "24:00", "32.01", "00.01", "01.13", "2025-02-29",
                           "31.04", "07.12.26"}) {
    std::string error;
    EXPECT_FALSE(ParseMoment(text, kToday, error)) << text;
    EXPECT_NE(error.find(text), std::string::npos) << error;
  }
}

TEST(MomentTest, MomentsOrderAsTimeRuns) {
  EXPECT_LT(At(2025, 12, 31, 23, 59, 59, 999), At(2026, 1, 1));
  EXPECT_LT(At(2026, 1, 31, 23), At(2026, 2, 1));
  EXPECT_LT(At(2026, 2, 1, 0, 0, 0, 1), At(2026, 2, 1, 0, 0, 1));
}

// Runs `lines` through a selector; the taken lines.
std::vector<std::string> Select(const LogFilter& filter, const std::vector<std::string>& lines) {
  LineSelector selector(filter, kToday);
  std::vector<std::string> taken;
  for (const auto& line : lines)
    if (selector.Take(line, ParseLogLine(line))) taken.push_back(line);
  return taken;
}

const std::vector<std::string> kLines = {
    "",
    "06.12 23:59:59.999 [инф] <P:1;T:1> load",
    "07.12 03:51:33.123 <P:1;T:1> [a] DB:OPEN (d1, x, , 5 ms, w0)",
    "07.12 03:52:00.000 [ошиб] <P:2;T:2> [b] Ошибка ExecSQL: x (DS)",
    "07.12 03:52:00.001 <P:2;T:2> [b] SQL: SELECT *",
    "FROM NOWHERE",
    "07.12 04:00:00.000 [вним] <P:1;T:1> Путь",
};

TEST(FilterTest, WithoutFiltersEveryLineShows) {
  EXPECT_EQ(Select({}, kLines), kLines);
}

TEST(FilterTest, ByLevelAndProcess) {
  LogFilter filter;
  std::string error;
  ASSERT_TRUE(ParseLevels("error,warning", filter.levels, error));
  EXPECT_EQ(Select(filter, kLines),
            (std::vector<std::string>{kLines[3], kLines[6]}));
  filter = {};
  ASSERT_TRUE(ParsePids("2", filter.pids, error));
  // The statement's further line goes with its line.
  EXPECT_EQ(Select(filter, kLines),
            (std::vector<std::string>{kLines[3], kLines[4], kLines[5]}));
  ASSERT_TRUE(ParseLevels("plain", filter.levels, error));
  EXPECT_EQ(Select(filter, kLines), (std::vector<std::string>{kLines[4], kLines[5]}));
}

TEST(FilterTest, ByTimeBothEndsIncluded) {
  LogFilter filter;
  filter.since = At(2026, 12, 7, 3, 51, 33, 123);
  filter.until = At(2026, 12, 7, 3, 52, 0, 0);
  EXPECT_EQ(Select(filter, kLines), (std::vector<std::string>{kLines[2], kLines[3]}));
  filter = {};
  filter.until = At(2026, 12, 6, 23, 59, 59, 999);
  EXPECT_EQ(Select(filter, kLines), (std::vector<std::string>{kLines[1]}));
}

TEST(FilterTest, ByRegularExpressionOverTheShownText) {
  LogFilter filter;
  filter.grep.emplace(Cp1251ToUtf8("DB:OPEN|Путь"));  // UTF-8, as typed
  EXPECT_EQ(Select(filter, kLines), (std::vector<std::string>{kLines[2], kLines[6]}));
  filter.grep.emplace("^07\\.12 03:5");
  EXPECT_EQ(Select(filter, kLines),
            (std::vector<std::string>{kLines[2], kLines[3], kLines[4], kLines[5]}));
}

TEST(FilterTest, ListsNameTheBadItem) {
  std::set<int> levels;
  std::set<int64_t> pids;
  std::string error;
  EXPECT_TRUE(ParseLevels(Cp1251ToUtf8("0,7,info,сбой"), levels, error));  // typed: UTF-8
  EXPECT_EQ(levels, (std::set<int>{0, 1, 3, 7}));
  EXPECT_FALSE(ParseLevels("info,loud", levels, error));
  EXPECT_NE(error.find("'loud'"), std::string::npos);
  EXPECT_FALSE(ParseLevels("info,", levels, error));
  EXPECT_NE(error.find("''"), std::string::npos);
  EXPECT_TRUE(ParsePids("412,-3", pids, error));
  EXPECT_EQ(pids, (std::set<int64_t>{-3, 412}));
  for (const char* bad : {"", "4x", "1,,2", " 5", "99999999999999999999"}) {
    EXPECT_FALSE(ParsePids(bad, pids, error)) << bad;
  }
}

}  // namespace
}  // namespace zelmor::host
