// The plug-in that the behaviour tests call: the exports linked in-process
// in the native build, the real Stats.dll loaded by LoadLibraryA in the
// Windows builds. Either way the calls use the host's parameter lists.
#ifndef STATS_TESTS_SUPPORT_PLUGIN_UNDER_TEST_H_
#define STATS_TESTS_SUPPORT_PLUGIN_UNDER_TEST_H_

#include "tools/plugin_loader.h"

namespace stats {
namespace testing {

const tools::PluginExports& Plugin();

// Starts again from the state of a freshly loaded library (natively the
// module state is rebuilt; on Windows the DLL is unloaded and loaded again).
void FreshPlugin();

// Lets go of the library (natively: nothing), so that a test can load and
// free its own; the next Plugin() loads it again.
void UnloadPlugin();

// True when the calls go through the real DLL.
bool ThroughDll();

}  // namespace testing
}  // namespace stats

#endif  // STATS_TESTS_SUPPORT_PLUGIN_UNDER_TEST_H_
