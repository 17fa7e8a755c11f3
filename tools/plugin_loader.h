// Loads the real plug-in library the way the host does and resolves its
// exports: libStats.so through dlopen on Linux, Stats.dll through
// LoadLibraryA and the decorated names on Windows.
#ifndef STATS_TOOLS_PLUGIN_LOADER_H_
#define STATS_TOOLS_PLUGIN_LOADER_H_

#include <string>

#include "plugin/exports.h"

namespace stats {
namespace tools {

struct PluginExports {
#define STATS_LOADER_FIELD(result, name, decorated, entry, plain, params) \
  StatsFn_##name name = nullptr;
  STATS_EXPORT_LIST(STATS_LOADER_FIELD)
#undef STATS_LOADER_FIELD
};

class LoadedPlugin {
 public:
  LoadedPlugin() = default;
  ~LoadedPlugin();
  LoadedPlugin(const LoadedPlugin&) = delete;
  LoadedPlugin& operator=(const LoadedPlugin&) = delete;

  // Loads the library at path (empty: the plug-in next to this program) and
  // resolves every export. On failure returns false with a message in *error.
  bool Load(const std::string& path, std::string* error);
  void Unload();

  const PluginExports& exports() const { return exports_; }
  const std::string& path() const { return path_; }

  // The library's file name on this platform.
  static const char* FileName();
  // The folder of the running program, ending in a separator.
  static std::string ProgramFolder();

 private:
  void* handle_ = nullptr;
  std::string path_;
  PluginExports exports_;
};

// Switches standard output to binary, so that text goes out byte for byte
// (Windows would turn every LF into CR LF). Flushes first.
void SetBinaryStdout();

}  // namespace tools
}  // namespace stats

#endif  // STATS_TOOLS_PLUGIN_LOADER_H_
