// The cross-check of a whole contest's logs: a generated contest of 1,100
// logs and about 900,000 QSO lines (70 MB) written to a folder, then read,
// matched, classed, counted and reported as `yodx crosscheck DIR --out OUT
// --json FILE` does, on as many threads as the machine has.
//
// YODX_BENCH_KEEP=1 keeps the folder (its path is printed) for a run of the
// command itself, e.g. under /usr/bin/time -v for its peak memory.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "tests/support/contest_generator.h"
#include "tools/contest/cty.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/crosscheck/checker.h"
#include "tools/yodx/crosscheck/reports.h"

namespace {

namespace fs = std::filesystem;

int Threads() {
  return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

// The contest's folder, written once.
const fs::path& Folder() {
  static const fs::path dir = [] {
    fs::path root = fs::temp_directory_path() / "yodx-crosscheck-bench";
    fs::remove_all(root);
    fs::create_directories(root / "logs");
    yodx::testing::ContestShape shape;
    shape.seed = 7;
    shape.stations = 1400;
    shape.logs = 1100;
    shape.qsos = 590000;
    const yodx::testing::GeneratedContest contest = yodx::testing::GenerateContest(shape);
    size_t bytes = 0;
    for (const auto& file : contest.files) {
      std::ofstream(root / "logs" / file.name, std::ios::binary) << file.text;
      bytes += file.text.size();
    }
    std::ofstream(root / "cty.dat", std::ios::binary) << yodx::testing::GeneratedCountries();
    std::fprintf(stderr, "contest: %zu logs, %zu QSO lines, %.1f MB in %s\n", contest.files.size(),
                 contest.qso_lines, static_cast<double>(bytes) / 1e6,
                 (root / "logs").string().c_str());
    return root;
  }();
  return dir;
}

const yodx::CtyFile& Countries() {
  static const yodx::CtyFile countries = [] {
    yodx::CtyFile c;
    c.Parse(yodx::testing::GeneratedCountries());
    return c;
  }();
  return countries;
}

void BM_ReadFolder(benchmark::State& state) {
  const std::string logs = (Folder() / "logs").string();
  for (auto _ : state) {
    yodx::crosscheck::Contest contest;
    std::string error;
    if (!yodx::crosscheck::ReadContestFolder(logs, Threads(), &contest, &error)) {
      state.SkipWithError(error.c_str());
    }
    benchmark::DoNotOptimize(contest.logs.data());
  }
}
BENCHMARK(BM_ReadFolder)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Check(benchmark::State& state) {
  yodx::crosscheck::Contest contest;
  std::string error;
  yodx::crosscheck::ReadContestFolder((Folder() / "logs").string(), Threads(), &contest, &error);
  yodx::crosscheck::Options options;
  options.threads = Threads();
  for (auto _ : state) {
    const auto checks = yodx::crosscheck::CheckContest(contest, Countries(), options);
    benchmark::DoNotOptimize(checks.data());
  }
}
BENCHMARK(BM_Check)->Unit(benchmark::kMillisecond)->UseRealTime();

// What the command does: the folder read, the check, a report per log, the
// results table as CSV and HTML, and the JSON.
void BM_WholeCommand(benchmark::State& state) {
  const std::string logs = (Folder() / "logs").string();
  const fs::path out = Folder() / "out";
  for (auto _ : state) {
    yodx::crosscheck::Contest contest;
    std::string error;
    yodx::crosscheck::ReadContestFolder(logs, Threads(), &contest, &error);
    yodx::crosscheck::Options options;
    options.threads = Threads();
    const auto checks = yodx::crosscheck::CheckContest(contest, Countries(), options);
    const yodx::crosscheck::Checked checked{contest, checks, options};
    if (!yodx::crosscheck::WriteReportFolder(checked, out.string(), [](size_t) {}) ||
        !yodx::WriteOutput((out / "all.json").string(), yodx::crosscheck::ContestJson(checked))) {
      state.SkipWithError("cannot write the reports");
      break;
    }
  }
}
BENCHMARK(BM_WholeCommand)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  // No other thread runs any more.
  const char* keep = std::getenv("YODX_BENCH_KEEP");  // NOLINT(concurrency-mt-unsafe)
  if (keep == nullptr || *keep == '\0') {
    std::error_code ignored;
    fs::remove_all(fs::temp_directory_path() / "yodx-crosscheck-bench", ignored);
  }
  return 0;
}
