// The host's process runs out of memory: every allocation of a run may be
// the one that fails. The export then answers its fallback at once (no
// hang, no crash), the contest stays as it was before that call, and once
// memory is back a reset and the host's replay give the same summary as a
// run that never failed. Natively the test's operator new refuses; through
// the real DLL its own heap does (tests/support/allocation_faults.h).
// Natively the test also reads what the windows show, which no answer
// tells.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "plugin/module.h"
#include "tests/support/allocation_faults.h"
#include "tests/support/plugin_test.h"

namespace stats {
namespace testing {
namespace {

// One call of the host's, and what it answered.
struct HostStep {
  enum Kind { kReset, kAdd, kRemove, kCheck, kResult } kind;
  Qso qso;
  ResetArgs reset;
};
using Answers = std::vector<std::string>;

// The second contest: another contestant, other dates, another own prefix,
// so that a reset that is half made shows in the summary after it.
ResetArgs SecondContest() {
  ResetArgs args;
  args.contestant = "YO8KZA";
  args.start = When(44814.5);
  args.end = When(44815.5);
  args.ownPrefix = "P3";
  return args;
}

// A run that makes every structure grow more than once and empties them
// when they are as full as they may be: a reset, twelve contacts (twelve
// series and eight band and prefix pairs, which fill their tables), a reset
// for another contest and the host's replay of them, and its summary; then
// 300 contacts on four bands and both modes (growth past 256 entries and
// 512 texts), one on a fifth band that has no other, repeated calls,
// refused contacts, Romanian counties good and bad, checks and removals
// between them, and the summary.
std::vector<HostStep> HostRun() {
  static const char* const kBands[] = {"80m", "40m", "20m", "15m"};
  static const char* const kCounties[] = {"BU", "cj ", "TM", "XX"};
  std::vector<HostStep> steps{{HostStep::kReset, Qso(), ResetArgs()}};
  for (const bool replay : {false, true}) {
    if (replay) steps.push_back({HostStep::kReset, Qso(), SecondContest()});
    for (int i = 0; i < 12; ++i) {
      Qso q;
      q.prefix = "Q" + std::to_string(i % 8);
      q.call = q.prefix + "X" + std::to_string(i);
      steps.push_back({HostStep::kAdd, q, {}});
    }
  }
  steps.push_back({HostStep::kResult, Qso(), {}});
  for (int i = 0; i < 300; ++i) {
    Qso q;
    const int station = i % 280;  // the last 20 are repeats
    q.prefix = station % 7 == 0 ? "YO" : "P" + std::to_string(station % 41);
    q.call = q.prefix + std::to_string(station) + "ABC";
    q.band = i % 97 == 50 ? "30m" : i == 200 ? "160m" : kBands[station % 4];
    q.mode = station % 3 == 0 ? "SSB" : "CW";
    q.exchSent = std::to_string(i + 1);
    q.exchRcvd = q.prefix == "YO" ? kCounties[station % 4] : std::to_string(station * 7 % 900 + 1);
    q.time = When(44814.5 + i / 1440.0);
    steps.push_back({HostStep::kAdd, q, {}});
    if (i % 60 == 59) steps.push_back({HostStep::kCheck, q, {}});
    if (i % 75 == 74) steps.push_back({HostStep::kRemove, steps[steps.size() - 40].qso, {}});
  }
  steps.push_back({HostStep::kResult, Qso(), {}});
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
      answer = ResetStats(step.reset);
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

// What the windows show of the contest, which no answer tells: each band
// slot's multipliers, the grid's rows and the year in the DXCC window's
// title. Natively only (empty through the DLL).
std::string WindowLists() {
  if (ThroughDll()) return std::string();
  UncountedAllocations ours;
  Module& module = TheModule();
  std::lock_guard<std::mutex> hold(module.lock);
  std::string shown = module.windowState.g_ContestYear + "\n";
  for (int slot = 0; slot < kBandSlots; ++slot) {
    for (const PerBandLists* lists : {&module.contest.g_DxccByBand, &module.contest.g_CountyByBand,
                                      &module.windowState.g_WorkedRows}) {
      for (const std::string& text : (*lists)[slot]) shown += text + " ";
      shown += "| ";
    }
    shown += "\n";
  }
  return shown;
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

// A run's answers and what its windows show at its end.
struct Outcome {
  Answers answers;
  std::string windows;
};
Outcome PlayAll(const std::vector<HostStep>& steps, std::vector<std::size_t>* ends = nullptr) {
  Outcome outcome;
  outcome.answers = Play(steps, ends);
  outcome.windows = WindowLists();
  return outcome;
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
  const Outcome clean = PlayAll(steps, &ends);
  const std::size_t allocations = StopAllocationFaults().made;
  ASSERT_GT(allocations, 100u);
  ASSERT_NE(clean.answers.back(), "");

  // What the rest of the run answers when step i changed nothing: the run
  // without it, on a fresh plug-in.
  std::map<std::size_t, Outcome> without;
  const auto RunWithout = [&](std::size_t i) -> const Outcome& {
    auto found = without.find(i);
    if (found != without.end()) return found->second;
    std::vector<HostStep> fewer = steps;
    fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(i));
    FreshPlugin();
    Outcome outcome = PlayAll(fewer);
    outcome.answers.insert(outcome.answers.begin() + static_cast<std::ptrdiff_t>(i),
                           Fallback(steps[i].kind));
    return without.emplace(i, std::move(outcome)).first->second;
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
    const Outcome faulty = PlayAll(steps);
    const AllocationCount count = StopAllocationFaults();
    ASSERT_EQ(count.refused, 1u);

    // Up to the failing step the run is the clean one. The failing export
    // answers its fallback and changed nothing (the rest of the run is that
    // of a run without it), unless it could finish without what it was
    // refused (a report line not written: the rest is the clean run's).
    // The windows show what one of the two shows: a summary refused after
    // its scoring pass shows that pass's multipliers.
    const Outcome& other = RunWithout(failing);
    EXPECT_TRUE(faulty.answers == clean.answers || faulty.answers == other.answers)
        << "step " << failing << " answered " << faulty.answers[failing] << ", clean "
        << clean.answers[failing];
    EXPECT_TRUE(faulty.windows == clean.windows || faulty.windows == other.windows)
        << faulty.windows << "clean:\n"
        << clean.windows;

    // Memory is back: the host resets and replays.
    EXPECT_EQ(PlayAll(steps).answers, clean.answers);
    if (HasFailure()) break;
  }
}

// An output run's summary with every allocation of it refused in turn. It
// answers its fallback with nothing changed, or the summary with either the
// new file written, the host's flag set and "File produced", or the previous
// file as it was, the flag as the host set it and the operator told that the
// file was not produced, and why.
TEST_F(AllocationFaultTest, AnOutputRunTellsOfEveryFileItCouldNotMake) {
  MakePluginsFolder();
  ResetArgs args;
  args.outputSwitch = 1;
  ResetStats(args);
  for (int i = 0; i < 20; ++i) {
    Qso q;
    q.call = "DL" + std::to_string(i) + "ABC";
    q.band = i % 3 == 0 ? "40m" : "20m";
    AddData(q);
  }
  const std::filesystem::path file = dir_.path() / "YO3XYZ.cbr";
  const std::string summary = GetResult();
  const std::string produced = ReadFileBytes(file);
  ASSERT_NE(produced, "");
  StartAllocationFaults(AllocationPlan());
  GetResult();
  const std::size_t allocations = StopAllocationFaults().made;

  const std::string yesterday = "the log sent yesterday";
  const std::string notProduced =
      "Output: File not produced: YO3XYZ.cbr could not be written (not enough memory). The "
      "previous file, if any, is unchanged.";
  int toldNotProduced = 0;
  Watchdog watchdog;
  for (std::size_t n = 0; n < allocations; ++n) {
    watchdog.Round();
    SCOPED_TRACE("allocation " + std::to_string(n) + " of " + std::to_string(allocations));
    WriteFileBytes(file, yesterday);
    const std::size_t shown = ui_->Messages().size();
    AllocationPlan plan;
    plan.refuseNumber = n;
    int flag = 7;
    StartAllocationFaults(plan);
    const char* text = Plugin().GetResult0(&flag);
    const AllocationCount count = StopAllocationFaults();
    const std::string answer = text != nullptr ? text : "<null>";
    std::vector<std::string> told = ui_->Messages();
    told.erase(told.begin(), told.begin() + static_cast<std::ptrdiff_t>(shown));
    const std::string now = ReadFileBytes(file);
    if (count.refused == 0) continue;  // this result made fewer
    if (answer.empty()) {
      EXPECT_EQ(now, yesterday);
      EXPECT_EQ(flag, 7);
      EXPECT_EQ(told, std::vector<std::string>());
    } else if (now == produced) {
      EXPECT_EQ(answer, summary);
      EXPECT_EQ(flag, -1);
      EXPECT_EQ(told, std::vector<std::string>{"Output: File produced: YO3XYZ.cbr"});
    } else {
      ++toldNotProduced;
      EXPECT_EQ(answer, summary);
      EXPECT_EQ(now, yesterday);
      EXPECT_EQ(flag, 7);
      EXPECT_EQ(told, std::vector<std::string>{notProduced});
    }
    if (HasFailure()) break;
  }
  EXPECT_GT(toldNotProduced, 0);
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
  ResetArgs lastReset;
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
    if (steps[i].kind == HostStep::kReset) {
      logged.clear();
      lastReset = steps[i].reset;
    }
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
  logged.insert(logged.begin(), HostStep{HostStep::kReset, Qso(), lastReset});
  Play(logged);
  EXPECT_EQ(afterwards, GetResult());

  Play(steps);
  EXPECT_EQ(GetResult(), cleanSummary);
}

}  // namespace
}  // namespace testing
}  // namespace stats
