// Plays the host's part against the real plug-in: reset, every contact of a
// log through AddData0 in log order, the result; and the two questions the
// host asks while a contact is typed.
#ifndef YODX_REPLAY_H_
#define YODX_REPLAY_H_

#include <string>
#include <vector>

#include "tools/contest/contact.h"
#include "tools/contest/cty.h"
#include "tools/plugin_loader.h"
#include "tools/replay/windows_view.h"

namespace yodx {

struct ReplayOptions {
  std::string log_path;
  std::string cty_path;  // empty: the first of CountryFileCandidates
  std::string own_call;  // empty: from the log
  Date start, end;       // unset: the first and last contact's dates
  std::string out_dir;   // empty: the current folder
  std::string json_path;
  std::string plugin_path;  // empty: the plug-in next to this program
  bool output = false;      // the reset's output switch: also write the Cabrillo log
  bool windows = false;     // also keep what the information windows would show
  // Cabrillo header values stored in the settings file before the reset, so
  // that the header dialog opens with them (settings key, value).
  std::vector<std::pair<std::string, std::string>> header_settings;
  // Category answers for the header dialog of the headless build (dialog
  // label, value); the real dialog asks the operator instead.
  std::vector<std::pair<std::string, std::string>> header_answers;
  // Exports to call instead of loading a library (tests pass their own).
  const stats::tools::PluginExports* exports = nullptr;
};

// One contact that the plug-in refused, or logged with a rejection line
// (duplicate, county code not acceptable).
struct Rejection {
  enum Kind { kRefused, kDuplicate, kCounty };
  Kind kind = kRefused;
  const Contact* contact = nullptr;
  std::string reason;                // the message of the report line
  std::vector<std::string> reports;  // the lines "err.txt" got for it
};

// A band row or the total row of the summary, as the plug-in printed it.
struct Tally {
  std::string band;  // "Total" for the total row
  int qsos = 0, points = 0, dxcc = 0, county = 0;
};

struct ReplayResult {
  LogData log;
  std::string own_call, own_prefix, own_continent;
  int added = 0, logged = 0, refused = 0;  // AddData0 calls, results 1 and 0
  int unknown_country = 0;                 // worked calls the country file does not place
  std::vector<Rejection> rejections;
  std::string summary;  // GetResult0's text, unchanged
  std::vector<Tally> tallies;
  long long score = -1;         // from the score line; -1 if it could not be read
  std::string cabrillo_file;    // the Cabrillo log written by an output run
  bool report_written = false;  // err.txt could be written, so its lines were seen
  bool settings_kept = false;   // the settings file took the claimed score
};

class Replay {
 public:
  explicit Replay(ReplayOptions options) : options_(std::move(options)) {}

  // Reads the log and the country file, loads the plug-in, changes into the
  // output folder, resets and feeds every contact, and asks for the result.
  // False with *error for a problem that stops the run (unreadable log,
  // missing country file, no plug-in); bad records only add diagnostics.
  bool Run(std::string* error);

  // After Run: CheckCall0 and IsValidExchg0 for a contact being entered.
  int CheckCall(const std::string& call, const std::string& band, const std::string& mode,
                const std::string& county) const;
  int IsValidExchange(const std::string& call, const std::string& exchange) const;

  const ReplayResult& result() const { return result_; }
  const CtyFile& cty() const { return cty_; }
  // With options.windows, after Run: the windows' content.
  WindowsView* windows() const { return windows_.get(); }

  // The tallies and every rejection as a JSON document.
  std::string Json() const;

 private:
  bool LoadCty(std::string* error);
  // Stores the header values and the headless answers of an output run.
  bool PrepareOutputRun(std::string* error);
  const stats::tools::PluginExports& exports() const {
    return options_.exports ? *options_.exports : plugin_.exports();
  }

  ReplayOptions options_;
  CtyFile cty_;
  stats::tools::LoadedPlugin plugin_;
  ReplayResult result_;
  std::unique_ptr<WindowsView> windows_;
};

// Loads the country file CTY_OPTION (--cty), or when it is empty the first
// cty.dat of CountryFileCandidates for LOG (a log or a folder of logs),
// beside the program that runs included.
bool LoadCountries(const std::string& cty_option, const std::string& log, CtyFile* countries,
                   std::string* error);

// Reads the band rows, the total row and the score from the summary text.
void ParseSummary(const std::string& summary, std::vector<Tally>* tallies, long long* score);

// The message of a report line for CONTACT: what follows the contact's fields.
std::string ReportReason(const std::string& line, const Contact& contact);

}  // namespace yodx

#endif  // YODX_REPLAY_H_
