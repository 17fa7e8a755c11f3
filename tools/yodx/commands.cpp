#include "tools/yodx/commands.h"

#include <algorithm>

#include "platform/file_system.h"
#include "tools/contest/text.h"

namespace yodx {

void Usage(FILE* to) {
  std::fputs(
      "usage: yodx score LOG [options]\n"
      "       yodx check LOG CALL BAND MODE [EXCHANGE] [options]\n"
      "       yodx lint LOG [--cty FILE] [--period START END] [--json FILE]\n"
      "       yodx compact LOG OUT\n"
      "       yodx report LOG [--cty FILE] [--period START END] [--html FILE] [--json FILE]\n"
      "       yodx crosscheck DIR [--json FILE] [--out DIR] [--window MIN]\n"
      "                       [--penalty-busted N] [--penalty-nil N] [--cty FILE]\n"
      "       yodx serve --data DIR [--listen HOST:PORT] [--deadline YYYY-MM-DDTHH:MM]\n"
      "                  [--period START END] [--cty FILE] [--uploads-per-minute N]\n"
      "                  [--body-limit BYTES] [--header-timeout S] [--body-timeout S]\n"
      "                  [--threads N] [--connections-per-address N] [--behind-proxy]\n"
      "                  [--new-token]\n"
      "       yodx serve --data DIR --backup FILE\n"
      "       yodx --version\n"
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
      "report shows the weekend: contacts per hour and band, the best rates, the\n"
      "breaks, the counties worked and missing, the multipliers as they came in,\n"
      "and the score; --json FILE writes the figures, --html FILE one page of\n"
      "charts that opens offline (--period as for lint).\n"
      "crosscheck matches every QSO line of every Cabrillo log in DIR against the\n"
      "other station's log (the same band and mode, times within --window minutes,\n"
      "default 5, once each log's clock offset is taken out) and classes it:\n"
      "confirmed, busted, exchange, nil, dupe, nolog or unique. --out DIR writes a\n"
      "report per log (CALL.txt), results.csv and results.html; --json FILE every\n"
      "line's class. Busted, exchange, nil and dupe lines score nothing; the\n"
      "organiser publishes no penalties, so both are 0 unless --penalty-busted or\n"
      "--penalty-nil sets one, in times the contact's points (as CQ WW and WPX do).\n"
      "serve is the contest's log robot (Linux only): a web page and a JSON API that\n"
      "take logs, check each as lint does, keep them in DIR/logs.sqlite with a\n"
      "receipt, list them, and let the organiser (token in DIR/admin.token) see every\n"
      "version, set the deadline, cross-check and publish. It listens on\n"
      "127.0.0.1:8080 unless --listen says otherwise, and stops on SIGTERM or SIGINT;\n"
      "--backup FILE copies the database while it runs.\n"
      "\n"
      "options:\n"
      "  --cty FILE          country file in cty.dat format (default, as for every\n"
      "                      command: cty.dat in the current folder, beside the log,\n"
#ifdef _WIN32
      "                      then beside yodx.exe)\n"
#else
      "                      beside yodx, then /usr/share/hamradio-files/cty.dat)\n"
#endif
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

void WriteStdout(const std::string& text) {
  stats::tools::SetBinaryStdout();
  std::fwrite(text.data(), 1, text.size(), stdout);  // checked at the end of main
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
  return stats::RealFileSystem().Replace(path, bytes);
}

bool WriteOutput(const std::string& path, const std::string& bytes) {
  if (WriteFileBytes(path, bytes)) return true;
  Fail(kUsage, "cannot write " + path);
  return false;
}

int Fail(int status, const std::string& message) {
  std::fprintf(stderr, "yodx: %s\n", Printable(message, 400).c_str());
  return status;
}

std::string CommandLine::Value(const std::string& option) const {
  const std::vector<std::string>* values = Values(option);
  return values != nullptr ? values->front() : std::string();
}

const std::vector<std::string>* CommandLine::Values(const std::string& option) const {
  for (auto given = options.rbegin(); given != options.rend(); ++given) {
    if (given->first == option) return &given->second;
  }
  return nullptr;
}

bool ReadCommandLine(const std::vector<std::string>& args, const std::string& command,
                     const std::string& operand, const std::vector<std::string>& known,
                     CommandLine* line, std::string* message) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) {
      if (!line->operand.empty()) {
        *message = command;
        *message += " takes one " + operand;
        *message += ", not also " + arg;
        return false;
      }
      line->operand = arg;
      continue;
    }
    if (std::find(known.begin(), known.end(), arg) == known.end()) {
      *message = "unknown option " + arg;
      *message += " for " + command;
      return false;
    }
    const size_t count = arg == "--period" ? 2 : 1;
    if (i + count >= args.size()) {
      *message = arg + (count == 2 ? " needs START and END" : " needs a value");
      return false;
    }
    std::vector<std::string> values;
    for (size_t k = 1; k <= count; ++k) values.push_back(args[i + k]);
    line->options.emplace_back(arg, std::move(values));
    i += count;
  }
  return true;
}

bool ReadPeriodOption(const std::string& start, const std::string& end, UtcSeconds* from,
                      UtcSeconds* to, std::string* message) {
  if (!ParseUtcTime(start, false, from) || !ParseUtcTime(end, true, to)) {
    *message =
        "--period takes two UTC times YYYY-MM-DD[THH:MM[:SS]], not '" + start + "' '" + end + "'";
    return false;
  }
  if (*from > *to) {
    *message = "--period ends before it starts";
    return false;
  }
  return true;
}

std::string CountJsonMembers(const CountTotals& totals) {
  return "\"qsos\": " + std::to_string(totals.qsos) +
         ", \"points\": " + std::to_string(totals.points) +
         ", \"dxcc\": " + std::to_string(totals.dxcc) +
         ", \"counties\": " + std::to_string(totals.counties) +
         ", \"multipliers\": " + std::to_string(totals.multipliers()) +
         ", \"score\": " + std::to_string(totals.score());
}

}  // namespace yodx
