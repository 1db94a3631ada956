// Failures injected into the OS layer's file calls for one test.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "eventlog/eventlog_test_support.h"
#include "platform/platform.h"
#include "platform/testing/fake_ticks.h"
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

// The OS layer's tick counter replaced for the helper's lifetime: it starts
// at `start` and moves only when the code sleeps, so a timeout is counted in
// attempts and pauses, never measured.
class FakeTicks {
 public:
  explicit FakeTicks(uint32_t start) : ticks_(start) { platform::SetFakeTicks(&ticks_); }
  ~FakeTicks() { platform::SetFakeTicks(nullptr); }
  FakeTicks(const FakeTicks&) = delete;
  FakeTicks& operator=(const FakeTicks&) = delete;
  uint32_t Now() const { return ticks_.load(); }

 private:
  std::atomic<uint32_t> ticks_;
};

}  // namespace zelmor::test
