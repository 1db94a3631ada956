#include "settings/value_layout.h"

namespace zelmor {

const char kLineBreakMarker[] = "<@\\n@>";
const char kCountSuffix[] = "__$Count";
const char kHashSuffix[] = "__$Hash";
const char kLineSuffix[] = "__$Line";

namespace {

// The store drops blanks around a value and a pair of enclosing quotes, so
// such a chunk is wrapped in double quotes to come back unchanged. Single
// quotes count too: the Windows profile functions strip those as well.
bool NeedsQuotes(const std::string& chunk) {
  auto special = [](char c) {
    return c == '"' || c == '\'' || static_cast<unsigned char>(c) <= 0x20;
  };
  return special(chunk.front()) || special(chunk.back());
}

}  // namespace

int32_t TextHash(std::string_view text) {
  uint32_t h = 0;
  for (const char c : text) {
    h += static_cast<unsigned char>(c);
    h -= (h << 13) | (h >> 19);
  }
  return static_cast<int32_t>(h);
}

SplitResult SplitValue(std::string_view value, bool single_key_mode) {
  SplitResult result;
  std::string chunk;
  std::string first_chunk;
  auto close_chunk = [&] {
    if (result.chunks.empty()) first_chunk = chunk;
    result.chunks.push_back(NeedsQuotes(chunk) ? "\"" + chunk + "\"" : chunk);
    chunk.clear();
  };
  for (const char c : value) {
    if (chunk.size() == kChunkLimit) {
      close_chunk();
      if (single_key_mode) break;
    }
    if (c == '\n') {
      if (chunk.size() + kLineBreakMarkerLength > kChunkLimit) {
        close_chunk();
        if (single_key_mode) break;
      }
      chunk.append(kLineBreakMarker, kLineBreakMarkerLength);
    } else if (c != '\r') {
      chunk += c;
    }
  }
  if (!chunk.empty()) close_chunk();
  if (result.chunks.size() > 1) result.first_chunk_hash = TextHash(first_chunk);
  return result;
}

std::string DecodeLineBreaks(std::string_view stored) {
  std::string text;
  text.reserve(stored.size());
  size_t start = 0;
  for (size_t at = stored.find(kLineBreakMarker); at != std::string_view::npos;
       at = stored.find(kLineBreakMarker, start)) {
    text.append(stored.substr(start, at - start));
    text += "\r\n";
    start = at + kLineBreakMarkerLength;
  }
  text.append(stored.substr(start));
  return text;
}

}  // namespace zelmor
