#include "plugin/module.h"

#include <atomic>
#include <memory>

#include "cabrillo/host_program.h"
#include "hostlink/host_link.h"
#include "infowindows/info_windows.h"
#include "platform/file_system.h"
#include "platform/settings.h"
#include "plugin/dialogs.h"

namespace stats {
namespace {

// Built by the first export that needs it, on the host's thread. A plain
// pointer: no exit-time destructor frees what it points to.
Module*& Instance() {
  static Module* module = nullptr;
  return module;
}

std::atomic<int> g_exportsInProgress{0};

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
  if (Instance() == nullptr) Instance() = new Module();
  return *Instance();
}

std::unique_ptr<Module> TakeModule() {
  std::unique_ptr<Module> module(Instance());
  Instance() = nullptr;
  return module;
}

void RebuildModule() {
  TakeModule().reset();
  Instance() = new Module();
}

ExportCall::ExportCall() {
  ++g_exportsInProgress;
}

ExportCall::~ExportCall() {
  --g_exportsInProgress;
}

bool ExportInProgress() {
  return g_exportsInProgress > 0;
}

}  // namespace stats
