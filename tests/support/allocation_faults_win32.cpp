// Through the real DLL the plug-in has its own C++ runtime, whose operator
// new and containers allocate with the C library's malloc, calloc and
// realloc: the DLL's import table entries for these three are pointed at
// functions here, which count and refuse as planned and otherwise pass the
// call on. A DLL loaded again is patched again at the next start.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "tests/support/allocation_faults.h"

namespace stats {
namespace testing {
namespace {

using Malloc = void*(__cdecl*)(size_t);
using Calloc = void*(__cdecl*)(size_t, size_t);
using Realloc = void*(__cdecl*)(void*, size_t);

template <typename Fn>
Fn FromCrt(const char* name) {
  return reinterpret_cast<Fn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("msvcrt.dll"), name)));
}
const Malloc g_malloc = FromCrt<Malloc>("malloc");
const Calloc g_calloc = FromCrt<Calloc>("calloc");
const Realloc g_realloc = FromCrt<Realloc>("realloc");

std::atomic<DWORD> g_thread{0};  // the started thread, 0 when stopped
AllocationPlan g_plan;
AllocationCount g_count;

// Whether the allocation on the calling thread is refused (and counts it).
bool Refused(size_t bytes) {
  if (g_thread.load() != GetCurrentThreadId()) return false;
  const std::size_t number = g_count.made++;
  if (number != g_plan.refuseNumber && bytes < g_plan.refuseFromBytes) return false;
  ++g_count.refused;
  return true;
}

void* __cdecl CountedMalloc(size_t bytes) {
  return Refused(bytes) ? nullptr : g_malloc(bytes);
}
void* __cdecl CountedCalloc(size_t count, size_t size) {
  return Refused(count * size) ? nullptr : g_calloc(count, size);
}
void* __cdecl CountedRealloc(void* p, size_t bytes) {
  return Refused(bytes) ? nullptr : g_realloc(p, bytes);
}

void Patch(void** entry, void* with) {
  if (*entry == with) return;
  DWORD protection = 0;
  VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection);
  *entry = with;
  VirtualProtect(entry, sizeof *entry, protection, &protection);
}

// Points the DLL's imports of the three functions from msvcrt.dll here.
void PatchImports(HMODULE dll) {
  auto* base = reinterpret_cast<unsigned char*>(dll);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return;
  for (auto* from = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       from->Name != 0; ++from) {
    if (lstrcmpiA(reinterpret_cast<const char*>(base + from->Name), "msvcrt.dll") != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + from->OriginalFirstThunk);
    auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + from->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++entries) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      void** entry = reinterpret_cast<void**>(&entries->u1.Function);
      if (std::strcmp(name, "malloc") == 0) Patch(entry, reinterpret_cast<void*>(&CountedMalloc));
      if (std::strcmp(name, "calloc") == 0) Patch(entry, reinterpret_cast<void*>(&CountedCalloc));
      if (std::strcmp(name, "realloc") == 0) Patch(entry, reinterpret_cast<void*>(&CountedRealloc));
    }
  }
}

}  // namespace

void StartAllocationFaults(const AllocationPlan& plan) {
  if (HMODULE dll = GetModuleHandleA("Stats.dll")) PatchImports(dll);
  g_plan = plan;
  g_count = AllocationCount();
  g_thread = GetCurrentThreadId();
}

// The test's own allocations go through its own runtime, not the DLL's.
UncountedAllocations::UncountedAllocations() : was_(false) {}

UncountedAllocations::~UncountedAllocations() = default;

AllocationCount AllocationsSoFar() {
  return g_count;
}

AllocationCount StopAllocationFaults() {
  g_thread = 0;
  return g_count;
}

}  // namespace testing
}  // namespace stats
