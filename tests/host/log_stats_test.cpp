// The figures of zelmor log --stats over lines with known durations and waits.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "host/log_stats.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

TEST(PercentileTest, NearestRank) {
  EXPECT_EQ(Percentile({}, 50), 0u);
  EXPECT_EQ(Percentile({7}, 50), 7u);
  EXPECT_EQ(Percentile({7}, 95), 7u);
  const std::vector<uint32_t> twenty = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                        11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
  EXPECT_EQ(Percentile(twenty, 50), 10u);  // rank 10 of 20
  EXPECT_EQ(Percentile(twenty, 95), 19u);  // rank 19
  EXPECT_EQ(Percentile(twenty, 100), 20u);
  EXPECT_EQ(Percentile({1, 2, 3}, 50), 2u);  // rank 2 of 3
  EXPECT_EQ(Percentile({1, 2}, 50), 1u);     // rank 1 of 2
  EXPECT_EQ(Percentile({1, 2}, 95), 2u);
}

// A process's lines as the library writes them.
class Writer {
 public:
  explicit Writer(LogStatistics& statistics) : statistics_(statistics) {}
  void Line(int pid, const std::string& text, int level = 0) {
    static const char* const kTags[] = {"", " [инф]", " [ошиб]"};
    const std::string line = "07.12 03:51:33.123" + std::string(kTags[level]) + " <P:" +
                             std::to_string(pid) + ";T:1> " + text;
    statistics_.Add(*ParseLogLine(line));
  }

 private:
  LogStatistics& statistics_;
};

class LogStatsTest : public ::testing::Test {
 protected:
  // Process 100: 20 opens of 1..20 ms waiting 0..19 ms, one failed open
  // waiting 50, 20 closes of 1 ms without a wait; starts and commits;
  // two failed statements. Process 200: one slow open and one statement.
  void SetUp() override {
    Writer writer(statistics_);
    writer.Line(100, "Модуль Zelmor загружен (v.9.30). Процесс: \"/opt/station/pos\".", 1);
    for (int i = 1; i <= 20; ++i) {
      writer.Line(100, "[pos] DB:OPEN (d1, 127.0.0.1/3050:/db/a.fdb, , " + std::to_string(i) +
                           " ms, w" + std::to_string(i - 1) + ")");
      writer.Line(100, "[pos] TRAN:START (d1, , 2 ms)");
      writer.Line(100, "[pos] TRAN:COMMIT (d1, , " + std::to_string(i * 10) + " ms)");
      writer.Line(100, "[pos] DB:CLOSE (d1, a.fdb, , 1 ms, w0)");
    }
    writer.Line(100, "[pos] Ошибка подкл.: refused (127.0.0.1/3050:/db/a.fdb, , w50)");
    writer.Line(100, "[pos] ERROR FBConnectDB: refused");
    writer.Line(100, "[pos] Ошибка ExecSQL: bad (DS)");
    writer.Line(100, "[pos] SQL: DELETE FROM X");
    writer.Line(100, "[pos] Ошибка ExecSQL: bad (DS)");
    writer.Line(200, "[till] DB:OPEN (d2, h:/b.fdb, , 900 ms, w400)");
    writer.Line(200, "[till] ExecSQL (d2, DS, 3000 ms)");
    writer.Line(200, "**[till] a line of the host's own");
  }

  LogStatistics statistics_;
};

TEST_F(LogStatsTest, CountsFailuresAndPercentilesPerProcess) {
  EXPECT_EQ(statistics_.Processes(), (std::vector<int64_t>{100, 200}));
  EXPECT_EQ(statistics_.LineCount(), 89);

  const auto open = statistics_.Figures(100, OperationKind::kDbOpen);
  EXPECT_EQ(open.count, 21);
  EXPECT_EQ(open.failures, 1);
  ASSERT_EQ(open.durations_ms.size(), 20u);
  EXPECT_EQ(Percentile(open.durations_ms, 50), 10u);
  EXPECT_EQ(Percentile(open.durations_ms, 95), 19u);
  EXPECT_EQ(open.durations_ms.back(), 20u);
  // 0..19 and the failed attempt's 50: 21 waits.
  ASSERT_EQ(open.waits_ms.size(), 21u);
  EXPECT_EQ(Percentile(open.waits_ms, 50), 10u);  // rank 11
  EXPECT_EQ(Percentile(open.waits_ms, 95), 19u);  // rank 20
  EXPECT_EQ(open.waits_ms.back(), 50u);

  const auto commit = statistics_.Figures(100, OperationKind::kTranCommit);
  EXPECT_EQ(commit.count, 20);
  EXPECT_EQ(Percentile(commit.durations_ms, 50), 100u);
  EXPECT_EQ(Percentile(commit.durations_ms, 95), 190u);
  EXPECT_TRUE(commit.waits_ms.empty());

  const auto exec = statistics_.Figures(100, OperationKind::kExecSql);
  EXPECT_EQ(exec.count, 2);
  EXPECT_EQ(exec.failures, 2);
  EXPECT_TRUE(exec.durations_ms.empty());

  EXPECT_EQ(statistics_.Figures(200, OperationKind::kDbOpen).count, 1);
  EXPECT_EQ(statistics_.Figures(200, OperationKind::kTranStart).count, 0);
}

TEST_F(LogStatsTest, AllProcessesTogether) {
  const auto open = statistics_.Figures(std::nullopt, OperationKind::kDbOpen);
  EXPECT_EQ(open.count, 22);
  EXPECT_EQ(open.failures, 1);
  EXPECT_EQ(open.durations_ms.back(), 900u);
  EXPECT_EQ(open.waits_ms.back(), 400u);
  EXPECT_EQ(Percentile(open.durations_ms, 50), 11u);  // rank 11 of 21
  const auto exec = statistics_.Figures(std::nullopt, OperationKind::kExecSql);
  EXPECT_EQ(exec.count, 3);
  EXPECT_EQ(exec.failures, 2);
}

// One row of a printed block: name, then the cells in order.
bool HasRow(const std::string& text, const std::string& name,
            const std::vector<std::string>& cells) {
  std::string pattern = "\n" + name + " *";
  for (const auto& cell : cells) pattern += "\\| *" + cell + " *";
  return std::regex_search(text, std::regex(pattern + "\n"));
}

TEST_F(LogStatsTest, TheTableShowsEachProcessThenAllThenTheSlowest) {
  std::ostringstream out;
  statistics_.Print(out);
  const std::string text = out.str();
  const size_t first = text.find("process 100  /opt/station/pos\n");
  const size_t second = text.find("process 200\n");
  const size_t all = text.find("all 2 processes\n");
  const size_t slowest = text.find("slowest operations\n");
  ASSERT_NE(first, std::string::npos) << text;
  ASSERT_NE(second, std::string::npos) << text;
  ASSERT_NE(all, std::string::npos) << text;
  ASSERT_NE(slowest, std::string::npos) << text;
  EXPECT_LT(first, second);
  EXPECT_LT(second, all);
  EXPECT_LT(all, slowest);

  const std::string process_100 = text.substr(first, second - first);
  EXPECT_TRUE(HasRow(process_100, "DB:OPEN", {"21", "1", "10", "19", "20", "10", "19", "50"}))
      << process_100;
  EXPECT_TRUE(HasRow(process_100, "DB:CLOSE", {"20", "0", "1", "1", "1", "0", "0", "0"}));
  EXPECT_TRUE(HasRow(process_100, "TRAN:START", {"20", "0", "2", "2", "2", "-", "-", "-"}));
  EXPECT_TRUE(HasRow(process_100, "ExecSQL", {"2", "2", "-", "-", "-", "-", "-", "-"}));
  EXPECT_EQ(process_100.find("TAB:OPEN"), std::string::npos);  // kinds absent are not shown
  // Operations in their fixed order.
  EXPECT_LT(process_100.find("DB:OPEN"), process_100.find("DB:CLOSE"));
  EXPECT_LT(process_100.find("DB:CLOSE"), process_100.find("TRAN:START"));
  EXPECT_LT(process_100.find("TRAN:COMMIT"), process_100.find("ExecSQL"));

  const std::string together = text.substr(all, slowest - all);
  EXPECT_TRUE(HasRow(together, "ExecSQL", {"3", "2", "3000", "3000", "3000", "-", "-", "-"}));

  // The slowest first, with its process and its line.
  const std::string slow = text.substr(slowest);
  EXPECT_TRUE(std::regex_search(
      slow, std::regex("\n07.12 03:51:33.123 *\\| *200 *\\| *3000 *\\| \\[till\\] ExecSQL")))
      << slow;
  EXPECT_LT(slow.find("3000"), slow.find("900"));
  EXPECT_LT(slow.find("900"), slow.find("190"));
  EXPECT_EQ(std::count(slow.begin(), slow.end(), '\n'), 3 + 10);  // title, head, rule, ten lines
}

TEST(LogStatsEmptyTest, SaysThereIsNothingToCount) {
  LogStatistics statistics;
  const std::string line = "07.12 03:51:33.123 <P:1;T:1> Модуль выгружен";
  statistics.Add(*ParseLogLine(line));
  std::ostringstream out;
  statistics.Print(out);
  EXPECT_EQ(out.str(), "no database operations in the lines read\n");
}

}  // namespace
}  // namespace zelmor::host
