// yodx: scores a YO-DX HF Contest log through the real plug-in library, and
// checks a Cabrillo log against the contest's rules before it is sent.
//
//   yodx score LOG [options]
//   yodx check LOG CALL BAND MODE [EXCHANGE] [options]
//   yodx lint LOG [--cty FILE] [--period START END] [--json FILE]
//   yodx compact LOG OUT
//   yodx report LOG [--cty FILE] [--period START END] [--html FILE] [--json FILE]
//   yodx crosscheck DIR [options]
//   yodx serve --data DIR [options]
//   yodx --version
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

#include "stats_version.h"
#include "tools/yodx/commands.h"

namespace {

int Main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    yodx::Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("yodx %s\n", STATS_VERSION_TEXT);
    return 0;
  }
  static const struct {
    const char* name;
    int (*run)(const std::vector<std::string>& args);
  } kCommands[] = {{"score", yodx::ScoreCommand},   {"check", yodx::CheckCommand},
                   {"lint", yodx::LintCommand},     {"compact", yodx::CompactCommand},
                   {"report", yodx::ReportCommand}, {"crosscheck", yodx::CrosscheckCommand},
                   {"serve", yodx::ServeCommand}};
  const std::vector<std::string> args(argv + 2, argv + argc);
  for (const auto& command : kCommands) {
    if (std::strcmp(argv[1], command.name) == 0) return command.run(args);
  }
  std::fprintf(stderr, "yodx: unknown command '%s'\n", argv[1]);
  yodx::Usage(stderr);
  return 2;
}

}  // namespace

// Whatever goes wrong ends with a message and the status of a command that
// could not do its work (never 1, which says that the log has errors), and
// never with an uncaught exception.
int main(int argc, char** argv) {
  try {
    const int status = Main(argc, argv);
    // A full disk or a closed pipe must not pass for a complete summary.
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
      std::fprintf(stderr, "yodx: standard output could not be written\n");
      return yodx::kUsage;
    }
    return status;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "yodx: out of memory\n");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "yodx: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "yodx: unexpected failure\n");
  }
  return yodx::kUsage;
}
