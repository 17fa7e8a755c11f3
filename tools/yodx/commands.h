// The commands of yodx, one file each over the tool's library, and what the
// program gives all of them: the usage text and standard output byte for
// byte. Each takes the words after its name and returns the exit status.
#ifndef YODX_COMMANDS_H_
#define YODX_COMMANDS_H_

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tools/contest/count.h"
#include "tools/contest/cty.h"
#include "tools/contest/dates.h"
#include "tools/replay/replay.h"

namespace yodx {

// The exit statuses, the same for every command: 0 done; kLogHasErrors when
// the log has errors (lint finds one, compact's copy is still over the
// upload limit); kUsage when the command could not do what it was asked: a
// command line that is not understood, a log, folder or country file that
// cannot be read, a file that cannot be written.
constexpr int kLogHasErrors = 1;
constexpr int kUsage = 2;

// score LOG [options]: the plug-in's summary of LOG. kUsage for a usage
// error, a run that stopped, or a file the plug-in could not write.
int ScoreCommand(const std::vector<std::string>& args);

// check LOG CALL BAND MODE [EXCHANGE] [options]: the plug-in's answers
// about one more contact after LOG, and its information windows meanwhile.
// Without --out the replay works in a scratch folder, removed afterwards.
// Statuses as for score.
int CheckCommand(const std::vector<std::string>& args);

// lint LOG [--cty FILE] [--period START END] [--json FILE]: the findings on
// standard output. 1 when there is an error, 0 otherwise, 2 for a usage
// error or a file that cannot be read or written.
int LintCommand(const std::vector<std::string>& args);

// compact LOG OUT: 0 when OUT is written and within the upload limit, 1
// when it is still over, 2 for a usage error, an unreadable or
// non-Cabrillo LOG, OUT naming LOG itself, or OUT that cannot be written.
int CompactCommand(const std::vector<std::string>& args);

// report LOG [--cty FILE] [--period START END] [--html FILE] [--json FILE]:
// the log's rates, breaks, counties, multipliers and score in a few lines,
// and as JSON and one page of charts. 0 when written, 2 for a usage error or
// a file that cannot be read or written.
int ReportCommand(const std::vector<std::string>& args);

// crosscheck DIR [--json FILE] [--out DIR] [--window MIN] [--penalty-busted N]
// [--penalty-nil N] [--cty FILE]: every log of the folder matched against
// every other, a line per log on standard output, the reports in --out. 0,
// or 2 for a usage error or a folder, country file or output that cannot be
// read or written.
int CrosscheckCommand(const std::vector<std::string>& args);

// serve --data DIR [--listen HOST:PORT] [--deadline YYYY-MM-DDTHH:MM]
// [--period START END] [options]: the contest's log robot, until SIGTERM or
// SIGINT; or --backup FILE. 0 when it stopped cleanly, 1 when it could not
// start or failed, 2 for a usage error. A Linux command: the Windows build
// says so and answers 2.
int ServeCommand(const std::vector<std::string>& args);

// The program's usage text.
void Usage(FILE* to);

// Writes TEXT to standard output byte for byte: no line-end translation on
// either platform. Checked when the program ends.
void WriteStdout(const std::string& text);

// Replaces the file at PATH with BYTES; false when they could not all be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// WriteFileBytes for a file the user asked for: on failure "yodx: cannot
// write PATH" on standard error and false, the command then ending with kUsage.
bool WriteOutput(const std::string& path, const std::string& bytes);

// "yodx: MESSAGE" on standard error, its bytes printable; returns STATUS.
int Fail(int status, const std::string& message);

// A command's words: one operand (a log, a folder) and options, each with one
// value but --period, which takes two. A repeated option counts as given last.
struct CommandLine {
  std::string operand;
  std::vector<std::pair<std::string, std::vector<std::string>>> options;  // as given
  // The value of OPTION as last given, or "" when it was not.
  std::string Value(const std::string& option) const;
  // The values of OPTION as last given, or nullptr.
  const std::vector<std::string>* Values(const std::string& option) const;
};

// Reads ARGS for COMMAND ("lint"), whose operand is an OPERAND ("log") and
// whose options are KNOWN: true, or false with the usage message in *MESSAGE
// (a second operand, an unknown option, an option without its values).
bool ReadCommandLine(const std::vector<std::string>& args, const std::string& command,
                     const std::string& operand, const std::vector<std::string>& known,
                     CommandLine* line, std::string* message);

// The two values of "--period START END" (UTC times YYYY-MM-DD[THH:MM[:SS]],
// a date alone its first second for START, its last for END) into *FROM and
// *TO: true, or false with the usage message in *MESSAGE.
bool ReadPeriodOption(const std::string& start, const std::string& end, UtcSeconds* from,
                      UtcSeconds* to, std::string* message);

// The members of a count in the JSON the commands write, without the braces
// (a command may add its own members to the object): "\"qsos\": 1893, ...".
std::string CountJsonMembers(const CountTotals& totals);

}  // namespace yodx

#endif  // YODX_COMMANDS_H_
