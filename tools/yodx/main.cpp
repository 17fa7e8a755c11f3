// yodx: scores a YO-DX HF Contest log through the real plug-in library, and
// checks a Cabrillo log against the contest's rules before it is sent.
//
//   yodx score LOG [options]
//   yodx check LOG CALL BAND MODE [EXCHANGE] [options]
//   yodx lint LOG [--cty FILE] [--period START END] [--json FILE]
//   yodx compact LOG OUT
//
// The summary goes to standard output exactly as the plug-in returns it, so
// the Linux and the Windows build print the same bytes; diagnostics go to
// standard error.
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "tools/contest/text.h"
#include "tools/plugin_loader.h"
#include "tools/replay/replay.h"
#include "tools/yodx/lint_command.h"

namespace {

void Usage(FILE* to) {
  std::fputs(
      "usage: yodx score LOG [options]\n"
      "       yodx check LOG CALL BAND MODE [EXCHANGE] [options]\n"
      "       yodx lint LOG [--cty FILE] [--period START END] [--json FILE]\n"
      "       yodx compact LOG OUT\n"
      "\n"
      "LOG is an ADIF (.adi) or Cabrillo 3.0 log; the format is told by content.\n"
      "check replays LOG, then says whether CALL on BAND in MODE is a duplicate\n"
      "or a new multiplier and whether EXCHANGE would be acceptable, and prints\n"
      "what the plug-in's two information windows would show meanwhile.\n"
      "lint checks a Cabrillo log as the contest's robot will: one line per\n"
      "finding, then the counts; exit status 1 when there is an error. --period\n"
      "takes two UTC times YYYY-MM-DD[THH:MM[:SS]] (default: the last full\n"
      "weekend of August, Saturday 12:00 to Sunday 11:59:59, of the log's year);\n"
      "--json FILE also writes the findings as JSON.\n"
      "compact writes LOG to OUT with one blank between the fields of each QSO\n"
      "line, to bring it under the upload page's 150,000 bytes.\n"
      "\n"
      "options:\n"
      "  --cty FILE          country file in cty.dat format\n"
      "                      (default ./cty.dat, then /usr/share/hamradio-files/cty.dat)\n"
      "  --call OWNCALL      own station (default: the log's)\n"
      "  --start YYYY-MM-DD  contest start (default: date of the first contact)\n"
      "  --end YYYY-MM-DD    contest end (default: date of the last contact)\n"
      "  --out DIR           folder for err.txt (default: the current one)\n"
      "  --json FILE         tallies and every refused or duplicate contact as JSON\n"
      "  --plugin FILE       plug-in library (default: the one next to yodx)\n"
      "\n"
      "Cabrillo output (score only):\n"
      "  --cabrillo          also write the Cabrillo 3.0 log CALL.cbr into the --out folder\n"
      "  --operators TEXT  --soapbox TEXT\n"
      "                      header values of several lines: a line break in TEXT\n"
      "                      starts a new OPERATORS or SOAPBOX line\n"
      "  --name TEXT  --address TEXT  --city TEXT  --postalcode TEXT  --country TEXT\n"
      "  --email TEXT  --club TEXT  --location TEXT\n"
      "                      header values of one line each (a line break is refused);\n"
      "                      all are kept in the settings file for the header dialog\n"
      "  --category-operator TEXT  --category-band TEXT  --category-mode TEXT\n"
      "  --category-power TEXT  --category-transmitter TEXT\n"
      "                      the categories, one line each (the Windows build asks in\n"
      "                      the dialog)\n",
      to);
}

// Writes TEXT byte for byte: no line-end translation on either platform.
void WriteRaw(const std::string& text) {
  stats::tools::SetBinaryStdout();
  std::fwrite(text.data(), 1, text.size(), stdout);  // checked at the end of main
}

std::string HostMode(const std::string& mode) {
  std::string m = yodx::Upper(mode);
  if (m == "PH" || m == "USB" || m == "LSB") return "SSB";
  return m;
}

// The settings key of a header option, or nullptr.
const char* HeaderKey(const std::string& option) {
  static const std::pair<const char*, const char*> kKeys[] = {
      {"--operators", "Operators"},
      {"--name", "Name"},
      {"--address", "Address"},
      {"--city", "Address-City"},
      {"--postalcode", "Address-PostalCode"},
      {"--country", "Address-Country"},
      {"--email", "Email"},
      {"--club", "Club"},
      {"--location", "Loc"},
      {"--soapbox", "SoapBox"}};
  for (const auto& key : kKeys) {
    if (option == key.first) return key.second;
  }
  return nullptr;
}

bool IsCategory(const std::string& label) {
  for (const char* known : {"category-operator", "category-band", "category-mode", "category-power",
                            "category-transmitter"}) {
    if (label == known) return true;
  }
  return false;
}

// Cabrillo continues only the OPERATORS and SOAPBOX rows on further lines; in
// any other row of the header a line break would start a row that readers
// do not know. The own call becomes the CALLSIGN row.
bool TakesOneLine(const std::string& option) {
  if (option == "--operators" || option == "--soapbox") return false;
  return option == "--call" || HeaderKey(option) != nullptr ||
         (option.compare(0, 11, "--category-") == 0 && IsCategory(option.substr(2)));
}

// Line breaks as an edit box holds them: CR LF.
std::string CrLfLines(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n' || text[i] == '\r') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

int Main(int argc, char** argv);

// Whatever goes wrong ends with a message and a failing status, never with
// an uncaught exception.
int main(int argc, char** argv) {
  try {
    const int status = Main(argc, argv);
    // A full disk or a closed pipe must not pass for a complete summary.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
      std::fprintf(stderr, "yodx: standard output could not be written\n");
      return 1;
    }
    return status;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "yodx: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "yodx: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "yodx: unexpected failure\n");
  }
  return 1;
}

int Main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  const std::string command = argv[1];
  if (command == "lint" || command == "compact") {
    const std::vector<std::string> args(argv + 2, argv + argc);
    return command == "lint" ? yodx::LintCommand(args) : yodx::CompactCommand(args);
  }
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
    if (arg == "--cabrillo") {
      options.output = true;
      continue;
    }
    if (i + 1 >= argc) {
      std::fprintf(stderr, "yodx: %s needs a value\n", arg.c_str());
      return 2;
    }
    const std::string value = argv[++i];
    if (TakesOneLine(arg) && value.find_first_of("\r\n") != std::string::npos) {
      std::fprintf(stderr,
                   "yodx: %s takes one line of text, without a line break; only --operators "
                   "and --soapbox take several lines\n",
                   arg.c_str());
      return 2;
    }
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
    } else if (const char* key = HeaderKey(arg)) {
      options.header_settings.emplace_back(key, CrLfLines(value));
    } else if (arg.compare(0, 11, "--category-") == 0 && IsCategory(arg.substr(2))) {
      options.header_answers.emplace_back(yodx::Upper(arg.substr(2)), value);
    } else {
      std::fprintf(stderr, "yodx: unknown option %s\n", arg.c_str());
      return 2;
    }
  }
  const bool check = command == "check";
  if (check && (options.output || !options.header_settings.empty())) {
    std::fprintf(stderr, "yodx: the Cabrillo options belong to score\n");
    return 2;
  }
#ifdef _WIN32
  if (!options.header_answers.empty()) {
    std::fprintf(stderr, "yodx: choose the categories in the header dialog\n");
  }
#endif
  if (positional.empty() || (!check && positional.size() != 1) ||
      (check && (positional.size() < 4 || positional.size() > 5))) {
    Usage(stderr);
    return 2;
  }
  options.log_path = positional[0];
  options.windows = check;

  yodx::Replay replay(options);
  std::string error;
  const bool ok = replay.Run(&error);
  const yodx::ReplayResult& r = replay.result();
  for (const yodx::Diagnostic& d : r.log.diagnostics) {
    std::fprintf(stderr, "%s\n", d.ToString().c_str());
  }
  if (r.log.diagnostics_dropped > 0) {
    std::fprintf(stderr, "yodx: %d more diagnostics not shown\n", r.log.diagnostics_dropped);
  }
  if (!ok) {
    std::fprintf(stderr, "yodx: %s\n", error.c_str());
    return 1;
  }
  if (r.log.skipped > 0) {
    std::fprintf(stderr, "yodx: %d unreadable record%s skipped\n", r.log.skipped,
                 r.log.skipped == 1 ? "" : "s");
  }

  // Problems that do not stop the scoring but leave the user without what
  // they asked for: said, and the status fails.
  int status = 0;
  if (!r.report_written) {
    std::fprintf(stderr,
                 "yodx: the plug-in could not write its rejection report err.txt in %s: "
                 "duplicates and refused county codes were not observed\n",
                 options.out_dir.empty() ? "the current folder" : options.out_dir.c_str());
    status = 1;
  }
  if (!r.settings_kept) {
    std::fprintf(stderr,
                 "yodx: the settings were not kept: Plugins/RE-RA-Dediroz.ini could not be "
                 "written\n");
    status = 1;
  }
  if (!check) {
    WriteRaw(r.summary);
    if (!r.cabrillo_file.empty()) {
      std::fprintf(stderr, "yodx: Cabrillo log written to %s\n", r.cabrillo_file.c_str());
    }
    return status;
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
  out += "\n" + replay.windows()->Describe(call, band);
  WriteRaw(out);
  return status;
}
