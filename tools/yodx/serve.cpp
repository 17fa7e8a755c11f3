// serve --data DIR [--listen HOST:PORT] [--deadline YYYY-MM-DDTHH:MM]
// [--period START END] [options]: the contest's log robot. Receives logs
// over the web, checks each with lint's rules and the organiser's count,
// keeps them in one SQLite database in DIR, lists them, and cross-checks
// and publishes them for the organiser. Or, with --backup FILE, a
// consistent copy of DIR's database while a server runs.
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <memory>
#include <system_error>
#include <thread>

#include "tools/contest/cty.h"
#include "tools/contest/text.h"
#include "tools/yodx/commands.h"
#include "tools/yodx/serve/admin.h"
#include "tools/yodx/serve/http_guard.h"
#include "tools/yodx/serve/intake.h"
#include "tools/yodx/serve/pages.h"
#include "tools/yodx/serve/routes.h"
#include "tools/yodx/serve/store.h"

namespace yodx {

namespace {

constexpr const char* kUsageLine =
    "usage: yodx serve --data DIR [--listen HOST:PORT] [--deadline YYYY-MM-DDTHH:MM] "
    "[--period START END] [options], or yodx serve --data DIR --backup FILE "
    "(yodx --help lists the options)";

// A whole number from LOW to HIGH.
bool ReadNumber(const std::string& text, long long low, long long high, long long* out) {
  if (!AllDigits(text) || text.size() > 12) return false;
  *out = std::stoll(text);
  return *out >= low && *out <= high;
}

// "HOST:PORT", "[IPv6]:PORT".
bool ReadListen(const std::string& text, std::string* host, int* port) {
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  *host = text.substr(0, colon);
  if (host->size() > 2 && host->front() == '[' && host->back() == ']') {
    *host = host->substr(1, host->size() - 2);
  }
  long long number = 0;
  if (!ReadNumber(text.substr(colon + 1), 0, 65535, &number)) return false;
  *port = static_cast<int>(number);
  return true;
}

// Makes DIR (and the folders above it), DIR readable by its owner only,
// when it is not there.
bool MakeDataFolder(const std::string& dir, std::string* error) {
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    *error = dir + " is not a folder";
    return false;
  }
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || ::chmod(dir.c_str(), 0700) != 0) {
    *error = "cannot make the data folder " + dir + ": " +
             (ec ? ec.message() : std::generic_category().message(errno));
    return false;
  }
  return true;
}

void Say(const std::string& line) {
  WriteStdout("yodx serve: " + line + "\n");
  std::fflush(stdout);
}

}  // namespace

int ServeCommand(const std::vector<std::string>& given) {
  // The two options without a value.
  std::vector<std::string> args;
  bool behind_proxy = false, new_token = false;
  for (const std::string& arg : given) {
    if (arg == "--behind-proxy") {
      behind_proxy = true;
    } else if (arg == "--new-token") {
      new_token = true;
    } else {
      args.push_back(arg);
    }
  }
  CommandLine line;
  std::string message;
  if (!ReadCommandLine(args, "serve", "option",
                       {"--data", "--listen", "--deadline", "--period", "--cty", "--backup",
                        "--uploads-per-minute", "--body-limit", "--header-timeout",
                        "--body-timeout", "--threads", "--connections-per-address"},
                       &line, &message)) {
    return Fail(kUsage, message);
  }
  const std::string dir = line.Value("--data");
  if (dir.empty() || !line.operand.empty()) return Fail(kUsage, kUsageLine);
  const std::string database = dir + "/logs.sqlite";
  // Everything the robot writes (the database, its WAL, the token, a
  // backup) is its owner's alone.
  ::umask(077);

  if (line.Values("--backup") != nullptr) {
    std::string error;
    if (!serve::Store::Backup(database, line.Value("--backup"), &error)) return Fail(kUsage, error);
    Say("a consistent copy of " + database + " is in " + line.Value("--backup"));
    return 0;
  }

  std::string host = "127.0.0.1";
  int port = 8080;
  if (line.Values("--listen") != nullptr && !ReadListen(line.Value("--listen"), &host, &port)) {
    return Fail(kUsage, "--listen takes HOST:PORT, not '" + line.Value("--listen") + "'");
  }
  serve::RobotOptions options;
  serve::Limits limits;
  static const struct {
    const char* name;
    long long low, high;
  } kNumbers[] = {{"--uploads-per-minute", 0, 100000},
                  {"--body-limit", 1024, 1LL << 30},
                  {"--header-timeout", 1, 3600},
                  {"--body-timeout", 1, 3600},
                  {"--threads", 1, 256},
                  {"--connections-per-address", 0, 10000}};
  constexpr size_t kCount = sizeof kNumbers / sizeof kNumbers[0];
  long long numbers[kCount] = {options.uploads_per_minute,
                               static_cast<long long>(limits.body_bytes),
                               limits.head_time.count() / 1000,
                               limits.body_time.count() / 1000,
                               limits.threads,
                               limits.per_address};
  for (size_t i = 0; i < kCount; ++i) {
    if (line.Values(kNumbers[i].name) == nullptr) continue;
    if (!ReadNumber(line.Value(kNumbers[i].name), kNumbers[i].low, kNumbers[i].high, &numbers[i])) {
      return Fail(kUsage, std::string(kNumbers[i].name) + " takes a whole number from " +
                              std::to_string(kNumbers[i].low) + " to " +
                              std::to_string(kNumbers[i].high) + ", not '" +
                              line.Value(kNumbers[i].name) + "'");
    }
  }
  options.uploads_per_minute = static_cast<int>(numbers[0]);
  limits.body_bytes = options.body_limit = static_cast<size_t>(numbers[1]);
  limits.head_time = std::chrono::seconds(numbers[2]);
  limits.body_time = std::chrono::seconds(numbers[3]);
  limits.threads = limits.waiting = static_cast<int>(numbers[4]);
  limits.per_address = static_cast<int>(numbers[5]);
  options.behind_proxy = behind_proxy;
  // Behind a proxy every connection comes from it: the proxy limits them.
  if (behind_proxy && line.Values("--connections-per-address") == nullptr) limits.per_address = 0;
  options.check_threads =
      static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 16u));
  if (const std::vector<std::string>* period = line.Values("--period")) {
    if (!ReadPeriodOption((*period)[0], (*period)[1], &options.lint.start, &options.lint.end,
                          &message)) {
      return Fail(kUsage, message);
    }
    options.lint.period_given = true;
  }
  serve::UploadWindow window;
  const bool deadline_given = line.Values("--deadline") != nullptr;
  if (deadline_given) {
    const std::string text = line.Value("--deadline");
    if (!serve::ReadDeadline(text, &window.deadline)) {
      return Fail(kUsage, "--deadline takes a UTC time YYYY-MM-DDTHH:MM, not '" + text + "'");
    }
    window.has_deadline = true;
  }

  // Signals are taken by a thread of their own; every other thread, started
  // after this (the store's writer among them), has them blocked. A broken
  // connection and a file grown past its limit are errors to answer, not
  // reasons to end.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);

  std::string error;
  CtyFile countries;
  if (!LoadCountries(line.Value("--cty"), dir, &countries, &error)) return Fail(kUsage, error);
  if (!MakeDataFolder(dir, &error)) return Fail(kUsage, error);
  std::unique_ptr<serve::Store> store = serve::Store::Open(database, &error);
  if (!store) return Fail(kUsage, error);
  std::string note;
  if (!serve::PrepareToken(store.get(), dir + "/admin.token", new_token, &note, &error)) {
    return Fail(kUsage, error);
  }
  serve::Organiser organiser(serve::TokenHash(*store));
  serve::Robot robot(store.get(), &countries, &organiser, options);
  if (deadline_given) {
    window.late_allowed = robot.Window().late_allowed;
    if (!robot.SetWindow(window, &error)) return Fail(kUsage, error);
  }

  serve::GuardedServer server(limits);
  robot.Route(&server);
  const int bound = server.Bind(host, port);
  if (bound < 0) {
    return Fail(kUsage, "cannot listen on " + host + ":" + std::to_string(port) +
                       " (in use, or not an address of this machine)");
  }
  Say("data in " + dir + ": " + GroupedNumber(static_cast<size_t>(store->CountVersions())) +
      " versions of logs kept");
  Say(serve::WindowSentence({robot.Window(), serve::Now(), 0, 0}));
  if (!note.empty()) Say(note);
  const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  Say("listening on http://" + shown + ":" + std::to_string(bound) + "/");

  std::atomic<bool> served_out{false};
  std::thread stopper([&] {
    int taken = 0;
    sigwait(&stop_signals, &taken);
    if (taken != SIGUSR1) Say(taken == SIGTERM ? "stopping (SIGTERM)" : "stopping (SIGINT)");
    // Until the server is out: a signal that comes while it is still
    // starting finds nothing to stop yet.
    while (!served_out) {
      server.Shutdown();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
  const bool served = server.Serve();
  served_out = true;
  pthread_kill(stopper.native_handle(), SIGUSR1);  // when the server ended on its own
  stopper.join();
  store.reset();  // the writer's queue drained, the database closed
  Say(served ? "stopped" : "stopped: the server failed");
  return served ? 0 : 1;
}

}  // namespace yodx
