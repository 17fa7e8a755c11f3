// A library that holds up every thread starting in the process while the
// event "StatsTestThreadGate" exists and is not set (at most 5 s): the
// system tells each loaded library of a new thread before the thread runs.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_THREAD_ATTACH) {
    if (HANDLE gate = OpenEventA(SYNCHRONIZE, FALSE, "StatsTestThreadGate")) {
      WaitForSingleObject(gate, 5000);
      CloseHandle(gate);
    }
  }
  return TRUE;
}
