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
//     library unloads (a thread in an export that cannot get one borrows
//     the one spare record, or the export answers its fallback);
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
// and taken back at unload. When they cannot be (the section is not where
// the code looks: tests/check_library.sh checks the image for that on every
// machine), the library refuses to load rather than end the host's process
// at its first throw.
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

#include "plugin/runtime.h"

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
// negative number); it is never -1, -2 or -3, which would take 65,533
// waiting threads or more, or a wait block at the top of the address space.
// Only plain mutexes are offered: the recursive and error-checking static
// initialisers (-3 and -2; std::recursive_mutex uses the first, in headers
// only, so nothing fails at link time) are refused with EINVAL, which
// std::recursive_mutex::lock throws as std::system_error, rather than taken
// for a held SRWLOCK and waited on for ever.
PSRWLOCK SrwOf(pthread_mutex_t* m) {
  static_assert(sizeof(pthread_mutex_t) == sizeof(SRWLOCK), "a mutex holds an SRWLOCK");
  void* const seen =
      InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(m), nullptr,
                                        reinterpret_cast<void*>(PTHREAD_MUTEX_INITIALIZER));
  if (seen == reinterpret_cast<void*>(PTHREAD_RECURSIVE_MUTEX_INITIALIZER) ||
      seen == reinterpret_cast<void*>(PTHREAD_ERRORCHECK_MUTEX_INITIALIZER)) {
    return nullptr;
  }
  return reinterpret_cast<PSRWLOCK>(m);
}

}  // namespace

extern "C" {

int pthread_once(pthread_once_t* once, void (*init)(void)) {
  // 0: not run, 1: running, 2: done. Whoever finds it not run claims it and
  // runs it. A thread that finds it running yields (the runtime's
  // initialisers are short and never wait) until it is done, or not run
  // again because the function threw, and then claims it itself.
  constexpr long kRunning = 1, kDone = 2;
  if (once == nullptr || init == nullptr) return EINVAL;
  for (;;) {
    const long seen = InterlockedCompareExchange(once, kRunning, 0);
    if (seen == kDone) return 0;
    if (seen == 0) break;
    SwitchToThread();
  }
  try {
    init();
  } catch (...) {
    InterlockedExchange(once, 0);  // not run: the next caller, or a waiting one, tries again
    throw;
  }
  InterlockedExchange(once, kDone);
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
  PSRWLOCK lock = m != nullptr ? SrwOf(m) : nullptr;
  if (lock == nullptr) return EINVAL;
  AcquireSRWLockExclusive(lock);
  return 0;
}

int pthread_mutex_trylock(pthread_mutex_t* m) {
  PSRWLOCK lock = m != nullptr ? SrwOf(m) : nullptr;
  if (lock == nullptr) return EINVAL;
  return TryAcquireSRWLockExclusive(lock) ? 0 : EBUSY;
}

int pthread_mutex_unlock(pthread_mutex_t* m) {
  PSRWLOCK lock = m != nullptr ? SrwOf(m) : nullptr;
  if (lock == nullptr) return EINVAL;
  ReleaseSRWLockExclusive(lock);
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

// No exception of the thread's in flight or being caught: a thread may
// change records only then, when the one it leaves holds nothing.
bool Idle(const ExceptionState& state) {
  return state.caught == nullptr && state.uncaught == 0;
}

struct ThreadRecord {
  ExceptionState state;
  ThreadRecord* next = nullptr;
};

DWORD g_slot = TLS_OUT_OF_INDEXES;  // ThreadRecord* of the calling thread
SRWLOCK g_recordsLock = SRWLOCK_INIT;
ThreadRecord* g_records = nullptr;  // every live record, to free at unload

// For a thread in an export that cannot get a record of its own (no slot,
// no memory): claimed by one thread at a time (its id, 0 when free) as the
// export begins, and handed back as it ends (ExceptionRoom).
ThreadRecord g_spare;
volatile LONG g_spareOwner = 0;

// For a thread outside the exports that cannot get a record of its own: the
// window thread, of which one lives at a time, and the unload, which runs
// while none does. It keeps it while an exception of its is in flight.
ThreadRecord g_unscoped;
volatile LONG g_unscopedUser = 0;

LONG ThisThread() {
  return static_cast<LONG>(GetCurrentThreadId());
}

bool SpareIsMine() {
  return InterlockedCompareExchange(&g_spareOwner, 0, 0) == ThisThread();
}

ThreadRecord* OwnRecord() {
  return g_slot != TLS_OUT_OF_INDEXES ? static_cast<ThreadRecord*>(TlsGetValue(g_slot)) : nullptr;
}

// A record of the thread's own, made now; null when there is no slot, no
// memory, or no room in the thread's slots (an index past the first 64 takes
// memory the first time the thread sets it).
ThreadRecord* MakeOwnRecord() {
  if (g_slot == TLS_OUT_OF_INDEXES) return nullptr;
  void* memory = HeapAlloc(GetProcessHeap(), 0, sizeof(ThreadRecord));
  if (memory == nullptr) return nullptr;
  auto* record = new (memory) ThreadRecord();
  if (!TlsSetValue(g_slot, record)) {
    HeapFree(GetProcessHeap(), 0, memory);
    return nullptr;
  }
  AcquireSRWLockExclusive(&g_recordsLock);
  record->next = g_records;
  g_records = record;
  ReleaseSRWLockExclusive(&g_recordsLock);
  return record;
}

ExceptionState* ThisThreadsState() {
  // A throw or a catch must not change the thread's last error, which the
  // code around it may still be about to read.
  const DWORD lastError = GetLastError();
  ThreadRecord* record = OwnRecord();
  if (record == nullptr && SpareIsMine()) record = &g_spare;
  if (record == nullptr && g_unscopedUser == ThisThread() && !Idle(g_unscoped.state)) {
    record = &g_unscoped;
  }
  if (record == nullptr) record = MakeOwnRecord();
  if (record == nullptr) {
    record = &g_unscoped;
    InterlockedExchange(&g_unscopedUser, ThisThread());
  }
  SetLastError(lastError);
  return &record->state;
}

void FreeRecord(ThreadRecord* record) {
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

// Any function of ours will do; this one has a table entry of its own.
__attribute__((noinline)) bool UnwinderKnowsUs() {
  DwarfBases bases;
  return _Unwind_Find_FDE(reinterpret_cast<void*>(&UnwinderKnowsUs), &bases) != nullptr;
}

// False when our unwinder does not know our code and cannot be told.
bool RegisterFrameTablesIfMissing() {
  if (UnwinderKnowsUs()) return true;
  const void* frames = OwnFrameTables();
  if (frames == nullptr) return false;
  __register_frame_info(frames, g_frameObject);
  g_registeredFrames = frames;
  return UnwinderKnowsUs();
}

void DeregisterFrameTables() {
  if (g_registeredFrames == nullptr) return;
  __deregister_frame_info(g_registeredFrames);
  g_registeredFrames = nullptr;
}
#else
// x86_64 unwinds through the system's own tables.
bool RegisterFrameTablesIfMissing() {
  return true;
}
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

bool StartRuntime() {
  if (!RegisterFrameTablesIfMissing()) {
    DeregisterFrameTables();
    return false;
  }
  g_slot = TlsAlloc();
  return true;
}

void EndThreadRuntime() {
  InterlockedCompareExchange(&g_spareOwner, 0, ThisThread());
  InterlockedCompareExchange(&g_unscopedUser, 0, ThisThread());
  if (ThreadRecord* record = OwnRecord()) {
    TlsSetValue(g_slot, nullptr);
    FreeRecord(record);
  }
}

ExceptionRoom::ExceptionRoom() noexcept {
  const DWORD lastError = GetLastError();
  if (OwnRecord() == nullptr && !SpareIsMine() && MakeOwnRecord() == nullptr) {
    borrowed_ = InterlockedCompareExchange(&g_spareOwner, ThisThread(), 0) == 0;
    ready_ = borrowed_;
  }
  SetLastError(lastError);
}

ExceptionRoom::~ExceptionRoom() {
  // An export catches everything it throws, so by now the spare is idle; if
  // it were not, the thread would keep it until it ends.
  if (borrowed_ && Idle(g_spare.state)) InterlockedExchange(&g_spareOwner, 0);
}

// After this nothing of the library may throw: the C runtime's static
// destructors, which run after DllMain, throw nothing.
void StopRuntime() {
  if (g_slot != TLS_OUT_OF_INDEXES) {
    const DWORD slot = g_slot;
    g_slot = TLS_OUT_OF_INDEXES;  // a later throw on this thread uses a shared record
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
