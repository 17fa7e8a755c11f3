#include "tools/contest/dates.h"

#include <cstdio>
#include <string_view>

#include "tools/contest/text.h"

namespace yodx {

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date.
long long DaysFromCivil(int y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

// 1899-12-30, day 0 of the host's calendar, is 25569 days before 1970-01-01.
constexpr long long kHostEpochDays = 25569;

long long DaysFromHostEpoch(int year, int month, int day) {
  return DaysFromCivil(year, month, day) + kHostEpochDays;
}

}  // namespace

bool ValidDate(int year, int month, int day) {
  if (year < 1900 || year > 2999 || month < 1 || month > 12 || day < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int limit = kDays[month - 1];
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && leap) limit = 29;
  return day <= limit;
}

double OleDate(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<double>(DaysFromHostEpoch(year, month, day)) +
         (hour * 3600 + minute * 60 + second) / 86400.0;
}

bool ParseIsoDate(const std::string& text, Date* out) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-' || !AllDigits(text.substr(0, 4))) {
    return false;
  }
  const int month = TwoDigits(text, 5), day = TwoDigits(text, 8);
  const int year = std::stoi(text.substr(0, 4));
  if (!ValidDate(year, month, day)) return false;
  *out = Date{year, month, day};
  return true;
}

UtcSeconds ToUtcSeconds(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromHostEpoch(year, month, day) * 86400 + hour * 3600LL + minute * 60LL + second;
}

int Weekday(int year, int month, int day) {
  // Day 0 of the count, 1899-12-30, was a Saturday.
  const long long days = DaysFromHostEpoch(year, month, day);
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
  // Back from days since 1899-12-30 to a civil date (days from 0000-03-01).
  const long long days = t / 86400, secs = t % 86400;
  const long long z = days - kHostEpochDays + 719468;
  const long long era = z / 146097, doe = z - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  const long long day = doy - (153 * mp + 2) / 5 + 1;
  const long long month = mp < 10 ? mp + 3 : mp - 9;
  const long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[128];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month, day,
                secs / 3600, secs / 60 % 60, secs % 60);
  return buf;
}

}  // namespace yodx
