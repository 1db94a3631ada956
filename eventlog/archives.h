// Numbered archives of a log file: "<file>000" is the newest, higher
// numbers are older; numbers have at least three digits.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zelmor::eventlog {

// Fills `list` with the full names of the existing archives of the log
// `file_name`, by number ascending, and returns their count.
int FindArchives(std::string_view file_name, std::vector<std::string>& list);

// With the log file closed: drops the oldest archives beyond `max_archives`
// (none when it is 0 or less), renumbers the rest one up and renames the
// log file to archive 000. Failed renames and deletions are left for the
// next rotation to retry.
void RotateArchives(std::string_view file_name, int32_t max_archives);

// "<file>" followed by the number, at least three digits.
std::string ArchiveName(const std::string& file_name, long long number);

}  // namespace zelmor::eventlog
