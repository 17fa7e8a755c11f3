// serve in the Windows build: the log robot is a Linux command, and this
// build says so rather than pretending to know no such command.
#include "tools/yodx/commands.h"

namespace yodx {

int ServeCommand(const std::vector<std::string>&) {
  return Fail(kUsage,
              "serve is a Linux command (the contest's log robot, on a server): this Windows "
              "build leaves it out");
}

}  // namespace yodx
