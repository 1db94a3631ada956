#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>
#include <thread>

#include "platform/platform.h"
#include "rtl/datetime.h"
#include "rtl/exceptions.h"
#include "rtl/format_settings.h"
#include "rtl/global_mutex.h"
#include "settings/ini_lock_name.h"
#include "settings/ini_store.h"
#include "settings/safe_ini_file.h"
#include "settings/value_layout.h"
#include "support/test_support.h"
#include "wine_limits.h"

namespace zelmor {
namespace {

using Names = std::vector<std::string>;

std::string ErrorMessageOf(const std::function<void()>& action, std::string* class_name = nullptr) {
  try {
    action();
  } catch (const Exception& error) {
    if (class_name) *class_name = error.ClassName();
    return error.Message();
  }
  return "(no exception)";
}

class SafeIniFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return folder_ / "test.ini"; }
  test::TempFolder folder_;
};

TEST_F(SafeIniFileTest, EmptyNamesAreRefusedWithTheOperationsName) {
  TSafeIniFile ini("C:\\WINDOWS\\cnf.ini");
  std::string class_name;
  EXPECT_EQ(ErrorMessageOf([&] { ini.ReadString("", "k", ""); }, &class_name),
            "TSafeIniFile.ReadString -> Не указано название секции. Имя файла: C:\\WINDOWS\\cnf.ini");
  EXPECT_EQ(class_name, "EIniFileException");
  Names list;
  EXPECT_EQ(ErrorMessageOf([&] { ini.ReadSection("", list); }),
            "TSafeIniFile.ReadSection -> Не указано название секции. Имя файла: C:\\WINDOWS\\cnf.ini");
  EXPECT_EQ(ErrorMessageOf([&] { ini.WriteString("S", "", "v"); }),
            "TSafeIniFile.WriteString -> Не указано название переменной. Имя файла: C:\\WINDOWS\\cnf.ini");
  EXPECT_EQ(ErrorMessageOf([&] { ini.DeleteKey("S", ""); }),
            "TSafeIniFile.DeleteKey -> Не указано название переменной. Имя файла: C:\\WINDOWS\\cnf.ini");
  EXPECT_EQ(ErrorMessageOf([&] { ini.EraseSection(""); }),
            "TSafeIniFile.EraseSection -> Не указано название секции. Имя файла: C:\\WINDOWS\\cnf.ini");
  EXPECT_EQ(ErrorMessageOf([&] { ini.ReadSectionValues("", list); }),
            "TSafeIniFile.ReadSectionValues -> Не указано название секции. Имя файла: C:\\WINDOWS\\cnf.ini");
  // Typed reads pass the wrapped failure of ReadString on as it comes.
  EXPECT_EQ(ErrorMessageOf([&] { ini.ReadDate("S", "", 0); }),
            "TSafeIniFile.ReadString -> Не указано название переменной. Имя файла: C:\\WINDOWS\\cnf.ini");
  // A name of blanks is a name.
  EXPECT_EQ(ini.ReadString(" ", " ", "d"), "d");
}

TEST_F(SafeIniFileTest, TypedValuesUseFixedFormats) {
  DefaultFormatSettings().decimal_separator = ',';
  TSafeIniFile ini(Path());
  IniStore raw(Path());
  ini.WriteDate("T", "date", EncodeDate(2026, 12, 7) + EncodeTime(10, 0, 0, 0));
  EXPECT_EQ(raw.ReadKey("T", "date", ""), "07.12.2026");
  ini.WriteFloat("T", "float", 1.5);
  EXPECT_EQ(raw.ReadKey("T", "float", ""), "1.5");
  EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "float", 0), 1.5);
  ini.WriteTime("T", "time", EncodeTime(13, 45, 10, 123));
  EXPECT_EQ(raw.ReadKey("T", "time", ""), "13:45:10.123");
  EXPECT_NEAR(ini.ReadTime("T", "time", 0), EncodeTime(13, 45, 10, 123), 1e-9);
  ini.WriteDateTime("T", "midnight", EncodeDate(2026, 1, 2));
  EXPECT_EQ(raw.ReadKey("T", "midnight", ""), "02.01.2026");
  const DateTime stamp = EncodeDate(2026, 1, 2) + EncodeTime(7, 8, 9, 10);
  ini.WriteDateTime("T", "stamp", stamp);
  EXPECT_EQ(raw.ReadKey("T", "stamp", ""), "02.01.2026 07:08:09.010");
  EXPECT_NEAR(ini.ReadDateTime("T", "stamp", 0), stamp, 1e-9);
  // Half a second past midnight is not midnight.
  const DateTime half = EncodeDate(2026, 1, 2) + EncodeTime(0, 0, 0, 500);
  ini.WriteDateTime("T", "half", half);
  EXPECT_NEAR(ini.ReadDateTime("T", "half", 0), half, 1e-9);
  DefaultFormatSettings().decimal_separator = '.';

  EXPECT_DOUBLE_EQ(ini.ReadDate("T", "missing", 42), 42);
  ini.WriteString("T", "empty", "");
  EXPECT_DOUBLE_EQ(ini.ReadDate("T", "empty", 42), 42);
  ini.WriteString("T", "bad", "31.02.2026");
  EXPECT_DOUBLE_EQ(ini.ReadDate("T", "bad", 42), 42);
  EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "bad", 4.5), 4.5);
  EXPECT_DOUBLE_EQ(ini.ReadTime("T", "bad", 4.5), 4.5);
}

// Expected texts and values are those Free Pascal's SysUtils gives for the
// same settings (FloatToStr, StrToFloat, FormatDateTime, StrToDateTime).
TEST_F(SafeIniFileTest, FloatsKeepFifteenSignificantDigitsAndTheirExponents) {
  TSafeIniFile ini(Path());
  IniStore raw(Path());
  const std::vector<std::pair<double, std::string>> written = {
      {1.0 / 3, "0.333333333333333"},
      {2.0 / 3, "0.666666666666667"},
      {123456789012345.0, "123456789012345"},
      {1234567890123456.0, "1.23456789012346E15"},
      {1e15, "1E15"},
      {1e14, "100000000000000"},
      {0.00001, "0.00001"},
      {-1.5e-7, "-1.5E-7"},
      {1e-20, "1E-20"},
      {1.5e300, "1.5E300"},
      {5e-324, "4.94065645841247E-324"},
      {-0.0, "0"},
  };
  for (const auto& [value, text] : written) {
    ini.WriteFloat("F", "v", value);
    EXPECT_EQ(raw.ReadKey("F", "v", ""), text) << value;
  }
  const std::vector<std::pair<std::string, double>> read = {
      {"0.333333333333333", 0.333333333333333}, {"1E-20", 1e-20}, {"1e-20", 1e-20},
      {"1.5E300", 1.5e300},                      {"-1.5E-7", -1.5e-7},
  };
  for (const auto& [text, value] : read) {
    ini.WriteString("F", "v", text);
    EXPECT_EQ(ini.ReadFloat("F", "v", 0), value) << text;
  }
  ini.WriteString("F", "v", "-0");
  const double negative_zero = ini.ReadFloat("F", "v", 1);
  EXPECT_EQ(negative_zero, 0.0);
  EXPECT_TRUE(std::signbit(negative_zero)) << "typed by hand, a negative zero keeps its sign";
}

TEST_F(SafeIniFileTest, DatesBefore1900CountBackwardsFrom30December1899) {
  TSafeIniFile ini(Path());
  IniStore raw(Path());
  ini.WriteDate("D", "date", EncodeDate(1812, 9, 7));
  EXPECT_EQ(raw.ReadKey("D", "date", ""), "07.09.1812");
  EXPECT_EQ(ini.ReadDate("D", "date", 0), -31890);

  // Before 1899-12-30 the time of day is the fraction's absolute value:
  // 07.09.1812 10:30:15.250 is -31890.4376765046.
  const DateTime morning = EncodeDate(1812, 9, 7) - EncodeTime(10, 30, 15, 250);
  ini.WriteDateTime("D", "stamp", morning);
  EXPECT_EQ(raw.ReadKey("D", "stamp", ""), "07.09.1812 10:30:15.250");
  EXPECT_NEAR(ini.ReadDateTime("D", "stamp", 0), -31890.4376765046, 1e-9);
  ini.WriteDateTime("D", "midnight", EncodeDate(1812, 9, 7));
  EXPECT_EQ(raw.ReadKey("D", "midnight", ""), "07.09.1812");

  ini.WriteDateTime("D", "eve", -1.25);
  EXPECT_EQ(raw.ReadKey("D", "eve", ""), "29.12.1899 06:00:00.000");
  EXPECT_EQ(ini.ReadDateTime("D", "eve", 0), -1.25);
  ini.WriteDate("D", "first", EncodeDate(1, 1, 1));
  EXPECT_EQ(raw.ReadKey("D", "first", ""), "01.01.0001");
  EXPECT_EQ(ini.ReadDate("D", "first", 0), -693593);

  ini.WriteString("D", "leap", "29.02.1600");
  EXPECT_EQ(ini.ReadDate("D", "leap", 0), -109512);
  ini.WriteString("D", "no leap", "29.02.1900");
  EXPECT_EQ(ini.ReadDate("D", "no leap", 42), 42);
}

TEST_F(SafeIniFileTest, InheritedOperationsGoThroughTheOwnOnes) {
  TSafeIniFile ini(Path());
  ini.WriteInteger("I", "n", -17);
  EXPECT_EQ(ini.ReadInteger("I", "n", 0), -17);
  ini.WriteString("I", "hex", "0x1F");
  EXPECT_EQ(ini.ReadInteger("I", "hex", 0), 31);
  EXPECT_EQ(ini.ReadInteger("I", "missing", 5), 5);
  ini.WriteString("I", "huge", "99999999999");
  EXPECT_EQ(ini.ReadInteger("I", "huge", 5), 5);
  ini.WriteBool("I", "b", true);
  EXPECT_TRUE(ini.ReadBool("I", "b", false));
  EXPECT_TRUE(ini.ValueExists("i", "B"));
  EXPECT_FALSE(ini.ValueExists("I", "nothing"));
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  ini.WriteBinaryStream("I", "bin", bytes);
  std::string back;
  EXPECT_EQ(ini.ReadBinaryStream("I", "bin", back), 256);
  EXPECT_EQ(back, bytes);
  ini.WriteString("Sub\\one", "k", "v");
  ini.WriteString("Sub\\two", "k", "v");
  Names names;
  ini.ReadSections("sub", names);
  EXPECT_EQ(names, (Names{"one", "two"}));
}

TEST_F(SafeIniFileTest, LongValuesAreSplitAndJoined) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  TSafeIniFile ini(Path());
  IniStore raw(Path());
  const std::string value(70000, 'x');
  ini.WriteString("S", "Text", value);
  EXPECT_EQ(raw.ReadKey("S", "Text", ""), std::string(65532, 'x'));
  EXPECT_EQ(raw.ReadKey("S", "Text__$Count", ""), "2");
  EXPECT_EQ(raw.ReadKey("S", "Text__$Hash", ""),
            std::to_string(TextHash(std::string(65532, 'x'))));
  EXPECT_EQ(raw.ReadKey("S", "Text__$Line2", ""), std::string(4468, 'x'));
  EXPECT_EQ(ini.ReadString("S", "Text", ""), value);

  Names keys;
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (Names{"Text", "Text__$Count", "Text__$Hash", "Text__$Line2"}));
  ini.ReadSectionValues("S", keys);
  EXPECT_EQ(keys[1], "Text__$Count=2");

  // Rewriting re-enters the lock (through ReadInteger and ReadString) and
  // drops the companions of the longer value.
  ini.WriteString("S", "Text", "abc");
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (Names{"Text"}));
  EXPECT_EQ(ini.ReadString("S", "Text", ""), "abc");

  // Three chunks, with line breaks and blanks at the chunk borders.
  std::string mixed;
  for (int i = 0; i < 60000; ++i) mixed += (i % 7 == 0) ? "\r\n" : (i % 11 == 0 ? " " : "ab");
  ini.WriteString("S", "Mixed", mixed);
  EXPECT_EQ(raw.ReadKey("S", "Mixed__$Count", ""), "3");
  std::string expected = mixed;  // line breaks come back as CR LF, which they are
  EXPECT_EQ(ini.ReadString("S", "Mixed", ""), expected);
  ini.DeleteKey("S", "mixed");
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (Names{"Text"}));
}

TEST_F(SafeIniFileTest, ForeignOverwriteOfTheMainKeyIsNoticed) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  TSafeIniFile ini(Path());
  ini.WriteString("S", "K", std::string(70000, 'x'));
  IniStore(Path()).WriteKey("S", "K", "plain");
  EXPECT_EQ(ini.ReadString("S", "K", ""), "plain");
  // A count that is not a number counts as missing.
  ini.WriteString("S", "K", std::string(70000, 'x'));
  IniStore(Path()).WriteKey("S", "K__$Count", "two");
  EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(65532, 'x'));
  // Without a count there are no companions to remove: only the key goes.
  ini.DeleteKey("S", "K");
  Names keys;
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (Names{"K__$Count", "K__$Hash", "K__$Line2"}));
}

TEST_F(SafeIniFileTest, DamagedCountJoinsOnlyTheChunksPresent) {
  // Found by fuzzing: a count of two billion once meant as many reads.
  test::WriteFileBytes(Path(),
                       "[S]\r\nK=abc\r\nK__$Count=2000000000\r\nK__$Hash=397824173\r\n"
                       "K__$Line2=def\r\nK__$Line4=ghi\r\n");
  TSafeIniFile ini(Path());
  // Chunk 3 is missing and reads as empty; the ones after it still count.
  EXPECT_EQ(ini.ReadString("S", "K", ""), "abcdefghi");
  ini.DeleteKey("S", "K");
  EXPECT_EQ(test::ReadFileBytes(Path()), "[S]\r\n");
}

TEST_F(SafeIniFileTest, LineBreaksQuotesAndMarkersRoundTrip) {
  TSafeIniFile ini(Path());
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a\r\nb", "a\r\nb"}, {"a\nb", "a\r\nb"},       {"a\rb", "ab"},
      {" lead", " lead"},   {"trail\t", "trail\t"},   {"\"quoted\"", "\"quoted\""},
      {"'single'", "'single'"}, {"\"", "\""},         {"<@\\n@>", "\r\n"},
      {"", ""},             {"\r\r\r", ""},           {"\xC0\xFF\x80", "\xC0\xFF\x80"},
  };
  for (const auto& [written, read] : cases) {
    SCOPED_TRACE(written);
    ini.WriteString("Q", "v", written);
    EXPECT_EQ(ini.ReadString("Q", "v", "default"), read);
  }
}

TEST_F(SafeIniFileTest, SingleKeyModeKeepsOneKey) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  TSafeIniFile ini(Path());
  ini.WriteString("S", "K", std::string(70000, 'x'));
  ini.SingleKeyMode = true;
  ini.WriteString("S", "K", std::string(70000, 'y'));
  EXPECT_EQ(ini.ReadString("S", "K", ""), std::string(65532, 'y'));
  Names keys;
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys.size(), 4u);  // companions of the earlier value untouched
  ini.DeleteKey("S", "K");
  ini.ReadSection("S", keys);
  EXPECT_EQ(keys, (Names{"K__$Count", "K__$Hash", "K__$Line2"}));
}

TEST_F(SafeIniFileTest, SectionOperationsAndFlush) {
  TSafeIniFile ini(Path());
  ini.FlushAfterChange = true;
  ini.WriteString("A", "K", "a\r\nb");
  ini.WriteString("B", "K", "b");
  ini.DeleteKey("B", "K");
  ini.EraseSection("a");
  ini.UpdateFile();
  Names sections;
  ini.ReadSections(sections);
  EXPECT_EQ(sections, (Names{"B"}));
}

TEST_F(SafeIniFileTest, MissingFolderFailsAtOnce) {
  TSafeIniFile ini(folder_ / "missing" + platform::kPathDelimiter + "x.ini");
  const uint32_t started = platform::TickCount();
  std::string class_name;
  const std::string message =
      ErrorMessageOf([&] { ini.WriteDate("S", "d", EncodeDate(2026, 1, 1)); }, &class_name);
  EXPECT_LT(platform::TickCount() - started, 800u);
  EXPECT_EQ(class_name, "EIniFileException");
  const std::string prefix = "TSafeIniFile.WriteDate -> TSafeIniFile.WriteString -> " +
                             platform::SystemErrorMessage(platform::kErrorPathNotFound) + " -> ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
}

TEST_F(SafeIniFileTest, UnwritableFileIsRetriedForAboutASecond) {
  // A folder where the file should be: access denied, as for a read-only file.
  ASSERT_TRUE(platform::ForceDirectories(Path()));
  TSafeIniFile ini(Path());
  const uint32_t started = platform::TickCount();
  const std::string message = ErrorMessageOf([&] { ini.WriteString("S", "k", "v"); });
  const uint32_t elapsed = platform::TickCount() - started;
  EXPECT_GE(elapsed, 950u);
  EXPECT_LT(elapsed, 20000u);
  const std::string prefix = "TSafeIniFile.WriteString -> " +
                             platform::SystemErrorMessage(platform::kErrorAccessDenied) + " -> ";
  EXPECT_EQ(message.substr(0, prefix.size()), prefix) << message;
  EXPECT_EQ(ini.ReadString("S", "k", "def"), "def");
}

// Holds the lock of `variant` in another thread until told to let go.
class LockHolder {
 public:
  explicit LockHolder(const std::string& variant)
      : mutex_(CreateGlobalMutex(BuildLockName(variant), "Error CreateMutex: ", true)),
        thread_([this] {
          platform::WaitMutex(mutex_);
          held_ = true;
          release_.get_future().wait();
          released_ = true;
          platform::ReleaseMutex(mutex_);
        }) {
    while (!held_) platform::SleepMs(1);
  }
  ~LockHolder() {
    Release();
    thread_.join();
    platform::CloseMutex(mutex_);
  }
  void Release() {
    if (!release_sent_) release_.set_value();
    release_sent_ = true;
  }
  bool Released() const { return released_; }

 private:
  platform::MutexHandle mutex_;
  std::promise<void> release_;
  bool release_sent_ = false;
  std::atomic<bool> held_{false}, released_{false};
  std::thread thread_;
};

TEST(SafeIniFileLock, SpellingsOfOnePathShareTheLock) {
  TSafeIniFile ini("C:\\Data\\A.INI");
  {
    LockHolder holder("c:\\\\data\\a.ini");
    auto read = std::async(std::launch::async, [&] { return ini.ReadString("S", "k", "d"); });
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
    holder.Release();
    EXPECT_EQ(read.get(), "d");
    EXPECT_TRUE(holder.Released());
  }
  {
    LockHolder holder("C:\\Data\\..\\Data\\a.ini");
    auto read = std::async(std::launch::async, [&] { return ini.ReadString("S", "k", "d"); });
    const bool finished = read.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    EXPECT_TRUE(finished);
    EXPECT_FALSE(holder.Released());
    holder.Release();
    read.get();
  }
}

}  // namespace
}  // namespace zelmor
