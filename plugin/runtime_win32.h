// The library's part in the C++ runtime's life (runtime_win32.cpp), called
// from DllMain: what the runtime keeps per thread, and the unwinder's
// tables, made when the library loads and given back when it unloads.
#ifndef STATS_PLUGIN_RUNTIME_WIN32_H_
#define STATS_PLUGIN_RUNTIME_WIN32_H_

namespace stats {

// At DLL_PROCESS_ATTACH. False when the library cannot throw in this
// process (its unwinder cannot be told of its tables): it must not load.
bool StartRuntime();
// At DLL_THREAD_DETACH: the ending thread's exception record.
void EndThreadRuntime();
// At DLL_PROCESS_DETACH of an unload (not at process exit), last: every
// thread's record, the TLS slot, the tables, the emergency pool.
void StopRuntime();

}  // namespace stats

#endif  // STATS_PLUGIN_RUNTIME_WIN32_H_
