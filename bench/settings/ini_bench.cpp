// TSafeIniFile WriteString and ReadString of 100 B, 70 KB and 1 MB values.
// Prints the time per call and per KB; the cost per KB of the two large
// values stays about the same when the work grows linearly with the size.
// The system calls of a 100 B ReadString are counted too.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "settings/safe_ini_file.h"
#include "support/system_calls.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Timing {
  double write_us;
  double read_us;
};

Timing Measure(const std::string& path, size_t size, int rounds) {
  std::string value;
  for (size_t i = 0; value.size() < size; ++i) value += (i % 80 == 79) ? '\n' : 'a' + i % 26;
  zelmor::TSafeIniFile ini(path);
  ini.WriteString("Bench", "Value", value);  // warm-up
  const auto t0 = Clock::now();
  for (int i = 0; i < rounds; ++i) ini.WriteString("Bench", "Value", value);
  const auto t1 = Clock::now();
  size_t total = 0;
  for (int i = 0; i < rounds; ++i) total += ini.ReadString("Bench", "Value", "").size();
  const auto t2 = Clock::now();
  if (total == 0) std::printf("nothing read\n");
  auto us = [rounds](Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count() / rounds;
  };
  return {us(t1 - t0), us(t2 - t1)};
}

// Counted, not timed: -1 when strace is not installed.
double ReadCallsOf100Bytes(const std::string& path) {
  zelmor::TSafeIniFile ini(path);
  ini.WriteString("Bench", "Value", std::string(100, 'v'));
  return zelmor::bench::CallsPerRun(2000, [&] { ini.ReadString("Bench", "Value", ""); });
}

}  // namespace

int main() {
  const std::string path = zelmor::platform::TempPath() + "zelmor_ini_bench.ini";
  const struct { const char* name; size_t size; int rounds; } cases[] = {
      {"100 B", 100, 2000}, {"70 KB", 70 * 1024, 300}, {"1 MB", 1024 * 1024, 30}};
  Timing timings[3];
  for (int i = 0; i < 3; ++i) {
    zelmor::platform::DeleteFile(path);
    timings[i] = Measure(path, cases[i].size, cases[i].rounds);
    const double kb = cases[i].size / 1024.0;
    std::printf("%-6s WriteString %9.1f us (%7.2f us/KB)   ReadString %9.1f us (%7.2f us/KB)\n",
                cases[i].name, timings[i].write_us, timings[i].write_us / kb,
                timings[i].read_us, timings[i].read_us / kb);
  }
  zelmor::platform::DeleteFile(path);
  const double read_calls = ReadCallsOf100Bytes(path);
  zelmor::platform::DeleteFile(path);
  if (read_calls >= 0) {
    std::printf("100 B   ReadString %.2f system calls\n", read_calls);
    std::printf("RESULT ini_read_100b_calls=%.2f calls\n", read_calls);
  }
  const char* const keys[] = {"100b", "70kb", "1mb"};
  for (int i = 0; i < 3; ++i) {
    std::printf("RESULT ini_write_%s=%.1f us\n", keys[i], timings[i].write_us);
    std::printf("RESULT ini_read_%s=%.1f us\n", keys[i], timings[i].read_us);
  }
  const double size_ratio = 1024.0 / 70.0;
  std::printf("1 MB / 70 KB: size x%.1f, WriteString x%.1f, ReadString x%.1f "
              "(linear growth keeps these near the size ratio)\n",
              size_ratio, timings[2].write_us / timings[1].write_us,
              timings[2].read_us / timings[1].read_us);
  return 0;
}
