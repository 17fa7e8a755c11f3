// The organiser's cross-check of a whole contest: every QSO line of every
// log matched against the log of the station it names, each line given one
// class, each log's clock offset found from its exact matches, and each
// log's score as claimed and as checked.
//
// A line matches a line of the other log that names our call on the same
// band and mode, with the two times within the window once each log's
// clock offset is taken out. The classes, from the point of view of the log
// that holds the line, in the order they are tried:
//   dupe       the same call, band and mode stand on an earlier line of this log
//   confirmed  the other log holds the QSO, even with our call copied wrong there
//   exchange   as confirmed, but what we logged is not what the other station sent
//   busted     the other log does not hold it, but a station one slip away from
//              the call we logged (one character changed, added or dropped, two
//              swapped, a portable designator or prefix dropped) logged us then
//   nil        the other station sent a log, and it does not hold the QSO
//   nolog      the other station sent no log; other logs hold its call
//   unique     the other station sent no log, and no other log holds its call
#ifndef YODX_CROSSCHECK_CHECKER_H_
#define YODX_CROSSCHECK_CHECKER_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/contest/contact.h"
#include "tools/contest/count.h"
#include "tools/contest/cty.h"

namespace yodx {
namespace crosscheck {

enum class Class : uint8_t { kConfirmed, kBusted, kExchange, kNil, kDupe, kNolog, kUnique };
constexpr int kClasses = 7;
const char* ClassName(Class c);  // "confirmed", "busted", ...

// One station's log as read.
struct Log {
  std::string file;      // the file's name in the folder
  std::string call;      // CALLSIGN:, else the sent call of its first QSO line; upper case
  std::string category;  // CATEGORY-OPERATOR, -BAND, -MODE and -POWER as written, or "none"
  LogData data;          // the QSO lines the reader took, and those it could not use
  int qso_lines() const { return static_cast<int>(data.contacts.size()) + data.skipped; }
};

// A file of the folder that is not checked, and why.
struct Skipped {
  std::string file, reason;
};

struct Contest {
  std::vector<Log> logs;         // one per station, in the order of their file names
  std::vector<Skipped> skipped;  // not Cabrillo logs, unreadable, second logs of a station
  // The QSO lines of all logs, and of them those the reader took.
  long long qso_lines() const;
  long long lines_read() const;
};

struct NamedText {
  std::string name, text;
};

// The logs of FILES (a file's name and its bytes), parsed on THREADS
// threads. A file that is not a Cabrillo log, or names no station, is
// skipped with the reason. When two logs name the same station, the one
// with more QSO lines is used (the first by name when they have as many),
// and the other is skipped with a reason that names both. SKIPPED, files
// left out before (unreadable ones), are listed with them, by name.
Contest ReadLogs(std::vector<NamedText> files, int threads, std::vector<Skipped> skipped = {});

// Every regular file of the folder DIR, by name. False with *error when
// the folder cannot be read; a file that cannot be read is skipped.
bool ReadContestFolder(const std::string& dir, int threads, Contest* out, std::string* error);

struct Options {
  int window_minutes = 5;  // the two sides' times may differ by this much, clocks corrected
  int penalty_busted = 0;  // each busted line costs this many times its points
  int penalty_nil = 0;     // each nil line costs this many times its points
  int threads = 1;
};

// One QSO line's class, and the line of the other log it was matched with.
struct Line {
  Class cls = Class::kUnique;
  int32_t other_log = -1;  // the matched log (confirmed, exchange); busted: the suggested station's
  int32_t other_index = -1;  // the line of that log, as the index of its contact
};

struct Score {
  CountTotals totals;
  int penalty = 0;  // points taken off for busted and nil lines
  int points() const { return totals.points > penalty ? totals.points - penalty : 0; }
  long long score() const { return static_cast<long long>(points()) * totals.multipliers(); }
};

struct LogCheck {
  std::string country;      // the station's DXCC entity, "" when the country file cannot place it
  int clock_offset = 0;     // minutes the log's times run ahead of UTC
  int offset_matches = 0;   // the exact matches the offset was found from
  int held_by = 0;          // how many logs hold this station's call
  std::vector<Line> lines;  // one per contact of the log, in its order
  std::array<int, kClasses> classes{};
  // The organiser's count of the log as written, and with the lines of
  // classes busted, exchange, nil and dupe struck and the clock corrected.
  // Not counted when the country file cannot place the station.
  bool counted = false;
  Score claimed, checked;
  // Lines of other logs busted to a call one slip from ours: (log, contact).
  std::vector<std::pair<int32_t, int32_t>> copied_wrong;
};

std::vector<LogCheck> CheckContest(const Contest& contest, const CtyFile& countries,
                                   const Options& options);

// Whether two different calls are one slip apart, as a busted call is from
// the right one.
bool OneSlipApart(std::string_view a, std::string_view b);

}  // namespace crosscheck
}  // namespace yodx

#endif  // YODX_CROSSCHECK_CHECKER_H_
