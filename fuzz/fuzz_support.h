// What the fuzzers share: a private working folder, quiet dialogs, and the
// check that a result text holds what it must.
#ifndef STATS_FUZZ_FUZZ_SUPPORT_H_
#define STATS_FUZZ_FUZZ_SUPPORT_H_

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "plugin/dialogs.h"
#include "tests/support/result_check.h"

namespace stats {
namespace fuzz {

// Stops the run: libFuzzer keeps the input that got here.
#define STATS_FUZZ_CHECK(condition)                                                       \
  do {                                                                                    \
    if (!(condition)) {                                                                   \
      std::fprintf(stderr, "check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
      __builtin_trap();                                                                   \
    }                                                                                     \
  } while (0)

// A fresh folder of its own as the working directory, with "Plugins".
inline void EnterScratchFolder() {
  char name[] = "/tmp/stats-fuzz-XXXXXX";
  if (mkdtemp(name) == nullptr || chdir(name) != 0) __builtin_trap();
  mkdir("Plugins", 0777);
}

// Dialogs that confirm what they show and say nothing.
class QuietDialogs : public Dialogs {
 public:
  bool ShowHeader(HeaderForm&) override { return true; }
  bool ShowSetup(SetupForm&) override { return true; }
  void ShowMessage(const std::string&, const std::string&, Icon) override {}
};

// Stops the run when a result text lacks what it must hold.
inline void CheckResult(const std::string& text) {
  const std::string problem = testing::ResultTextProblem(text);
  if (!problem.empty()) {
    std::fprintf(stderr, "result text: %s\n", problem.c_str());
    __builtin_trap();
  }
}

}  // namespace fuzz
}  // namespace stats

#endif  // STATS_FUZZ_FUZZ_SUPPORT_H_
