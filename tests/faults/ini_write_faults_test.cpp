// Settings writes whose open, create, write or rename fails: the error
// reaches the caller with its context, the file stays readable with what it
// held, and a value cut short reads back as its first chunk at worst. Reads
// that meet the file held elsewhere wait for it as writes do.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "injected_faults.h"
#include "platform/platform.h"
#include "rtl/exceptions.h"
#include "settings/safe_ini_file.h"
#include "settings/wine_limits.h"
#include "support/test_support.h"

namespace zelmor {
namespace {

using platform::FileOp;
using test::InjectedFaults;
using Match = InjectedFaults::Match;

constexpr size_t kChunk = 65532;

// The file's original and any sibling the store writes through share the
// name's start.
void FailEveryWriteStep(InjectedFaults& faults, uint32_t code) {
  for (const FileOp op : {FileOp::kOpen, FileOp::kCreate, FileOp::kWrite, FileOp::kRename})
    faults.Fail(op, "cnf.ini", code, Match::kNamePrefix);
}

class IniWriteFaults : public testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_ / "cnf.ini";
    TSafeIniFile ini(path_);
    ini.WriteString("FB", "DBPort", "3050");
    ini.WriteString("Other", "Name", "keep");
  }

  // The exception WriteString raised, or none.
  std::unique_ptr<Exception> WriteFailure(const std::string& key, const std::string& value) {
    try {
      TSafeIniFile ini(path_);
      ini.WriteString("FB", key, value);
    } catch (const Exception& error) {
      return std::make_unique<Exception>(error.Message());
    }
    return nullptr;
  }

  std::string Read(const std::string& section, const std::string& key) {
    TSafeIniFile ini(path_);
    return ini.ReadString(section, key, "<missing>");
  }

  void ExpectReadableWithItsValues() {
    TSafeIniFile ini(path_);
    std::vector<std::string> sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, (std::vector<std::string>{"FB", "Other"}));
    EXPECT_EQ(ini.ReadString("Other", "Name", ""), "keep");
    EXPECT_EQ(platform::FindFiles(dir_ / "*"), std::vector<std::string>{"cnf.ini"})
        << "no sibling or temporary file is left";
  }

  test::TempFolder dir_;
  std::string path_;
};

std::string StepName(const testing::TestParamInfo<std::tuple<FileOp, uint32_t>>& info) {
  static const char* const kOps[] = {"Open", "Create", "Read", "Write", "SetSize", "Rename",
                                     "Delete"};
  return std::string(kOps[static_cast<int>(std::get<0>(info.param))]) + "_" +
         std::to_string(std::get<1>(info.param));
}

class IniWriteFaultsByStep
    : public IniWriteFaults,
      public testing::WithParamInterface<std::tuple<FileOp, uint32_t>> {};

TEST_P(IniWriteFaultsByStep, ErrorReachesTheCallerWithItsContext) {
  const auto [op, code] = GetParam();
  std::unique_ptr<Exception> failure;
  int injected = 0;
  {
    InjectedFaults faults;
    faults.Fail(op, "cnf.ini", code, Match::kNamePrefix);
    failure = WriteFailure("DBPort", "30050");
    injected = faults.Injected();
  }
  if (injected == 0) {
    // This build's store does not use that step.
    EXPECT_EQ(failure, nullptr);
    EXPECT_EQ(Read("FB", "DBPort"), "30050");
  } else {
    ASSERT_NE(failure, nullptr);
    const std::string context =
        "TSafeIniFile.WriteString -> " + platform::SystemErrorMessage(code) + " -> ";
    EXPECT_EQ(failure->Message().substr(0, context.size()), context) << failure->Message();
    EXPECT_EQ(Read("FB", "DBPort"), "3050");
  }
  ExpectReadableWithItsValues();
}

INSTANTIATE_TEST_SUITE_P(
    OpenCreateWriteRename, IniWriteFaultsByStep,
    testing::Combine(testing::Values(FileOp::kOpen, FileOp::kCreate, FileOp::kWrite,
                                     FileOp::kRename),
                     testing::Values(platform::kErrorDiskFull, platform::kErrorAccessDenied,
                                     platform::kErrorSharingViolation)),
    StepName);

// Both builds' stores fail each attempt once: the file store when it creates
// the sibling it writes through, the profile store at the write itself.
void FailEveryAttempt(InjectedFaults& faults, uint32_t code) {
  faults.Fail(FileOp::kCreate, "cnf.ini", code, Match::kNamePrefix)
      .Fail(FileOp::kWrite, "cnf.ini", code, Match::kNamePrefix);
}

std::string WrappedPrefix(uint32_t code) {
  return "TSafeIniFile.WriteString -> " + platform::SystemErrorMessage(code) + " -> ";
}

TEST_F(IniWriteFaults, AFailingWriteIsRetriedEvery20MsForOneSecond) {
  for (const uint32_t code : {platform::kErrorAccessDenied, platform::kErrorSharingViolation}) {
    constexpr uint32_t kStart = 0xFFFFFE00u;  // the window crosses the counter's wrap
    std::unique_ptr<Exception> failure;
    int attempts = 0;
    uint32_t waited = 0;
    {
      test::FakeTicks ticks(kStart);
      InjectedFaults faults;
      FailEveryAttempt(faults, code);
      failure = WriteFailure("DBPort", "30050");
      attempts = faults.Injected();
      waited = ticks.Now() - kStart;
    }
    // Attempts at 0, 20, ..., 1000 ms.
    EXPECT_EQ(attempts, 51) << code;
    EXPECT_EQ(waited, 1000u) << code;
    ASSERT_NE(failure, nullptr) << code;
    EXPECT_EQ(failure->Message().substr(0, WrappedPrefix(code).size()), WrappedPrefix(code));
  }
  EXPECT_EQ(Read("FB", "DBPort"), "3050");
}

TEST_F(IniWriteFaults, FailuresNoRetryCanCureEndTheWriteAtTheFirstAttempt) {
  for (const uint32_t code : {platform::kErrorPathNotFound, platform::kErrorBufferOverflow,
                              platform::kErrorDiskFull, platform::kErrorInvalidName}) {
    std::unique_ptr<Exception> failure;
    int attempts = 0;
    uint32_t waited = 0;
    {
      test::FakeTicks ticks(0);
      InjectedFaults faults;
      FailEveryAttempt(faults, code);
      failure = WriteFailure("DBPort", "30050");
      attempts = faults.Injected();
      waited = ticks.Now();
    }
    EXPECT_EQ(attempts, 1) << code;
    EXPECT_EQ(waited, 0u) << code;
    ASSERT_NE(failure, nullptr) << code;
    EXPECT_EQ(failure->Message().substr(0, WrappedPrefix(code).size()), WrappedPrefix(code));
  }
  EXPECT_EQ(Read("FB", "DBPort"), "3050");
  ExpectReadableWithItsValues();
}

TEST_F(IniWriteFaults, FailureKeepsTheExceptionClass) {
  InjectedFaults faults;
  FailEveryWriteStep(faults, platform::kErrorDiskFull);
  try {
    TSafeIniFile ini(path_);
    ini.WriteString("FB", "DBPort", "1");
    FAIL() << "the write did not fail";
  } catch (const Exception& error) {
    EXPECT_STREQ(error.ClassName(), "EIniFileException");
  }
}

TEST_F(IniWriteFaults, SharingViolationThatClearsWithinTheRetryWindowIsNoFailure) {
  {
    InjectedFaults faults;
    for (const FileOp op : {FileOp::kCreate, FileOp::kWrite})
      faults.Fail(op, "cnf.ini", platform::kErrorSharingViolation, Match::kNamePrefix, 0, 2);
    EXPECT_EQ(WriteFailure("DBPort", "30050"), nullptr);
    EXPECT_GE(faults.Injected(), 2);
  }
  EXPECT_EQ(Read("FB", "DBPort"), "30050");
  ExpectReadableWithItsValues();
}

TEST_F(IniWriteFaults, ARetryReadsTheFileAgainAfterAFailedFirstRead) {
  uint32_t waited = 0;
  {
    test::FakeTicks ticks(0);
    InjectedFaults faults;
    faults.Fail(FileOp::kOpen, "cnf.ini", platform::kErrorSharingViolation, Match::kExactName, 0,
                1);
    EXPECT_EQ(WriteFailure("DBPort", "30050"), nullptr);
    waited = ticks.Now();
  }
  // The profile store opens nothing itself; the file store retries once.
  EXPECT_LE(waited, 20u);
  EXPECT_EQ(Read("FB", "DBPort"), "30050");
  ExpectReadableWithItsValues();
}

// A read that finds the file held elsewhere (a writer outside the library,
// a forked child still holding a writer's lock) waits for it as a write
// does, in place of reading defaults; a file that is not there, or that this
// account may not read, reads as defaults at once.
TEST_F(IniWriteFaults, AReadWaitsOutAFileHeldElsewhereAsAWriteDoes) {
  struct Case {
    const char* what;
    uint32_t code;
    int times;
    const char* expected;
    uint32_t waited;
  };
  const Case kCases[] = {
      {"held for three attempts", platform::kErrorSharingViolation, 3, "3050", 60},
      {"locked for one attempt", platform::kErrorLockViolation, 1, "3050", 20},
      {"held past the window", platform::kErrorSharingViolation, InjectedFaults::kAlways,
       "<missing>", 1000},
      {"not readable", platform::kErrorAccessDenied, InjectedFaults::kAlways, "<missing>", 0},
      {"not there", platform::kErrorFileNotFound, InjectedFaults::kAlways, "<missing>", 0},
  };
  for (const Case& c : kCases) {
    std::string value;
    int injected = 0;
    uint32_t waited = 0;
    {
      test::FakeTicks ticks(0);
      InjectedFaults faults;
      faults.Fail(FileOp::kOpen, "cnf.ini", c.code, Match::kExactName, 0, c.times);
      value = Read("FB", "DBPort");
      injected = faults.Injected();
      waited = ticks.Now();
    }
    if (injected == 0) {
      // The profile store opens nothing itself.
      EXPECT_EQ(value, "3050") << c.what;
      continue;
    }
    EXPECT_EQ(value, c.expected) << c.what;
    EXPECT_EQ(waited, c.waited) << c.what;
  }
  EXPECT_EQ(Read("FB", "DBPort"), "3050");
}

// The Windows build writes each change itself; the Linux build writes the
// changes of one operation at its end. Either way a failure ends the
// operation as that operation's own write ends it.
TEST_F(IniWriteFaults, EachOperationFailsWithItsOwnTextAndRetries) {
  const std::string denied = platform::SystemErrorMessage(platform::kErrorAccessDenied);
  test::FakeTicks ticks(0);
  InjectedFaults faults;
  for (const FileOp op : {FileOp::kCreate, FileOp::kWrite, FileOp::kDelete})
    faults.Fail(op, "cnf.ini", platform::kErrorAccessDenied, Match::kNamePrefix);
  TSafeIniFile ini(path_);

  try {
    ini.WriteString("FB", "DBPort", "1");
    ADD_FAILURE() << "the key write did not fail";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(),
              "TSafeIniFile.WriteString -> " + denied + " -> Unable to write to " + path_);
  }
  EXPECT_EQ(ticks.Now(), 1000u) << "a key write is retried for a second";

  try {
    ini.EraseSection("Other");
    ADD_FAILURE() << "the erase did not fail";
  } catch (const Exception& error) {
    EXPECT_EQ(error.Message(), "TSafeIniFile.EraseSection -> Unable to write to " + path_);
  }
  EXPECT_EQ(ticks.Now(), 1000u) << "an erase is not retried";

  EXPECT_NO_THROW(ini.DeleteKey("FB", "DBPort")) << "a deletion ignores failures";
  EXPECT_EQ(ticks.Now(), 1000u) << "a deletion is not retried";
}

TEST_F(IniWriteFaults, LongValueThatCannotBeWrittenReadsBackWholeOldOrAsItsFirstChunk) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  WriteFailure("Big", "short old value");
  {
    InjectedFaults faults;
    FailEveryWriteStep(faults, platform::kErrorDiskFull);
    ASSERT_NE(WriteFailure("Big", std::string(70000, 'x')), nullptr);
  }
  const std::string back = Read("FB", "Big");
  EXPECT_TRUE(back == "short old value" || back == std::string(kChunk, 'x'))
      << back.size() << " bytes: " << back.substr(0, 40);
  ExpectReadableWithItsValues();
}

TEST_F(IniWriteFaults, LongValueWhoseContinuationWriteFailsReadsBackAsItsFirstChunk) {
  ZELMOR_SKIP_LONG_VALUES_UNDER_WINE();
  WriteFailure("Big", "short old value");
  std::unique_ptr<Exception> failure;
  {
    // Key writes: the value's first chunk, its count, its hash, then chunk 2.
    // A store that writes all keys of one change at once writes only once.
    InjectedFaults faults;
    faults.Fail(FileOp::kWrite, "cnf.ini", platform::kErrorDiskFull, Match::kNamePrefix, 3);
    failure = WriteFailure("Big", std::string(70000, 'x'));
  }
  const std::string back = Read("FB", "Big");
  if (failure)
    EXPECT_EQ(back, std::string(kChunk, 'x')) << back.size();
  else
    EXPECT_EQ(back, std::string(70000, 'x')) << back.size();
  ExpectReadableWithItsValues();
}

}  // namespace
}  // namespace zelmor
