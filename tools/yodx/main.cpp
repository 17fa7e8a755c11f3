// yodx: scores a YO-DX HF Contest log through the real plug-in library.
//
//   yodx score LOG [options]
//   yodx check LOG CALL BAND MODE [EXCHANGE] [options]
//
// The summary goes to standard output exactly as the plug-in returns it, so
// the Linux and the Windows build print the same bytes; diagnostics go to
// standard error.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/plugin_loader.h"
#include "tools/yodx/replay.h"
#include "tools/yodx/text.h"

namespace {

void Usage(FILE* to) {
  std::fputs(
      "usage: yodx score LOG [options]\n"
      "       yodx check LOG CALL BAND MODE [EXCHANGE] [options]\n"
      "\n"
      "LOG is an ADIF (.adi) or Cabrillo 3.0 log; the format is told by content.\n"
      "check replays LOG, then says whether CALL on BAND in MODE is a duplicate\n"
      "or a new multiplier and whether EXCHANGE would be acceptable.\n"
      "\n"
      "options:\n"
      "  --cty FILE          country file in cty.dat format\n"
      "                      (default ./cty.dat, then /usr/share/hamradio-files/cty.dat)\n"
      "  --call OWNCALL      own station (default: the log's)\n"
      "  --start YYYY-MM-DD  contest start (default: date of the first contact)\n"
      "  --end YYYY-MM-DD    contest end (default: date of the last contact)\n"
      "  --out DIR           folder for err.txt (default: the current one)\n"
      "  --json FILE         tallies and every refused or duplicate contact as JSON\n"
      "  --plugin FILE       plug-in library (default: the one next to yodx)\n",
      to);
}

// Writes TEXT byte for byte: no line-end translation on either platform.
void WriteRaw(const std::string& text) {
  stats::tools::SetBinaryStdout();
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fflush(stdout);
}

std::string HostMode(const std::string& mode) {
  const std::string m = yodx::Upper(mode);
  if (m == "PH" || m == "USB" || m == "LSB") return "SSB";
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  if (command != "score" && command != "check") {
    std::fprintf(stderr, "yodx: unknown command '%s'\n", command.c_str());
    Usage(stderr);
    return 2;
  }

  yodx::ReplayOptions options;
  std::vector<std::string> positional;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.compare(0, 2, "--") != 0) {
      positional.push_back(arg);
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "yodx: %s needs a value\n", arg.c_str());
      return 2;
    }
    const std::string value = argv[++i];
    if (arg == "--cty") {
      options.cty_path = value;
    } else if (arg == "--call") {
      options.own_call = value;
    } else if (arg == "--start" || arg == "--end") {
      if (!yodx::ParseIsoDate(value, arg == "--start" ? &options.start : &options.end)) {
        std::fprintf(stderr, "yodx: %s '%s' is not a date YYYY-MM-DD\n", arg.c_str(),
                     value.c_str());
        return 2;
      }
    } else if (arg == "--out") {
      options.out_dir = value;
    } else if (arg == "--json") {
      options.json_path = value;
    } else if (arg == "--plugin") {
      options.plugin_path = value;
    } else {
      std::fprintf(stderr, "yodx: unknown option %s\n", arg.c_str());
      return 2;
    }
  }
  const bool check = command == "check";
  if (positional.empty() || (!check && positional.size() != 1) ||
      (check && (positional.size() < 4 || positional.size() > 5))) {
    Usage(stderr);
    return 2;
  }
  options.log_path = positional[0];

  yodx::Replay replay(options);
  std::string error;
  const bool ok = replay.Run(&error);
  const yodx::ReplayResult& r = replay.result();
  for (const yodx::Diagnostic& d : r.log.diagnostics) {
    std::fprintf(stderr, "%s\n", d.ToString().c_str());
  }
  if (!ok) {
    std::fprintf(stderr, "yodx: %s\n", error.c_str());
    return 1;
  }
  if (r.log.skipped > 0) {
    std::fprintf(stderr, "yodx: %d unreadable record%s skipped\n", r.log.skipped,
                 r.log.skipped == 1 ? "" : "s");
  }

  if (!check) {
    WriteRaw(r.summary);
    return 0;
  }
  const std::string call = yodx::Upper(positional[1]);
  const std::string band = yodx::Lower(positional[2]);
  const std::string mode = HostMode(positional[3]);
  const std::string exchange = positional.size() > 4 ? positional[4] : "";
  const int answer = replay.CheckCall(call, band, mode, exchange);
  const char* words = answer == 0   ? "duplicate"
                      : answer == 2 ? "new multiplier"
                                    : "not a duplicate, no new multiplier";
  const yodx::CtyMatch where = replay.cty().Lookup(call);
  std::string out =
      call + " (" +
      (where.found() ? where.prefix + ", " + where.continent : std::string("no country")) +
      ") on " + band + " " + mode + ": " + words + "\n";
  if (positional.size() > 4) {
    out += "exchange '" + exchange +
           "': " + (replay.IsValidExchange(call, exchange) ? "acceptable" : "not acceptable") +
           "\n";
  }
  WriteRaw(out);
  return 0;
}
