// RemoveData0 keeps the plug-in's log the same as the host's.
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

class RemovalTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ResetStats(ResetArgs());
  }

  static Qso Romanian(const std::string& call, const std::string& county) {
    Qso q;
    q.call = call;
    q.prefix = "YO";
    q.exchRcvd = county;
    return q;
  }

  // The 20m row of the result summary.
  static std::string Row20m() {
    const std::string text = GetResult();
    const std::size_t at = text.find("20m\t");
    return at == std::string::npos ? "" : text.substr(at, text.find("\r\n", at) - at);
  }
};

TEST_F(RemovalTest, RefusesWhenAnExchangeIsEmpty) {
  Qso q;
  AddData(q);
  Qso request = q;
  request.exchSent = "";
  EXPECT_EQ(RemoveData(request), 0);
  request = q;
  request.exchRcvd = "";
  EXPECT_EQ(RemoveData(request), 0);
  EXPECT_EQ(Row20m(), "20m\t 1\t 2\t 1\t 0");
}

TEST_F(RemovalTest, UnmatchedRequestChangesNothing) {
  AddData(Qso());
  Qso other;
  other.mode = "SSB";
  EXPECT_EQ(RemoveData(other), 1);
  EXPECT_EQ(Row20m(), "20m\t 1\t 2\t 1\t 0");
}

TEST_F(RemovalTest, TakesTheEarlierEntryAndTheNextScoresAtOnce) {
  Qso q;
  AddData(q);
  AddData(q);  // duplicate
  EXPECT_EQ(Row20m(), "20m\t 1\t 2\t 1\t 0");
  Qso request = q;
  request.exchRcvd = "999";  // time, frequency and exchanges play no part
  request.freqHz = 7000000;
  EXPECT_EQ(RemoveData(request), 1);
  EXPECT_EQ(Row20m(), "20m\t 1\t 2\t 1\t 0");  // the former duplicate now counts
  EXPECT_EQ(CheckCall(CallCheck()), 0);
  EXPECT_EQ(RemoveData(q), 1);
  EXPECT_EQ(Row20m(), "20m\t 0\t 0\t 0\t 0");  // the band stays listed
  EXPECT_EQ(CheckCall(CallCheck()), 2);
}

TEST_F(RemovalTest, RomanianContactWithRefusedCountyIsRemoved) {
  AddData(Romanian("YO9AAA", "123"));
  EXPECT_EQ(RemoveData(Romanian("YO9AAA", "123")), 1);
  EXPECT_EQ(Row20m(), "20m\t 0\t 0\t 0\t 0");
}

TEST_F(RemovalTest, CountyStaysWhileAnotherEntryHasIt) {
  AddData(Romanian("YO9AAA", "BU"));
  AddData(Romanian("YO9BBB", "BU"));
  AddData(Romanian("YO9CCC", "CJ"));
  EXPECT_EQ(Row20m(), "20m\t 3\t 24\t 1\t 2");
  EXPECT_EQ(RemoveData(Romanian("YO9AAA", "bu")), 1);
  EXPECT_EQ(CheckCall(CallCheck{"YO9DDD", "CW", "YO", "BU", "20m", "EU"}), 1);
  EXPECT_EQ(RemoveData(Romanian("YO9BBB", "BU")), 1);
  EXPECT_EQ(CheckCall(CallCheck{"YO9DDD", "CW", "YO", "BU", "20m", "EU"}), 2);
  EXPECT_EQ(Row20m(), "20m\t 1\t 8\t 1\t 1");
}

}  // namespace
}  // namespace testing
}  // namespace stats
