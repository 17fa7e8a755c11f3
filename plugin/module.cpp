#include "plugin/module.h"

#include <memory>

#include "cabrillo/host_program.h"
#include "hostlink/host_link.h"
#include "infowindows/info_windows.h"
#include "platform/file_system.h"
#include "platform/settings.h"
#include "plugin/dialogs.h"

namespace stats {
namespace {

// Built by the first export that needs it, on the host's thread.
std::unique_ptr<Module>& Instance() {
  static std::unique_ptr<Module> module;
  return module;
}

}  // namespace

Module::Module()
    : files(&RealFileSystem()),
      settings(NewPlatformSettings()),
      host(NewPlatformHostLink()),
      dialogs(NewPlatformDialogs()),
      programs(NewPlatformProgramFiles()),
      windows(NewPlatformInfoWindows({&lock, &contest, &windowState, settings.get(), host.get()})) {
}

Module::~Module() {
  windows.reset();  // before the lock and the state its thread uses
}

Module& TheModule() {
  if (!Instance()) Instance() = std::make_unique<Module>();
  return *Instance();
}

std::unique_ptr<Module> TakeModule() {
  return std::move(Instance());
}

void RebuildModule() {
  Instance() = std::make_unique<Module>();
}

}  // namespace stats
