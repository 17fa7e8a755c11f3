// The parts of the C++ runtime that the library's statically linked copy
// would otherwise leave behind in the host's process, or get wrong there.
//
// Per-thread state. mingw-w64's static threads library (winpthreads) keeps a
// record for every thread that enters it (a TLS index for the process, a
// duplicated thread handle and an event per thread) and never frees any of
// it when the library unloads: each load and unload of the plug-in would
// cost the host one of its 1,088 TLS slots, until it aborts. The runtime
// enters it through three doors, and each is closed here:
//   - once-initialisation and mutexes (the unwinder's tables, the emergency
//     pool for exceptions, std::mutex): the five functions below, on the
//     system's own primitives, which hold no per-thread state at all;
//   - exception state per thread (__cxa_get_globals), which the runtime
//     keeps in emulated TLS built on the threads library's keys: here in one
//     system TLS slot, whose records are freed as threads end and when the
//     library unloads;
//   - thread-safe function-local statics and iostreams: the library has
//     none (tests/check_library.sh reads the link map to keep it so).
// With these defined here the linker takes nothing from winpthreads; a
// "multiple definition of pthread_..." at link time means some new code
// pulled in a part of it that needs more (a thread, a key, a condition).
//
// Unwinding (i686). The i686 runtime unwinds with DWARF tables that must be
// registered with the unwinder. At load, the start-up code registers them
// with libgcc_s_dw2-1.dll instead of our own unwinder when the host has that
// DLL loaded (another mingw-built module needs it), and our own throw then
// finds no tables and ends the process. So when our unwinder cannot find our
// tables after the start-up code has run, they are registered with it too,
// and taken back at unload.
//
// And the runtime's emergency pool for exceptions (allocated at load, for
// throwing when memory is out) is given back at unload.
#include "plugin/runtime_win32.h"

#include <cxxabi.h>
#include <pthread.h>
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <new>

extern "C" IMAGE_DOS_HEADER __ImageBase;  // NOLINT(bugprone-reserved-identifier)

namespace __gnu_cxx {
// libstdc++'s own: frees the emergency exception pool (made for tools such as
// valgrind that look for leaks at exit).
void __freeres();  // NOLINT(bugprone-reserved-identifier)
}  // namespace __gnu_cxx

namespace {

// --- once and mutexes ---------------------------------------------------

// pthread_mutex_t is pointer-sized: it holds an SRWLOCK itself, which is
// pointer-sized and needs no destruction. The static initialiser (-1) is
// turned into an unlocked SRWLOCK (0) by whoever locks it first. Otherwise
// the value is the SRWLOCK's own and opaque (held, it may well read as a
// negative number); it is never -1, which would take 65,535 waiting
// threads, or a wait block at the top of the address space. Only plain
// mutexes are offered: the runtime's members that the library links use no
// recursive or error-checking one.
PSRWLOCK SrwOf(pthread_mutex_t* m) {
  static_assert(sizeof(pthread_mutex_t) == sizeof(SRWLOCK), "a mutex holds an SRWLOCK");
  InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(m), nullptr,
                                    reinterpret_cast<void*>(PTHREAD_MUTEX_INITIALIZER));
  return reinterpret_cast<PSRWLOCK>(m);
}

}  // namespace

extern "C" {

int pthread_once(pthread_once_t* once, void (*init)(void)) {
  // 0: not run, 1: running, 2: done. A thread that finds it running yields
  // until it is done (the runtime's initialisers are short and never wait).
  constexpr long kRunning = 1, kDone = 2;
  if (once == nullptr || init == nullptr) return EINVAL;
  if (InterlockedCompareExchange(once, kDone, kDone) == kDone) return 0;
  if (InterlockedCompareExchange(once, kRunning, 0) == 0) {
    try {
      init();
    } catch (...) {
      InterlockedExchange(once, 0);  // not run: the next caller tries again
      throw;
    }
    InterlockedExchange(once, kDone);
    return 0;
  }
  while (InterlockedCompareExchange(once, kDone, kDone) != kDone) SwitchToThread();
  return 0;
}

int pthread_mutex_init(pthread_mutex_t* m, const pthread_mutexattr_t* attributes) {
  if (m == nullptr || (attributes != nullptr && *attributes != PTHREAD_MUTEX_DEFAULT))
    return EINVAL;
  InitializeSRWLock(reinterpret_cast<PSRWLOCK>(m));
  return 0;
}

int pthread_mutex_destroy(pthread_mutex_t* m) {
  return m == nullptr ? EINVAL : 0;
}

int pthread_mutex_lock(pthread_mutex_t* m) {
  if (m == nullptr) return EINVAL;
  AcquireSRWLockExclusive(SrwOf(m));
  return 0;
}

int pthread_mutex_trylock(pthread_mutex_t* m) {
  if (m == nullptr) return EINVAL;
  return TryAcquireSRWLockExclusive(SrwOf(m)) ? 0 : EBUSY;
}

int pthread_mutex_unlock(pthread_mutex_t* m) {
  if (m == nullptr) return EINVAL;
  ReleaseSRWLockExclusive(reinterpret_cast<PSRWLOCK>(m));
  return 0;
}

}  // extern "C"

namespace {

// --- exception state per thread -----------------------------------------

// The runtime's record of a thread's exceptions (the C++ ABI's
// __cxa_eh_globals: the caught exceptions and the count of uncaught ones),
// with room to spare.
struct ExceptionState {
  void* caught = nullptr;
  unsigned int uncaught = 0;
  void* reserved[2] = {};
};

struct ThreadRecord {
  ExceptionState state;
  ThreadRecord* next = nullptr;
};

DWORD g_slot = TLS_OUT_OF_INDEXES;  // ThreadRecord* of the calling thread
SRWLOCK g_recordsLock = SRWLOCK_INIT;
ThreadRecord* g_records = nullptr;  // every live record, to free at unload
// For a thread that cannot get a record of its own (no slot, no memory):
// shared, which is only wrong if two such threads are in a throw at once.
// A thread that once took it keeps it (its slot names it), so that one
// exception's throw and catch never see two different records.
ThreadRecord g_spare;

ExceptionState* ThisThreadsState() {
  if (g_slot == TLS_OUT_OF_INDEXES) return &g_spare.state;
  // A throw or a catch must not change the thread's last error, which the
  // code around it may still be about to read.
  const DWORD lastError = GetLastError();
  auto* record = static_cast<ThreadRecord*>(TlsGetValue(g_slot));
  if (record == nullptr) {
    void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadRecord));
    if (memory != nullptr) {
      record = new (memory) ThreadRecord();
      AcquireSRWLockExclusive(&g_recordsLock);
      record->next = g_records;
      g_records = record;
      ReleaseSRWLockExclusive(&g_recordsLock);
    } else {
      record = &g_spare;
    }
    TlsSetValue(g_slot, record);
  }
  SetLastError(lastError);
  return &record->state;
}

void FreeRecord(ThreadRecord* record) {
  if (record == &g_spare) return;
  AcquireSRWLockExclusive(&g_recordsLock);
  for (ThreadRecord** at = &g_records; *at != nullptr; at = &(*at)->next) {
    if (*at == record) {
      *at = record->next;
      break;
    }
  }
  ReleaseSRWLockExclusive(&g_recordsLock);
  HeapFree(GetProcessHeap(), 0, record);
}

// --- the unwinder's tables (i686) ---------------------------------------

#if defined(__i386__)
// libgcc's interface to its registry of frame tables.
struct DwarfBases {
  void* tbase;
  void* dbase;
  void* func;
};
extern "C" const void* _Unwind_Find_FDE(void* pc, DwarfBases* bases);
extern "C" void __register_frame_info(const void* begin, void* object);
extern "C" void* __deregister_frame_info(const void* begin);

// libgcc's record of a registered table ("struct object", seven words in
// this compiler); the registry keeps it until the table is taken back.
alignas(void*) unsigned char g_frameObject[32 * sizeof(void*)];
const void* g_registeredFrames = nullptr;

// The library's .eh_frame section, found through its own section table (the
// image is linked with short section names, so the name is cut to eight).
const void* OwnFrameTables() {
  const auto* base = reinterpret_cast<const unsigned char*>(&__ImageBase);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + __ImageBase.e_lfanew);
  const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
  for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section) {
    static const char kName[IMAGE_SIZEOF_SHORT_NAME] = {'.', 'e', 'h', '_', 'f', 'r', 'a', 'm'};
    bool same = true;
    for (int c = 0; c < IMAGE_SIZEOF_SHORT_NAME; ++c) same = same && section->Name[c] == kName[c];
    if (same && section->Misc.VirtualSize >= 4) return base + section->VirtualAddress;
  }
  return nullptr;
}

__attribute__((noinline)) void RegisterFrameTablesIfMissing() {
  DwarfBases bases;
  // Any function of ours will do; this one has a table entry of its own.
  if (_Unwind_Find_FDE(reinterpret_cast<void*>(&RegisterFrameTablesIfMissing), &bases) != nullptr) {
    return;
  }
  const void* frames = OwnFrameTables();
  if (frames == nullptr) return;
  __register_frame_info(frames, g_frameObject);
  g_registeredFrames = frames;
}

void DeregisterFrameTables() {
  if (g_registeredFrames == nullptr) return;
  __deregister_frame_info(g_registeredFrames);
  g_registeredFrames = nullptr;
}
#else
// x86_64 unwinds through the system's own tables.
void RegisterFrameTablesIfMissing() {}
void DeregisterFrameTables() {}
#endif

}  // namespace

namespace __cxxabiv1 {

extern "C" __cxa_eh_globals* __cxa_get_globals() noexcept {
  return reinterpret_cast<__cxa_eh_globals*>(ThisThreadsState());
}

extern "C" __cxa_eh_globals* __cxa_get_globals_fast() noexcept {
  return __cxa_get_globals();
}

}  // namespace __cxxabiv1

namespace stats {

void StartRuntime() {
  RegisterFrameTablesIfMissing();
  g_slot = TlsAlloc();
}

void EndThreadRuntime() {
  if (g_slot == TLS_OUT_OF_INDEXES) return;
  if (auto* record = static_cast<ThreadRecord*>(TlsGetValue(g_slot))) {
    TlsSetValue(g_slot, nullptr);
    FreeRecord(record);
  }
}

// After this nothing of the library may throw: the C runtime's static
// destructors, which run after DllMain, throw nothing.
void StopRuntime() {
  if (g_slot != TLS_OUT_OF_INDEXES) {
    const DWORD slot = g_slot;
    g_slot = TLS_OUT_OF_INDEXES;  // a later throw on this thread uses the spare
    AcquireSRWLockExclusive(&g_recordsLock);
    ThreadRecord* records = g_records;
    g_records = nullptr;
    ReleaseSRWLockExclusive(&g_recordsLock);
    while (records != nullptr) {
      ThreadRecord* next = records->next;
      HeapFree(GetProcessHeap(), 0, records);
      records = next;
    }
    TlsFree(slot);
  }
  DeregisterFrameTables();
  __gnu_cxx::__freeres();
}

}  // namespace stats
