#include "log/ole_date.h"

#include <gtest/gtest.h>

#include <cmath>

namespace stats {
namespace {

COleDateTime Valid(double value) {
  return COleDateTime{value, COleDateTime::kValid};
}

struct DateCase {
  double value;
  const char* pattern;
  const char* expected;
};

TEST(OleDateTest, FormatsKnownValues) {
  const DateCase cases[] = {
      {44415.0, "%Y-%m-%d %H%M", "2021-08-07 0000"},
      {2.5, "%Y-%m-%d %H%M", "1900-01-01 1200"},
      {-1.25, "%Y-%m-%d %H%M", "1899-12-29 0600"},
      {44415.999995, "%Y-%m-%d %H%M", "2021-08-08 0000"},  // rounds up to the next day
      {44415.99999, "%Y-%m-%d %H%M", "2021-08-07 2359"},   // still 23:59:59
      {0.0, "%Y-%m-%d %H%M", "1899-12-30 0000"},
      {44415.5, "%d.%m", "07.08"},
      {44416.5, "%d.%m.%Y", "08.08.2021"},
      {44416.5, "%Y", "2021"},
      {44415.5 + 1.0 / 24 / 60 * 75, "%H:%M", "13:15"},
      {60.0, "%d.%m.%Y", "28.02.1900"},  // no 29 February in 1900
      {61.0, "%d.%m.%Y", "01.03.1900"},
      {2958465.0, "%d.%m.%Y", "31.12.9999"},
      {-657434.0, "%d.%m.%Y", "01.01.100"},
  };
  for (const DateCase& c : cases) {
    EXPECT_EQ(FormatOleDate(Valid(c.value), c.pattern), c.expected) << c.value << " " << c.pattern;
  }
}

TEST(OleDateTest, StatusAndRangeDecideTheText) {
  EXPECT_EQ(FormatOleDate(COleDateTime{44415.0, COleDateTime::kNull}, "%Y"), "");
  EXPECT_EQ(FormatOleDate(COleDateTime{44415.0, COleDateTime::kInvalid}, "%Y"), "Invalid DateTime");
  EXPECT_EQ(FormatOleDate(COleDateTime{44415.0, 7}, "%Y"), "Invalid DateTime");
  EXPECT_EQ(FormatOleDate(Valid(2958466.0), "%Y"), "Invalid DateTime");  // year 10000
  EXPECT_EQ(FormatOleDate(Valid(-657435.0), "%Y"), "Invalid DateTime");  // year 99
  EXPECT_EQ(FormatOleDate(Valid(1e300), "%Y"), "Invalid DateTime");
  EXPECT_EQ(FormatOleDate(Valid(std::nan("")), "%Y"), "Invalid DateTime");
}

TEST(OleDateTest, NullPointerIsNullDate) {
  EXPECT_EQ(CopyHostDate(nullptr).m_status, COleDateTime::kNull);
  const COleDateTime host = Valid(3.75);
  EXPECT_EQ(CopyHostDate(&host).m_dt, 3.75);
}

TEST(OleDateTest, MakeOleDateRoundTrips) {
  for (double value : {44415.5, 0.25, -1.25, -700.75, 2958465.5}) {
    DateFields f;
    ASSERT_TRUE(SplitOleDate(value, &f));
    EXPECT_DOUBLE_EQ(MakeOleDate(f.year, f.month, f.day, f.hour, f.minute, f.second), value);
  }
}

}  // namespace
}  // namespace stats
