#include "host/log_json.h"

#include <nlohmann/json.hpp>

#include "rtl/text.h"

namespace zelmor::host {
namespace {

using Json = nlohmann::ordered_json;

Json Optional(const std::optional<int64_t>& value) { return value ? Json(*value) : Json(); }
Json Optional(const std::optional<uint32_t>& value) { return value ? Json(*value) : Json(); }

// The tag of the library's database lines, and of a host's messages after
// their "**".
Json CallerTag(std::string_view text) {
  if (text.starts_with("**")) text.remove_prefix(2);
  const auto tagged = SplitCallerTag(text);
  return tagged ? Json(Cp1251ToUtf8(std::string(tagged->tag))) : Json();
}

}  // namespace

void LogJsonWriter::See(const std::optional<LogLine>& parsed) {
  if (!parsed || !parsed->pid) return;
  if (const auto name = LoadedProcessName(parsed->text))
    programs_[*parsed->pid] = Cp1251ToUtf8(std::string(*name));
}

std::string LogJsonWriter::EntryObject(const std::string& entry) const {
  const auto parsed = ParseLogLine(entry);
  if (!parsed) return {};
  const LogLine& line = *parsed;
  // A server's message may run over several lines; the figures end the last.
  const std::string text(line.text);
  const auto operation = ParseOperation(text);
  const auto program = line.pid ? programs_.find(*line.pid) : programs_.end();
  Json object;
  object["time"] = std::string(line.stamp_text);
  object["pid"] = Optional(line.pid);
  object["tid"] = Optional(line.tid);
  object["program"] = program != programs_.end() ? Json(program->second) : Json();
  object["level"] = std::string(LevelName(line.level));
  object["tag"] = CallerTag(text);
  object["operation"] = operation ? Json(std::string(OperationName(operation->kind))) : Json();
  object["failed"] = IsFailureText(text);
  object["duration_ms"] = operation ? Optional(operation->duration_ms) : Json();
  object["wait_ms"] = operation ? Optional(operation->wait_ms) : Json();
  object["text"] = Cp1251ToUtf8(text);
  return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace zelmor::host
