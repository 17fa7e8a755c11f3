// The host's date/time value and its text forms.
//
// The host passes a pointer to its COleDateTime: an OLE Automation date (days
// since 1899-12-30 as a double, the fraction the time of day) and a status.
// The plug-in copies the value and formats it with a few strftime patterns.
#ifndef STATS_LOG_OLE_DATE_H_
#define STATS_LOG_OLE_DATE_H_

#include <cstddef>
#include <cstdint>
#include <string>

// Same layout as the host's class: 16 bytes, 8-byte aligned. It is a class,
// not a struct, because the decorated export names say "class COleDateTime".
class alignas(8) COleDateTime {
 public:
  enum Status : int32_t { kValid = 0, kInvalid = 1, kNull = 2 };

  double m_dt;
  int32_t m_status;
};

static_assert(sizeof(COleDateTime) == 16, "host date/time is 16 bytes");
static_assert(alignof(COleDateTime) == 8, "host date/time is 8-byte aligned");
static_assert(offsetof(COleDateTime, m_dt) == 0, "m_dt comes first");
static_assert(offsetof(COleDateTime, m_status) == 8, "m_status follows m_dt");

namespace stats {

// A copy of the value behind the host's pointer; a null pointer reads as a
// null date.
COleDateTime CopyHostDate(const COleDateTime* host);

// The calendar fields of a valid date, rounded to the nearest second.
struct DateFields {
  int year, month, day, hour, minute, second;
};

// Splits a value into fields. Returns false for a value outside the years
// 100 to 9999 (or not a number). Negative values count days backwards from
// 1899-12-30 while their fraction still counts forwards from midnight.
bool SplitOleDate(double value, DateFields* out);

// Formats with a strftime-like pattern (%Y %m %d %H %M %S %y %%). A null
// value gives empty text; an invalid status or an unrepresentable value gives
// "Invalid DateTime".
std::string FormatOleDate(const COleDateTime& value, const char* pattern);

// The inverse of SplitOleDate for whole seconds (used by tools and tests).
double MakeOleDate(int year, int month, int day, int hour, int minute, int second);

// Whole days from 1899-12-30 to a proleptic Gregorian date, and back: the
// day part of the host's date/time value, for counting in whole seconds.
int64_t OleDays(int year, int month, int day);
void CivilFromOleDays(int64_t days, int* year, int* month, int* day);

}  // namespace stats

#endif  // STATS_LOG_OLE_DATE_H_
