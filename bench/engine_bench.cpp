// The scoring engine's cost beside the plain reference model: a weekend's
// log replayed through the exports as the host does it (first run in the
// process and repeated); a 100k-contact log through the exports (the
// replay, then GetResult0 and CheckCall0 against it, the windows closed and
// open); a replay of the host's log through the engine (every contact
// entered, then one scoring pass), the call check and the scoring pass
// against a 100k-contact log, removal, and the memory the log takes per
// contact.
//
// The logs look like a real contest's: mostly distinct calls, about 2 %
// duplicates, some stations worked again on other bands or in the other
// mode, six bands, CW and SSB, about 10 % Romanian stations with counties.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/file_system.h"
#include "plugin/exports.h"
#include "plugin/module.h"
#include "scoring/engine.h"
#include "tests/reference/reference_engine.h"

namespace {

using stats::CallCheckInput;
using stats::Contest;
using stats::QsoInput;
namespace reference = stats::reference;

class NullFiles : public stats::FileSystem {
 public:
  bool Replace(const std::string&, const std::string&) override { return true; }
  bool Append(const std::string&, const std::string&) override { return true; }
};
NullFiles g_files;

const char* const kPrefixes[] = {
    "DL", "I",   "F",   "G",   "EA", "OK", "SP",  "HA",  "LZ",  "UR",  "UA", "YU", "9A",
    "S5", "OE",  "HB",  "ON",  "PA", "OZ", "SM",  "LA",  "OH",  "ES",  "YL", "LY", "ER",
    "OM", "IT9", "4X",  "JA",  "K",  "VE", "PY",  "LU",  "ZS",  "VK",  "ZL", "BY", "HL",
    "VU", "A6",  "TA",  "SV",  "CT", "EI", "GM",  "GW",  "UA9", "OH0", "JW", "TF", "OY",
    "CU", "EA8", "EA6", "IS0", "9H", "5B", "ZA",  "Z3",  "E7",  "T7",  "HV", "3A", "C3",
    "LX", "UN",  "EX",  "EY",  "4L", "4K", "KP4", "KH6", "VP8", "CE",  "CX", "HK", "YV",
    "XE", "TI",  "HI",  "CO",  "V5", "5H", "5Z",  "EL",  "IG9", "GI",  "GD", "GJ"};
const char* const kRomanian[] = {"YO", "YO", "YO", "YO", "YO", "YO", "YP", "YQ", "YR"};
const char* const kCounties[] = {"AB", "AR", "AG", "BC", "BH", "BN", "BT", "BV", "BR", "BU", "BZ",
                                 "CS", "CL", "CJ", "CT", "CV", "DB", "DJ", "GL", "GR", "GJ", "HR",
                                 "HD", "IF", "IL", "IS", "MM", "MH", "MS", "NT", "OT", "PH", "SM",
                                 "SJ", "SB", "SV", "TR", "TM", "TL", "VS", "VL", "VN"};
// Busy bands more often.
const char* const kBands[] = {"160m", "80m", "80m", "40m", "40m", "40m",
                              "20m",  "20m", "20m", "15m", "15m", "10m"};
const uint32_t kBandStartHz[] = {1810000,  3500000,  3500000,  7000000,  7000000,  7000000,
                                 14000000, 14000000, 14000000, 21000000, 21000000, 28000000};

std::string Letters(uint64_t n) {
  std::string out;
  do {
    out += static_cast<char>('A' + n % 26);
    n /= 26;
  } while (n != 0);
  while (out.size() < 3) out += 'A';
  return out;
}

std::vector<QsoInput> MakeLog(std::size_t size, uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<QsoInput> log;
  log.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const unsigned roll = static_cast<unsigned>(rng() % 100);
    if (i > 0 && roll < 2) {
      log.push_back(log[rng() % log.size()]);  // a duplicate
      continue;
    }
    QsoInput qso;
    if (i > 0 && roll < 15) {
      // A station worked before, now on another band or in the other mode.
      qso = log[rng() % log.size()];
      const std::size_t band = rng() % 12;
      qso.band = kBands[band];
      qso.freqHz = kBandStartHz[band] + static_cast<uint32_t>(rng() % 100000);
      if (rng() % 2 == 0) qso.mode = qso.mode == "CW" ? "SSB" : "CW";
    } else {
      const bool romanian = rng() % 10 == 0;
      // Skewed towards the common prefixes.
      const std::size_t count = std::size(kPrefixes);
      const std::size_t pick = (rng() % count) * (rng() % count) / count;
      qso.prefix = romanian ? kRomanian[rng() % 9] : kPrefixes[pick];
      qso.call = qso.prefix + std::to_string(i % 10) + Letters(i / 10);
      const std::size_t band = rng() % 12;
      qso.band = kBands[band];
      qso.freqHz = kBandStartHz[band] + static_cast<uint32_t>(rng() % 100000);
      qso.mode = rng() % 5 < 3 ? "CW" : "SSB";
      qso.continent = romanian ? "EU" : (pick < 30 ? "EU" : pick < 60 ? "AS" : "NA");
      qso.ownCall = "YO3KAA";
      qso.rstSent = qso.mode == "CW" ? "599" : "59";
      qso.rstRcvd = qso.rstSent;
      qso.exchSent = std::to_string(i % 9999 + 1);
      if (romanian) {
        qso.exchRcvd = rng() % 20 == 0 ? "017" : kCounties[rng() % 42];
      } else {
        qso.exchRcvd = std::to_string(rng() % 2000 + 1);
      }
    }
    qso.time = COleDateTime{45500.5 + static_cast<double>(i) / static_cast<double>(size),
                            COleDateTime::kValid};
    log.push_back(qso);
  }
  return log;
}

const std::vector<QsoInput>& LogOf(std::size_t size) {
  static std::map<std::size_t, std::vector<QsoInput>> logs;
  auto it = logs.find(size);
  if (it == logs.end()) it = logs.emplace(size, MakeLog(size, 2024)).first;
  return it->second;
}

std::unique_ptr<Contest> EngineWith(const std::vector<QsoInput>& log) {
  auto state = std::make_unique<Contest>();
  state->g_OwnPrefix = "YO";
  state->g_OwnContinent = "EU";
  stats::StartReport(*state, g_files);
  for (const QsoInput& qso : log) stats::AddQso(*state, g_files, qso);
  return state;
}

std::unique_ptr<reference::Engine> ReferenceWith(const std::vector<QsoInput>& log) {
  auto model = std::make_unique<reference::Engine>();
  model->Reset("YO", "EU");
  for (const QsoInput& qso : log) model->AddQso(qso);
  return model;
}

// The reference holding the engine's log: entering 100k contacts into the
// reference would take many seconds, and the differential test shows that
// both logs come out the same.
std::unique_ptr<reference::Engine> ReferenceLike(const Contest& state) {
  auto model = std::make_unique<reference::Engine>();
  model->Reset(state.g_OwnPrefix, state.g_OwnContinent);
  for (const stats::CInfoView entry : state.g_Log) model->log.push_back(stats::ToInfo(entry));
  model->bands = state.g_Bands.names();
  return model;
}

// Candidates as the operator types them: a third duplicates, a third new
// stations of known prefixes, a third Romanian stations with a county.
std::vector<CallCheckInput> Candidates(const std::vector<QsoInput>& log) {
  std::mt19937_64 rng(7);
  std::vector<CallCheckInput> out;
  for (int i = 0; i < 1024; ++i) {
    const QsoInput& q = log[rng() % log.size()];
    CallCheckInput c{q.call, q.mode, q.prefix, q.exchRcvd, q.band};
    if (i % 3 == 1) c.call = "N" + c.call;
    if (i % 3 == 2) {
      c.call = "YO9" + Letters(static_cast<uint64_t>(i));
      c.prefix = "YO";
      c.county = kCounties[rng() % 42];
    }
    out.push_back(c);
  }
  return out;
}

// ---- A big station's weekend through the exports ---------------------------
//
// About 15,000 contacts, 2 % duplicates and a few county codes refused: what
// the host replays after every reset. Reset, every contact through AddData0
// with the host's parameter list (err.txt written for real, in a scratch
// folder), then GetResult0. "first" is the first thing this process does;
// "repeated" runs again and again in the same process, reusing memory.

constexpr int kWeekend = 15000;

// In TMPDIR (default /tmp), removed when the program ends: where the
// report goes is part of what a run costs, and a machine's /tmp may be on
// a disk or in memory.
std::string g_scratch;

void RemoveScratchFolder() {
  if (chdir("/") == 0) std::filesystem::remove_all(g_scratch);
}

void EnterScratchFolder() {
  static const bool entered = [] {
    const char* base = std::getenv("TMPDIR");
    std::string name =
        std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/stats-bench-XXXXXX";
    if (mkdtemp(&name[0]) == nullptr || chdir(name.c_str()) != 0) return false;
    g_scratch = name;
    return std::atexit(RemoveScratchFolder) == 0;
  }();
  (void)entered;
}

void ReplayThroughExports(const std::vector<QsoInput>& log) {
  COleDateTime start{45500.5, COleDateTime::kValid}, end{45501.5, COleDateTime::kValid};
  const char* n = "";
  ResetStats0(n, 0, "YO3KAA", &start, &end, n, n, n, n, n, n, n, n, n, "YO", 0, 0, 0, 0.0, 0.0, n,
              "EU", n);
  for (const QsoInput& q : log) {
    COleDateTime time = q.time;
    AddData0(q.ownCall.c_str(), q.call.c_str(), &time, &time, &time, &time, 0, q.freqHz,
             q.mode.c_str(), q.rstSent.c_str(), q.rstRcvd.c_str(), q.exchSent.c_str(),
             q.exchRcvd.c_str(), n, n, n, n, n, n, n, n, n, q.prefix.c_str(), 0, 0, 0, 0.0, 0.0, n,
             q.continent.c_str(), n, q.band.c_str(), n);
  }
  int flag = 0;
  benchmark::DoNotOptimize(GetResult0(&flag));
}

// The page faults of this process so far. A first run touches its memory
// for the first time, so its time depends on what a fault costs on the
// machine (far more on a virtual machine whose host has not handed it that
// memory before); a repeated run reuses its memory and takes none.
double PageFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_minflt + usage.ru_majflt);
}

// The replay's page faults per iteration, as the counter "faults".
void CountFaults(benchmark::State& st, double faults) {
  st.counters["faults"] = benchmark::Counter(faults, benchmark::Counter::kAvgIterations);
}

void BM_Weekend_Exports(benchmark::State& st) {
  EnterScratchFolder();
  const std::vector<QsoInput>& log = LogOf(kWeekend);
  double faults = 0;
  for (auto _ : st) {
    st.PauseTiming();
    stats::RebuildModule();  // the state of a freshly loaded library
    st.ResumeTiming();
    const double before = PageFaults();
    ReplayThroughExports(log);
    faults += PageFaults() - before;
  }
  st.SetItemsProcessed(st.iterations() * kWeekend);
  CountFaults(st, faults);
}
BENCHMARK(BM_Weekend_Exports)
    ->Name("weekend_15k/exports/first")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

void BM_Weekend_Reference(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(kWeekend);
  for (auto _ : st) {
    auto model = std::make_unique<reference::Engine>();
    model->Reset("YO", "EU");
    for (const QsoInput& qso : log) model->AddQso(qso);
    benchmark::DoNotOptimize(model->ComputeScore().score);
  }
  st.SetItemsProcessed(st.iterations() * kWeekend);
}
BENCHMARK(BM_Weekend_Reference)
    ->Name("weekend_15k/rescanning_model/first")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Weekend_Exports)->Name("weekend_15k/exports/repeated")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Weekend_Reference)
    ->Name("weekend_15k/rescanning_model/repeated")
    ->Unit(benchmark::kMillisecond);

// ---- A 100k log through the exports ----------------------------------------
//
// The replay as the host does it (reset, 100k AddData0, GetResult0), in a
// freshly built module ("first") and again and again ("repeated"); then,
// against that log, GetResult0 alone and CheckCall0 with the host's
// parameter list, with the information windows closed and open (natively
// the portable window set: its own thread and timer, nothing shown).

constexpr int kBigLog = 100000;

void BM_BigLog_Exports_First(benchmark::State& st) {
  EnterScratchFolder();
  const std::vector<QsoInput>& log = LogOf(kBigLog);
  double faults = 0;
  for (auto _ : st) {
    st.PauseTiming();
    stats::RebuildModule();
    st.ResumeTiming();
    const double before = PageFaults();
    ReplayThroughExports(log);
    faults += PageFaults() - before;
  }
  st.SetItemsProcessed(st.iterations() * kBigLog);
  CountFaults(st, faults);
}
BENCHMARK(BM_BigLog_Exports_First)
    ->Name("replay_100k/exports/first")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Reset and replay in the same module, as the host does after every reset.
void BM_BigLog_Exports_Repeated(benchmark::State& st) {
  EnterScratchFolder();
  const std::vector<QsoInput>& log = LogOf(kBigLog);
  double faults = 0;
  for (auto _ : st) {
    const double before = PageFaults();
    ReplayThroughExports(log);
    faults += PageFaults() - before;
  }
  st.SetItemsProcessed(st.iterations() * kBigLog);
  CountFaults(st, faults);
}
BENCHMARK(BM_BigLog_Exports_Repeated)
    ->Name("replay_100k/exports/repeated")
    ->Unit(benchmark::kMillisecond);

// The module holding the 100k log (replayed unless it already holds it).
void EnsureBigLogInModule() {
  EnterScratchFolder();
  static std::size_t bigLogSize = 0;
  if (bigLogSize != 0 && stats::TheModule().contest.g_Log.size() == bigLogSize) return;
  ReplayThroughExports(LogOf(kBigLog));
  bigLogSize = stats::TheModule().contest.g_Log.size();
}

void BM_GetResult_Exports(benchmark::State& st) {
  EnsureBigLogInModule();
  int flag = 0;
  for (auto _ : st) benchmark::DoNotOptimize(GetResult0(&flag));
}
BENCHMARK(BM_GetResult_Exports)->Name("result_100k/exports")->Unit(benchmark::kMillisecond);

void CheckCallThroughExports(benchmark::State& st) {
  const std::vector<CallCheckInput> candidates = Candidates(LogOf(kBigLog));
  const char* n = "";
  char buffer27[256] = {}, buffer28[256] = {};
  std::size_t i = 0;
  for (auto _ : st) {
    const CallCheckInput& c = candidates[i++ & 1023];
    benchmark::DoNotOptimize(CheckCall0(c.call.c_str(), 0, 0, c.mode.c_str(), n, n, n, n, n, n, n,
                                        n, n, c.prefix.c_str(), 0, 0, 0, 0.0, 0.0, n, n, n, n,
                                        c.county.c_str(), c.band.c_str(), n, buffer27, buffer28));
  }
}

void BM_CheckCall_Exports_Closed(benchmark::State& st) {
  EnsureBigLogInModule();
  CheckCallThroughExports(st);
}
BENCHMARK(BM_CheckCall_Exports_Closed)
    ->Name("check_call_100k/exports/windows_closed")
    ->Unit(benchmark::kNanosecond);

void BM_CheckCall_Exports_Open(benchmark::State& st) {
  EnsureBigLogInModule();
  RunCommand0(0, "SHOWINFO");
  CheckCallThroughExports(st);
  RunCommand0(0, "HIDEINFO");
}
BENCHMARK(BM_CheckCall_Exports_Open)
    ->Name("check_call_100k/exports/windows_open")
    ->Unit(benchmark::kNanosecond);

// ---- Replay: every contact entered, then one scoring pass ----------------

void BM_Replay_Engine(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  for (auto _ : st) {
    auto state = std::make_unique<Contest>();
    state->g_OwnPrefix = "YO";
    state->g_OwnContinent = "EU";
    stats::StartReport(*state, g_files);
    for (const QsoInput& qso : log) stats::AddQso(*state, g_files, qso);
    benchmark::DoNotOptimize(stats::ComputeScore(*state).score);
    st.PauseTiming();
    state.reset();
    st.ResumeTiming();
  }
  st.SetItemsProcessed(st.iterations() * st.range(0));
}
BENCHMARK(BM_Replay_Engine)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond);

void BM_Replay_Reference(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  for (auto _ : st) {
    auto model = std::make_unique<reference::Engine>();
    model->Reset("YO", "EU");
    for (const QsoInput& qso : log) model->AddQso(qso);
    benchmark::DoNotOptimize(model->ComputeScore().score);
    st.PauseTiming();
    model.reset();
    st.ResumeTiming();
  }
  st.SetItemsProcessed(st.iterations() * st.range(0));
}
BENCHMARK(BM_Replay_Reference)->Arg(1000)->Arg(10000)->Arg(30000)->Unit(benchmark::kMillisecond);

// ---- The call check against a 100k log ------------------------------------

void BM_CheckCall_Engine(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  const auto state = EngineWith(log);
  const std::vector<CallCheckInput> candidates = Candidates(log);
  std::size_t i = 0;
  for (auto _ : st) {
    benchmark::DoNotOptimize(stats::CheckCall(*state, candidates[i++ & 1023]));
  }
}
BENCHMARK(BM_CheckCall_Engine)->Arg(100000)->Unit(benchmark::kNanosecond);

void BM_CheckCall_Reference(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  const auto model = ReferenceLike(*EngineWith(log));
  const std::vector<CallCheckInput> candidates = Candidates(log);
  std::size_t i = 0;
  for (auto _ : st) benchmark::DoNotOptimize(model->CheckCall(candidates[i++ & 1023]));
}
BENCHMARK(BM_CheckCall_Reference)->Arg(100000)->Unit(benchmark::kMicrosecond);

// ---- The scoring pass on a 100k log ---------------------------------------

void BM_ComputeScore_Engine(benchmark::State& st) {
  const auto state = EngineWith(LogOf(static_cast<std::size_t>(st.range(0))));
  for (auto _ : st) benchmark::DoNotOptimize(stats::ComputeScore(*state).score);
}
BENCHMARK(BM_ComputeScore_Engine)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ComputeScore_Reference(benchmark::State& st) {
  const auto model = ReferenceLike(*EngineWith(LogOf(static_cast<std::size_t>(st.range(0)))));
  for (auto _ : st) benchmark::DoNotOptimize(model->ComputeScore().score);
}
BENCHMARK(BM_ComputeScore_Reference)->Arg(100000)->Unit(benchmark::kMillisecond);

// ---- Removal: one contact out and back in, the log staying at 100k --------

void BM_RemoveAndAdd_Engine(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  const auto state = EngineWith(log);
  std::mt19937_64 rng(11);
  for (auto _ : st) {
    const QsoInput& qso = log[rng() % log.size()];
    benchmark::DoNotOptimize(stats::RemoveQso(*state, qso));
    benchmark::DoNotOptimize(stats::AddQso(*state, g_files, qso));
  }
}
BENCHMARK(BM_RemoveAndAdd_Engine)->Arg(100000)->Unit(benchmark::kNanosecond);

void BM_RemoveAndAdd_Reference(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  const auto model = ReferenceLike(*EngineWith(log));
  std::mt19937_64 rng(11);
  for (auto _ : st) {
    const QsoInput& qso = log[rng() % log.size()];
    benchmark::DoNotOptimize(model->RemoveQso(qso));
    benchmark::DoNotOptimize(model->AddQso(qso));
  }
}
BENCHMARK(BM_RemoveAndAdd_Reference)->Arg(100000)->Unit(benchmark::kMicrosecond);

// ---- Memory per contact ----------------------------------------------------

#if defined(__GLIBC__) && defined(__GLIBC_MINOR__) && \
    (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 33))
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

template <typename Build>
void MeasureMemory(benchmark::State& st, const char* name, Build build) {
  const std::vector<QsoInput>& log = LogOf(static_cast<std::size_t>(st.range(0)));
  double perContact = 0;
  for (auto _ : st) {
    const std::size_t before = HeapInUse();
    auto built = build(log);
    const std::size_t after = HeapInUse();
    perContact = static_cast<double>(after - before) / static_cast<double>(log.size());
    st.PauseTiming();
    built.reset();
    st.ResumeTiming();
  }
  st.counters["bytes_per_contact"] = perContact;
  std::printf("%s: %.0f bytes per contact at %zu contacts\n", name, perContact, log.size());
}

void BM_Memory_Engine(benchmark::State& st) {
  MeasureMemory(st, "engine", EngineWith);
}
BENCHMARK(BM_Memory_Engine)->Arg(100000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Memory_Reference(benchmark::State& st) {
  MeasureMemory(st, "reference", ReferenceWith);
}
BENCHMARK(BM_Memory_Reference)->Arg(10000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The plug-in's whole module after the weekend's replay through the exports.
void BM_Memory_WeekendExports(benchmark::State& st) {
  EnterScratchFolder();
  const std::vector<QsoInput>& log = LogOf(kWeekend);
  double perContact = 0;
  for (auto _ : st) {
    stats::RebuildModule();
    const std::size_t before = HeapInUse();
    ReplayThroughExports(log);
    perContact = static_cast<double>(HeapInUse() - before) / kWeekend;
  }
  st.counters["bytes_per_contact"] = perContact;
  std::printf("exports: %.0f bytes per contact after a %d-contact weekend\n", perContact, kWeekend);
}
BENCHMARK(BM_Memory_WeekendExports)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same module after ten more resets and replays: the heap must not grow
// with the number of resets, only with the log.
void BM_Memory_AcrossResets(benchmark::State& st) {
  EnterScratchFolder();
  const std::vector<QsoInput>& log = LogOf(kWeekend);
  double afterOne = 0, afterEleven = 0;
  for (auto _ : st) {
    stats::RebuildModule();
    const std::size_t before = HeapInUse();
    ReplayThroughExports(log);
    afterOne = static_cast<double>(HeapInUse() - before) / kWeekend;
    for (int i = 0; i < 10; ++i) ReplayThroughExports(log);
    afterEleven = static_cast<double>(HeapInUse() - before) / kWeekend;
  }
  st.counters["after_1"] = afterOne;
  st.counters["after_11"] = afterEleven;
  std::printf("exports: %.0f bytes per contact after one replay, %.0f after eleven\n", afterOne,
              afterEleven);
}
BENCHMARK(BM_Memory_AcrossResets)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_Memory_WeekendReference(benchmark::State& st) {
  const std::vector<QsoInput>& log = LogOf(kWeekend);
  double perContact = 0;
  for (auto _ : st) {
    const std::size_t before = HeapInUse();
    auto model = ReferenceWith(log);
    perContact = static_cast<double>(HeapInUse() - before) / kWeekend;
  }
  st.counters["bytes_per_contact"] = perContact;
}
BENCHMARK(BM_Memory_WeekendReference)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

BENCHMARK_MAIN();
