#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "tools/plugin_loader.h"

namespace stats {
namespace tools {

const char* LoadedPlugin::FileName() {
  return "libStats.so";
}

std::string LoadedPlugin::ProgramFolder() {
  std::vector<char> buf(4096);
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return "./";
  std::string exe(buf.data(), static_cast<std::size_t>(n));
  return exe.substr(0, exe.rfind('/') + 1);
}

bool LoadedPlugin::Load(const std::string& path, std::string* error) {
  Unload();
  path_ = path.empty() ? ProgramFolder() + FileName() : path;
  handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    // The tools load the plug-in from their one thread.
    *error = "cannot load " + path_ + ": " + dlerror();  // NOLINT(concurrency-mt-unsafe)
    return false;
  }
  bool ok = true;
#define STATS_LOADER_RESOLVE(result, name, decorated, entry, plain, params) \
  exports_.name = reinterpret_cast<StatsFn_##name>(dlsym(handle_, #name));  \
  if (exports_.name == nullptr) {                                           \
    *error = path_ + " does not export " #name;                             \
    ok = false;                                                             \
  }
  STATS_EXPORT_LIST(STATS_LOADER_RESOLVE)
#undef STATS_LOADER_RESOLVE
  if (!ok) Unload();
  return ok;
}

void LoadedPlugin::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
  exports_ = PluginExports();
}

LoadedPlugin::~LoadedPlugin() {
  Unload();
}

void SetBinaryStdout() {
  std::fflush(stdout);
}

}  // namespace tools
}  // namespace stats
