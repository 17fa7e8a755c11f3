// A host process of the real kind, for what the plug-in's runtime does to
// it over a long life: it loads and unloads Stats.dll thousands of times
// (each time a reset, twenty contacts and a summary; now and then the
// windows opened and closed, and an export whose body throws because the
// heap refuses it), and half of those loads with the shared libgcc of
// another mingw-built module in the process. Every load and unload must
// give back what it took: the process's TLS slots (there are 1,088, shared
// with every other module) and its address space. Exits non-zero on any
// failure.
//
//   stats_runtime_host.exe CYCLES [SHARED_LIBGCC.dll]
// The shared libgcc (and the threads library it needs) is looked for in
// other-runtime\ beside this program.
#include <objbase.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/allocation_faults.h"
#include "tests/support/host_calls.h"

namespace stats {
namespace testing {
namespace {

tools::LoadedPlugin* g_plugin = nullptr;
int g_failures = 0;

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}

// Free TLS slots: taken until the system has none left, then given back.
int FreeTlsSlots() {
  std::vector<DWORD> taken;
  for (DWORD slot; (slot = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(slot);
  for (DWORD slot : taken) TlsFree(slot);
  return static_cast<int>(taken.size());
}

// Bytes of the address space that are reserved or committed.
unsigned long long UsedAddressSpace() {
  unsigned long long used = 0;
  MEMORY_BASIC_INFORMATION region;
  for (auto* at = static_cast<const char*>(nullptr);
       VirtualQuery(at, &region, sizeof region) == sizeof region; at += region.RegionSize) {
    if (region.State != MEM_FREE) used += region.RegionSize;
    if (at + region.RegionSize < at) break;
  }
  return used;
}

Qso Contact(int cycle, int i) {
  Qso q;
  q.call = "DL" + std::to_string(i) + "ABC";
  q.band = i % 2 == 0 ? "20m" : "40m";
  q.exchSent = std::to_string(i + 1);
  q.exchRcvd = std::to_string((cycle + i) % 900 + 1);
  return q;
}

// An export whose body throws: the heap refuses the summary's first
// allocation, the export answers its fallback (empty text), and the
// plug-in works on afterwards.
bool ThrowingExportIsCaught() {
  AllocationPlan plan;
  plan.refuseNumber = 0;
  StartAllocationFaults(plan);
  const std::string refused = GetResult();
  const AllocationCount count = StopAllocationFaults();
  return refused.empty() && count.refused == 1 &&
         GetResult().find("Total\t 20\t") != std::string::npos;
}

// One load of the plug-in, used as a host uses it, and its unload.
bool Cycle(int cycle) {
  tools::LoadedPlugin plugin;
  std::string error;
  if (!plugin.Load("", &error)) {
    Check(false, "load: " + error);
    return false;
  }
  g_plugin = &plugin;
  bool ok = ResetStats(ResetArgs()) == 1;
  for (int i = 0; i < 20; ++i) ok = AddData(Contact(cycle, i)) == 1 && ok;
  ok = GetResult().find("Total\t 20\t") != std::string::npos && ok;
  if (cycle % 10 == 3 || cycle == 0) ok = ThrowingExportIsCaught() && ok;
  if (cycle % 100 == 7 || cycle == 0) {
    plugin.exports().RunCommand0(0, "SHOWINFO");
    plugin.exports().RunCommand0(0, "HIDEINFO");
  }
  g_plugin = nullptr;
  plugin.Unload();
  return ok;
}

// Cycles and what they left behind.
void Cycles(int from, int to, const std::string& shape) {
  const int slotsBefore = FreeTlsSlots();
  const unsigned long long spaceBefore = UsedAddressSpace();
  int failed = 0;
  for (int cycle = from; cycle < to; ++cycle) failed += Cycle(cycle) ? 0 : 1;
  const int slotsLeft = slotsBefore - FreeTlsSlots();
  const long long grown = static_cast<long long>(UsedAddressSpace() - spaceBefore);
  std::printf("%s: %d cycles, %d TLS slots left behind, address space %+lld KiB\n", shape.c_str(),
              to - from, slotsLeft, grown / 1024);
  Check(failed == 0, shape + ": every cycle answered as a host expects (" + std::to_string(failed) +
                         " did not)");
  Check(slotsLeft == 0, shape + ": no TLS slot left behind");
  Check(grown <= 128 * 1024, shape + ": at most 128 KiB of address space more");
}

#if defined(__i386__)
// Beside a shared libgcc, a copy of the library whose unwind tables cannot
// be found (its section renamed) must refuse to load, rather than end the
// process at its first exception; the library itself loads on.
void CopyWithoutItsTablesRefusesToLoad() {
  const std::string folder = tools::LoadedPlugin::ProgramFolder();
  std::string image;
  if (FILE* in = std::fopen((folder + "Stats.dll").c_str(), "rb")) {
    char chunk[65536];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, in)) > 0;) image.append(chunk, n);
    std::fclose(in);
  }
  const size_t at = image.find(std::string(".eh_fram", 8));
  Check(at != std::string::npos, "Stats.dll names its .eh_fram section");
  if (at == std::string::npos) return;
  image[at + 1] = 'x';
  const std::string copy = folder + "StatsWithoutTables.dll";
  FILE* out = std::fopen(copy.c_str(), "wb");
  bool written = out != nullptr && std::fwrite(image.data(), 1, image.size(), out) == image.size();
  if (out != nullptr) written &= std::fclose(out) == 0;
  Check(written, "the copy without its tables written");
  const HMODULE module = LoadLibraryA(copy.c_str());
  Check(module == nullptr, "the copy without its tables refuses to load beside the shared libgcc");
  if (module != nullptr) FreeLibrary(module);
  DeleteFileA(copy.c_str());
  Check(Cycle(0), "the library itself loads and works after it");
}
#endif

}  // namespace

const tools::PluginExports& Plugin() {
  return g_plugin->exports();
}

}  // namespace testing
}  // namespace stats

int main(int argc, char** argv) {
  using namespace stats::testing;
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 2000;
  // The host's own: COM on its thread, and the system's modules the plug-in
  // uses, loaded for good as a host with a user interface has them.
  CoInitialize(nullptr);
  std::vector<HMODULE> forGood;
  for (const char* module :
       {"user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll", "version.dll"}) {
    forGood.push_back(LoadLibraryA(module));
  }
  // A scratch folder of its own for the plug-in's files.
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string folder =
      std::string(temp) + "stats-runtime-" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(folder.c_str(), nullptr);
  CreateDirectoryA((folder + "\\Plugins").c_str(), nullptr);
  SetCurrentDirectoryA(folder.c_str());

  Cycle(0);  // what the system sets up once, at the first load
  Cycles(1, cycles / 2, "alone");
  if (argc > 2) {
    const std::string path =
        stats::tools::LoadedPlugin::ProgramFolder() + "other-runtime\\" + argv[2];
    const HMODULE libgcc = LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    Check(libgcc != nullptr, "the other module's runtime loaded: " + path);
    Cycle(cycles / 2);
    Cycles(cycles / 2 + 1, cycles, "beside the shared libgcc");
#if defined(__i386__)
    CopyWithoutItsTablesRefusesToLoad();
#endif
  }
  SetCurrentDirectoryA(temp);
  DeleteFileA((folder + "\\Plugins\\RE-RA-Dediroz.ini").c_str());
  DeleteFileA((folder + "\\err.txt").c_str());
  RemoveDirectoryA((folder + "\\Plugins").c_str());
  RemoveDirectoryA(folder.c_str());
  std::printf("%d failure(s)\n", g_failures);
  return g_failures == 0 ? 0 : 1;
}
