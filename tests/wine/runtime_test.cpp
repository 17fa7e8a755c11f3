// The library's part of the C++ runtime (plugin/runtime_win32.cpp) where no
// answer of the plug-in's can show it: in RuntimeProbe.dll, which links it
// as Stats.dll does and plays out a scene inside (tests/wine/probe/).
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace stats {
namespace testing {
namespace {

// The probe library beside this program, loaded for one scene.
class Probe {
 public:
  Probe() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    folder.erase(folder.find_last_of('\\') + 1);
    library_ = LoadLibraryA((folder + "RuntimeProbe.dll").c_str());
  }
  ~Probe() {
    if (library_ != nullptr) FreeLibrary(library_);
  }
  Probe(const Probe&) = delete;
  Probe& operator=(const Probe&) = delete;

  // The scene's answer: 0, or the number of what went wrong; -1 when it
  // could not be played.
  int Play(const char* scene) const {
    if (library_ == nullptr) return -1;
    auto* play =
        reinterpret_cast<int (*)()>(reinterpret_cast<void (*)()>(GetProcAddress(library_, scene)));
    return play != nullptr ? play() : -1;
  }

 private:
  HMODULE library_ = nullptr;
};

// The function of a once throws while another thread waits for it: the
// first caller gets the exception, and the waiting thread, finding the once
// not run, runs it itself (1: it waited for ever).
TEST(RuntimeTest, AOnceWhoseFunctionThrowsIsRunByTheThreadThatWaited) {
  EXPECT_EQ(Probe().Play("ProbeOnceThatThrows"), 0);
}

// Plain mutexes lock and try; a recursive one is refused with EINVAL, which
// std::recursive_mutex throws as std::system_error (6: it waited for ever).
TEST(RuntimeTest, RecursiveMutexesAreRefusedLoudly) {
  EXPECT_EQ(Probe().Play("ProbeMutexes"), 0);
}

// Loaded while the process has no TLS slot left: two threads that throw at
// once cannot share the spare record (2: the second one's exception took
// the first one's place; 3: the second threw at all), and it serves the
// next thread once handed back (4).
TEST(RuntimeTest, WithoutATlsSlotOneThreadAtATimeHasTheSpareRecord) {
  std::vector<DWORD> taken;
  for (DWORD slot; (slot = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(slot);
  Probe probe;
  for (DWORD slot : taken) TlsFree(slot);
  ASSERT_FALSE(taken.empty());
  EXPECT_EQ(probe.Play("ProbeSpareRecord"), 0);
}

}  // namespace
}  // namespace testing
}  // namespace stats
