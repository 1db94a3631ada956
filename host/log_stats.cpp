#include "host/log_stats.h"

#include <algorithm>

#include "host/text_table.h"
#include "rtl/text.h"

namespace zelmor::host {
namespace {

constexpr size_t kSlowestShown = 10;

std::string Figure(const std::vector<uint32_t>& sorted, int percent) {
  return sorted.empty() ? "-" : std::to_string(Percentile(sorted, percent));
}

void Append(OperationFigures& into, const OperationFigures& from) {
  into.count += from.count;
  into.failures += from.failures;
  into.durations_ms.insert(into.durations_ms.end(), from.durations_ms.begin(),
                           from.durations_ms.end());
  into.waits_ms.insert(into.waits_ms.end(), from.waits_ms.begin(), from.waits_ms.end());
}

}  // namespace

uint32_t Percentile(const std::vector<uint32_t>& sorted, int percent) {
  if (sorted.empty()) return 0;
  // Rank ceil(percent/100 * n), counted from 1.
  const size_t n = sorted.size();
  size_t rank = (static_cast<size_t>(percent) * n + 99) / 100;
  rank = std::clamp<size_t>(rank, 1, n);
  return sorted[rank - 1];
}

void LogStatistics::Add(const LogLine& line) {
  ++lines_;
  const int64_t pid = line.pid.value_or(0);
  if (const auto name = LoadedProcessName(line.text)) process_names_[pid] = std::string(*name);
  const auto operation = ParseOperation(line.text);
  if (!operation) return;
  OperationFigures& figures = by_process_[pid][static_cast<size_t>(operation->kind)];
  ++figures.count;
  if (operation->failed) ++figures.failures;
  if (operation->wait_ms) figures.waits_ms.push_back(*operation->wait_ms);
  if (operation->duration_ms) {
    figures.durations_ms.push_back(*operation->duration_ms);
    NoteSlow(line, *operation->duration_ms, pid);
  }
}

void LogStatistics::NoteSlow(const LogLine& line, uint32_t duration_ms, int64_t pid) {
  if (slowest_.size() == kSlowestShown && slowest_.back().duration_ms >= duration_ms) return;
  const auto at = std::upper_bound(
      slowest_.begin(), slowest_.end(), duration_ms,
      [](uint32_t duration, const Slow& slow) { return duration > slow.duration_ms; });
  slowest_.insert(at, Slow{duration_ms, std::string(line.stamp_text), std::string(line.text), pid});
  if (slowest_.size() > kSlowestShown) slowest_.pop_back();
}

std::vector<int64_t> LogStatistics::Processes() const {
  std::vector<int64_t> pids;
  for (const auto& [pid, figures] : by_process_) pids.push_back(pid);
  return pids;
}

OperationFigures LogStatistics::Figures(std::optional<int64_t> pid, OperationKind kind) const {
  OperationFigures total;
  for (const auto& [process, figures] : by_process_) {
    if (!pid || *pid == process) Append(total, figures[static_cast<size_t>(kind)]);
  }
  std::sort(total.durations_ms.begin(), total.durations_ms.end());
  std::sort(total.waits_ms.begin(), total.waits_ms.end());
  return total;
}

void LogStatistics::PrintBlock(std::ostream& out, std::optional<int64_t> pid) const {
  TextTable table({"operation", "count", "failed", "ms p50", "ms p95", "ms max", "wait p50",
                   "wait p95", "wait max"});
  for (size_t column = 1; column < 9; ++column) table.AlignRight(column);
  for (int kind = 0; kind < kOperationKindCount; ++kind) {
    const auto figures = Figures(pid, static_cast<OperationKind>(kind));
    if (figures.count == 0) continue;
    const auto& d = figures.durations_ms;
    const auto& w = figures.waits_ms;
    table.AddRow({std::string(OperationName(static_cast<OperationKind>(kind))),
                  std::to_string(figures.count), std::to_string(figures.failures),
                  Figure(d, 50), Figure(d, 95), Figure(d, 100), Figure(w, 50), Figure(w, 95),
                  Figure(w, 100)});
  }
  table.Print(out);
}

void LogStatistics::Print(std::ostream& out) const {
  if (by_process_.empty()) {
    out << "no database operations in the lines read\n";
    return;
  }
  for (const auto& [pid, figures] : by_process_) {
    out << "process " << pid;
    if (const auto name = process_names_.find(pid); name != process_names_.end())
      out << "  " << Cp1251ToUtf8(name->second);
    out << '\n';
    PrintBlock(out, pid);
    out << '\n';
  }
  if (by_process_.size() > 1) {
    out << "all " << by_process_.size() << " processes\n";
    PrintBlock(out, std::nullopt);
    out << '\n';
  }
  out << "slowest operations\n";
  TextTable slow({"when", "process", "ms", "line"});
  slow.AlignRight(1);
  slow.AlignRight(2);
  for (const Slow& entry : slowest_) {
    slow.AddRow({entry.stamp, std::to_string(entry.pid), std::to_string(entry.duration_ms),
                 Cp1251ToUtf8(entry.text)});
  }
  slow.Print(out);
}

}  // namespace zelmor::host
