#include "plugin/module.h"
#include "tests/support/plugin_under_test.h"

namespace stats {
namespace testing {

const tools::PluginExports& Plugin() {
  static const tools::PluginExports exports = [] {
    tools::PluginExports x;
#define STATS_BIND(result, name, decorated, entry, plain, params) x.name = &::name;
    STATS_EXPORT_LIST(STATS_BIND)
#undef STATS_BIND
    return x;
  }();
  return exports;
}

void FreshPlugin() {
  RebuildModule();
}

void UnloadPlugin() {}

bool ThroughDll() {
  return false;
}

}  // namespace testing
}  // namespace stats
