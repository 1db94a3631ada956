// How TSafeIniFile stores a string value of any length with line breaks in
// INI keys: line breaks become a six-byte marker, the text is cut into
// chunks under the key itself and numbered companion keys, with their count
// and a hash of the first chunk, so that a main key overwritten by another
// program is noticed and its stale companions are not joined to it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelmor {

// "<@\n@>" as plain bytes: less-than, at, backslash, n, at, greater-than.
extern const char kLineBreakMarker[];
constexpr size_t kLineBreakMarkerLength = 6;
// Largest chunk before quoting; quoted it still fits the read buffer.
constexpr size_t kChunkLimit = 65532;
// ReadInteger's default for a count key, meaning "no companion keys".
constexpr int kMissingCount = -65535;

extern const char kCountSuffix[];  // "__$Count"
extern const char kHashSuffix[];   // "__$Hash"
extern const char kLineSuffix[];   // "__$Line", followed by the chunk number

struct SplitResult {
  std::vector<std::string> chunks;  // as stored, quoted where needed
  int32_t first_chunk_hash = 0;     // of chunk 1 before quoting, when > 1 chunk
};

// h := h + byte; h := h - rotl(h, 13), modulo 2^32, read as signed.
int32_t TextHash(std::string_view text);
// CR LF and lone LF become one marker, lone CR is dropped, chunks are cut at
// kChunkLimit bytes without cutting a marker. In single-key mode the value
// ends with its first chunk.
SplitResult SplitValue(std::string_view value, bool single_key_mode);
// Every marker back to CR LF.
std::string DecodeLineBreaks(std::string_view stored);

}  // namespace zelmor
