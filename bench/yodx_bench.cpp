// The replay tool on a 100k-contact ADIF log: parsing, country lookup, and
// the whole replay through the plug-in library next to this program; and
// the report of a 10k-contact weekend.
//
// The log is made here, deterministically, from the call signs of
// MASTER.SCP (Debian's hamradio-files) so that the lookup sees real calls.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "tools/contest/adif.h"
#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/contest/rules.h"
#include "tools/replay/replay.h"
#include "tools/yodx/report/figures.h"
#include "tools/yodx/report/json.h"
#include "tools/yodx/report/page.h"

namespace {

constexpr const char* kCtyPath = "/usr/share/hamradio-files/cty.dat";
constexpr const char* kScpPath = "/usr/share/hamradio-files/MASTER.SCP";
constexpr int kContacts = 100000;

std::vector<std::string> Calls() {
  std::vector<std::string> calls;
  std::ifstream in(kScpPath);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#') calls.push_back(line);
  }
  if (calls.empty()) {
    for (int i = 0; i < 5000; ++i)
      calls.push_back("DL" + std::to_string(i % 10) + "A" + char('A' + i % 26));
  }
  return calls;
}

std::string Field(const char* name, const std::string& value) {
  return "<" + std::string(name) + ":" + std::to_string(value.size()) + ">" + value + " ";
}

const std::string& Log() {
  static const std::string text = [] {
    const std::vector<std::string> calls = Calls();
    const char* bands[] = {"160m", "80m", "40m", "20m", "15m", "10m"};
    std::mt19937 rng(7);
    std::string t = "generated for the bench\n<ADIF_VER:5>3.1.2 <EOH>\n";
    for (int i = 0; i < kContacts; ++i) {
      const int b = static_cast<int>(rng() % 6);
      const int edge = static_cast<int>(yodx::BandLowerEdgeKhz(bands[b]));
      const int second = static_cast<int>(static_cast<long long>(i) * 86400 / kContacts);
      char date[16], time[16], freq[16];
      std::snprintf(date, sizeof date, "2021080%d", 7 + (12 * 3600 + second) / 86400);
      const int s = (12 * 3600 + second) % 86400;
      std::snprintf(time, sizeof time, "%02d%02d%02d", s / 3600, s / 60 % 60, s % 60);
      std::snprintf(freq, sizeof freq, "%.3f", (edge + static_cast<int>(rng() % 60)) / 1000.0);
      const bool cw = rng() % 2;
      t += Field("CALL", calls[rng() % calls.size()]) + Field("QSO_DATE", date) +
           Field("TIME_ON", time) + Field("BAND", bands[b]) + Field("FREQ", freq) +
           Field("MODE", cw ? "CW" : "SSB") + Field("RST_SENT", cw ? "599" : "59") +
           Field("RST_RCVD", cw ? "599" : "59") + Field("STX_STRING", "BU") +
           Field("SRX", std::to_string(1 + rng() % 2000)) + Field("STATION_CALLSIGN", "YO3ABC") +
           "<EOR>\n";
    }
    return t;
  }();
  return text;
}

const yodx::CtyFile& Cty() {
  static const yodx::CtyFile cty = [] {
    yodx::CtyFile c;
    std::string error;
    c.Load(kCtyPath, &error);
    return c;
  }();
  return cty;
}

void BM_ParseAdif100k(benchmark::State& state) {
  const std::string& text = Log();
  for (auto _ : state) {
    yodx::LogData log;
    yodx::ParseAdif(text, "bench.adi", &log);
    benchmark::DoNotOptimize(log.contacts.data());
    if (log.contacts.size() != kContacts) state.SkipWithError("contacts lost");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAdif100k)->Unit(benchmark::kMillisecond);

void BM_LoadCty(benchmark::State& state) {
  for (auto _ : state) {
    yodx::CtyFile cty;
    std::string error;
    if (!cty.Load(kCtyPath, &error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(cty.entity_count());
  }
}
BENCHMARK(BM_LoadCty)->Unit(benchmark::kMillisecond);

void BM_Lookup100k(benchmark::State& state) {
  yodx::LogData log;
  yodx::ParseAdif(Log(), "bench.adi", &log);
  const yodx::CtyFile& cty = Cty();
  if (cty.entity_count() == 0) state.SkipWithError("no cty.dat");
  for (auto _ : state) {
    size_t found = 0;
    for (const yodx::Contact& c : log.contacts) found += cty.Lookup(c.call).found();
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * log.contacts.size()));
}
BENCHMARK(BM_Lookup100k)->Unit(benchmark::kMillisecond);

// Lookup cost against call length: flat in the size of the file.
void BM_LookupOneCall(benchmark::State& state) {
  const yodx::CtyFile& cty = Cty();
  const std::string call = state.range(0) == 0 ? "YO3ABC" : "DL/YO3ABC/P";
  for (auto _ : state) benchmark::DoNotOptimize(cty.Lookup(call));
}
BENCHMARK(BM_LookupOneCall)->Arg(0)->Arg(1);

void BM_ParseAndLookup100k(benchmark::State& state) {
  const std::string& text = Log();
  const yodx::CtyFile& cty = Cty();
  for (auto _ : state) {
    yodx::LogData log;
    yodx::ParseAdif(text, "bench.adi", &log);
    size_t found = 0;
    for (const yodx::Contact& c : log.contacts) found += cty.Lookup(c.call).found();
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_ParseAndLookup100k)->Unit(benchmark::kMillisecond);

// Everything the tool does for one log, through the real plug-in: read the
// file and the country file, reset, 100k AddData0 calls, the result.
void BM_Replay100k(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "yodx-bench";
  fs::create_directories(dir);
  const fs::path log_path = dir / "bench.adi";
  std::ofstream(log_path, std::ios::binary) << Log();
  const fs::path previous = fs::current_path();
  for (auto _ : state) {
    yodx::ReplayOptions options;
    options.log_path = log_path.string();
    options.cty_path = kCtyPath;
    options.out_dir = dir.string();
    yodx::Replay replay(options);
    std::string error;
    if (!replay.Run(&error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(replay.result().score);
    fs::current_path(previous);
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_Replay100k)->Unit(benchmark::kMillisecond)->Iterations(1);

// A Romanian station's weekend of 10,000 contacts in the contest period:
// runs of 20 on one frequency, then 5 searched on the band, the band
// changing with each run.
const std::string& Weekend() {
  static const std::string text = [] {
    constexpr int kWeekend = 10000;
    const std::vector<std::string> calls = Calls();
    std::mt19937 rng(26);
    std::string t = "generated for the bench\n<ADIF_VER:5>3.1.2 <EOH>\n";
    std::string band;
    int khz = 0;
    bool cw = true;
    for (int i = 0; i < kWeekend; ++i) {
      if (i % 25 == 0) {
        band = yodx::kContestBands[rng() % 5];
        cw = rng() % 2 != 0;
        khz = static_cast<int>(yodx::BandLowerEdgeKhz(band)) + (cw ? 10 : 150) +
              static_cast<int>(rng() % 60);
      }
      const int freq = i % 25 < 20 ? khz : khz + 5 + static_cast<int>(rng() % 40);
      const int s = (12 * 3600 + static_cast<int>(static_cast<long long>(i) * 86400 / kWeekend));
      char date[16], time[16], mhz[16];
      std::snprintf(date, sizeof date, "202108%d", 28 + s / 86400);
      std::snprintf(time, sizeof time, "%02d%02d%02d", s % 86400 / 3600, s / 60 % 60, s % 60);
      std::snprintf(mhz, sizeof mhz, "%.3f", freq / 1000.0);
      const std::string& call = calls[rng() % calls.size()];
      const bool romanian = call.compare(0, 2, "YO") == 0;
      t += Field("CALL", call) + Field("QSO_DATE", date) + Field("TIME_ON", time) +
           Field("BAND", band) + Field("FREQ", mhz) + Field("MODE", cw ? "CW" : "SSB") +
           Field("RST_SENT", cw ? "599" : "59") + Field("RST_RCVD", cw ? "599" : "59") +
           Field("STX_STRING", "BU") +
           (romanian ? Field("SRX_STRING", "CJ") : Field("SRX", std::to_string(1 + i / 7))) +
           Field("STATION_CALLSIGN", "YO3ABC") + "<EOR>\n";
    }
    return t;
  }();
  return text;
}

// What report does for one log, from its file: read it and the country
// file, work out the figures, write the JSON and the page.
void BM_Report10k(benchmark::State& state) {
  namespace fs = std::filesystem;
  const fs::path path = fs::temp_directory_path() / "yodx-bench-report.adi";
  std::ofstream(path, std::ios::binary) << Weekend();
  for (auto _ : state) {
    yodx::LogData log;
    yodx::CtyFile cty;
    std::string error;
    if (!yodx::ReadLogFile(path.string(), &log, &error) ||
        !yodx::LoadCountryFile(kCtyPath, {}, &cty, &error)) {
      state.SkipWithError(error.c_str());
      break;
    }
    const std::string own = yodx::OwnCall(log);
    const yodx::report::Figures f =
        yodx::report::ComputeFigures(std::move(log.contacts), own, cty, {});
    if (f.qsos != 10000) state.SkipWithError("contacts lost");
    const std::string json = yodx::report::Json(f), page = yodx::report::Page(f, "bench.adi");
    benchmark::DoNotOptimize(json.data());
    benchmark::DoNotOptimize(page.data());
  }
  fs::remove(path);
}
BENCHMARK(BM_Report10k)->Unit(benchmark::kMillisecond);

// The figures alone, from the contacts read: time order, the count and the
// plug-in's claim (six passes of the count), the hours, rates and runs.
void BM_ReportFigures10k(benchmark::State& state) {
  yodx::LogData log;
  yodx::ParseAdif(Weekend(), "bench.adi", &log);
  const yodx::CtyFile& cty = Cty();
  if (cty.entity_count() == 0) state.SkipWithError("no cty.dat");
  for (auto _ : state) {
    const yodx::report::Figures f = yodx::report::ComputeFigures(log.contacts, "YO3ABC", cty, {});
    benchmark::DoNotOptimize(f.qsos);
  }
}
BENCHMARK(BM_ReportFigures10k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
