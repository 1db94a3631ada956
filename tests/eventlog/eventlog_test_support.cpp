#include "eventlog_test_support.h"

#include <gtest/gtest.h>

#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "support/test_support.h"

namespace zelmor::test {

namespace {

class EventLogEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    errors_folder_ = new TempFolder;
    // TMPDIR on Linux, TMP and TEMP for GetTempPathA.
    for (const char* variable : {"TMPDIR", "TMP", "TEMP"})
      platform::SetEnvironmentVariable(variable, errors_folder_->Path());
    eventlog::InitializeUnit();
  }
  void TearDown() override {
    eventlog::FinalizeUnit();
    delete errors_folder_;
    errors_folder_ = nullptr;
  }

 private:
  TempFolder* errors_folder_ = nullptr;
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new EventLogEnvironment);

}  // namespace

EventLogUnitScope::EventLogUnitScope() { eventlog::InitializeUnit(); }
EventLogUnitScope::~EventLogUnitScope() { eventlog::FinalizeUnit(); }

DateTime FixedMoment() { return EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123); }

size_t ErrorsWriterSize() {
  return ReadFileBytes(eventlog::ErrorsWriter->FileName()).size();
}

std::vector<std::string> ErrorsWriterLinesFrom(size_t from) {
  const std::string bytes = ReadFileBytes(eventlog::ErrorsWriter->FileName());
  return SplitLines(from < bytes.size() ? bytes.substr(from) : std::string());
}

}  // namespace zelmor::test
