// Time per call of the formatting the log writer does for every line, as a
// ratio to snprintf building the same text.
#include <chrono>
#include <cstdio>
#include <string>

#include "rtl/datetime.h"
#include "rtl/format.h"

namespace {

template <typename Body>
double NanosecondsPerCall(Body&& body) {
  constexpr int kCalls = 200000;
  size_t sink = 0;
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCalls; ++i) sink += body(i);
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / kCalls);
  }
  if (sink == 42) std::puts("");
  return best;
}

void Report(const char* name, double ours, double reference) {
  std::printf("%-34s %8.1f ns  snprintf %8.1f ns  ratio %.2f\n", name, ours, reference,
              ours / reference);
}

}  // namespace

int main() {
  using namespace zelmor;
  FormatSettings settings;
  settings.date_separator = '.';
  settings.time_separator = ':';
  const DateTime stamp = EncodeDate(2026, 12, 7) + EncodeTime(3, 51, 33, 123);

  const double timestamp = NanosecondsPerCall([&](int i) {
    return FormatDateTime("dd/mm hh:nn:ss.zzz", stamp + i * 1e-8, settings).size();
  });
  const double timestamp_reference = NanosecondsPerCall([&](int i) {
    int y, mo, d, h, mi, s, ms;
    DecodeDate(stamp + i * 1e-8, y, mo, d);
    DecodeTime(stamp + i * 1e-8, h, mi, s, ms);
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d %02d:%02d:%02d.%03d", d, mo, h, mi, s, ms);
    return std::string(buffer).size();
  });
  Report("FormatDateTime dd/mm hh:nn:ss.zzz", timestamp, timestamp_reference);

  const double line = NanosecondsPerCall([&](int i) {
    return Format("[%s] DB:OPEN d%d (%d ms, w%d)", {"caller", i, i & 1023, 3}, settings).size();
  });
  const double line_reference = NanosecondsPerCall([&](int i) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "[%s] DB:OPEN d%d (%d ms, w%d)", "caller", i, i & 1023, 3);
    return std::string(buffer).size();
  });
  Report("Format of a database log line", line, line_reference);

  const double number = NanosecondsPerCall([&](int i) { return FloatToStr(i * 0.37, settings).size(); });
  const double number_reference = NanosecondsPerCall([&](int i) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.15g", i * 0.37);
    return std::string(buffer).size();
  });
  Report("FloatToStr", number, number_reference);
  return 0;
}
