#include "plugin/module.h"

#include <memory>

#include "cabrillo/host_program.h"
#include "hostlink/host_link.h"
#include "infowindows/info_windows.h"
#include "plugin/dialogs.h"
#include "plugin/file_system.h"
#include "plugin/settings.h"

namespace stats {
namespace {

std::unique_ptr<Module>& Instance() {
  static std::unique_ptr<Module> module = std::make_unique<Module>();
  return module;
}

}  // namespace

Module::Module()
    : files(&RealFileSystem()),
      settings(NewPlatformSettings()),
      windows(NewInfoWindows()),
      dialogs(NewPlatformDialogs()),
      programs(NewPlatformProgramFiles()),
      host(NewHostLink()) {}

Module::~Module() = default;

Module& TheModule() {
  return *Instance();
}

void RebuildModule() {
  Instance() = std::make_unique<Module>();
}

}  // namespace stats
