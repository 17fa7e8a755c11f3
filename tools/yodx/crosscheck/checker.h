// The organiser's cross-check of a whole contest: every QSO line of every
// log matched against the log of the station it names, each line given one
// class, each log's clock offset found from its sure matches, and each
// log's score as claimed and as checked.
//
// Two lines of two logs may be one QSO when they are on the same band and
// mode, their times within the window once each log's clock offset is taken
// out, and one names the other's station: the other names ours too, or a
// call one slip from it, or a call further from it (up to three slips) when
// the serials agree both ways (what each copied is what the other sent, and
// one of the two is a serial, not a county code) and neither line agrees so
// with any other line at that time that is still unpaired and could be
// paired with it by the calls. When neither names the other's station, the
// two are one QSO too if the two calls together are up to three slips from
// the two stations, the serials agree both ways as above, and neither line
// is named back by the station it names (both are then busted). The lines
// are paired strongest evidence first, each line in one pair at most:
// serials that agree both ways, then how well the calls fit, then how many
// of the two exchanges agree, then the nearer in time. The classes, from
// the point of view of the log that holds the line:
//   dupe       the same call, band and mode stand on an earlier line of this log
//   confirmed  paired with a line of the station we logged, even one that
//              copied our call wrong
//   exchange   as confirmed, but what we logged is not what the other station sent
//   busted     paired with a line of another station than the one we logged:
//              we copied its call wrong
//   nil        not paired, and the station we logged sent a log
//   nolog      not paired, the station sent no log, and other logs hold its call
//   unique     not paired, the station sent no log, and no other log holds its call
#ifndef YODX_CROSSCHECK_CHECKER_H_
#define YODX_CROSSCHECK_CHECKER_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/contest/contact.h"
#include "tools/contest/count.h"
#include "tools/contest/cty.h"
#include "tools/yodx/crosscheck/calls.h"

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

// "SINGLE-OP ALL MIXED HIGH": the category the results group a log by, its
// CATEGORY-OPERATOR, -BAND, -MODE and -POWER as TEXT, a Cabrillo log, writes
// them (upper case, printable), else its Cabrillo 2.0 CATEGORY: line, or
// "none".
std::string CategoryOf(const std::string& text);

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
  // Whether serials that agree both ways count as evidence of one QSO; off,
  // only the calls and the times match lines.
  bool serial_evidence = true;
  int threads = 1;
};

// One QSO line's class, and the line of the other log it was matched with.
struct Line {
  Class cls = Class::kUnique;
  int32_t other_log = -1;    // the paired line's log: the station worked (busted: the right call)
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
  // Lines of other logs busted to a call other than ours: (log, contact).
  std::vector<std::pair<int32_t, int32_t>> copied_wrong;
};

std::vector<LogCheck> CheckContest(const Contest& contest, const CtyFile& countries,
                                   const Options& options);

}  // namespace crosscheck
}  // namespace yodx

#endif  // YODX_CROSSCHECK_CHECKER_H_
