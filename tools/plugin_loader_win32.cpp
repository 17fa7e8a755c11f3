#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "plugin/export_names.h"
#include "tools/plugin_loader.h"

namespace stats {
namespace tools {
namespace {

// The host finds the functions by their decorated names; so does this loader.
FARPROC Decorated(HMODULE module, const char* plain) {
  for (const StatsExportName& name : kStatsExportNames) {
    if (name.plain != nullptr ? std::strcmp(name.plain, plain) == 0
                              : std::strcmp(name.entry, plain) == 0) {
      return GetProcAddress(module, name.decorated);
    }
  }
  return nullptr;
}

}  // namespace

const char* LoadedPlugin::FileName() {
  return "Stats.dll";
}

std::string LoadedPlugin::ProgramFolder() {
  char buf[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return ".\\";
  std::string exe(buf, n);
  return exe.substr(0, exe.find_last_of("\\/") + 1);
}

bool LoadedPlugin::Load(const std::string& path, std::string* error) {
  Unload();
  path_ = path.empty() ? ProgramFolder() + FileName() : path;
  HMODULE module = LoadLibraryA(path_.c_str());
  if (module == nullptr) {
    *error = "cannot load " + path_ + " (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  handle_ = module;
  bool ok = true;
#define STATS_LOADER_RESOLVE(result, name, decorated, entry, plain, params)                     \
  exports_.name =                                                                               \
      reinterpret_cast<StatsFn_##name>(reinterpret_cast<void (*)()>(Decorated(module, #name))); \
  if (exports_.name == nullptr) {                                                               \
    *error = path_ + " does not export " #name;                                                 \
    ok = false;                                                                                 \
  }
  STATS_EXPORT_LIST(STATS_LOADER_RESOLVE)
#undef STATS_LOADER_RESOLVE
  if (!ok) Unload();
  return ok;
}

void LoadedPlugin::Unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
  exports_ = PluginExports();
}

LoadedPlugin::~LoadedPlugin() {
  Unload();
}

void SetBinaryStdout() {
  std::fflush(stdout);
  _setmode(_fileno(stdout), _O_BINARY);
}

}  // namespace tools
}  // namespace stats
