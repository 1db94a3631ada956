#include "injected_faults.h"

#include <gtest/gtest.h>

#include "rtl/paths.h"

namespace zelmor::test {

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
