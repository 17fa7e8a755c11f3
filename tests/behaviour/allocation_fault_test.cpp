// The host's process runs out of memory: every allocation of a run may be
// the one that fails. The export then answers its fallback at once (no
// hang, no crash), the contest stays as it was before that call, and once
// memory is back a reset and the host's replay give the same summary as a
// run that never failed. Natively the test's operator new refuses; through
// the real DLL its own heap does (tests/support/allocation_faults.h).
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/allocation_faults.h"
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

// One call of the host's, and what it answered.
struct HostStep {
  enum Kind { kReset, kAdd, kRemove, kCheck, kResult } kind;
  Qso qso;
};
using Answers = std::vector<std::string>;

// A run that makes every structure grow more than once and empties them
// when they are as full as they may be: a reset, twelve contacts (twelve
// series and eight band and prefix pairs, which fill their tables), a reset
// and the host's replay of them; then 300 contacts on four bands and both modes (growth past 256
// entries and 512 texts), repeated calls, refused contacts, Romanian
// counties good and bad, checks and removals between them, and the summary.
std::vector<HostStep> HostRun() {
  static const char* const kBands[] = {"80m", "40m", "20m", "15m"};
  static const char* const kCounties[] = {"BU", "cj ", "TM", "XX"};
  std::vector<HostStep> steps{{HostStep::kReset, Qso()}};
  for (const bool replay : {false, true}) {
    if (replay) steps.push_back({HostStep::kReset, Qso()});
    for (int i = 0; i < 12; ++i) {
      Qso q;
      q.prefix = "Q" + std::to_string(i % 8);
      q.call = q.prefix + "X" + std::to_string(i);
      steps.push_back({HostStep::kAdd, q});
    }
  }
  for (int i = 0; i < 300; ++i) {
    Qso q;
    const int station = i % 280;  // the last 20 are repeats
    q.prefix = station % 7 == 0 ? "YO" : "P" + std::to_string(station % 41);
    q.call = q.prefix + std::to_string(station) + "ABC";
    q.band = i % 97 == 50 ? "30m" : kBands[station % 4];
    q.mode = station % 3 == 0 ? "SSB" : "CW";
    q.exchSent = std::to_string(i + 1);
    q.exchRcvd = q.prefix == "YO" ? kCounties[station % 4] : std::to_string(station * 7 % 900 + 1);
    q.time = When(44415.5 + i / 1440.0);
    steps.push_back({HostStep::kAdd, q});
    if (i % 60 == 59) steps.push_back({HostStep::kCheck, q});
    if (i % 75 == 74) steps.push_back({HostStep::kRemove, steps[steps.size() - 40].qso});
  }
  steps.push_back({HostStep::kResult, Qso()});
  return steps;
}

std::string Fallback(HostStep::Kind kind) {
  switch (kind) {
    case HostStep::kReset:
    case HostStep::kCheck:
      return "1";
    case HostStep::kAdd:
    case HostStep::kRemove:
      return "0";
    case HostStep::kResult:
      return "";
  }
  return "?";
}

// Plays one step; the test's own allocations around the export are not
// the plug-in's.
std::string Play(const HostStep& step) {
  int answer = 0;
  switch (step.kind) {
    case HostStep::kReset:
      answer = ResetStats(ResetArgs());
      break;
    case HostStep::kAdd:
      answer = AddData(step.qso);
      break;
    case HostStep::kRemove:
      answer = RemoveData(step.qso);
      break;
    case HostStep::kCheck: {
      CallCheck check;
      {
        UncountedAllocations ours;
        check.call = step.qso.call;
        check.band = step.qso.band;
        check.mode = step.qso.mode;
        check.prefix = step.qso.prefix;
        check.county = step.qso.exchRcvd;
      }
      answer = CheckCall(check);
      break;
    }
    case HostStep::kResult: {
      int flag = 0;
      const char* text = Plugin().GetResult0(&flag);
      UncountedAllocations ours;
      return text != nullptr ? std::string(text) : std::string("<null>");
    }
  }
  UncountedAllocations ours;
  return std::to_string(answer);
}

// Plays the steps; *ends gets, for each step, the number of allocations
// made until its end.
Answers Play(const std::vector<HostStep>& steps, std::vector<std::size_t>* ends = nullptr) {
  Answers answers;
  for (const HostStep& step : steps) {
    std::string answer = Play(step);
    UncountedAllocations ours;
    answers.push_back(std::move(answer));
    if (ends != nullptr) ends->push_back(AllocationsSoFar().made);
  }
  return answers;
}

// Ends the test program when a round does not come back: a hang inside an
// export would otherwise hold the suite until its time limit.
class Watchdog {
 public:
  Watchdog()
      : thread_([this] {
          std::unique_lock<std::mutex> held(mutex_);
          while (!done_) {
            const unsigned seen = rounds_;
            if (!wake_.wait_for(held, std::chrono::seconds(30),
                                [&] { return done_ || rounds_ != seen; })) {
              std::fprintf(stderr, "an export never returned (round %u)\n", seen);
              std::_Exit(3);
            }
          }
        }) {}
  ~Watchdog() {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      done_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Round() {
    {
      std::lock_guard<std::mutex> hold(mutex_);
      ++rounds_;
    }
    wake_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable wake_;
  unsigned rounds_ = 0;
  bool done_ = false;
  std::thread thread_;
};

using AllocationFaultTest = PluginTest;

TEST_F(AllocationFaultTest, EveryAllocationOfARunMayFailAlone) {
  const std::vector<HostStep> steps = HostRun();
  std::vector<std::size_t> ends;
  StartAllocationFaults(AllocationPlan());
  const Answers clean = Play(steps, &ends);
  const std::size_t allocations = StopAllocationFaults().made;
  ASSERT_GT(allocations, 100u);
  ASSERT_NE(clean.back(), "");

  // What the rest of the run answers when step i changed nothing: the run
  // without it, on a fresh plug-in.
  std::map<std::size_t, Answers> without;
  const auto RunWithout = [&](std::size_t i) -> const Answers& {
    auto found = without.find(i);
    if (found != without.end()) return found->second;
    std::vector<HostStep> fewer = steps;
    fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
    FreshPlugin();
    Answers answers = Play(fewer);
    answers.insert(answers.begin() + static_cast<std::ptrdiff_t>(i), Fallback(steps[i].kind));
    return without.emplace(i, std::move(answers)).first->second;
  };

  Watchdog watchdog;
  for (std::size_t n = 0; n < allocations; ++n) {
    watchdog.Round();
    const std::size_t failing =
        static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), n) - ends.begin());
    SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(allocations) +
                 ", in step " + std::to_string(failing));
    FreshPlugin();
    AllocationPlan plan;
    plan.refuseNumber = n;
    StartAllocationFaults(plan);
    const Answers faulty = Play(steps);
    const AllocationCount count = StopAllocationFaults();
    ASSERT_EQ(count.refused, 1u);

    // Up to the failing step the run is the clean one. The failing export
    // answers its fallback and changed nothing (the rest of the run is that
    // of a run without it), unless it could finish without what it was
    // refused (a report line not written: the rest is the clean run's).
    EXPECT_TRUE(faulty == clean || faulty == RunWithout(failing))
        << "step " << failing << " answered " << faulty[failing] << ", clean " << clean[failing];

    // Memory is back: the host resets and replays.
    EXPECT_EQ(Play(steps), clean);
    if (HasFailure()) break;
  }
}

// The way a process that runs out of address space fails: big blocks first.
// From the 100th contact on, nothing of 4 KiB or more can be had. Every
// export still answers, what was logged stays whole (the summary then is
// that of a run of exactly the contacts that went in), and the replay once
// memory is back gives the summary of a run that never failed.
TEST_F(AllocationFaultTest, BigBlocksRefusedFromTheHundredthContact) {
  std::vector<HostStep> steps = HostRun();
  steps.pop_back();  // the summary
  const Answers clean = Play(steps);
  const std::string cleanSummary = GetResult();

  FreshPlugin();
  Watchdog watchdog;
  std::vector<HostStep> logged;
  int refusedContacts = 0;
  for (std::size_t i = 0; i < steps.size(); ++i) {
    watchdog.Round();
    if (i == 100) {
      AllocationPlan plan;
      plan.refuseFromBytes = 4096;
      StartAllocationFaults(plan);
    }
    const std::string answer = Play(steps[i]);
    const bool changes = steps[i].kind == HostStep::kAdd || steps[i].kind == HostStep::kRemove;
    if (steps[i].kind == HostStep::kReset) logged.clear();
    if (changes && answer == "1") logged.push_back(steps[i]);
    if (steps[i].kind == HostStep::kAdd && answer != clean[i]) ++refusedContacts;
  }
  const std::string pressed = GetResult();
  EXPECT_GT(StopAllocationFaults().refused, 0u);
  EXPECT_GT(refusedContacts, 0);
  EXPECT_GT(logged.size(), 90u);

  const std::string afterwards = GetResult();
  EXPECT_TRUE(pressed.empty() || pressed == afterwards);
  FreshPlugin();
  logged.insert(logged.begin(), HostStep{HostStep::kReset, Qso()});
  Play(logged);
  EXPECT_EQ(afterwards, GetResult());

  Play(steps);
  EXPECT_EQ(GetResult(), cleanSummary);
}

}  // namespace
}  // namespace testing
}  // namespace stats
