#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/support/scratch_dir.h"
#include "tests/support/small_country_file.h"
#include "tools/contest/count.h"
#include "tools/contest/rules.h"
#include "tools/contest/text.h"
#include "tools/replay/replay.h"

namespace yodx {
namespace {

using stats::testing::kSmallCountryFile;

// "CALL BAND MODE EXCHANGE-RECEIVED [HHMM]" on 2021-08-28 (13:00 unless
// given); "none" is no exchange. The entrant sends BU or a serial.
Contact MakeContact(const std::string& text, bool romanian_entrant) {
  const std::vector<std::string_view> w = SplitBlanks(text);
  Contact c;
  c.call = std::string(w[0]);
  c.band = std::string(w[1]);
  c.mode = std::string(w[2]);
  c.exch_rcvd = w[3] == "none" ? "" : std::string(w[3]);
  c.exch_sent = romanian_entrant ? "BU" : "001";
  const std::string_view hhmm = w.size() > 4 ? w[4] : "1300";
  c.year = 2021, c.month = 8, c.day = 28;
  c.hour = TwoDigits(hhmm, 0), c.minute = TwoDigits(hhmm, 2);
  return c;
}

// Each contact's points with "d" for a new DXCC and "c" for a new county on
// its band, or why it scores nothing.
std::string Earned(const CountResult& result) {
  static const char* const kWhy[] = {"", "dupe", "band", "mode", "period", "exchange", "struck"};
  std::string out;
  for (const ContactCount& c : result.contacts) {
    out += out.empty() ? "" : " ";
    if (c.outcome != Outcome::kCounted) {
      out += kWhy[static_cast<int>(c.outcome)];
    } else {
      out += std::to_string(c.points) + (c.new_dxcc ? "d" : "") + (c.new_county ? "c" : "");
    }
  }
  return out;
}

// Small logs worked out by hand. Points by the worked station's class, the
// first that applies: Romanian 8, own country 1, same continent 2, other 4.
// Multipliers per band: DXCC countries (Romania is not one; the own country
// is), and the counties of Romanian stations. Score: points x multipliers.
struct Row {
  const char* entrant;
  std::vector<const char*> contacts;
  const char* earned;
  int qsos, points, dxcc, counties;
  long long score;
  const char* claim;  // the plug-in's score and the differences named
};

const Row kRows[] = {
    // A DX station: BU and CJ are counties on 20 m; DL (its own country), F
    // and K are DXCC, Romania not; YO3ABC on SSB is a new contact (another
    // mode) but no new county. The plug-in adds YO to 20 m's DXCC: 31 x 6.
    {"DL2XYZ",
     {"YO3ABC 20m CW BU", "YO5XYZ 20m CW CJ", "DL1ABC 20m CW 001", "F1ABC 20m CW 001",
      "K1ABC 20m CW 001", "YO3ABC 20m SSB bu"},
     "8c 8c 1d 2d 4d 8",
     6,
     31,
     3,
     2,
     155,
     "186: YO as DXCC"},
    // A Romanian station: a Romanian station is 8 points, not own country's
    // 1; XX is no county, so that contact does not count; Sicily is Italy;
    // CJ on 80 m is a county of that band. The plug-in counts the XX
    // contact (8 points, no county) and YO on 40 and 80 m: 42 x 8.
    {"YO3ABC",
     {"YO5XYZ 40m CW CJ", "YO8AAA 40m SSB SV", "YO2BBB 40m CW XX", "DL1ABC 40m CW 001",
      "K1ABC 40m CW 001", "IT9ABC 40m CW 001", "I1ABC 40m CW 001", "YO5XYZ 80m CW cj"},
     "8c 8c exchange 2d 4d 2d 2 8c",
     7,
     34,
     3,
     3,
     204,
     "336: wrong exchanges, YO as DXCC"},
    // 160 m and the WARC bands score nothing, nor RTTY; the plug-in counts
    // 160 m (K there too): 8 x 2.
    {"DL2XYZ",
     {"K1ABC 160m CW 001", "K1ABC 30m CW 001", "F1ABC 17m SSB 001", "F1ABC 80m RTTY 001",
      "K1ABC 80m CW 001"},
     "band band band mode 4d",
     1,
     4,
     1,
     0,
     4,
     "16: 160 m"},
    // A dupe within a mode scores nothing, another mode or band counts; a
    // contact without an exchange makes no later one a dupe.
    {"DL2XYZ",
     {"F1ABC 15m CW 001", "F1ABC 15m CW 002", "F1ABC 15m SSB 003", "F1ABC 10m CW 004",
      "F2XYZ 15m CW none", "F2XYZ 15m CW 005"},
     "2d dupe 2 2d exchange 2",
     4,
     8,
     2,
     0,
     16,
     "16"},
    // Saturday 11:59 is before the period; a maritime mobile station has no
    // country: no multiplier, the points of another continent. The plug-in
    // counts 11:59, and "" as a DXCC prefix: 12 x 2.
    {"DL2XYZ",
     {"K1ABC 20m CW 001 1159", "W1XYZ 20m CW 002 1200", "DL1ABC/MM 20m CW 003"},
     "period 4d 4",
     2,
     8,
     1,
     0,
     8,
     "24: outside the period, DXCC by prefix"},
};

// Numbers compare by their value wherever they stand in an exchange.
TEST(YodxCountTest, ExchangesCompareWithNumbersAsNumbers) {
  const struct {
    const char* exchange;
    const char* comparable;
  } kExchanges[] = {{"030", "30"}, {"30", "30"},      {" 0030 ", "30"},   {"000", "0"},
                    {"cj ", "CJ"}, {"013ep", "13EP"}, {"007 040", "7 40"}};
  for (const auto& e : kExchanges) EXPECT_EQ(ComparableExchange(e.exchange), e.comparable);
}

TEST(YodxCountTest, HandWorkedLogs) {
  CtyFile cty;
  ASSERT_TRUE(cty.Parse(kSmallCountryFile));
  for (const Row& row : kRows) {
    Entrant entrant;
    entrant.station = PlaceStation(cty, row.entrant);
    ContestPeriod(2021, &entrant.start, &entrant.end);
    std::vector<Contact> contacts;
    for (const char* c : row.contacts) contacts.push_back(MakeContact(c, entrant.station.romanian));
    const std::vector<Station> stations = PlaceStations(contacts, cty);
    const CountResult result = CountLog(contacts, stations, entrant);
    const std::string at = row.entrant + std::string(": ") + row.earned;
    EXPECT_EQ(Earned(result), row.earned) << at;
    const CountTotals& t = result.total;
    EXPECT_EQ((std::vector<int>{t.qsos, t.points, t.dxcc, t.counties}),
              (std::vector<int>{row.qsos, row.points, row.dxcc, row.counties}))
        << at;
    EXPECT_EQ(t.score(), row.score) << at;

    const Claim claim = CompareWithPlugin(contacts, stations, entrant);
    EXPECT_EQ(claim.organiser.score(), row.score) << at;
    std::string named = std::to_string(claim.plugin.score());
    for (size_t i = 0; i < claim.differences.size(); ++i) {
      named += (i == 0 ? ": " : ", ") + claim.differences[i];
    }
    EXPECT_EQ(named, row.claim) << at;
    // Each rule taken on is one step; the last one's count is the claim.
    std::string steps = std::to_string(claim.plugin.score());
    for (size_t i = 0; i < claim.steps.size(); ++i) {
      steps += (i == 0 ? ": " : ", ") + claim.steps[i].words;
    }
    EXPECT_EQ(steps, row.claim) << at;
    EXPECT_EQ(claim.steps.empty() ? row.score : claim.steps.back().totals.score(),
              claim.plugin.score())
        << at;
  }
}

// Under the plug-in's own rules the count is the plug-in's summary of each
// bundled sample, band by band, as the real plug-in printed it.
TEST(YodxCountTest, ThePluginsRulesGiveItsSummariesOfTheSamples) {
  const std::filesystem::path examples = STATS_EXAMPLES_DIR;
  const char* const kDebianCty = "/usr/share/hamradio-files/cty.dat";
  CtyFile cty;
  std::string error;
  if (!std::filesystem::exists(examples / "yo3abc.log") || !cty.Load(kDebianCty, &error)) {
    GTEST_SKIP() << "no sample logs or no hamradio-files here";
  }
  for (const char* sample : {"yo3abc.adi", "yo3abc.log", "dl1abc.adi", "dl1abc.log"}) {
    LogData log;
    ASSERT_TRUE(ReadLogFile((examples / sample).string(), &log, &error)) << error;
    const std::string own = log.own_call.empty() ? log.contacts.at(0).own_call : log.own_call;
    const Entrant entrant{PlaceStation(cty, own), 0, 0};
    const std::vector<Station> stations = PlaceStations(log.contacts, cty);
    const CountResult result = CountLog(log.contacts, stations, entrant, kPluginRules);

    std::vector<Tally> tallies;
    long long score = 0;
    const std::string station = std::string(sample).substr(0, 6);
    ParseSummary(stats::testing::ReadFileBytes(examples / (station + ".summary.txt")), &tallies,
                 &score);
    ASSERT_EQ(tallies.size(), result.bands.size() + 1) << sample;
    for (const BandCount& b : result.bands) {
      const auto row = std::find_if(tallies.begin(), tallies.end(),
                                    [&](const Tally& t) { return t.band == b.band; });
      ASSERT_NE(row, tallies.end()) << sample << " " << b.band;
      EXPECT_EQ(
          (std::vector<int>{b.totals.qsos, b.totals.points, b.totals.dxcc, b.totals.counties}),
          (std::vector<int>{row->qsos, row->points, row->dxcc, row->county}))
          << sample << " " << b.band;
    }
    EXPECT_EQ(result.total.score(), score) << sample;
    EXPECT_EQ(CompareWithPlugin(log.contacts, stations, entrant).plugin.score(), score) << sample;
  }
}

}  // namespace
}  // namespace yodx
