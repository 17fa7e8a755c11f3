// The log robot under the load of a contest's last hours, through its real
// HTTP server on a loopback port: 1,000 stations' logs of 2,000 QSO lines
// uploaded by 32 clients at once, a 5,000-QSO log uploaded again and again
// meanwhile, then the public list with 10,000 stations.
//
//   yodx_serve_bench [LOGS [CLIENTS]]
//
// The logs are made here, deterministically, with the worked stations from
// MASTER.SCP (Debian's hamradio-files), so that lint and the count see real
// calls; each passes lint with at most a few warnings. Goals: the uploads
// in under 10 s on two cores, the 5,000-QSO log's p99 under 200 ms, /logs
// with 10,000 stations under 50 ms.
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "log/contest_log.h"
#include "tools/contest/cty.h"
#include "tools/yodx/serve/admin.h"
#include "tools/yodx/serve/crypto.h"
#include "tools/yodx/serve/http_guard.h"
#include "tools/yodx/serve/intake.h"
#include "tools/yodx/serve/routes.h"
#include "tools/yodx/serve/store.h"

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> WorkedCalls() {
  std::vector<std::string> calls;
  std::ifstream in("/usr/share/hamradio-files/MASTER.SCP");
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] != '#' && line.find('/') == std::string::npos) {
      calls.push_back(line);
    }
  }
  if (calls.empty()) {
    for (int i = 0; i < 5000; ++i)
      calls.push_back("DL" + std::to_string(i % 10) + "Z" + char('A' + i % 26) +
                      char('A' + i / 26 % 26));
  }
  return calls;
}

// A German station's Cabrillo log of QSOS contacts within the contest
// period, each a station of CALLS on a contest band, no call worked twice on
// a band and mode.
std::string MakeLog(const std::string& own, int qsos, const std::vector<std::string>& calls,
                    unsigned seed) {
  static const struct { int khz; } kBands[] = {{3510}, {7010}, {14010}, {21010}, {28010}};
  std::mt19937 rng(seed);
  std::string log = "START-OF-LOG: 3.0\r\nCONTEST: YO-DX-HF\r\nCALLSIGN: " + own +
                    "\r\nCATEGORY-OPERATOR: SINGLE-OP\r\nCATEGORY-BAND: ALL\r\n"
                    "CATEGORY-MODE: MIXED\r\nCATEGORY-POWER: LOW\r\nCATEGORY-TRANSMITTER: ONE\r\n"
                    "CLAIMED-SCORE: 0\r\nCREATED-BY: yodx_serve_bench\r\n";
  for (int i = 0; i < qsos; ++i) {
    const int second = static_cast<int>(static_cast<long long>(i) * 86000 / qsos);
    const int at = 12 * 3600 + second;
    const bool cw = rng() % 3 != 0;
    const std::string& call =
        calls[(seed * 7919u + static_cast<unsigned>(i) * 104729u) % calls.size()];
    const bool romanian = stats::IsRomanianPrefix(call.substr(0, 2));
    char line[160];
    std::snprintf(
        line, sizeof line, "QSO: %d %s 2021-08-%02d %02d%02d %s %s %03d %s %s %s\r\n",
        kBands[i % 5].khz + static_cast<int>(rng() % 40) + (cw ? 0 : 140), cw ? "CW" : "PH",
        28 + at / 86400, at % 86400 / 3600, at % 3600 / 60, own.c_str(), cw ? "599" : "59", i + 1,
        call.c_str(), cw ? "599" : "59",
        romanian ? stats::g_CountyCodes[rng() % 42] : std::to_string(1 + rng() % 1500).c_str());
    log += line;
  }
  return log + "END-OF-LOG:\r\n";
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<size_t>(p * values.size()))];
}

}  // namespace

int main(int argc, char** argv) {
  using namespace yodx::serve;
  const int kLogs = argc > 1 ? std::atoi(argv[1]) : 1000;
  const int kClients = argc > 2 ? std::atoi(argv[2]) : 32;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("yodx-serve-bench-" + std::to_string(getpid()));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);

  yodx::CtyFile countries;
  std::string error;
  if (!yodx::LoadCountryFile("/usr/share/hamradio-files/cty.dat", {}, &countries, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::vector<std::string> calls = WorkedCalls();
  std::vector<std::string> logs, owns;
  for (int i = 0; i < kLogs; ++i) {
    owns.push_back("DL" + std::to_string(i % 10) + "B" + char('A' + i / 10 % 26) +
                   char('A' + i / 260 % 26));
    logs.push_back(MakeLog(owns.back(), 2000, calls, static_cast<unsigned>(i + 1)));
  }
  const std::string big = MakeLog("DK9BIG", 5000, calls, 4242);

  // The check alone, on one thread: what each upload costs before the store.
  for (const std::string* log : {static_cast<const std::string*>(&logs[0]), &big}) {
    const Clock::time_point t0 = Clock::now();
    const int kRounds = std::getenv("YODX_BENCH_CHECK_ROUNDS") != nullptr
                            ? std::atoi(std::getenv("YODX_BENCH_CHECK_ROUNDS"))
                            : 20;
    int warnings = 0;
    for (int i = 0; i < kRounds; ++i) {
      warnings += Assess(*log, countries, yodx::LintOptions{}, UploadWindow{}, 0).lint.warnings;
    }
    std::printf("the check of a log of %zu KB, one thread: %.2f ms (%d warnings)\n",
                log->size() / 1024,
                std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / kRounds,
                warnings / kRounds);
  }

  // YODX_BENCH_CHECK_ONLY: the check and nothing else (for a profiler).
  if (std::getenv("YODX_BENCH_CHECK_ONLY") != nullptr) return 0;

  std::unique_ptr<Store> store = Store::Open((dir / "logs.sqlite").string(), &error);
  std::string note;
  if (!store || !PrepareToken(store.get(), (dir / "admin.token").string(), false, &note, &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  Organiser organiser(TokenHash(*store));
  RobotOptions options;
  options.uploads_per_minute = 0;
  Robot robot(store.get(), &countries, &organiser, options);
  Limits limits;
  limits.per_address = 0;  // every client comes from 127.0.0.1
  GuardedServer server(limits);
  robot.Route(&server);
  const int port = server.Bind("127.0.0.1", 0);
  std::thread serving([&] { server.Serve(); });

  // Phase 1: the logs by CLIENTS clients, and the 5,000-QSO log meanwhile.
  std::atomic<int> next{0}, refused{0};
  std::atomic<bool> loading{true};
  std::vector<std::vector<double>> latencies(kClients);
  std::vector<double> big_latencies;
  int big_status = 0;
  const Clock::time_point started = Clock::now();
  std::vector<std::thread> clients;
  for (int c = 0; c < kClients; ++c) {
    clients.emplace_back([&, c] {
      httplib::Client client("127.0.0.1", port);
      client.set_read_timeout(60, 0);
      for (int i; (i = next++) < kLogs;) {
        const Clock::time_point t0 = Clock::now();
        const httplib::Result r = client.Post("/api/logs", logs[i], "application/octet-stream");
        latencies[c].push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        if (!r || r->status != 201) ++refused;
      }
    });
  }
  std::thread big_client([&] {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(60, 0);
    while (loading) {
      const Clock::time_point t0 = Clock::now();
      const httplib::Result r = client.Post("/api/logs", big, "application/octet-stream");
      big_latencies.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      big_status = r ? r->status : -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  for (std::thread& t : clients) t.join();
  const double took = std::chrono::duration<double>(Clock::now() - started).count();
  loading = false;
  big_client.join();
  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());

  std::printf(
      "%d logs of 2,000 QSO lines (%zu KB) by %d clients: %.2f s, %.0f logs/s, %d not "
      "receipted; latency p50 %.0f ms, p99 %.0f ms\n",
      kLogs, logs[0].size() / 1024, kClients, took, kLogs / took, refused.load(),
      Percentile(all, 0.5), Percentile(all, 0.99));
  std::printf(
      "a 5,000-QSO log (%zu KB, answered %d) meanwhile: %zu uploads, p50 %.0f ms, p99 %.0f ms\n",
      big.size() / 1024, big_status, big_latencies.size(), Percentile(big_latencies, 0.5),
      Percentile(big_latencies, 0.99));

  // Phase 2: the public list once 10,000 stations have sent their logs (the
  // rest written straight into the store).
  {
    std::vector<std::thread> writers;
    std::atomic<int> n{kLogs};
    for (int w = 0; w < 8; ++w) {
      writers.emplace_back([&] {
        for (int i; (i = n++) < 10000;) {
          LogRecord r;
          r.tag = RandomHex(6);
          r.call = "DL" + std::to_string(i % 10) + "Q" + char('A' + i / 10 % 26) +
                   char('A' + i / 260 % 26) + std::to_string(i / 6760);
          r.category = "SINGLE-OP ALL MIXED LOW";
          r.qso_lines = 2000;
          r.counted = true;
          r.score = 123456;
          r.plugin_score = 150000;
          r.received = 1800000000 + i;
          r.address = "192.0.2.1";
          store->AddLog(r, "QSO lines of " + r.call);
        }
      });
    }
    for (std::thread& t : writers) t.join();
  }
  // The list made again (the first request after the logs came in), then
  // kept; for a client that takes no gzip, then for one that does (the
  // gzip made once more, then kept).
  for (const bool gzip : {false, true}) {
    httplib::Client client("127.0.0.1", port);
    client.set_decompress(false);
    const httplib::Headers accept = {{"Accept-Encoding", gzip ? "gzip" : "identity"}};
    std::vector<double> times;
    size_t size = 0;
    for (int i = 0; i < 20; ++i) {
      const Clock::time_point t0 = Clock::now();
      const httplib::Result r = client.Get("/logs", accept);
      times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      if (r) size = r->body.size();
    }
    const double first = times.front();
    times.erase(times.begin());
    std::printf(
        "GET /logs with %zu stations, %s (%zu KB): the first %.1f ms, then median %.1f ms, "
        "max %.1f ms\n",
        store->CurrentLogs().size(), gzip ? "gzip" : "as it is", size / 1024, first,
        Percentile(times, 0.5), Percentile(times, 1.0));
  }

  server.Shutdown();
  serving.join();
  store.reset();
  std::filesystem::remove_all(dir);
  return 0;
}
