// The whole replay path in-process: an arbitrary log (ADIF or Cabrillo, told
// by content) read, looked up in a small country file, and fed through the
// exports; the summary must hold what it must.
#include <fstream>

#include "fuzz/fuzz_support.h"
#include "plugin/exports.h"
#include "plugin/module.h"
#include "tools/replay/replay.h"

namespace {

const char kCty[] =
    "Romania: 20: 28: EU: 45.78: -24.70: -2.0: YO:\n    YO,YP,YQ,YR;\n"
    "Fed. Rep. of Germany: 14: 28: EU: 51.00: -10.00: -1.0: DL:\n    DA,DB,DC,DD,DJ,DK,DL,DM;\n"
    "Sicily: 15: 28: EU: 37.50: -14.00: -1.0: *IT9:\n    IT9;\n"
    "United States of America: 05: 08: NA: 37.60: 91.87: 5.0: K:\n    AA,K,N,W;\n";

stats::tools::PluginExports InProcess() {
  stats::tools::PluginExports x;
#define STATS_BIND(result, name, decorated, entry, plain, params) x.name = &::name;
  STATS_EXPORT_LIST(STATS_BIND)
#undef STATS_BIND
  return x;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  stats::fuzz::EnterScratchFolder();
  std::ofstream("cty.dat", std::ios::binary) << kCty;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::ofstream("log.txt", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  stats::RebuildModule();
  stats::TheModule().dialogs = std::make_unique<stats::fuzz::QuietDialogs>();
  static const stats::tools::PluginExports exports = InProcess();
  yodx::ReplayOptions options;
  options.log_path = "log.txt";
  options.cty_path = "cty.dat";
  options.own_call = "YO3ABC";
  options.exports = &exports;
  options.windows = size % 2 == 1;
  yodx::Replay replay(options);
  std::string error;
  if (replay.Run(&error)) {
    stats::fuzz::CheckResult(replay.result().summary);
    replay.Json();
    if (replay.windows()) replay.windows()->Describe("YO9AAA", "20m");
  }
  return 0;
}
