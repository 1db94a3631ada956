// One table of operations on the INI store, with the file contents and read
// results expected after each. The Windows build runs it over the real
// profile functions, the Linux build over our own store: both passing shows
// the two behave alike.
#include <gtest/gtest.h>

#include <functional>

#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "settings/ini_store.h"
#include "support/test_support.h"
#include "wine_limits.h"

namespace zelmor {
namespace {

using Names = std::vector<std::string>;

struct Step {
  const char* what;
  std::function<void(IniStore&)> run;
  const char* file_after;  // nullptr: the file does not exist
};

void RunTable(const std::string& path, const std::vector<Step>& steps) {
  IniStore store(path);
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.run(store);
    if (step.file_after)
      EXPECT_EQ(test::ReadFileBytes(path), step.file_after);
    else
      EXPECT_FALSE(platform::FileExists(path));
  }
}

TEST(IniStoreTable, WritesReadsAndEditsLikeTheProfileFunctions) {
  test::TempFolder folder;
  RunTable(folder / "table.ini", {
      {"missing file gives the default, trailing blanks dropped",
       [](IniStore& s) {
         EXPECT_EQ(s.ReadKey("Main", "Key", "def  "), "def");
         EXPECT_TRUE(s.ReadSection("Main").empty());
         EXPECT_TRUE(s.ReadSections().empty());
       },
       nullptr},
      {"first write creates file and section",
       [](IniStore& s) { s.WriteKey("Main", "Key", "v1"); },
       "[Main]\r\nKey=v1\r\n"},
      {"names match without regard to case; the stored spelling stays",
       [](IniStore& s) {
         s.WriteKey("main", "KEY", "v2");
         EXPECT_EQ(s.ReadKey("MAIN", "key", ""), "v2");
       },
       "[Main]\r\nKey=v2\r\n"},
      {"double quotes are stored and dropped on reading",
       [](IniStore& s) {
         s.WriteKey("Main", "Other", "\"q r\"");
         EXPECT_EQ(s.ReadKey("Main", "Other", ""), "q r");
       },
       "[Main]\r\nKey=v2\r\nOther=\"q r\"\r\n"},
      {"a new section goes to the end; single quotes are dropped too",
       [](IniStore& s) {
         s.WriteKey("Second", "a", "'s'");
         EXPECT_EQ(s.ReadKey("second", "A", ""), "s");
       },
       "[Main]\r\nKey=v2\r\nOther=\"q r\"\r\n[Second]\r\na='s'\r\n"},
      {"a new key goes to the end of its section",
       [](IniStore& s) { s.WriteKey("Main", "Third", "x\"y"); },
       "[Main]\r\nKey=v2\r\nOther=\"q r\"\r\nThird=x\"y\r\n[Second]\r\na='s'\r\n"},
      {"an unmatched quote stays",
       [](IniStore& s) {
         EXPECT_EQ(s.ReadKey("Main", "Third", ""), "x\"y");
         s.WriteKey("Second", "b", "\"");
         EXPECT_EQ(s.ReadKey("Second", "b", ""), "\"");
       },
       "[Main]\r\nKey=v2\r\nOther=\"q r\"\r\nThird=x\"y\r\n[Second]\r\na='s'\r\nb=\"\r\n"},
      {"deleting a key removes its line; a missing one changes nothing",
       [](IniStore& s) {
         s.DeleteKey("Main", "key");
         s.DeleteKey("Main", "nothing");
         EXPECT_EQ(s.ReadKey("Main", "Key", "gone"), "gone");
       },
       "[Main]\r\nOther=\"q r\"\r\nThird=x\"y\r\n[Second]\r\na='s'\r\nb=\"\r\n"},
      {"listings",
       [](IniStore& s) {
         EXPECT_EQ(s.ReadSection("main"), (Names{"Other", "Third"}));
         EXPECT_EQ(s.ReadSections(), (Names{"Main", "Second"}));
       },
       "[Main]\r\nOther=\"q r\"\r\nThird=x\"y\r\n[Second]\r\na='s'\r\nb=\"\r\n"},
      {"erasing a section removes it whole",
       [](IniStore& s) { s.EraseSection("SECOND"); },
       "[Main]\r\nOther=\"q r\"\r\nThird=x\"y\r\n"},
      {"an empty value",
       [](IniStore& s) {
         s.WriteKey("Main", "Other", "");
         EXPECT_EQ(s.ReadKey("Main", "Other", "def"), "");
       },
       "[Main]\r\nOther=\r\nThird=x\"y\r\n"},
  });
}

TEST(IniStoreTable, ReadsStopAt65534Bytes) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  test::TempFolder folder;
  IniStore store(folder / "big.ini");
  store.WriteKey("Main", "Big", std::string(70000, 'y'));
  const std::string read = store.ReadKey("Main", "Big", "");
  EXPECT_EQ(read.size(), 65534u);
  EXPECT_EQ(read.find_first_not_of('y'), std::string::npos);
}

TEST(IniStoreTable, FirstMatchWinsAndOtherLinesStay) {
  test::TempFolder folder;
  const std::string path = folder / "dup.ini";
  test::WriteFileBytes(path,
                       "; top comment\r\n[A]\r\nk=first\r\n;k=commented\r\nk=second\r\n"
                       "[B]\r\nx=1\r\n[a]\r\nk=third\r\nm=4\r\n");
  RunTable(path, {
      {"first section and first key of that name",
       [](IniStore& s) {
         EXPECT_EQ(s.ReadKey("a", "K", ""), "first");
         EXPECT_EQ(s.ReadKey("A", "m", "none"), "none");
         EXPECT_EQ(s.ReadSection("A"), (Names{"k", "k"}));
         EXPECT_EQ(s.ReadSections(), (Names{"A", "B", "a"}));
       },
       "; top comment\r\n[A]\r\nk=first\r\n;k=commented\r\nk=second\r\n"
       "[B]\r\nx=1\r\n[a]\r\nk=third\r\nm=4\r\n"},
      {"a write changes the first key only and keeps comments",
       [](IniStore& s) { s.WriteKey("A", "k", "new"); },
       "; top comment\r\n[A]\r\nk=new\r\n;k=commented\r\nk=second\r\n"
       "[B]\r\nx=1\r\n[a]\r\nk=third\r\nm=4\r\n"},
      {"deleting a key removes the first one",
       [](IniStore& s) {
         s.DeleteKey("A", "k");
         EXPECT_EQ(s.ReadKey("A", "k", ""), "second");
       },
       "; top comment\r\n[A]\r\n;k=commented\r\nk=second\r\n"
       "[B]\r\nx=1\r\n[a]\r\nk=third\r\nm=4\r\n"},
  });
}

TEST(IniStoreTable, BlanksAroundNamesAndValuesAreDroppedOnReading) {
  test::TempFolder folder;
  const std::string path = folder / "blanks.ini";
  test::WriteFileBytes(path, "[S]\r\n  name  =   two words \t\r\nq= \"  x  \" \r\nlf=1\nlast=end");
  IniStore store(path);
  EXPECT_EQ(store.ReadKey("S", "name", ""), "two words");
  EXPECT_EQ(store.ReadKey("S", "q", ""), "  x  ");
  EXPECT_EQ(store.ReadKey("S", "lf", ""), "1");
  EXPECT_EQ(store.ReadKey("S", "last", ""), "end");
}

TEST(IniStoreTable, BlanksAroundTheNamesAskedForDoNotCount) {
  test::TempFolder folder;
  const std::string path = folder / "names.ini";
  test::WriteFileBytes(path, "[Net]\r\nPort=1\r\n");
  IniStore store(path);
  EXPECT_EQ(store.ReadKey("  Net ", "\tPort  ", ""), "1");
  EXPECT_EQ(store.ReadKey(" Net", "Port ", ""), "1");
  store.WriteKey("Net ", " Port", "2");
  EXPECT_EQ(test::ReadFileBytes(path), "[Net]\r\nPort=2\r\n");
}

TEST(IniStoreTable, FailedWriteRaisesWithTheErrorCode) {
  test::TempFolder folder;
  IniStore store(folder / "missing" + platform::kPathDelimiter + "x.ini");
  try {
    store.WriteKey("S", "k", "v");
    FAIL() << "no exception";
  } catch (const EIniFileException&) {
    EXPECT_EQ(store.LastFailure(), platform::kErrorPathNotFound);
  }
}

}  // namespace
}  // namespace zelmor
