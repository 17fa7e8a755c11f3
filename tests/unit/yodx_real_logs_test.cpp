// The logs that stations sent to two real serial-number contests, as they
// sent them (../shared/real-logs beside the repository): every file read,
// and for the contest that a public checker checked, our classes against
// its reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/yodx/crosscheck/checker.h"

namespace yodx {
namespace {

namespace fs = std::filesystem;
using crosscheck::Class;

const fs::path kRealLogs = STATS_REAL_LOGS_DIR;

// These contests' exchange is "own serial, last serial received" without a
// report. Each side's numbers become one serial after a report, each number
// written with three digits ("8 063" -> "008063"), as our contest's lines
// would carry them.
void FoldExchanges(crosscheck::Contest* contest) {
  auto fold = [](std::string* rst, std::string* exch) {
    std::string serial;
    for (const std::string* part : {rst, exch}) {
      if (AllDigits(*part) && part->size() < 3) serial += std::string(3 - part->size(), '0');
      serial += Upper(*part);
    }
    *rst = "599";
    *exch = serial;
  };
  for (crosscheck::Log& log : contest->logs) {
    for (Contact& c : log.data.contacts) {
      fold(&c.rst_sent, &c.exch_sent);
      fold(&c.rst_rcvd, &c.exch_rcvd);
    }
  }
}

// "LZ0FP.CBR:103" for every diagnostic of WARNINGS or not.
std::set<std::string> Diagnosed(const crosscheck::Contest& contest, bool warnings) {
  std::set<std::string> lines;
  for (const crosscheck::Log& log : contest.logs) {
    for (const Diagnostic& d : log.data.diagnostics) {
      if (d.warning == warnings) lines.insert(log.file + ":" + std::to_string(d.line));
    }
  }
  return lines;
}

// Each set is read in full: UTF-16 files, no-break spaces and tabs between
// fields, a line with a field left out. Only the two lines that are garbage
// are not read: a call typed with a backslash, and a line without a tag.
TEST(YodxRealLogsTest, EveryFileAndEveryLineIsRead) {
  if (!fs::is_directory(kRealLogs)) GTEST_SKIP() << "no real logs at " << kRealLogs;
  const struct {
    const char* set;
    size_t logs;
    long long lines, not_read;
    std::set<std::string> diagnosed, warned;
  } kSets[] = {
      {"plovdiv-2016", 51, 13354, 1, {"LZ0DC.CBR:166", "LZ0FP.CBR:103"}, {"LZ0FN.CBR:22"}},
      {"ep-2016", 43, 844, 0, {}, {}},
  };
  for (const auto& set : kSets) {
    crosscheck::Contest contest;
    std::string error;
    ASSERT_TRUE(crosscheck::ReadContestFolder((kRealLogs / set.set).string(), 2, &contest, &error))
        << error;
    EXPECT_EQ(contest.logs.size(), set.logs) << set.set;
    // The one file left out is a second log of a station, the same QSO lines.
    for (const crosscheck::Skipped& s : contest.skipped) {
      EXPECT_EQ(s.file, "LZ0AA_.CBR") << set.set << ": " << s.reason;
    }
    EXPECT_EQ(contest.qso_lines(), set.lines) << set.set;
    EXPECT_EQ(contest.qso_lines() - contest.lines_read(), set.not_read) << set.set;
    EXPECT_EQ(Diagnosed(contest, false), set.diagnosed) << set.set;
    EXPECT_EQ(Diagnosed(contest, true), set.warned) << set.set;
  }
}

// The Plovdiv logs as they were sent, their exchanges not folded, give each
// line the class of its folded line: the report column, where these
// loggers write the first number of the exchange, is compared with it.
TEST(YodxRealLogsTest, ExchangesAsSentAreComparedAsFolded) {
  const fs::path dir = kRealLogs / "plovdiv-2016";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no real logs at " << dir;
  CtyFile countries;
  ASSERT_TRUE(countries.Parse("Bulgaria: 20: 28: EU: 42.83: -25.08: -2.0: LZ:\n    LZ;\n"));
  std::vector<Class> classes[2];
  for (const bool fold : {false, true}) {
    crosscheck::Contest contest;
    std::string error;
    ASSERT_TRUE(crosscheck::ReadContestFolder(dir.string(), 2, &contest, &error)) << error;
    if (fold) FoldExchanges(&contest);
    for (const crosscheck::LogCheck& check :
         crosscheck::CheckContest(contest, countries, crosscheck::Options{})) {
      for (const crosscheck::Line& line : check.lines) classes[fold].push_back(line.cls);
    }
  }
  EXPECT_EQ(classes[0], classes[1]);
  EXPECT_EQ(std::count(classes[0].begin(), classes[0].end(), Class::kExchange), 63);
}

// The public checker's class of each line its reports list first under an
// error, in our classes, by "CALL DATE TIME WORKED". A line listed only for
// the partner's copy of our exchange, like a line not listed, is confirmed.
std::map<std::string, std::string> PublicChecker(const fs::path& dir) {
  static const std::map<std::string, std::string> kOurs = {
      {"ERROR_RECEIVE", "exchange"},
      {"ERROR_NOT_IN_LOG", "nil"},
      {"ERROR_PARTNER_LOG_MISSING", "nolog"},
      {"ERROR_DUPE", "dupe"},
      {"ERROR_DATE_TIME", "outside the period"},
      {"ERROR_PARTNER_RECEIVE", ""}};
  std::map<std::string, std::string> classes;
  for (const fs::directory_entry& file : fs::directory_iterator(dir)) {
    std::ifstream in(file.path());
    std::string line, cls;
    bool first = false;
    while (std::getline(in, line)) {
      const std::vector<std::string_view> f = SplitFields(line);
      if (f.size() == 1 && f[0].substr(0, 6) == "ERROR_" && f[0].back() == ':') {
        cls = kOurs.at(std::string(f[0].substr(0, f[0].size() - 1)));
        first = true;
      } else if (f.size() >= 9 && f[0] == "QSO:" && first) {
        const std::string key =
            Upper(f[5]) + " " + std::string(f[3]) + " " + std::string(f[4]) + " " + Upper(f[8]);
        if (!cls.empty()) classes[key] = cls;
        first = false;
      }
    }
  }
  return classes;
}

// The Christmas contest, its exchanges folded into our shape, against the
// public checker's reports, first contacts of each call, band and mode
// only (the contest allows working a station again). Where we differ, it
// is one of three kinds, each pinned here, and in each the logs show the
// public checker wrong:
//   busted: we logged a call that sent no log ("partner log missing"),
//     and a station one slip from it logged us then, serials agreeing both
//     ways; the public checker knows no busted calls.
//   both busted: as busted, but that station logged a call one slip from
//     ours, which sent no log either: each copied the other's call wrong.
//   copied wrong: the other station logged our call wrong, the serials
//     agreeing both ways; the public checker takes our line for not in log.
//   minutes: the two lines name each other, serials agreeing both ways, 3
//     to 5 minutes apart; the public checker matches within 2 minutes.
TEST(YodxRealLogsTest, AChristmasContestAgainstAPublicChecker) {
  const fs::path dir = kRealLogs / "ep-2016";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no real logs at " << dir;
  crosscheck::Contest contest;
  std::string error;
  ASSERT_TRUE(crosscheck::ReadContestFolder(dir.string(), 2, &contest, &error)) << error;
  FoldExchanges(&contest);
  CtyFile countries;
  ASSERT_TRUE(countries.Parse("Bulgaria: 20: 28: EU: 42.83: -25.08: -2.0: LZ:\n    LZ;\n"));
  const std::vector<crosscheck::LogCheck> checks =
      crosscheck::CheckContest(contest, countries, crosscheck::Options{});
  const std::map<std::string, std::string> reports = PublicChecker(dir / "ubn-by-a-public-checker");

  int first_contacts = 0;
  std::map<std::string, int> kinds;  // "same", or the kind of difference
  for (size_t l = 0; l < checks.size(); ++l) {
    const crosscheck::Log& log = contest.logs[l];
    for (size_t i = 0; i < checks[l].lines.size(); ++i) {
      const crosscheck::Line& line = checks[l].lines[i];
      if (line.cls == Class::kDupe) continue;
      ++first_contacts;
      const Contact& c = log.data.contacts[i];
      char when[32];
      std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d%02d", c.year, c.month, c.day, c.hour,
                    c.minute);
      const auto listed = reports.find(c.own_call + " " + when + " " + c.call);
      const std::string theirs = listed == reports.end() ? "confirmed" : listed->second;
      const std::string ours =
          line.cls == Class::kUnique ? "nolog" : crosscheck::ClassName(line.cls);
      const Contact* p = line.other_log < 0
                             ? nullptr
                             : &contest.logs[static_cast<size_t>(line.other_log)]
                                    .data.contacts[static_cast<size_t>(line.other_index)];
      const bool serials = p != nullptr &&
                           ComparableExchange(p->exch_sent) == ComparableExchange(c.exch_rcvd) &&
                           ComparableExchange(p->exch_rcvd) == ComparableExchange(c.exch_sent);
      const long long minutes =
          p == nullptr ? 0 : std::llabs(ContactTime(*p) / 60 - ContactTime(c) / 60);
      const std::string difference = theirs + " -> " + ours;
      std::string kind =
          "unexplained " + log.file + ":" + std::to_string(c.line) + " " + difference;
      if (theirs == ours) {
        kind = "same";
      } else if (serials && difference == "nolog -> busted") {
        kind = p->call == log.call ? "busted" : "both busted";
      } else if (serials && difference == "nil -> confirmed") {
        if (p->call != log.call) kind = "copied wrong";
        if (p->call == log.call && minutes >= 3 && minutes <= 5) kind = "minutes";
      }
      ++kinds[kind];
    }
  }
  EXPECT_EQ(first_contacts, 365);
  EXPECT_EQ(
      kinds,
      (std::map<std::string, int>{
          {"same", 349}, {"busted", 5}, {"both busted", 2}, {"copied wrong", 3}, {"minutes", 6}}));
}

}  // namespace
}  // namespace yodx
