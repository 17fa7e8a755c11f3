// The engine against the plain reference model: random operation sequences
// over small alphabets, so that same-call collisions, case variants, "IT9"
// stations, Romanian stations with good and bad counties, non-contest bands
// and empty fields are common. After every operation the return value, the
// whole log, the band list, the per-band lists, the claimed score and every
// byte of the report must agree.
//
// The seed is printed; STATS_DIFF_SEED=<seed> repeats a run and
// STATS_DIFF_SEQUENCES=<n> changes the number of sequences.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "scoring/contest.h"
#include "scoring/engine.h"
#include "tests/reference/reference_engine.h"

namespace stats {
namespace {

class MemoryFiles : public FileSystem {
 public:
  bool Replace(const std::string& path, const std::string& bytes) override {
    files[path] = bytes;
    return true;
  }
  bool Append(const std::string& path, const std::string& bytes) override {
    files[path] += bytes;
    return true;
  }
  std::map<std::string, std::string> files;
};

// The engine side: the state as the exports keep it, and its report file.
struct Subject {
  Contest state;
  MemoryFiles files;

  void Reset(const std::string& prefix, const std::string& continent) {
    state.g_Log.Clear();
    state.g_Bands.Clear();
    state.g_OwnPrefix = prefix;
    state.g_OwnContinent = continent;
    StartReport(state, files);
  }
};

// ---- Alphabets ------------------------------------------------------------

const std::vector<std::string> kCalls = {"DL1ABC", "dl1abc", "YO3XYZ", "yo3xyz",
                                         "IT9AAA", "I2ABC",  ""};
// Contest bands drawn more often than the others.
const std::vector<std::string> kBands = {"160m", "80m", "40m", "20m", "15m", "10m", "20m",
                                         "40m",  "30m", "17m", "12m", "6m",  "30M", ""};
const std::vector<std::string> kModes = {"CW", "SSB", "CW", "SSB", "cw", "RTTY", ""};
const std::vector<std::string> kPrefixes = {"DL", "I",   "IT9", "IG9", "IH9", "YO", "YR",
                                            "yo", "YO1", "",    "YO",  "YP",  "DL"};
const std::vector<std::string> kContinents = {"EU", "AS", "NA", "eu", ""};
const std::vector<std::string> kExchRcvd = {"BU",  " bu ", "bu", "B U",    "XX", "B",   "BUC",
                                            "001", "5",    "",   "\tct\n", "AB", "599", "\xe9"};
const std::vector<std::string> kExchSent = {"001", "001", "1", "599 12", ""};
const std::vector<std::string> kRst = {"599", "59", ""};
const std::vector<std::string> kOwnCalls = {"YO3ABC", "", "dl0xx"};
const std::vector<uint32_t> kFreqs = {0,       999,      1000,     1838500,
                                      3525000, 14025999, 28000000, 4294967295u};
const std::vector<std::string> kExchanges = {
    "599", "1",  "0001", "1234", "12345", "",    "12a", "1 2", " 12",     "\xb1\xb2",
    "BU",  "bu", "CT",   "XX",   " BU",   "BUC", "B",   "YO",  "\xc2\xb5"};

COleDateTime PickTime(std::mt19937_64& rng) {
  switch (rng() % 6) {
    case 0:
      return COleDateTime{0.0, COleDateTime::kNull};
    case 1:
      return COleDateTime{44415.5, COleDateTime::kInvalid};
    case 2:
      return COleDateTime{44415.999995, COleDateTime::kValid};
    case 3:
      return COleDateTime{1e300, COleDateTime::kValid};
    default:
      return COleDateTime{44415.0 + static_cast<double>(rng() % 1440) / 1440.0,
                          COleDateTime::kValid};
  }
}

template <typename T>
const T& Pick(std::mt19937_64& rng, const std::vector<T>& from) {
  return from[rng() % from.size()];
}

QsoInput RandomQso(std::mt19937_64& rng) {
  QsoInput qso;
  qso.ownCall = Pick(rng, kOwnCalls);
  qso.call = Pick(rng, kCalls);
  qso.time = PickTime(rng);
  qso.freqHz = Pick(rng, kFreqs);
  qso.mode = Pick(rng, kModes);
  qso.rstSent = Pick(rng, kRst);
  qso.rstRcvd = Pick(rng, kRst);
  qso.exchSent = Pick(rng, kExchSent);
  qso.exchRcvd = Pick(rng, kExchRcvd);
  qso.prefix = Pick(rng, kPrefixes);
  qso.continent = Pick(rng, kContinents);
  qso.band = Pick(rng, kBands);
  // Half the contacts pass the contest tests, so that logs fill up.
  if (rng() % 2 == 0) {
    qso.mode = rng() % 2 == 0 ? "CW" : "SSB";
    if (qso.exchSent.empty()) qso.exchSent = "001";
    if (qso.exchRcvd.empty()) qso.exchRcvd = "7";
  }
  return qso;
}

// ---- Describing what happened --------------------------------------------

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char code[8];
      std::snprintf(code, sizeof code, "\\x%02x", c);
      out += code;
    }
  }
  return out + "\"";
}

std::string Describe(const QsoInput& q) {
  std::ostringstream out;
  out << "call=" << Quoted(q.call) << " band=" << Quoted(q.band) << " mode=" << Quoted(q.mode)
      << " prefix=" << Quoted(q.prefix) << " cont=" << Quoted(q.continent)
      << " rcvd=" << Quoted(q.exchRcvd) << " sent=" << Quoted(q.exchSent)
      << " own=" << Quoted(q.ownCall) << " rst=" << Quoted(q.rstSent) << "/" << Quoted(q.rstRcvd)
      << " hz=" << q.freqHz << " time=" << q.time.m_dt << "/" << q.time.m_status;
  return out.str();
}

std::string Describe(const CallCheckInput& c) {
  return "call=" + Quoted(c.call) + " band=" + Quoted(c.band) + " mode=" + Quoted(c.mode) +
         " prefix=" + Quoted(c.prefix) + " county=" + Quoted(c.county);
}

std::string Describe(const CInfo& e) {
  std::ostringstream out;
  out << "{" << Quoted(e.m_strCall) << " " << Quoted(e.m_strBand) << " " << Quoted(e.m_strMode)
      << " pfx=" << Quoted(e.m_strPrefix) << " cont=" << Quoted(e.m_strContinent)
      << " county=" << Quoted(e.m_strCounty) << " dupe=" << e.m_bDupe << " khz=" << e.m_nFreq
      << "}";
  return out.str();
}

std::string Describe(const std::vector<std::string>& list) {
  std::string out = "[";
  for (const std::string& item : list) out += Quoted(item) + " ";
  return out + "]";
}

// ---- Comparing -----------------------------------------------------------

bool SameRecord(const CInfo& a, const CInfo& b) {
  return a.m_strCall == b.m_strCall && a.m_strPrefix == b.m_strPrefix &&
         a.m_strContinent == b.m_strContinent && a.m_strBand == b.m_strBand &&
         a.m_strMode == b.m_strMode && a.m_strRstRcvd == b.m_strRstRcvd &&
         a.m_strRstSent == b.m_strRstSent && a.m_strExchRcvd == b.m_strExchRcvd &&
         a.m_strExchSent == b.m_strExchSent && a.m_strCounty == b.m_strCounty &&
         a.m_nFreq == b.m_nFreq && a.m_bDupe == b.m_bDupe && a.m_time.m_dt == b.m_time.m_dt &&
         a.m_time.m_status == b.m_time.m_status;
}

// The first difference between the two states, or empty text.
std::string StateDifference(const Subject& engine, const reference::Engine& model) {
  const Contest& s = engine.state;
  std::size_t i = 0;
  for (const CInfoView view : s.g_Log) {
    const CInfo entry = ToInfo(view);
    if (i >= model.log.size()) return "engine log has extra entry " + Describe(entry);
    if (!SameRecord(entry, model.log[i])) {
      return "log entry " + std::to_string(i) + ": engine " + Describe(entry) + " reference " +
             Describe(model.log[i]);
    }
    ++i;
  }
  if (i != model.log.size()) return "engine log lacks entry " + Describe(model.log[i]);
  if (s.g_Log.size() != model.log.size()) return "engine log size() disagrees with its entries";

  if (s.g_Bands.names() != model.bands) {
    return "bands: engine " + Describe(s.g_Bands.names()) + " reference " + Describe(model.bands);
  }
  for (int slot = 0; slot < kBandSlots; ++slot) {
    if (s.g_DxccByBand[slot] != model.dxccByBand[slot]) {
      return "DXCC list of slot " + std::to_string(slot) + ": engine " +
             Describe(s.g_DxccByBand[slot]) + " reference " + Describe(model.dxccByBand[slot]);
    }
    if (s.g_CountyByBand[slot] != model.countyByBand[slot]) {
      return "county list of slot " + std::to_string(slot) + ": engine " +
             Describe(s.g_CountyByBand[slot]) + " reference " + Describe(model.countyByBand[slot]);
    }
  }
  if (s.g_ClaimedScore != model.claimedScore) {
    return "claimed score: engine " + std::to_string(s.g_ClaimedScore) + " reference " +
           std::to_string(model.claimedScore);
  }

  auto file = engine.files.files.find(kReportFile);
  const bool exists = file != engine.files.files.end();
  if (exists != model.reportExists) {
    return std::string("report file ") + (exists ? "exists" : "is missing") +
           " in the engine, not in the reference";
  }
  if (engine.files.files.size() != (exists ? 1u : 0u)) return "engine wrote another file";
  if (exists && file->second != model.report) {
    return "report bytes: engine " + Quoted(file->second) + "\nreference " + Quoted(model.report);
  }
  return std::string();
}

std::string ScoreDifference(const Score& a, const Score& b) {
  std::ostringstream out;
  if (a.bands.size() != b.bands.size()) {
    out << "tally count: engine " << a.bands.size() << " reference " << b.bands.size();
    return out.str();
  }
  for (std::size_t i = 0; i < a.bands.size(); ++i) {
    const BandTally& x = a.bands[i];
    const BandTally& y = b.bands[i];
    if (x.qsos != y.qsos || x.points != y.points || x.dxcc != y.dxcc || x.counties != y.counties) {
      out << "tally " << i << ": engine " << x.qsos << "/" << x.points << "/" << x.dxcc << "/"
          << x.counties << " reference " << y.qsos << "/" << y.points << "/" << y.dxcc << "/"
          << y.counties;
      return out.str();
    }
  }
  if (a.points != b.points || a.dxcc != b.dxcc || a.counties != b.counties || a.score != b.score) {
    out << "totals: engine " << a.points << "/" << a.dxcc << "/" << a.counties << " = " << a.score
        << " reference " << b.points << "/" << b.dxcc << "/" << b.counties << " = " << b.score;
  }
  return out.str();
}

// ---- One random sequence -------------------------------------------------

struct Failure {
  std::size_t operation = 0;
  std::string what;
  std::vector<std::string> trace;
};

std::string ResultDifference(const char* what, int engine, int model) {
  if (engine == model) return std::string();
  return std::string(what) + ": engine " + std::to_string(engine) + " reference " +
         std::to_string(model);
}

// Runs one sequence; returns false with *failure filled at the first difference.
bool RunSequence(std::mt19937_64& rng, std::size_t length, Failure* failure) {
  Subject engine;
  reference::Engine model;
  std::vector<QsoInput> added;  // contacts of this sequence, for removals that find them
  std::vector<std::string>& trace = failure->trace;
  trace.clear();

  // Half the sequences begin as after loading, with no reset: the first
  // entry then creates the report.
  if (rng() % 2 == 0) {
    const std::string prefix = Pick(rng, kPrefixes), continent = Pick(rng, kContinents);
    trace.push_back("reset own=" + Quoted(prefix) + "/" + Quoted(continent));
    engine.Reset(prefix, continent);
    model.Reset(prefix, continent);
  }

  for (std::size_t op = 0; op < length; ++op) {
    std::string difference;
    const unsigned roll = static_cast<unsigned>(rng() % 100);
    if (roll < 43) {
      QsoInput qso = rng() % 4 == 0 && !added.empty() ? Pick(rng, added) : RandomQso(rng);
      if (rng() % 3 == 0) qso.exchRcvd = Pick(rng, kExchRcvd);
      trace.push_back("add " + Describe(qso));
      added.push_back(qso);
      difference =
          ResultDifference("AddQso", AddQso(engine.state, engine.files, qso), model.AddQso(qso));
    } else if (roll < 61) {
      QsoInput qso = !added.empty() && rng() % 5 < 3 ? Pick(rng, added) : RandomQso(rng);
      if (rng() % 4 == 0) qso.exchRcvd = Pick(rng, kExchRcvd);
      if (rng() % 4 == 0) qso.prefix = Pick(rng, kPrefixes);
      trace.push_back("remove " + Describe(qso));
      difference =
          ResultDifference("RemoveQso", RemoveQso(engine.state, qso), model.RemoveQso(qso));
    } else if (roll < 76) {
      CallCheckInput candidate;
      const QsoInput base = !added.empty() && rng() % 2 == 0 ? Pick(rng, added) : RandomQso(rng);
      candidate.call = rng() % 3 == 0 ? Pick(rng, kCalls) : base.call;
      candidate.band = rng() % 4 == 0 ? Pick(rng, kBands) : base.band;
      candidate.mode = rng() % 4 == 0 ? Pick(rng, kModes) : base.mode;
      candidate.prefix = rng() % 3 == 0 ? Pick(rng, kPrefixes) : base.prefix;
      candidate.county = rng() % 2 == 0 ? Pick(rng, kExchRcvd) : base.exchRcvd;
      trace.push_back("check " + Describe(candidate));
      difference = ResultDifference("CheckCall", CheckCall(engine.state, candidate),
                                    model.CheckCall(candidate));
    } else if (roll < 81) {
      const std::string exchange = Pick(rng, kExchanges), prefix = Pick(rng, kPrefixes);
      trace.push_back("exchange " + Quoted(exchange) + " prefix " + Quoted(prefix));
      difference = ResultDifference("IsValidExchange", IsValidExchange(exchange, prefix),
                                    reference::Engine::IsValidExchange(exchange, prefix));
    } else if (roll < 91) {
      trace.push_back("score");
      difference = ScoreDifference(ComputeScore(engine.state), model.ComputeScore());
    } else if (roll < 95) {
      const std::string prefix = Pick(rng, kPrefixes), continent = Pick(rng, kContinents);
      trace.push_back("reset own=" + Quoted(prefix) + "/" + Quoted(continent));
      engine.Reset(prefix, continent);
      model.Reset(prefix, continent);
    } else if (roll < 97) {
      trace.push_back("new report");
      StartReport(engine.state, engine.files);
      model.StartReport();
    } else {
      // The result summary reorders the band list; any order must score alike.
      const std::size_t n = model.bands.size();
      if (n < 2) continue;
      const std::size_t i = rng() % n, j = rng() % n;
      trace.push_back("swap bands " + std::to_string(i) + " " + std::to_string(j));
      engine.state.g_Bands.Swap(i, j);
      std::swap(model.bands[i], model.bands[j]);
    }
    if (difference.empty()) difference = StateDifference(engine, model);
    if (!difference.empty()) {
      failure->operation = op;
      failure->what = difference;
      return false;
    }
  }
  return true;
}

uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  return std::strtoull(text, nullptr, 0);
}

constexpr uint64_t kDefaultSequences = 30000;

// A fresh seed for every run unless one is given.
uint64_t FreshSeed() {
  const uint64_t clock =
      static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  return (static_cast<uint64_t>(std::random_device{}()) ^ clock) & 0xffffffffffffull;
}

TEST(DifferentialTest, RandomSequencesMatchReference) {
  const uint64_t seed = EnvNumber("STATS_DIFF_SEED", FreshSeed());
  const uint64_t sequences = EnvNumber("STATS_DIFF_SEQUENCES", kDefaultSequences);
  std::cout << "[ differential ] seed " << seed << ", " << sequences << " sequences\n";
  RecordProperty("seed", std::to_string(seed));

  Failure failure;
  for (uint64_t k = 0; k < sequences; ++k) {
    std::mt19937_64 rng(seed ^ (0x9E3779B97F4A7C15ull * (k + 1)));
    // Mostly short sequences, now and then a long one that builds a fuller log.
    const std::size_t length = rng() % 10 == 0 ? 100 + rng() % 200 : 1 + rng() % 40;
    if (!RunSequence(rng, length, &failure)) {
      std::string trace;
      for (std::size_t i = 0; i < failure.trace.size(); ++i) {
        trace += "  " + std::to_string(i) + ": " + failure.trace[i] + "\n";
      }
      FAIL() << "seed " << seed << " (STATS_DIFF_SEED=" << seed << "), sequence " << k
             << ", operation " << failure.operation << ": " << failure.what
             << "\noperations so far (a leading reset is counted):\n"
             << trace;
    }
  }
}

// A log large enough that points times multipliers passes 2^31: every
// contact is another continent (4 points) with a prefix of its own.
TEST(DifferentialTest, LargeScoreNeedsNoMoreThanSixtyFourBits) {
  Subject engine;
  reference::Engine model;
  engine.Reset("YO", "EU");
  model.Reset("YO", "EU");
  const char* const bands[] = {"160m", "80m", "40m", "20m", "15m", "10m"};
  for (int i = 0; i < 24000; ++i) {
    QsoInput qso;
    qso.call = "K" + std::to_string(i);
    qso.prefix = "P" + std::to_string(i);
    qso.continent = "NA";
    qso.band = bands[i % 6];
    qso.mode = i % 2 == 0 ? "CW" : "SSB";
    qso.exchSent = "001";
    qso.exchRcvd = std::to_string(i % 9999 + 1);
    ASSERT_EQ(AddQso(engine.state, engine.files, qso), 1);
    ASSERT_EQ(model.AddQso(qso), 1);
  }
  const Score score = ComputeScore(engine.state);
  const Score expected = model.ComputeScore();
  EXPECT_EQ(ScoreDifference(score, expected), "");
  EXPECT_EQ(score.score, int64_t{96000} * 24000);
  EXPECT_GT(engine.state.g_ClaimedScore, std::numeric_limits<int32_t>::max());
  EXPECT_EQ(StateDifference(engine, model), "");
}

// The reference must itself follow the worked examples, or agreeing with
// it would prove nothing.
TEST(DifferentialTest, ReferenceFollowsTheWorkedExamples) {
  reference::Engine model;
  model.Reset("DL", "EU");
  QsoInput qso;
  qso.band = "20m";
  qso.mode = "CW";
  qso.exchSent = "001";
  qso.exchRcvd = "12";
  qso.continent = "EU";
  qso.prefix = "DL";
  qso.call = "DL1AA";
  model.AddQso(qso);
  qso.call = "DL2BB";
  model.AddQso(qso);
  qso.call = "YO3CC";
  qso.prefix = "YO";
  qso.exchRcvd = " bu ";
  model.AddQso(qso);
  Score score = model.ComputeScore();
  ASSERT_EQ(score.bands.size(), 1u);
  EXPECT_EQ(score.bands[0].qsos, 3);
  EXPECT_EQ(score.points, 10);
  EXPECT_EQ(score.dxcc, 2);
  EXPECT_EQ(score.counties, 1);
  EXPECT_EQ(score.score, 30);
  EXPECT_EQ(model.countyByBand[3], std::vector<std::string>{"BU"});
  EXPECT_EQ(model.report, "YO DX HF Contest UBN file \r\n");  // clean contacts write nothing

  // Two more of the Romanian contact: one DUPE line, then two.
  model.AddQso(qso);
  model.AddQso(qso);
  std::size_t dupes = 0;
  for (std::size_t at = model.report.find("DUPE"); at != std::string::npos;
       at = model.report.find("DUPE", at + 1)) {
    ++dupes;
  }
  EXPECT_EQ(dupes, 3u);
  EXPECT_EQ(model.CheckCall({"YO3CC", "CW", "YO", "BU", "20m"}), 0);
  EXPECT_EQ(model.CheckCall({"YO4DD", "CW", "YO", " ct", "20m"}), 2);  // new county
  EXPECT_EQ(model.CheckCall({"YO4DD", "CW", "YO", "bu", "20m"}), 1);
  EXPECT_EQ(model.CheckCall({"IT9XX", "CW", "IT9", "", "20m"}), 2);

  // Removing the first of the three promotes the second: the county stays worked.
  EXPECT_EQ(model.RemoveQso(qso), 1);
  EXPECT_EQ(model.log.size(), 4u);
  EXPECT_EQ(model.log[2].m_bDupe, 0);
  EXPECT_EQ(model.log[3].m_bDupe, 1);
  EXPECT_EQ(model.countyByBand[3], std::vector<std::string>{"BU"});
  EXPECT_EQ(model.ComputeScore().score, 30);

  // A refused county is still removed.
  qso.call = "YO5EE";
  qso.exchRcvd = "017";
  EXPECT_EQ(model.AddQso(qso), 1);
  EXPECT_NE(model.report.find("  017  017  Romanian Code Area is not acceptable !!!\r\n"),
            std::string::npos);
  EXPECT_EQ(model.RemoveQso(qso), 1);
  EXPECT_EQ(model.log.size(), 4u);
}

}  // namespace
}  // namespace stats
