// Failures injected into the OS layer's file calls for one test.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "eventlog/eventlog_test_support.h"
#include "platform/platform.h"
#include "platform/testing/fault_injection.h"

namespace zelmor::test {

// Installs an injector for its lifetime. Each rule fails the calls of one
// operation on files whose bare name matches, after letting `skip` of them
// through, `times` times (kAlways: every one after the skipped).
class InjectedFaults {
 public:
  static constexpr int kAlways = -1;
  enum class Match { kExactName, kNamePrefix };

  InjectedFaults();
  ~InjectedFaults();
  InjectedFaults(const InjectedFaults&) = delete;
  InjectedFaults& operator=(const InjectedFaults&) = delete;

  InjectedFaults& Fail(platform::FileOp op, const std::string& name, uint32_t code,
                       Match match = Match::kExactName, int skip = 0, int times = kAlways);
  // Failures injected so far, by every rule.
  int Injected() const;

 private:
  struct Rule {
    platform::FileOp op;
    std::string name;
    uint32_t code;
    Match match;
    int skip;
    int times;
  };
  uint32_t Decide(platform::FileOp op, const std::string& path);

  mutable std::mutex lock_;
  std::vector<Rule> rules_;
  int injected_ = 0;
};

}  // namespace zelmor::test
