// A minimal host: loads the plug-in from this program's folder (or the path
// given) and prints what it says about its statistics set.
#include <cstdio>
#include <string>

#include "tools/plugin_loader.h"

int main(int argc, char** argv) {
  stats::tools::LoadedPlugin plugin;
  std::string error;
  if (!plugin.Load(argc > 1 ? argv[1] : "", &error)) {
    std::fprintf(stderr, "stats_host: %s\n", error.c_str());
    return 1;
  }
  const stats::tools::PluginExports& x = plugin.exports();
  std::printf("plug-in:        %s\n", plugin.path().c_str());
  std::printf("sets:           %d\n", x.GetNumberOfSets());
  std::printf("set name:       %s\n", x.GetSetName(0));
  std::printf("exchange count: %d\n", x.GetExchgCount0("", "", ""));
  return 0;
}
