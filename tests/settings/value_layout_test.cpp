#include <gtest/gtest.h>

#include "settings/ini_lock_name.h"
#include "settings/value_layout.h"

namespace zelmor {
namespace {

const std::string kMarker = "<@\\n@>";

TEST(TextHash, WorkedExamples) {
  EXPECT_EQ(TextHash("abc"), 397824173);
  EXPECT_EQ(TextHash("a"), -794527);
  EXPECT_EQ(TextHash(""), 0);
}

TEST(SplitValue, LineBreaksBecomeMarkers) {
  EXPECT_EQ(SplitValue("a\r\nb", false).chunks, std::vector<std::string>{"a" + kMarker + "b"});
  EXPECT_EQ(SplitValue("a\nb", false).chunks, std::vector<std::string>{"a" + kMarker + "b"});
  EXPECT_EQ(SplitValue("a\rb", false).chunks, std::vector<std::string>{"ab"});
  EXPECT_TRUE(SplitValue("", false).chunks.empty());
  EXPECT_TRUE(SplitValue("\r\r", false).chunks.empty());
  EXPECT_EQ(DecodeLineBreaks("a" + kMarker + "b" + kMarker), "a\r\nb\r\n");
}

TEST(SplitValue, QuotesChunksTheStoreWouldAlter) {
  EXPECT_EQ(SplitValue(" a", false).chunks[0], "\" a\"");
  EXPECT_EQ(SplitValue("a\t", false).chunks[0], "\"a\t\"");
  EXPECT_EQ(SplitValue("\"a\"", false).chunks[0], "\"\"a\"\"");
  EXPECT_EQ(SplitValue("'a'", false).chunks[0], "\"'a'\"");
  EXPECT_EQ(SplitValue("a b", false).chunks[0], "a b");
  // A value ending in a line break ends with the marker, not a blank.
  EXPECT_EQ(SplitValue("a\n", false).chunks[0], "a" + kMarker);
}

TEST(SplitValue, CutsLongValuesIntoChunks) {
  const SplitResult split = SplitValue(std::string(70000, 'x'), false);
  ASSERT_EQ(split.chunks.size(), 2u);
  EXPECT_EQ(split.chunks[0], std::string(65532, 'x'));
  EXPECT_EQ(split.chunks[1], std::string(4468, 'x'));
  EXPECT_EQ(split.first_chunk_hash, TextHash(std::string(65532, 'x')));

  // The hash is taken before quoting.
  const SplitResult quoted = SplitValue(" " + std::string(70000, 'x'), false);
  EXPECT_EQ(quoted.chunks[0], "\" " + std::string(65531, 'x') + "\"");
  EXPECT_EQ(quoted.first_chunk_hash, TextHash(" " + std::string(65531, 'x')));
}

TEST(SplitValue, NeverCutsAMarker) {
  // 65530 bytes leave no room for a six-byte marker: the chunk closes early.
  const SplitResult split = SplitValue(std::string(65530, 'x') + "\nyz", false);
  ASSERT_EQ(split.chunks.size(), 2u);
  EXPECT_EQ(split.chunks[0], std::string(65530, 'x'));
  EXPECT_EQ(split.chunks[1], kMarker + "yz");
  // 65526 bytes and a marker fill a chunk exactly.
  const SplitResult exact = SplitValue(std::string(65526, 'x') + "\nyz", false);
  ASSERT_EQ(exact.chunks.size(), 2u);
  EXPECT_EQ(exact.chunks[0], std::string(65526, 'x') + kMarker);
  EXPECT_EQ(exact.chunks[1], "yz");
}

TEST(SplitValue, SingleKeyModeKeepsTheFirstChunkOnly) {
  const SplitResult split = SplitValue(std::string(70000, 'x'), true);
  ASSERT_EQ(split.chunks.size(), 1u);
  EXPECT_EQ(split.chunks[0].size(), 65532u);
  EXPECT_EQ(SplitValue(std::string(65530, 'x') + "\nyz", true).chunks.size(), 1u);
}

TEST(BuildLockName, FoldsCaseAndDoubledBackslashes) {
  EXPECT_EQ(BuildLockName("C:\\WINDOWS\\cnf.ini"), "ini file lock mutexc__windows_cnf.ini");
  EXPECT_EQ(BuildLockName("C:\\Data\\A.INI"), BuildLockName("c:\\\\data\\a.ini"));
  EXPECT_EQ(BuildLockName("C:\\Data\\\\\\A.INI"), BuildLockName("c:\\data\\a.ini"));
  EXPECT_NE(BuildLockName("C:\\Data\\..\\Data\\a.ini"), BuildLockName("C:\\Data\\a.ini"));
  EXPECT_EQ(BuildLockName("/d/\"*<>?|Я "), "ini file lock mutex_d_______я ");
}

}  // namespace
}  // namespace zelmor
