#include <gtest/gtest.h>

#include "eventlog/log_line.h"

namespace zelmor::eventlog {
namespace {

constexpr char kStamp[] = "07.12.2026 03:51:33.123";

LineLayout WithIds(bool process, bool thread) {
  LineLayout layout;
  layout.show_process_id = process;
  layout.show_thread_id = thread;
  layout.process_id = 412;
  layout.thread_id = 388;
  return layout;
}

TEST(LogLine, LevelTagFollowsTheTimestampAndTheLevelCharacterOpensTheLine) {
  LineLayout layout;
  EXPECT_EQ(FormatLogLine(kStamp, "Connected", 1, layout), "07.12.2026 03:51:33.123 [инф] Connected");
  EXPECT_EQ(FormatLogLine(kStamp, "abc", 0, layout), "07.12.2026 03:51:33.123 abc");
  EXPECT_EQ(FormatLogLine(kStamp, "x", 7, layout), "07.12.2026 03:51:33.123 [другое] x");
  layout.show_level_char = true;
  EXPECT_EQ(FormatLogLine(kStamp, "e", 2, layout), "? 07.12.2026 03:51:33.123 [ошиб] e");
  layout.show_level_tag = false;
  EXPECT_EQ(FormatLogLine(kStamp, "x", 0, layout), "- 07.12.2026 03:51:33.123 x");
}

TEST(LogLine, MarkersShowTheIdsAskedFor) {
  EXPECT_EQ(FormatLogLine("T", "x", 0, WithIds(true, true)), "T <P:412;T:388> x");
  EXPECT_EQ(FormatLogLine("T", "x", 0, WithIds(false, true)), "T <T:388> x");
  EXPECT_EQ(FormatLogLine("T", "x", 0, WithIds(true, false)), "T <P:412> x");
  LineLayout large = WithIds(true, false);
  large.process_id = 0xFFFFFFFEu;
  EXPECT_EQ(FormatLogLine("T", "x", 0, large), "T <P:-2> x") << "ids print as signed 32-bit";
}

TEST(LogLine, PrefixSitsBetweenTagAndMarkers) {
  LineLayout layout = WithIds(true, true);
  layout.prefix = "X";
  EXPECT_EQ(FormatLogLine(kStamp, "text", 4, layout),
            "07.12.2026 03:51:33.123 [вним] X <P:412;T:388> text");
}

TEST(MutexName, LowerCasesThePathAndReplacesTheNineReservedCharacters) {
  EXPECT_EQ(MutexNameOf("C:\\ZEDE\\LogFiles\\FBEvents.log"), "c__zede_logfiles_fbevents.log");
  EXPECT_EQ(MutexNameOf("a\"b*c/d:e<f>g?h\\i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(MutexNameOf("/tmp/Журнал ЁЖ.LOG"), "_tmp_журнал ёж.log");
  EXPECT_EQ(MutexNameOf(std::string("a\x01\xFF", 3)), std::string("a\x01\xFF", 3));
}

}  // namespace
}  // namespace zelmor::eventlog
