// Log levels: a byte 0-7, each with a tag appended to the timestamp and a
// character that may open the line.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zelmor::eventlog {

constexpr int kLevelCount = 8;
// Bit n stands for level n.
using LevelSet = uint8_t;
constexpr LevelSet kAllLevels = 0xFF;

// Indexed by level; level 0 (a plain line) has no tag.
extern std::array<std::string, kLevelCount> LevelTags;
// Indexed by level.
constexpr char LevelChars[] = "-+?!#$%@";

inline bool IsLevelChar(char c) {
  for (int i = 0; i < kLevelCount; ++i)
    if (LevelChars[i] == c) return true;
  return false;
}

}  // namespace zelmor::eventlog
