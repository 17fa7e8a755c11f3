#include "log/contest_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace stats {
namespace {

CInfo Record(const std::string& call, const std::string& band = "20m",
             const std::string& mode = "CW", const std::string& prefix = "DL",
             const std::string& county = "") {
  CInfo qso;
  qso.m_strCall = call;
  qso.m_strBand = band;
  qso.m_strMode = mode;
  qso.m_strPrefix = prefix;
  qso.m_strCounty = county;
  return qso;
}

std::vector<std::string> Calls(const ContestLog& log) {
  std::vector<std::string> calls;
  for (const CInfoView qso : log)
    calls.push_back(std::string(qso.m_strCall) + (qso.m_bDupe ? "*" : ""));
  return calls;
}

TEST(CountyRulesTest, RomanianPrefixIsExactAndCaseSensitive) {
  for (const char* yes : {"YO", "YP", "YQ", "YR"}) EXPECT_TRUE(IsRomanianPrefix(yes)) << yes;
  for (const char* no : {"yo", "Yo", "YO1", "YOO", " YO", "YS", ""}) {
    EXPECT_FALSE(IsRomanianPrefix(no)) << no;
  }
}

TEST(CountyRulesTest, CountyCodesAreTheFortyTwoExactly) {
  EXPECT_EQ(g_CountyCodes.size(), 42u);
  for (const char* code : g_CountyCodes) EXPECT_TRUE(IsCountyCode(code)) << code;
  for (const char* no : {"bu", "B", "BUC", "", " BU", "XX", "B U"}) {
    EXPECT_FALSE(IsCountyCode(no)) << no;
  }
}

TEST(CountyRulesTest, NormalizeUppercasesThenTrims) {
  EXPECT_EQ(NormalizeCounty(" bu "), "BU");
  EXPECT_EQ(NormalizeCounty("\t\r\n\v\fcj \r\n"), "CJ");
  EXPECT_EQ(NormalizeCounty("b u"), "B U");  // inner blanks stay
  EXPECT_EQ(NormalizeCounty("ab"), "AB");    // the first letter
  EXPECT_EQ(NormalizeCounty("bz"), "BZ");    // and the last
  EXPECT_EQ(NormalizeCounty("   "), "");
  EXPECT_EQ(NormalizeCounty("\xe9t"), "\xe9T");  // only ASCII letters change
  EXPECT_TRUE(IsCountyCode(NormalizeCounty(" bu ")));
}

TEST(CountyRulesTest, ItalianIslandPrefixesMapToI) {
  EXPECT_EQ(MapPrefix("IT9"), "I");
  EXPECT_EQ(MapPrefix("IG9"), "I");
  EXPECT_EQ(MapPrefix("IH9"), "I");
  EXPECT_EQ(MapPrefix("IS0"), "IS0");
  EXPECT_EQ(MapPrefix("it9"), "it9");
}

TEST(BandSlotTest, SixContestBandsHaveSlots) {
  EXPECT_EQ(BandSlot("160m"), 0);
  EXPECT_EQ(BandSlot("80m"), 1);
  EXPECT_EQ(BandSlot("40m"), 2);
  EXPECT_EQ(BandSlot("20m"), 3);
  EXPECT_EQ(BandSlot("15m"), 4);
  EXPECT_EQ(BandSlot("10m"), 5);
  for (const char* none : {"20M", "30m", "6m", "", " 20m"}) EXPECT_EQ(BandSlot(none), -1) << none;
}

TEST(BandListTest, KeepsFirstAppearanceOrderAndExactNames) {
  BandList bands;
  EXPECT_TRUE(bands.Add("20m"));
  EXPECT_TRUE(bands.Add("80m"));
  EXPECT_FALSE(bands.Add("20m"));
  EXPECT_TRUE(bands.Add("20M"));
  ASSERT_EQ(bands.size(), 3u);
  bands.Swap(0, 2);
  EXPECT_EQ(bands.names(), (std::vector<std::string>{"20M", "80m", "20m"}));
  EXPECT_TRUE(bands.Contains("20m"));
  bands.Clear();
  EXPECT_EQ(bands.size(), 0u);
  EXPECT_FALSE(bands.Contains("20m"));
  // Few names and many are found alike; an empty name is listed only once added.
  for (const char* name : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}) {
    EXPECT_FALSE(bands.Contains("")) << bands.size() << " names";
    bands.Add(name);
    EXPECT_TRUE(bands.Contains(name));
    EXPECT_FALSE(bands.Contains("1 "));
  }
  EXPECT_TRUE(bands.Add(""));
  EXPECT_FALSE(bands.Add(""));
  EXPECT_FALSE(bands.Add("9"));
  EXPECT_TRUE(bands.Contains(""));
  EXPECT_EQ(bands.size(), 11u);
}

TEST(ContestLogTest, DuplicatesAreSameCallBandAndModeExactly) {
  ContestLog log;
  log.Append(Record("DL1ABC"));
  log.Append(Record("DL1ABC"));
  log.Append(Record("dl1abc"));                // another call
  log.Append(Record("DL1ABC", "40m"));         // another band
  log.Append(Record("DL1ABC", "20m", "SSB"));  // another mode
  log.Append(Record("DL1ABC"));
  EXPECT_EQ(Calls(log), (std::vector<std::string>{"DL1ABC", "DL1ABC*", "dl1abc", "DL1ABC", "DL1ABC",
                                                  "DL1ABC*"}));
  EXPECT_EQ(log.CountSameQso("DL1ABC", "20m", "CW"), 3u);
  EXPECT_EQ(log.CountSameQso("DL1ABC", "20m", "cw"), 0u);
}

TEST(ContestLogTest, FieldsThatCouldRunTogetherStayApart) {
  // Keys built from several fields must not collide when the text moves
  // from one field to the next.
  ContestLog log;
  log.Append(Record("AB", "C", "CW"));
  EXPECT_EQ(log.CountSameQso("A", "BC", "CW"), 0u);
  EXPECT_EQ(log.CountSameQso("AB", "CC", "W"), 0u);
}

TEST(ContestLogTest, RemovingTheEarliestPromotesTheNext) {
  ContestLog log;
  log.Append(Record("A", "20m", "CW", "DL"));
  log.Append(Record("B"));
  log.Append(Record("A", "20m", "CW", "DL"));
  log.Append(Record("A", "20m", "CW", "DL"));
  EXPECT_EQ(log.CountedWithPrefix("20m", "DL"), 2u);  // A and B; the dupes do not count

  CInfo removed;
  ASSERT_TRUE(log.RemoveEarliest("A", "20m", "CW", &removed));
  EXPECT_EQ(removed.m_bDupe, 0);
  EXPECT_EQ(Calls(log), (std::vector<std::string>{"B", "A", "A*"}));
  EXPECT_EQ(log.CountedWithPrefix("20m", "DL"), 2u);
  EXPECT_EQ(log.CountSameQso("A", "20m", "CW"), 2u);

  ASSERT_TRUE(log.RemoveEarliest("A", "20m", "CW", nullptr));
  ASSERT_TRUE(log.RemoveEarliest("A", "20m", "CW", nullptr));
  EXPECT_FALSE(log.RemoveEarliest("A", "20m", "CW", nullptr));
  EXPECT_EQ(Calls(log), (std::vector<std::string>{"B"}));
  EXPECT_EQ(log.CountedWithPrefix("20m", "DL"), 1u);
}

TEST(ContestLogTest, RemovalsThatOutnumberTheEntriesKeepOrderAndSeries) {
  // Enough removals that the log compacts its entries, more than once.
  ContestLog log;
  std::vector<std::string> expected;
  for (int i = 0; i < 300; ++i) {
    const std::string call = "K" + std::to_string(i % 40);
    log.Append(Record(call));
    expected.push_back(call);
    for (int k : {7, 11}) {  // two removals for each entry, some of them finding none
      const std::string gone = "K" + std::to_string((i * k) % 40);
      const auto earliest = std::find(expected.begin(), expected.end(), gone);
      ASSERT_EQ(log.RemoveEarliest(gone, "20m", "CW", nullptr), earliest != expected.end());
      if (earliest != expected.end()) expected.erase(earliest);
    }
  }
  // The earliest of each call is the counted one; the rest are duplicates.
  std::vector<std::string> marked;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const bool earlier =
        std::find(expected.begin(), expected.begin() + i, expected[i]) != expected.begin() + i;
    marked.push_back(expected[i] + (earlier ? "*" : ""));
  }
  EXPECT_EQ(Calls(log), marked);
  EXPECT_EQ(log.size(), expected.size());
  EXPECT_EQ(log.CountSameQso("K3", "20m", "CW"),
            static_cast<std::size_t>(std::count(expected.begin(), expected.end(), "K3")));
  EXPECT_EQ(
      log.CountedWithPrefix("20m", "DL"),
      static_cast<std::size_t>(std::count_if(
          marked.begin(), marked.end(), [](const std::string& c) { return c.back() != '*'; })));
}

TEST(ContestLogTest, CountedIndexesSkipDupesAndEmptyCalls) {
  ContestLog log;
  log.Append(Record("", "20m", "CW", "YO", "BU"));
  EXPECT_EQ(log.CountedWithPrefix("20m", "YO"), 0u);
  EXPECT_EQ(log.CountedWithCounty("20m", "BU"), 0u);
  log.Append(Record("YO3A", "20m", "CW", "YO", "BU"));
  log.Append(Record("YO3A", "20m", "CW", "YO", "CJ"));  // duplicate: CJ is not worked
  EXPECT_EQ(log.CountedWithCounty("20m", "BU"), 1u);
  EXPECT_EQ(log.CountedWithCounty("20m", "CJ"), 0u);
  EXPECT_EQ(log.CountedWithCounty("40m", "BU"), 0u);
  log.Append(Record("DL1A", "20m", "CW", "DL", ""));
  EXPECT_EQ(log.CountedWithCounty("20m", ""), 0u);  // an empty county is never worked
  log.Clear();
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(log.CountedWithPrefix("20m", "YO"), 0u);
  EXPECT_EQ(log.CountSameQso("YO3A", "20m", "CW"), 0u);
}

TEST(ContestLogTest, RecordsAreCopiedWhole) {
  ContestLog log;
  CInfo qso = Record("YO3A", "20m", "SSB", "YO", "BU");
  qso.m_nFreq = 14250;
  qso.m_time = COleDateTime{44415.5, COleDateTime::kValid};
  log.Append(qso);
  qso.m_strCall = "changed";
  const CInfo stored = ToInfo(*log.begin());
  EXPECT_EQ(stored.m_strCall, "YO3A");
  EXPECT_EQ(stored.m_nFreq, 14250);
  EXPECT_EQ(stored.m_time.m_dt, 44415.5);
  EXPECT_EQ(stored.m_strCounty, "BU");
}

}  // namespace
}  // namespace stats
