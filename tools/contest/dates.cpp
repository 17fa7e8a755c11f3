#include "tools/contest/dates.h"

#include <cstdio>
#include <string_view>

#include "log/ole_date.h"
#include "tools/contest/text.h"

namespace yodx {

bool ValidDate(int year, int month, int day) {
  if (year < 1900 || year > 2999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = kDays[month - 1];
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) limit = 29;
  return day <= limit;
}

bool ParseIsoDate(std::string_view text, Date* out) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text.substr(0, 4))) {
    return false;
  }
  const int month = TwoDigits(text, 5), day = TwoDigits(text, 8);
  const int year = TwoDigits(text, 0) * 100 + TwoDigits(text, 2);
  if (!ValidDate(year, month, day)) return false;
  *out = Date{year, month, day};
  return true;
}

bool ParseHhmm(std::string_view text, int* hour, int* minute) {
  if (text.size() != 4 || !AllDigits(text)) return false;
  const int h = TwoDigits(text, 0), m = TwoDigits(text, 2);
  if (h >= 24 || m >= 60) return false;
  *hour = h;
  *minute = m;
  return true;
}

UtcSeconds ToUtcSeconds(int year, int month, int day, int hour, int minute, int second) {
  return stats::OleDays(year, month, day) * 86400 + hour * 3600LL + minute * 60LL + second;
}

int Weekday(int year, int month, int day) {
  // Day 0 of the count, 1899-12-30, was a Saturday.
  const long long days = stats::OleDays(year, month, day);
  return static_cast<int>(((days % 7) + 7) % 7);
}

bool ParseUtcTime(const std::string& text, bool end_of_day, UtcSeconds* out) {
  Date d;
  if (text.size() < 10 || !ParseIsoDate(text.substr(0, 10), &d)) return false;
  int hour = end_of_day ? 23 : 0, minute = end_of_day ? 59 : 0, second = end_of_day ? 59 : 0;
  if (text.size() > 10) {
    const std::string_view t = std::string_view(text).substr(11);
    if ((text[10] != 'T' && text[10] != ' ') || (t.size() != 5 && t.size() != 8) || t[2] != ':' ||
        (t.size() == 8 && t[5] != ':')) {
      return false;
    }
    hour = TwoDigits(t, 0);
    minute = TwoDigits(t, 3);
    second = t.size() == 8 ? TwoDigits(t, 6) : 0;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
      return false;
    }
  }
  *out = ToUtcSeconds(d.year, d.month, d.day, hour, minute, second);
  return true;
}

std::string FormatUtc(UtcSeconds t) {
  const long long secs = t % 86400;
  int year = 0, month = 0, day = 0;
  stats::CivilFromOleDays(t / 86400, &year, &month, &day);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02lld:%02lld:%02lld", year, month, day,
                secs / 3600, secs / 60 % 60, secs % 60);
  return buf;
}

}  // namespace yodx
