// Calendar dates and UTC times as the logs and the command line write them.
#ifndef YODX_DATES_H_
#define YODX_DATES_H_

#include <string>
#include <string_view>

namespace yodx {

// True for a real calendar date in the years 1900 to 2999.
bool ValidDate(int year, int month, int day);

struct Date {
  int year = 0, month = 0, day = 0;
  bool set() const { return year != 0; }
};

// "2021-08-07" -> Date; false for anything else.
bool ParseIsoDate(std::string_view text, Date* out);

// "1234" -> 12 and 34, a UTC time of day as a log writes it; false (the
// outputs untouched) for anything else.
bool ParseHhmm(std::string_view text, int* hour, int* minute);

// A UTC time to the second, as seconds from 1899-12-30 00:00:00.
using UtcSeconds = long long;
UtcSeconds ToUtcSeconds(int year, int month, int day, int hour, int minute, int second);

// Day of the week of a date: 0 for Saturday, 1 for Sunday, ... 6 for Friday.
int Weekday(int year, int month, int day);

// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" (a blank may
// stand for the T). A date alone means its first second, or with
// end_of_day its last. False for anything else.
bool ParseUtcTime(const std::string& text, bool end_of_day, UtcSeconds* out);

// "2021-08-28 12:00:00".
std::string FormatUtc(UtcSeconds t);

}  // namespace yodx

#endif  // YODX_DATES_H_
