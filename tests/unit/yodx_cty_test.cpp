#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/scratch_dir.h"
#include "tools/contest/cty.h"

namespace yodx {
namespace {

// Entity blocks as the country file has them (alias lists shortened), and
// one entry with every kind of override.
const char kSmallCty[] =
    "Romania:                  20:  28:  EU:   45.78:   -24.70:    -2.0:  YO:\n"
    "    YO,YP,YQ,YR,\n"
    "    =YO3FRI/YL,\n"
    "    =YO4ASG/LH,=YO4BBH/LH,=YO4GDP/LH,=YO4GJS/LH;\n"
    "Fed. Rep. of Germany:     14:  28:  EU:   51.00:   -10.00:    -1.0:  DL:\n"
    "    "
    "DA,DB,DC,DD,DE,DF,DG,DH,DI,DJ,DK,DL,DM,DN,DO,DP,DQ,DR,Y2,Y3,Y4,Y5,Y6,Y7,Y8,Y9,=DA0BHV/LGT;\n"
    "Italy:                    15:  28:  EU:   42.82:   -12.58:    -1.0:  I:\n"
    "    4U,I,=II0PN/MM(40),=II1RT/N,\n"
    "    =IT9AAK/0,=IT9ELM/0;\n"
    "Sicily:                   15:  28:  EU:   37.50:   -14.00:    -1.0:  *IT9:\n"
    "    IB9,ID9,IE9,IF9,II9,IJ9,IO9,IQ9,IR9,IT9,IU9,IW9,IY9,=II0GDF/9,=II0OGB;\n"
    "United States of America: 05:  08:  NA:   37.60:    91.87:     5.0:  K:\n"
    "    AA,AB,AC,AD,AE,AF,AG,AI,AJ,AK,K,N,W,=N2NL/MM(7),=NH7RO/M,=NM5RC/P,=NQ4I/AM,\n"
    "    AA0(4)[7],AB0(4)[7];\n"
    "European Russia:          16:  29:  EU:   53.65:   -41.37:    -4.0:  UA:\n"
    "    R,U,=R0BM/6,=R25EMW(17)[19],=RA3CQ/9/M(17)[20];\n"
    "Asiatic Russia:           17:  30:  AS:   55.88:   -84.08:    -7.0:  UA9:\n"
    "    R0(19)[33],R8,R9,RA0(19)[33],RA8,RA9,UA0(19)[33],UA8,UA9;\n"
    "Turkey:                   20:  39:  EU:   39.18:   -35.65:    -2.0:  TA:\n"
    "    TA,TB,TC,YM,=TA1ABC(21)[40]<40.18/-29.07>{AS}~-3.0~;\n";

class YodxCtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::vector<std::string> errors;
    ASSERT_TRUE(cty_.Parse(kSmallCty, &errors));
    EXPECT_TRUE(errors.empty()) << errors.front();
  }
  std::string PrefixOf(const std::string& call) { return cty_.Lookup(call).prefix; }

  CtyFile cty_;
};

TEST_F(YodxCtyTest, ReadsEntitiesPrefixesAndExactCalls) {
  EXPECT_EQ(cty_.entity_count(), 8u);
  EXPECT_EQ(cty_.exact_count(), 20u);
  const CtyMatch yo = cty_.Lookup("YO3ABC");
  ASSERT_TRUE(yo.found());
  EXPECT_EQ(yo.entity->name, "Romania");
  EXPECT_EQ(yo.prefix, "YO");
  EXPECT_EQ(yo.continent, "EU");
  EXPECT_EQ(yo.cq, 20);
  EXPECT_EQ(yo.itu, 28);
  EXPECT_DOUBLE_EQ(yo.entity->lon, -24.70);
  EXPECT_FALSE(yo.exact);
  EXPECT_EQ(PrefixOf("yr9p"), "YO");  // every Romanian prefix maps to the entity's
}

TEST_F(YodxCtyTest, StarredPrimaryPrefixIsGivenWithoutTheStar) {
  const CtyMatch m = cty_.Lookup("IT9XYZ");
  ASSERT_TRUE(m.found());
  EXPECT_EQ(m.prefix, "IT9");
  EXPECT_TRUE(m.entity->wae_only);
  EXPECT_EQ(PrefixOf("IW9ABC"), "IT9");
  EXPECT_EQ(PrefixOf("IW1ABC"), "I");
}

TEST_F(YodxCtyTest, LongestPrefixWins) {
  EXPECT_EQ(PrefixOf("UA3ABC"), "UA");   // "U"
  EXPECT_EQ(PrefixOf("UA9ABC"), "UA9");  // "UA9" beats "U"
  EXPECT_EQ(PrefixOf("R9XYZ"), "UA9");   // "R9" beats "R"
  EXPECT_EQ(PrefixOf("RW3XYZ"), "UA");
  const CtyMatch far_east = cty_.Lookup("UA0AAA");  // prefix with overrides
  EXPECT_EQ(far_east.prefix, "UA9");
  EXPECT_EQ(far_east.cq, 19);
  EXPECT_EQ(far_east.itu, 33);
  EXPECT_EQ(cty_.Lookup("AA0XYZ").cq, 4);
  EXPECT_EQ(cty_.Lookup("AA1XYZ").cq, 5);
  EXPECT_FALSE(cty_.Lookup("JA1XYZ").found());
  EXPECT_FALSE(cty_.Lookup("").found());
}

TEST_F(YodxCtyTest, ExactCallsBeatPrefixesAndPortableRules) {
  const CtyMatch lh = cty_.Lookup("YO4ASG/LH");
  EXPECT_TRUE(lh.exact);
  EXPECT_EQ(lh.prefix, "YO");
  EXPECT_EQ(PrefixOf("IT9AAK/0"), "I");  // a Sicilian call listed for Italy
  EXPECT_EQ(PrefixOf("IT9AAK"), "IT9");
  EXPECT_EQ(PrefixOf("II0OGB"), "IT9");        // "II" alone would be Italy
  const CtyMatch mm = cty_.Lookup("N2NL/MM");  // listed, so it has a country after all
  ASSERT_TRUE(mm.found());
  EXPECT_EQ(mm.prefix, "K");
  EXPECT_EQ(mm.cq, 7);
  const CtyMatch ra = cty_.Lookup("RA3CQ/9/M");
  EXPECT_EQ(ra.prefix, "UA");
  EXPECT_EQ(ra.cq, 17);
  EXPECT_EQ(ra.itu, 20);
  const CtyMatch ta = cty_.Lookup("TA1ABC");  // every override at once
  EXPECT_EQ(ta.continent, "AS");
  EXPECT_EQ(ta.cq, 21);
  EXPECT_EQ(ta.itu, 40);
  EXPECT_EQ(cty_.Lookup("TA1ABD").continent, "EU");
}

TEST_F(YodxCtyTest, PortableCalls) {
  for (const char* call :
       {"YO3ABC/P", "YO3ABC/M", "YO3ABC/QRP", "YO3ABC/4", "YO3ABC/A", "YO3ABC/4/P", "yo3abc/p"}) {
    EXPECT_EQ(PrefixOf(call), "YO") << call;
  }
  EXPECT_EQ(PrefixOf("DL/YO3ABC"), "DL");
  EXPECT_EQ(PrefixOf("YO3ABC/DL"), "DL");
  EXPECT_EQ(PrefixOf("DL/YO3ABC/P"), "DL");
  EXPECT_EQ(PrefixOf("IT9/DL1ABC"), "IT9");
  EXPECT_EQ(PrefixOf("W1AW/UA9"), "UA9");
  EXPECT_EQ(PrefixOf("UA3ABC/9"), "UA");   // a call-area digit keeps the country
  EXPECT_EQ(PrefixOf("DL1ABC/JA"), "DL");  // unknown place: the home call's
  for (const char* call : {"YO3ABC/MM", "DL1ABC/AM", "YO3ABC/P/MM"}) {
    const CtyMatch m = cty_.Lookup(call);
    EXPECT_FALSE(m.found()) << call;
    EXPECT_TRUE(m.maritime) << call;
  }
}

TEST(YodxCtyFileTest, BrokenBlocksAreListedAndSkipped) {
  CtyFile cty;
  std::vector<std::string> errors;
  ASSERT_TRUE(
      cty.Parse("Nowhere: 1: 2: EU;\n"
                "Romania: 20: 28: EU: 45.78: -24.70: -2.0: YO:\n YO,YP(x),=YO3[28,YQ;\n",
                &errors));
  EXPECT_EQ(errors.size(), 3u);
  EXPECT_EQ(cty.entity_count(), 1u);
  EXPECT_EQ(cty.Lookup("YQ1A").prefix, "YO");
  EXPECT_FALSE(cty.Lookup("YP1A").found());
  EXPECT_FALSE(cty.Parse("", nullptr));
  std::string error;
  EXPECT_FALSE(cty.Load("no/such/cty.dat", &error));
  EXPECT_NE(error.find("no/such/cty.dat"), std::string::npos);
}

TEST(YodxCtyFileTest, DebianCountryFile) {
  CtyFile cty;
  std::string error;
  if (!std::ifstream("/usr/share/hamradio-files/cty.dat")) GTEST_SKIP() << "no hamradio-files";
  ASSERT_TRUE(cty.Load("/usr/share/hamradio-files/cty.dat", &error)) << error;
  EXPECT_GT(cty.entity_count(), 340u);
  EXPECT_EQ(cty.Lookup("YO3ABC").prefix, "YO");
  EXPECT_EQ(cty.Lookup("IT9ABC").prefix, "IT9");
  EXPECT_EQ(cty.Lookup("DL1ABC").prefix, "DL");
  EXPECT_EQ(cty.Lookup("W1AW").continent, "NA");
  EXPECT_EQ(cty.Lookup("JA1ABC").continent, "AS");

  // Every exact call of the file is found as one: the table is reached
  // through a filter, which may let too many calls through, never too few.
  std::ifstream in("/usr/share/hamradio-files/cty.dat", std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t listed = 0;
  std::vector<std::string> missed;
  for (size_t at = text.find('='); at != std::string::npos; at = text.find('=', at + 1)) {
    const std::string call = text.substr(at + 1, text.find_first_of("([<{~,;\r\n", at) - at - 1);
    ++listed;
    if (!cty.Lookup(call).exact) missed.push_back(call);
  }
  EXPECT_GT(listed, 10000u);
  EXPECT_TRUE(missed.empty()) << missed.size() << " missed, the first " << missed.front();
}

}  // namespace
}  // namespace yodx

namespace yodx {
namespace {

// Without --cty: the current folder, beside the log (inside a folder of
// logs), beside the program, and Debian's copy but on Windows.
TEST(YodxCtyFileTest, LookedForHereThenBesideTheLogThenBesideTheProgram) {
  namespace fs = std::filesystem;
  std::vector<std::string> tail;
#ifndef _WIN32
  tail.push_back("/usr/share/hamradio-files/cty.dat");
#endif
  auto with_tail = [&](std::vector<std::string> names) {
    names.insert(names.end(), tail.begin(), tail.end());
    return names;
  };
  const std::string logs_cty = (fs::path("logs") / "cty.dat").string();
  const std::string bin_cty = (fs::path("bin/") / "cty.dat").string();
  EXPECT_EQ(CountryFileCandidates("logs/a.log", "bin/"), with_tail({"cty.dat", logs_cty, bin_cty}));
  EXPECT_EQ(CountryFileCandidates("./a.log", "bin/"), with_tail({"cty.dat", bin_cty}));

  stats::testing::ScratchDir scratch;
  fs::create_directories("logs");
  fs::create_directories("bin");
  const struct {
    std::vector<const char*> folders;  // each holds a cty.dat whose one prefix is its name
    const char* log;
    const char* found;
  } kRows[] = {
      {{".", "logs", "bin"}, "logs/a.log", "."},
      {{"logs", "bin"}, "logs/a.log", "logs"},
      {{"logs", "bin"}, "logs", "logs"},  // a folder of logs, for crosscheck
      {{"bin"}, "logs/a.log", "bin"},
  };
  for (const auto& row : kRows) {
    for (const char* folder : {".", "logs", "bin"}) fs::remove(fs::path(folder) / "cty.dat");
    for (const char* folder : row.folders) {
      stats::testing::WriteFileBytes(
          fs::path(folder) / "cty.dat",
          std::string("Somewhere: 20: 28: EU: 45.78: -24.70: -2.0: ") + folder + ":\n    YO;\n");
    }
    CtyFile cty;
    std::string error;
    ASSERT_TRUE(LoadCountryFile("", CountryFileCandidates(row.log, "bin/"), &cty, &error)) << error;
    EXPECT_EQ(cty.Lookup("YO1A").prefix, row.found) << row.log;
  }
  // A broken file is an error, not passed over for the next one.
  stats::testing::WriteFileBytes("cty.dat", "not a country file\n");
  CtyFile cty;
  std::string error;
  EXPECT_FALSE(LoadCountryFile("", CountryFileCandidates("logs/a.log", "bin/"), &cty, &error));
  EXPECT_NE(error.find("cty.dat: not a country file"), std::string::npos) << error;
  // None there: the message names where it looked.
  EXPECT_FALSE(LoadCountryFile("", {"cty.dat-none", logs_cty + "-none"}, &cty, &error));
  EXPECT_EQ(error,
            "no country file: give --cty FILE (looked for cty.dat-none and " + logs_cty + "-none)");
}

TEST(YodxCtyRefusalTest, AnAbsurdEntryRefusesTheFile) {
  CtyFile cty;
  std::vector<std::string> errors;
  EXPECT_FALSE(cty.Parse(
      "Romania: 20: 28: EU: 45.78: -24.70: -2.0: YO:\n    YO," + std::string(100000, 'Y') + ";\n",
      &errors));
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors[0],
            "an entry of 100000 characters in Romania (no call or prefix is longer "
            "than 32)");
  EXPECT_FALSE(cty.Lookup("YO3ABC").found());
}

}  // namespace
}  // namespace yodx
