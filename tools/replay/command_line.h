// The command line that score and check share, and what both say on
// standard error about a replay before their own output.
#ifndef YODX_REPLAY_COMMAND_LINE_H_
#define YODX_REPLAY_COMMAND_LINE_H_

#include <string>
#include <vector>

#include "tools/replay/replay.h"

namespace yodx {

// Reads the options of ARGS (the words after the command's name) into
// *options and the other words into *positional. False, with the reason
// printed, for an option that is unknown, lacks its value, or holds a line
// break where the header takes one line.
bool ParseReplayOptions(const std::vector<std::string>& args, ReplayOptions* options,
                        std::vector<std::string>* positional);

// On Windows, where the plug-in asks for the header's categories in its own
// dialog, tells the operator to choose them there when the options gave some.
void WarnOfHeaderAnswers(const ReplayOptions& options);

// The status of a replay that could not give a complete answer, as every
// command's that could not do what it was asked (kUsage of the commands).
constexpr int kReplayIncomplete = 2;

// Runs REPLAY and prints the log's diagnostics, then what stands in the way
// of a complete answer: an error that stopped the run (*stopped), skipped
// records, and a report or settings file that the plug-in could not write.
// 0, or kReplayIncomplete for a stop or a file not written. OUT_DIR names
// the folder in those messages.
int RunReplay(Replay* replay, const std::string& out_dir, bool* stopped);

}  // namespace yodx

#endif  // YODX_REPLAY_COMMAND_LINE_H_
