// The operator's live questions: CheckCall0 and IsValidExchg0.
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

class CheckTest : public PluginTest {
 protected:
  void SetUp() override {
    PluginTest::SetUp();
    ResetStats(ResetArgs());
  }

  static Qso Logged(const std::string& call, const std::string& prefix,
                    const std::string& exchRcvd = "017", const std::string& band = "20m",
                    const std::string& mode = "CW") {
    Qso q;
    q.call = call;
    q.prefix = prefix;
    q.exchRcvd = exchRcvd;
    q.band = band;
    q.mode = mode;
    return q;
  }

  static CallCheck Candidate(const std::string& call, const std::string& prefix,
                             const std::string& county = "", const std::string& band = "20m",
                             const std::string& mode = "CW") {
    CallCheck c;
    c.call = call;
    c.prefix = prefix;
    c.county = county;
    c.band = band;
    c.mode = mode;
    return c;
  }
};

TEST_F(CheckTest, DuplicateNewMultiplierOrNeither) {
  EXPECT_EQ(CheckCall(Candidate("DL1ABC", "DL")), 2);  // empty log
  AddData(Logged("DL1ABC", "DL"));
  EXPECT_EQ(CheckCall(Candidate("DL1ABC", "DL")), 0);
  EXPECT_EQ(CheckCall(Candidate("dl1abc", "DL")), 1);  // another call, prefix worked
  EXPECT_EQ(CheckCall(Candidate("DL1ABC", "DL", "", "20m", "SSB")), 1);
  EXPECT_EQ(CheckCall(Candidate("DL2XYZ", "DL", "", "40m")), 2);
  EXPECT_EQ(CheckCall(Candidate("F5ABC", "F")), 2);
  AddData(Logged("DL1ABC", "DL"));  // a duplicate entry still answers 0
  EXPECT_EQ(CheckCall(Candidate("DL1ABC", "DL")), 0);
  EXPECT_EQ(Report().find("DUPE"), Report().rfind("DUPE"));  // checks wrote nothing
}

TEST_F(CheckTest, PrefixCountsAsEntryStoresIt) {
  AddData(Logged("I1ABC", "I"));
  EXPECT_EQ(CheckCall(Candidate("IT9XYZ", "IT9")), 1);  // IT9 is logged as I
  EXPECT_EQ(CheckCall(Candidate("IH9XYZ", "IH9")), 1);
  EXPECT_EQ(CheckCall(Candidate("IS0XYZ", "IS0")), 2);
}

TEST_F(CheckTest, OnlyCountedEntriesMakeAMultiplierWorked) {
  AddData(Logged("", "F"));  // an entry without a call does not count
  EXPECT_EQ(CheckCall(Candidate("F5ABC", "F")), 2);
  AddData(Logged("", "YO", "BU"));
  EXPECT_EQ(CheckCall(Candidate("YO9AAA", "YO", "BU")), 2);
}

TEST_F(CheckTest, RomanianCandidateIsNewOnPrefixOrCounty) {
  AddData(Logged("YO9AAA", "YO", "BU"));
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", "BU")), 1);
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", " bu ")), 1);  // normalised as entry does
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", "CJ")), 2);    // new county
  EXPECT_EQ(CheckCall(Candidate("YR9BBB", "YR", "BU")), 2);    // new prefix
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", "")), 1);      // no county: the prefix decides
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", "XX")), 1);    // not a county
  AddData(Logged("DL1ABC", "DL"));
  // An empty county never matches the non-Romanian entries' empty county.
  EXPECT_EQ(CheckCall(Candidate("YP9CCC", "YP", "")), 2);
}

TEST_F(CheckTest, RomanianEntryWithRefusedCountyGivesNoCounty) {
  AddData(Logged("YO9AAA", "YO", "123"));
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", "BU")), 2);
  EXPECT_EQ(CheckCall(Candidate("YO9BBB", "YO", "123")), 1);
}

TEST_F(CheckTest, ExchangeValidation) {
  struct Case {
    const char* exchange;
    const char* prefix;
    int expected;
  };
  const Case cases[] = {
      {"599", "DL", 0},  {"599", "YO", 0},   {"7", "DL", 1},    {"0001", "DL", 1},
      {"1234", "DL", 1}, {"12345", "DL", 0}, {"", "DL", 0},     {"12a", "DL", 0},
      {"1 2", "DL", 0},  {" 12", "DL", 0},   {"\xb9", "DL", 0}, {"1\xb2", "DL", 0},
      {"BU", "DL", 0},   {"BU", "YO", 1},    {"bu", "YO", 0},   {"BU ", "YO", 0},
      {"CJ", "YR", 1},   {"123", "YO", 0},   {"B", "YQ", 0},    {"BU", "yo", 0},
      {"12", "YO1", 1},  {"XX", "YP", 0},    {"", "YO", 0},     {"VN", "YP", 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidExchg(c.exchange, c.prefix), c.expected)
        << "\"" << c.exchange << "\" from " << c.prefix;
  }
}

}  // namespace
}  // namespace testing
}  // namespace stats
