#include "log/series_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace stats {
namespace {

// Erasing moves later slots of a probe run back: every series still there
// must stay findable, whatever the order of erasing.
TEST(SeriesIndexTest, ErasingInAnyOrderKeepsTheOthersFindable) {
  SeriesIndex index;
  std::vector<uint32_t> calls;
  for (uint32_t call = 0; call < 3000; ++call) {
    index.Add(call, call % 7, call % 2, call);
    calls.push_back(call);
  }
  std::shuffle(calls.begin(), calls.end(), std::mt19937(18));
  for (std::size_t n = 0; n < calls.size(); ++n) {
    index.Erase(calls[n], calls[n] % 7, calls[n] % 2);
    ASSERT_EQ(index.Find(calls[n], calls[n] % 7, calls[n] % 2), nullptr);
    if (n % 97 != 0) continue;
    for (std::size_t k = n + 1; k < calls.size(); ++k) {
      const Series* series = index.Find(calls[k], calls[k] % 7, calls[k] % 2);
      ASSERT_NE(series, nullptr) << "call " << calls[k] << " after " << n + 1 << " erased";
      EXPECT_EQ(series->first, calls[k]);
    }
  }
  EXPECT_EQ(index.size(), 0u);
}

TEST(SeriesIndexTest, KeyIsCallBandAndModeTogether) {
  SeriesIndex index;
  index.Add(1, 2, 3, 10);
  EXPECT_NE(index.Find(1, 2, 3), nullptr);
  EXPECT_EQ(index.Find(1, 3, 2), nullptr);
  EXPECT_EQ(index.Find(2, 1, 3), nullptr);
  EXPECT_EQ(index.Find(3, 2, 1), nullptr);
  index.Find(1, 2, 3)->last = 11;
  index.RenumberAll([](uint32_t at) { return at - 10; });
  EXPECT_EQ(index.Find(1, 2, 3)->first, 0u);
  EXPECT_EQ(index.Find(1, 2, 3)->last, 1u);
}

}  // namespace
}  // namespace stats
