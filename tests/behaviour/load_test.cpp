// Long sessions through the exports: a replay of many contacts with
// removals, checks and results interleaved, and the same weekend logged
// again and again across resets. The contact count comes from
// STATS_LOAD_CONTACTS (CTest's native.load_million sets a million).
#include <cstdlib>
#include <vector>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include "tests/support/plugin_test.h"
#include "tests/support/result_check.h"

namespace stats {
namespace testing {
namespace {

std::size_t LoadContacts() {
  const char* text = std::getenv("STATS_LOAD_CONTACTS");
  return text != nullptr && *text != '\0' ? std::strtoul(text, nullptr, 10) : 20000;
}

// Contact i of a big station's weekend: five bands, two modes, a country
// from a short list, about 2 % repeated calls, and now and then a
// Romanian station with a refused county code.
Qso Contact(std::size_t i, std::size_t total) {
  static const char* const kPrefixes[] = {"DL", "I", "F", "OK", "SP", "HA", "K", "JA", "YO"};
  static const char* const kContinents[] = {"EU", "EU", "EU", "EU", "EU", "EU", "NA", "AS", "EU"};
  static const char* const kBands[] = {"80m", "40m", "20m", "15m", "10m"};
  static const char* const kCounties[] = {"BU", "CJ", "TM", "IS", "XX"};
  const std::size_t distinct = total - total / 50;
  const std::size_t station = (i * 7919) % (distinct == 0 ? 1 : distinct);
  const std::size_t country = station % 9;
  Qso q;
  q.prefix = kPrefixes[country];
  q.continent = kContinents[country];
  q.call = q.prefix + std::to_string(station) + "A";
  q.band = kBands[station % 5];
  q.mode = (station / 5) % 4 == 0 ? "SSB" : "CW";
  q.exchSent = std::to_string(i % 10000);
  q.exchRcvd = country == 8 ? kCounties[(station / 9) % 5] : std::to_string(station % 999 + 1);
  return q;
}

// The summary holds what it must, and its total counts the contacts kept.
ResultNumbers ExpectConsistent(const std::string& text, int64_t logged) {
  ResultNumbers numbers;
  EXPECT_EQ(ResultTextProblem(text, &numbers), "");
  EXPECT_EQ(numbers.total.qsos, logged);
  return numbers;
}

using LoadTest = PluginTest;

TEST_F(LoadTest, ReplayWithRemovalsChecksAndResults) {
  const std::size_t total = LoadContacts();
  ResetStats(ResetArgs());
  int64_t logged = 0, removed = 0;
  for (std::size_t i = 0; i < total; ++i) {
    const Qso q = Contact(i, total);
    logged += AddData(q);
    if (i % 7 == 6) {  // the operator deletes a contact made a little earlier
      const int gone = RemoveData(Contact(i - 5, total));
      ASSERT_EQ(gone, 1) << "contact " << i - 5;
      removed += gone;
    }
    if (i % 3 == 0) {
      CallCheck check;
      check.call = q.call;
      check.band = q.band;
      check.mode = q.mode;
      check.prefix = q.prefix;
      check.continent = q.continent;
      ASSERT_EQ(CheckCall(check), 0) << "just logged, so a duplicate: contact " << i;
    }
    if ((i + 1) % (total / 100 + 1) == 0) {
      ExpectConsistent(GetResult(), logged - removed);
      if (HasFailure()) FAIL() << "after contact " << i;
    }
  }
  const ResultNumbers last = ExpectConsistent(GetResult(), logged - removed);
  EXPECT_EQ(logged, static_cast<int64_t>(total));  // every contact is kept, duplicates too
  EXPECT_GT(last.score, 0);
}

// Bytes the process's heap holds in use; 0 where it cannot be told (other
// C libraries, or a sanitizer's allocator, whose leak checker covers this).
std::size_t HeapInUse() {
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
  return mallinfo2().uordblks;
#else
  return 0;
#endif
}

TEST_F(LoadTest, MemoryIsFlatAcrossResets) {
  const std::size_t total = LoadContacts() / 4;
  std::vector<std::size_t> inUse;
  std::string first;
  for (int round = 0; round < 6; ++round) {
    ResetStats(ResetArgs());
    for (std::size_t i = 0; i < total; ++i) AddData(Contact(i, total));
    const std::string result = GetResult();
    if (round == 0) first = result;
    EXPECT_EQ(result, first) << "round " << round;
    inUse.push_back(HeapInUse());
  }
  if (inUse.front() == 0) return;
  // The second round may still grow containers to their final capacity;
  // from then on the same weekend needs the same memory.
  for (std::size_t round = 2; round < inUse.size(); ++round) {
    EXPECT_LE(inUse[round], inUse[1] + inUse[1] / 20) << "round " << round;
  }
}

}  // namespace
}  // namespace testing
}  // namespace stats
