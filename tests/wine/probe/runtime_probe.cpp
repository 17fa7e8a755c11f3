// A library with the plug-in's part of the C++ runtime (plugin/runtime_win32.cpp)
// linked as Stats.dll links it, and three scenes that play it out inside a
// module that has it: a once whose function throws while another thread
// waits, the mutexes, and two threads that throw at once without a record
// of their own. Each scene answers 0, or the number of what went wrong.
// Threads are the system's own (std::thread would bring the threads
// library that the runtime part replaces); every wait is bounded.
#include <cxxabi.h>
#include <pthread.h>
#include <windows.h>

#include <cerrno>
#include <mutex>
#include <system_error>
#include <typeinfo>

#include "plugin/runtime.h"
#include "plugin/runtime_win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  if (reason == DLL_PROCESS_ATTACH) return stats::StartRuntime() ? TRUE : FALSE;
  if (reason == DLL_THREAD_DETACH) stats::EndThreadRuntime();
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) stats::StopRuntime();
  return TRUE;
}

namespace {

constexpr DWORD kWaitMs = 5000;

struct Event {
  HANDLE handle = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ~Event() { CloseHandle(handle); }
  void Set() const { SetEvent(handle); }
  bool Wait() const { return WaitForSingleObject(handle, kWaitMs) == WAIT_OBJECT_0; }
};

template <typename Function>
DWORD WINAPI CallOnThread(void* function) {
  (*static_cast<Function*>(function))();
  return 0;
}

// A thread of its own for the function, which must outlive it.
template <typename Function>
HANDLE Start(Function& function) {
  return CreateThread(nullptr, 0, CallOnThread<Function>, &function, 0, nullptr);
}

// Whether the thread ended within the bounded wait; one that has not is
// ended wherever it is.
bool Ended(HANDLE thread) {
  if (thread == nullptr) return false;
  const bool ended = WaitForSingleObject(thread, kWaitMs) == WAIT_OBJECT_0;
  if (!ended) TerminateThread(thread, 1);
  CloseHandle(thread);
  return ended;
}

template <typename Function>
bool RunOnThread(Function& function) {
  return Ended(Start(function));
}

// --- a once whose function throws the first time ---------------------------

pthread_once_t g_once = PTHREAD_ONCE_INIT;
volatile LONG g_runs = 0;
Event g_firstRunning, g_secondAsking;

void ThrowsTheFirstTime() {
  if (InterlockedIncrement(&g_runs) != 1) return;
  g_firstRunning.Set();
  g_secondAsking.Wait();
  Sleep(50);  // the second thread is in its wait by now
  throw 1;
}

}  // namespace

extern "C" __declspec(dllexport) int ProbeOnceThatThrows() {
  bool firstThrew = false;
  auto first = [&] {
    try {
      pthread_once(&g_once, ThrowsTheFirstTime);
    } catch (int) {
      firstThrew = true;
    }
  };
  int secondAnswer = -1;
  auto second = [&] {
    g_firstRunning.Wait();
    g_secondAsking.Set();
    secondAnswer = pthread_once(&g_once, ThrowsTheFirstTime);
  };
  HANDLE firstThread = Start(first);
  const bool secondEnded = RunOnThread(second);
  const bool firstEnded = Ended(firstThread);
  if (!secondEnded) return 1;  // the waiting thread never came back
  if (!firstEnded || !firstThrew) return 2;
  if (secondAnswer != 0 || g_runs != 2) return 3;  // the waiting thread did not run it
  pthread_once(&g_once, ThrowsTheFirstTime);
  return g_runs == 2 ? 0 : 4;  // done: never run again
}

// --- mutexes ------------------------------------------------------------

namespace {

// Made by their static initialisers, as the library's own would be.
std::mutex g_plain;
std::recursive_mutex g_recursive;

}  // namespace

extern "C" __declspec(dllexport) int ProbeMutexes() {
  int answer = 0;
  auto probe = [&] {
    std::mutex& plain = g_plain;
    plain.lock();
    if (plain.try_lock()) answer = 1;
    plain.unlock();
    if (!plain.try_lock()) answer = 2;
    plain.unlock();

    std::recursive_mutex& recursive = g_recursive;
    try {
      recursive.lock();
      answer = 3;  // taken, not refused
      recursive.unlock();
    } catch (const std::system_error& refused) {
      if (refused.code().value() != EINVAL) answer = 4;
    }
    if (recursive.try_lock()) answer = 5;
  };
  if (!RunOnThread(probe)) return 6;  // waited for ever on a recursive mutex
  return answer;
}

// --- two threads that throw at once without a record of their own ---------

namespace {

bool CurrentExceptionIs(const std::type_info& type) {
  const std::type_info* current = abi::__cxa_current_exception_type();
  return current != nullptr && *current == type;
}

}  // namespace

// For a load of this library made while the process had no TLS slot to
// give: every thread then lacks a record of its own. The first thread's
// export holds the spare through its throw and catch; an export that
// starts on a second thread meanwhile answers its fallback rather than
// throw on the same record; once the first has ended, the spare serves the
// next thread's throw.
extern "C" __declspec(dllexport) int ProbeSpareRecord() {
  Event firstCaught, secondTried, firstChecked, firstOut, thirdDone;
  bool firstIntact = false, secondRan = false, thirdCaught = false;
  auto first = [&] {
    {
      const stats::ExceptionRoom room;
      if (!room.ready()) return;
      try {
        throw 1;
      } catch (int) {
        firstCaught.Set();
        secondTried.Wait();
        firstIntact = CurrentExceptionIs(typeid(int));
        firstChecked.Set();
      }
    }
    // Out of its export, the thread lives on (as the host's does).
    firstOut.Set();
    thirdDone.Wait();
  };
  auto second = [&] {
    firstCaught.Wait();
    const stats::ExceptionRoom room;
    if (!room.ready()) {
      secondTried.Set();
      return;
    }
    secondRan = true;
    try {
      throw 2.0;
    } catch (double) {
      secondTried.Set();
      firstChecked.Wait();
    }
  };
  auto third = [&] {
    const stats::ExceptionRoom room;
    if (!room.ready()) return;
    try {
      throw 3;
    } catch (int) {
      thirdCaught = CurrentExceptionIs(typeid(int));
    }
  };
  HANDLE firstThread = Start(first);
  const bool secondEnded = RunOnThread(second);
  const bool thirdEnded = firstOut.Wait() && RunOnThread(third);
  thirdDone.Set();
  const bool firstEnded = Ended(firstThread);
  if (!firstEnded || !secondEnded || !thirdEnded) return 1;
  if (!firstIntact) return 2;  // the second thread's exception took the first one's place
  if (secondRan) return 3;     // it threw while the first held the spare
  if (!thirdCaught) return 4;  // the spare was not handed back as the first's export ended
  return 0;
}
