#include "host/log_json.h"

#include <nlohmann/json.hpp>

#include "rtl/text.h"

namespace zelmor::host {
namespace {

using Json = nlohmann::ordered_json;

Json Optional(const std::optional<int64_t>& value) { return value ? Json(*value) : Json(); }
Json Optional(const std::optional<uint32_t>& value) { return value ? Json(*value) : Json(); }

// "[tag] ..." opens the texts of the library's database lines and messages.
Json CallerTag(std::string_view text) {
  if (text.starts_with("**")) text.remove_prefix(2);
  const size_t end = text.find("] ");
  if (!text.starts_with("[") || end == std::string_view::npos) return Json();
  return Cp1251ToUtf8(std::string(text.substr(1, end - 1)));
}

}  // namespace

void LogJsonWriter::See(const std::optional<LogLine>& parsed) {
  if (!parsed || !parsed->pid) return;
  if (const auto name = LoadedProcessName(parsed->text))
    programs_[*parsed->pid] = Cp1251ToUtf8(std::string(*name));
}

void LogJsonWriter::Take(const std::string& line, const std::optional<LogLine>& parsed) {
  if (!parsed) {
    if (open_) further_ += "\n" + line;
    return;
  }
  Flush();
  open_ = line;
}

void LogJsonWriter::Flush() {
  if (!open_) return;
  const auto parsed = ParseLogLine(*open_);
  const LogLine& line = *parsed;
  // A server's message may run over several lines; the figures end the last.
  const std::string text = std::string(line.text) + further_;
  const auto operation = ParseOperation(text);
  const auto program = line.pid ? programs_.find(*line.pid) : programs_.end();
  Json entry;
  entry["time"] = std::string(line.stamp_text);
  entry["pid"] = Optional(line.pid);
  entry["tid"] = Optional(line.tid);
  entry["program"] = program != programs_.end() ? Json(program->second) : Json();
  entry["level"] = std::string(LevelName(line.level));
  entry["tag"] = CallerTag(line.text);
  entry["operation"] = operation ? Json(std::string(OperationName(operation->kind))) : Json();
  entry["failed"] = IsFailureText(text);
  entry["duration_ms"] = operation ? Optional(operation->duration_ms) : Json();
  entry["wait_ms"] = operation ? Optional(operation->wait_ms) : Json();
  entry["text"] = Cp1251ToUtf8(text);
  emit_(entry.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  open_.reset();
  further_.clear();
}

}  // namespace zelmor::host
