#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/plugin_under_test.h"

namespace stats {
namespace testing {
namespace {

tools::LoadedPlugin& Dll() {
  static tools::LoadedPlugin dll;
  return dll;
}

void LoadOrDie() {
  std::string error;
  if (!Dll().Load("", &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::abort();
  }
}

}  // namespace

const tools::PluginExports& Plugin() {
  if (Dll().exports().AddData0 == nullptr) LoadOrDie();
  return Dll().exports();
}

void FreshPlugin() {
  Dll().Unload();
  LoadOrDie();
}

void UnloadPlugin() {
  Dll().Unload();
}

bool ThroughDll() {
  return true;
}

}  // namespace testing
}  // namespace stats
