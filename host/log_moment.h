// Moments in time for choosing log lines: those the lines print (mostly
// without a year) and those people type after --since and --until.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "host/log_line.h"

namespace zelmor::host {

// A calendar date and time to the millisecond, ordered as time runs.
struct Moment {
  int64_t key = 0;  // yyyymmddhhnnsszzz as one number
  auto operator<=>(const Moment&) const = default;
};

struct Today {
  int year, month, day;
};

Moment MakeMoment(int year, int month, int day, int hour, int minute, int second,
                  int millisecond);

// The moment a line's timestamp stands for. A stamp without a year is taken
// in the latest year that does not put it after `today`: the log holds less
// than a year, and a line of 31.12 read on 02.01 is last year's.
Moment MomentOfStamp(const LogStamp& stamp, const Today& today);

// What --since and --until accept, the log's own way or ISO's:
//   dd.mm[.yyyy] [hh:nn[:ss[.zzz]]]     07.12 03:51, 07.12.2026 03:51:33
//   yyyy-mm-dd[ |T]hh:nn[:ss[.zzz]]      2026-12-07T03:51
//   yyyy-mm-dd                           the start of that day
//   hh:nn[:ss[.zzz]]                     today
// A date without a year is resolved as a line's stamp is. Parts left out
// are zero. Nullopt with `error` set when the text is none of these or
// names no real date or time.
std::optional<Moment> ParseMoment(std::string_view text, const Today& today, std::string& error);

}  // namespace zelmor::host
