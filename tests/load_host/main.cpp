// Loads Stats.dll from this program's folder as the host does, resolves
// every plain and decorated export name, checks that the names of one export
// lead to one entry point, and calls the four simple exports with the host's
// parameter lists. Exits non-zero on any failure.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "plugin/export_names.h"
#include "plugin/exports.h"

namespace {

int g_failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}

template <typename Fn>
Fn Resolve(HMODULE dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(dll, name)));
}

}  // namespace

int main() {
  char exe[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, exe, MAX_PATH);
  std::string path(exe, n);
  path.erase(path.find_last_of("\\/") + 1);
  path += "Stats.dll";
  HMODULE dll = LoadLibraryA(path.c_str());
  Check(dll != nullptr, "LoadLibraryA " + path);
  if (dll == nullptr) return 1;

  for (const StatsExportName& name : kStatsExportNames) {
    FARPROC decorated = GetProcAddress(dll, name.decorated);
    Check(decorated != nullptr, std::string("decorated ") + name.decorated);
    FARPROC entry = GetProcAddress(dll, name.entry);
    if (name.plain != nullptr) {
      FARPROC plain = GetProcAddress(dll, name.plain);
      Check(plain != nullptr, std::string("plain ") + name.plain);
      Check(plain == decorated, std::string("one entry point for ") + name.plain);
      Check(plain == entry, std::string(name.plain) + " shares the entry of " + name.entry);
    } else {
      Check(GetProcAddress(dll, name.entry) == nullptr,
            std::string(name.entry) + " has no plain name");
    }
  }

  auto sets = Resolve<StatsFn_GetNumberOfSets>(dll, kStatsExportNames[0].decorated);
  auto setName = Resolve<StatsFn_GetSetName>(dll, kStatsExportNames[1].decorated);
  auto exchgCount = Resolve<StatsFn_GetExchgCount0>(dll, kStatsExportNames[2].decorated);
  auto runCommand = Resolve<StatsFn_RunCommand0>(dll, kStatsExportNames[9].decorated);
  if (sets && setName && exchgCount && runCommand) {
    Check(sets() == 1, "GetNumberOfSets() == 1");
    Check(std::strcmp(setName(0), "YO-DX Contest (C)") == 0, "GetSetName(0)");
    for (int index : {1, -1, 1000}) {
      const char* text = setName(index);
      Check(text != nullptr && *text == '\0', "GetSetName(" + std::to_string(index) + ") is empty");
    }
    Check(exchgCount("a", "b", "c") == 1 && exchgCount("", "", "") == 1, "GetExchgCount0 == 1");
    for (const char* command : {"showinfo", "SHOWINFO ", "", "anything"}) {
      const char* reply = runCommand(0, command);
      Check(reply != nullptr && *reply == '\0',
            std::string("RunCommand0(\"") + command + "\") answers empty text");
    }
  } else {
    Check(false, "the four simple exports resolve");
  }

  FreeLibrary(dll);
  std::printf("%d failure(s)\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
