// Numbered archives of a log file: "<file>000" is the newest, higher
// numbers are older; numbers have at least three digits.
#pragma once

#include <string>
#include <vector>

namespace zelmor {
class TLDSLogger;
}

namespace zelmor::eventlog {

// Fills `list` with the full names of the existing archives, by number
// ascending, and returns their count.
int FindArchives(const TLDSLogger& logger, std::vector<std::string>& list);

// With the log file closed: drops the oldest archives beyond MaxArchives
// (none when MaxArchives <= 0), renumbers the rest one up and renames the
// log file to archive 000. Failed renames and deletions are left for the
// next rotation to retry.
void RotateArchives(const TLDSLogger& logger);

// "<file>" followed by the number, at least three digits.
std::string ArchiveName(const std::string& file_name, long long number);

}  // namespace zelmor::eventlog
