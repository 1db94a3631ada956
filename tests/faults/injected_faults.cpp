#include "injected_faults.h"

#include <gtest/gtest.h>

#include "eventlog/eventlog_unit.h"
#include "eventlog/ldslogger.h"
#include "rtl/paths.h"
#include "support/test_support.h"

namespace zelmor::test {

namespace {

TempFolder* g_errors_folder = nullptr;

// The fallback logger's file goes to a folder of this run (TMPDIR on Linux,
// TMP and TEMP for GetTempPathA), so its lines can be counted.
class FaultsEnvironment : public testing::Environment {
 public:
  void SetUp() override {
    g_errors_folder = new TempFolder;
    std::string folder = g_errors_folder->Path();
    platform::SetEnvironmentVariable("TMPDIR", folder);
    platform::SetEnvironmentVariable("TMP", folder);
    platform::SetEnvironmentVariable("TEMP", folder);
    eventlog::InitializeUnit();
  }
  void TearDown() override {
    eventlog::FinalizeUnit();
    delete g_errors_folder;
    g_errors_folder = nullptr;
  }
};

[[maybe_unused]] testing::Environment* const kEnvironment =
    testing::AddGlobalTestEnvironment(new FaultsEnvironment);

}  // namespace

const std::string& ErrorsFolder() { return g_errors_folder->Path(); }

size_t ErrorsWriterSize() {
  return ReadFileBytes(eventlog::ErrorsWriter->FileName()).size();
}

std::vector<std::string> ErrorsWriterLinesFrom(size_t from) {
  const std::string bytes = ReadFileBytes(eventlog::ErrorsWriter->FileName());
  return SplitLines(from < bytes.size() ? bytes.substr(from) : std::string());
}

InjectedFaults::InjectedFaults() {
  platform::SetFaultInjector(
      [this](platform::FileOp op, const std::string& path) { return Decide(op, path); });
}

InjectedFaults::~InjectedFaults() { platform::SetFaultInjector({}); }

InjectedFaults& InjectedFaults::Fail(platform::FileOp op, const std::string& name,
                                     uint32_t code, Match match, int skip, int times) {
  std::lock_guard<std::mutex> guard(lock_);
  rules_.push_back({op, name, code, match, skip, times});
  return *this;
}

int InjectedFaults::Injected() const {
  std::lock_guard<std::mutex> guard(lock_);
  return injected_;
}

uint32_t InjectedFaults::Decide(platform::FileOp op, const std::string& path) {
  const std::string name = ExtractFileName(path);
  std::lock_guard<std::mutex> guard(lock_);
  for (Rule& rule : rules_) {
    if (rule.op != op) continue;
    const bool matches = rule.match == Match::kExactName
                             ? name == rule.name
                             : name.compare(0, rule.name.size(), rule.name) == 0;
    if (!matches) continue;
    if (rule.skip > 0) {
      --rule.skip;
      continue;
    }
    if (rule.times == 0) continue;
    if (rule.times > 0) --rule.times;
    ++injected_;
    return rule.code;
  }
  return 0;
}

}  // namespace zelmor::test
