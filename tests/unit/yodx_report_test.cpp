#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/scratch_dir.h"
#include "tests/support/small_country_file.h"
#include "tools/contest/adif.h"
#include "tools/contest/cabrillo_reader.h"
#include "tools/replay/replay.h"
#include "tools/yodx/report/figures.h"
#include "tools/yodx/report/json.h"
#include "tools/yodx/report/page.h"

namespace yodx {
namespace report {
namespace {

using stats::testing::kSmallCountryFile;

// "DD HHMM KHZ MODE CALL EXCHANGE": a contact of YO3ABC (who sends BU) on
// 2021-08-DD, in the period from Saturday the 28th 12:00 to Sunday 11:59.
struct Qso {
  std::string day, hhmm, khz, mode, call, exchange;
};

Qso Split(const char* text) {
  const std::vector<std::string_view> w = SplitBlanks(text);
  return {std::string(w[0]), std::string(w[1]), std::string(w[2]),
          std::string(w[3]), std::string(w[4]), std::string(w[5])};
}

std::string Cabrillo(const std::vector<const char*>& qsos) {
  std::string text = "START-OF-LOG: 3.0\nCALLSIGN: YO3ABC\n";
  for (const char* q : qsos) {
    const Qso c = Split(q);
    text += "QSO: " + c.khz + " " + c.mode + " 2021-08-" + c.day + " " + c.hhmm +
            " YO3ABC 599 BU " + c.call + " 599 " + c.exchange + "\n";
  }
  return text + "END-OF-LOG:\n";
}

// The same contacts as ADIF, 30 seconds into each minute, the frequency in
// MHz and no band: the reader finds it.
std::string Adif(const std::vector<const char*>& qsos) {
  std::string text = "<EOH>\n";
  auto field = [](const char* name, const std::string& value) {
    return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value + " ";
  };
  for (const char* q : qsos) {
    const Qso c = Split(q);
    const size_t point = c.khz.find('.');
    const std::string khz = c.khz.substr(0, point),
                      tail = point == std::string::npos ? "" : c.khz.substr(point + 1);
    const std::string mhz = khz.substr(0, khz.size() - 3) + "." + khz.substr(khz.size() - 3) + tail;
    text += field("CALL", c.call) + field("QSO_DATE", "202108" + c.day) +
            field("TIME_ON", c.hhmm + "30") + field("FREQ", mhz) +
            field("MODE", c.mode == "PH" ? "SSB" : c.mode) + field("STX_STRING", "BU") +
            field("SRX_STRING", c.exchange) + field("STATION_CALLSIGN", "YO3ABC") + "<EOR>\n";
  }
  return text;
}

CtyFile Countries() {
  CtyFile cty;
  EXPECT_TRUE(cty.Parse(kSmallCountryFile));
  return cty;
}

Figures Report(const std::string& text, const CtyFile& cty) {
  LogData log;
  if (DetectFormat(text) == LogFormat::kAdif) {
    ParseAdif(text, "", &log);
  } else {
    ParseCabrillo(text, "", &log);
  }
  EXPECT_TRUE(log.diagnostics.empty()) << log.diagnostics[0].ToString();
  const std::string own = OwnCall(log);  // before the contacts are moved away
  return ComputeFigures(std::move(log.contacts), own, cty, Period{});
}

std::string Hhmm(UtcSeconds t) {
  return FormatUtc(t).substr(11, 5);
}

// One figure of a report in words.
enum Figure { kHours, kBest, kBreaks, kCounties, kRun, kMultipliers };

std::string Describe(const Figures& f, Figure figure) {
  std::string out;
  auto add = [&](const std::string& part) { out += (out.empty() ? "" : "; ") + part; };
  switch (figure) {
    case kHours:
      for (const Hour& h : f.hours) {
        std::string bands;
        for (size_t b = 0; b < f.bands.size(); ++b) {
          if (h.bands[b] > 0) bands += " " + f.bands[b] + " " + std::to_string(h.bands[b]);
        }
        if (h.total > 0) add(Hhmm(h.start) + bands + " = " + std::to_string(h.total));
      }
      add(std::to_string(f.hours.size()) + " hours, " + std::to_string(f.outside) + " outside");
      break;
    case kBest:
      for (const Rate& r : f.best) {
        add(std::to_string(r.minutes) + ": " + std::to_string(r.qsos) + " from " + Hhmm(r.start));
      }
      break;
    case kBreaks:
      for (const Break& b : f.breaks) {
        add(Hhmm(b.from) + "-" + Hhmm(b.to) + " " + std::to_string(b.minutes));
      }
      add("on-time " + std::to_string(f.on_time_minutes));
      break;
    case kCounties:
      for (const BandCounties& c : f.counties) {
        std::string codes;
        for (const std::string& code : c.worked) codes += " " + code;
        add(c.band + (codes.empty() ? " -" : codes) + " (" + std::to_string(c.missing.size()) +
            " missing)");
      }
      break;
    case kRun:
      for (const Hour& h : f.hours) {
        if (h.total > 0)
          add(Hhmm(h.start) + " " + std::to_string(h.run) + " of " + std::to_string(h.total));
      }
      break;
    case kMultipliers:
      for (size_t i = 0; i < 3; ++i) {
        add(Hhmm(f.hours[i].start + 3600) + " " + std::to_string(f.hours[i].dxcc) + "+" +
            std::to_string(f.hours[i].counties));
      }
      add("score " + std::to_string(f.claim.organiser.score()) + ", claims " +
          std::to_string(f.claim.plugin.score()));
      for (const ClaimStep& s : f.claim.steps)
        add(s.words + " " + std::to_string(s.totals.score()));
      break;
  }
  return out;
}

struct Row {
  const char* what;
  std::vector<const char*> qsos;
  Figure figure;
  const char* expected;
};

const Row kRows[] = {
    {"hours by the clock, dupes counted, the period's ends kept",
     {"28 1159 14025 CW DL1AAA 1", "28 1200 14025 CW DL1AAA 2", "28 1259 3510 CW DL1BBB 3",
      "28 1300 14030 CW DL1AAA 4", "29 1159 28010 CW DL1CCC 5", "29 1200 28010 CW DL1DDD 6"},
     kHours,
     "12:00 80m 1 20m 1 = 2; 13:00 20m 1 = 1; 11:00 10m 1 = 1; 24 hours, 2 outside"},
    // From 12:09, 12:19 is t + 10: outside, so 12:09 and 12:10 tie at
    // three and the earlier wins; in 60 minutes from 12:09, 13:09 is out.
    {"best rates over [t, t + N)",
     {"28 1200 14025 CW DL1AAA 1", "28 1209 14025 CW DL1BBB 2", "28 1210 14025 CW DL1CCC 3",
      "28 1211 14025 CW DL1DDD 4", "28 1219 14025 CW DL1EEE 5", "28 1240 14025 CW DL1FFF 6",
      "28 1308 14025 CW DL1GGG 7", "28 1309 14025 CW DL1HHH 8"},
     kBest,
     "10: 3 from 12:09; 30: 5 from 12:00; 60: 6 from 12:00"},
    // The last contact leaves the rest of the period off the air.
    {"a break of 15 minutes, none of 14",
     {"28 1200 14025 CW DL1AAA 1", "28 1215 14025 CW DL1BBB 2", "28 1229 14025 CW DL1CCC 3",
      "28 1330 14025 CW DL1DDD 4"},
     kBreaks,
     "12:00-12:15 15; 12:29-13:30 61; 13:30-12:00 1350; on-time 14"},
    // From 12:00 to a first contact at 12:14, and from a last at 11:46 to
    // the period's end at 12:00, are 14 minutes: no break. 12:15 and 11:45
    // make 15: breaks.
    {"the period's ends: a break of 15 minutes, none of 14",
     {"28 1214 14025 CW DL1AAA 1", "28 1230 14025 CW DL1BBB 2", "29 1130 14025 CW DL1CCC 3",
      "29 1146 14025 CW DL1DDD 4"},
     kBreaks,
     "12:14-12:30 16; 12:30-11:30 1380; 11:30-11:46 16; on-time 28"},
    {"the period's ends, 15 minutes each",
     {"28 1215 14025 CW DL1AAA 1", "29 1145 14025 CW DL1BBB 2"},
     kBreaks,
     "12:00-12:15 15; 12:15-11:45 1410; 11:45-12:00 15; on-time 0"},
    // XX is no county, 160 m no contest band, Saturday 11:59 outside.
    {"counties by band, as the organiser counts them",
     {"28 1200 14025 CW YO5AAA CJ", "28 1201 14200 PH YO6BBB hr", "28 1202 14025 CW YO8CCC XX",
      "28 1203 3510 CW YO2DDD TM", "28 1204 1830 CW YO9EEE PH", "28 1159 7010 CW YO4FFF CT",
      "28 1205 14030 CW YO5GGG CJ"},
     kCounties,
     "80m TM (41 missing); 40m - (42 missing); 20m CJ HR (40 missing); 15m - (42 missing); 10m - "
     "(42 missing)"},
    // 14027 is 2 kHz from the first: in; 14030 leaves and, with one more,
    // makes no run. On phone 4 kHz either way is in. 7012.5 is 2.5 kHz
    // off and starts a run of its own; 7000, the band's edge, is no
    // frequency at all.
    {"runs: three in a row within 2 kHz on CW, 4 on phone",
     {"28 1200 14025 CW DL1AAA 1", "28 1201 14026 CW DL1BBB 2", "28 1202 14027 CW DL1CCC 3",
      "28 1203 14030 CW DL1DDD 4", "28 1204 14031 CW DL1EEE 5", "28 1205 14200 PH DL1FFF 6",
      "28 1206 14204 PH DL1GGG 7", "28 1207 14196 PH DL1HHH 8", "28 1300 7010 CW DL2AAA 9",
      "28 1301 7012.5 CW DL2BBB 10", "28 1302 7013 CW DL2CCC 11", "28 1303 7014 CW DL2DDD 12",
      "28 1304 7000 CW DL2EEE 13", "28 1305 7000 CW DL2FFF 14", "28 1306 7000 CW DL2GGG 15"},
     kRun,
     "12:00 6 of 8; 13:00 3 of 7"},
    // DL on 20 m: 2 points and a DXCC; YO5AAA 8 and a county on 20 and 40
    // m; K on 160 m nothing: 18 x 3. The plug-in adds K on 160 m (4 and a
    // DXCC): 22 x 4, then YO as a DXCC of 20 and 40 m: 22 x 6.
    {"multipliers at the end of each hour, the score side by side",
     {"28 1200 14025 CW DL1AAA 1", "28 1230 14030 CW YO5AAA CJ", "28 1310 1830 CW K1AAA 2",
      "28 1320 7010 CW YO5AAA CJ"},
     kMultipliers,
     "13:00 1+1; 14:00 1+2; 15:00 1+2; score 54, claims 132; 160 m 88; YO as DXCC 132"},
};

TEST(YodxReportTest, HandWorkedFigures) {
  const CtyFile cty = Countries();
  for (const Row& row : kRows) {
    const Figures cabrillo = Report(Cabrillo(row.qsos), cty);
    EXPECT_EQ(Describe(cabrillo, row.figure), row.expected) << row.what;
    // The same log as ADIF, with seconds, gives the same JSON.
    EXPECT_EQ(Json(Report(Adif(row.qsos), cty)), Json(cabrillo)) << row.what;
  }
}

// On the bundled samples, which the report was not written for: both
// formats give one JSON; the hours hold every contact of the period; the
// counties of each contest band are those of the plug-in's own summary.
TEST(YodxReportTest, TheSamplesAgreeWithThePluginsSummaries) {
  const std::filesystem::path examples = STATS_EXAMPLES_DIR;
  CtyFile cty;
  std::string error;
  if (!cty.Load("/usr/share/hamradio-files/cty.dat", &error)) GTEST_SKIP() << error;
  for (const char* station : {"yo3abc", "dl1abc"}) {
    std::string json;
    for (const char* format : {".adi", ".log"}) {
      LogData log;
      ASSERT_TRUE(ReadLogFile((examples / (station + std::string(format))).string(), &log, &error));
      const Figures f = ComputeFigures(log.contacts, OwnCall(log), cty, Period{});
      int in_period = 0, in_hours = 0;
      for (const Contact& c : log.contacts) {
        in_period += ContactTime(c) >= f.start && ContactTime(c) <= f.end ? 1 : 0;
      }
      for (const Hour& h : f.hours) in_hours += h.total;
      EXPECT_EQ(in_hours, in_period) << station << format;
      EXPECT_EQ(f.qsos, in_period) << station << format;

      std::vector<Tally> tallies;
      long long score = 0;
      ParseSummary(
          stats::testing::ReadFileBytes(examples / (station + std::string(".summary.txt"))),
          &tallies, &score);
      for (const BandCounties& c : f.counties) {
        const auto row = std::find_if(tallies.begin(), tallies.end(),
                                      [&](const Tally& t) { return t.band == c.band; });
        ASSERT_NE(row, tallies.end()) << station << " " << c.band;
        EXPECT_EQ(static_cast<int>(c.worked.size()), row->county) << station << " " << c.band;
      }
      EXPECT_EQ(f.claim.plugin.score(), score) << station;
      if (json.empty()) {
        json = Json(f);
      } else {
        EXPECT_EQ(Json(f), json) << station;
      }
    }
  }
}

// The page refers to nothing outside itself, and a period without a
// contact says so instead of drawing empty charts.
TEST(YodxReportTest, ThePageStandsAloneAndSaysWhenThePeriodIsEmpty) {
  const CtyFile cty = Countries();
  const std::string full = Page(Report(Cabrillo(kRows[5].qsos), cty), "a<b>.log");
  EXPECT_EQ(full.find("<script"), std::string::npos);
  EXPECT_EQ(full.find("href"), std::string::npos);
  EXPECT_EQ(full.find("src="), std::string::npos);
  EXPECT_EQ(full.find("url("), full.find("url(#hatch)"));
  EXPECT_NE(full.find("a&lt;b&gt;.log"), std::string::npos);
  size_t charts = 0;
  for (size_t at = full.find("<svg"); at != std::string::npos; at = full.find("<svg", at + 1)) {
    ++charts;
  }
  EXPECT_EQ(charts, 4u);

  const std::string empty = Page(Report(Cabrillo({"28 1159 14025 CW DL1AAA 1"}), cty), "x.log");
  EXPECT_NE(empty.find("No contact of this log falls in the period"), std::string::npos);
  EXPECT_EQ(empty.find("<svg"), std::string::npos);
}

}  // namespace
}  // namespace report
}  // namespace yodx
