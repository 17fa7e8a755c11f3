#include "tools/replay/command_line.h"

#include <cstdio>

#include "tools/contest/text.h"

namespace yodx {

namespace {

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

void WarnOfHeaderAnswers([[maybe_unused]] const ReplayOptions& options) {
#ifdef _WIN32
  if (!options.header_answers.empty()) {
    std::fprintf(stderr, "yodx: choose the categories in the header dialog\n");
  }
#endif
}

bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions* options,
                        std::vector<std::string>* positional) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.compare(0, 2, "--") != 0) {
      positional->push_back(arg);
      continue;
    }
    if (arg == "--cabrillo") {
      options->output = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      std::fprintf(stderr, "yodx: %s needs a value\n", arg.c_str());
      return false;
    }
    const std::string& value = args[++i];
    if (TakesOneLine(arg) && value.find_first_of("\r\n") != std::string::npos) {
      std::fprintf(stderr,
                   "yodx: %s takes one line of text, without a line break; only --operators "
                   "and --soapbox take several lines\n",
                   arg.c_str());
      return false;
    }
    if (arg == "--cty") {
      options->cty_path = value;
    } else if (arg == "--call") {
      options->own_call = value;
    } else if (arg == "--start" || arg == "--end") {
      if (!ParseIsoDate(value, arg == "--start" ? &options->start : &options->end)) {
        std::fprintf(stderr, "yodx: %s '%s' is not a date YYYY-MM-DD\n", arg.c_str(),
                     value.c_str());
        return false;
      }
    } else if (arg == "--out") {
      options->out_dir = value;
    } else if (arg == "--json") {
      options->json_path = value;
    } else if (arg == "--plugin") {
      options->plugin_path = value;
    } else if (const char* key = HeaderKey(arg)) {
      options->header_settings.emplace_back(key, CrLfLines(value));
    } else if (arg.compare(0, 11, "--category-") == 0 && IsCategory(arg.substr(2))) {
      options->header_answers.emplace_back(Upper(arg.substr(2)), value);
    } else {
      std::fprintf(stderr, "yodx: unknown option %s\n", arg.c_str());
      return false;
    }
  }
  return true;
}

int RunReplay(Replay* replay, const std::string& out_dir, bool* stopped) {
  std::string error;
  const bool ok = replay->Run(&error);
  const ReplayResult& r = replay->result();
  for (const Diagnostic& d : r.log.diagnostics) {
    std::fprintf(stderr, "%s\n", d.ToString().c_str());
  }
  if (r.log.diagnostics_dropped > 0) {
    std::fprintf(stderr, "yodx: %d more diagnostics not shown\n", r.log.diagnostics_dropped);
  }
  *stopped = !ok;
  if (!ok) {
    std::fprintf(stderr, "yodx: %s\n", error.c_str());
    return kReplayIncomplete;
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
                 out_dir.empty() ? "the current folder" : out_dir.c_str());
    status = kReplayIncomplete;
  }
  if (!r.settings_kept) {
    std::fprintf(stderr,
                 "yodx: the settings were not kept: Plugins/RE-RA-Dediroz.ini could not be "
                 "written\n");
    status = kReplayIncomplete;
  }
  return status;
}

}  // namespace yodx
