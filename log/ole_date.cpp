#include "log/ole_date.h"

#include <cmath>

namespace stats {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Day numbers of 0100-01-01 and 9999-12-31 counted from 1899-12-30.
constexpr int64_t kFirstDay = -657434;
constexpr int64_t kLastDay = 2958465;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
constexpr int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
  *month = static_cast<int>(m);
  *day = static_cast<int>(d);
}

constexpr int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

}  // namespace

COleDateTime CopyHostDate(const COleDateTime* host) {
  if (host == nullptr) return COleDateTime{0.0, COleDateTime::kNull};
  return *host;
}

bool SplitOleDate(double value, DateFields* out) {
  if (!std::isfinite(value) || value < kFirstDay - 1.0 || value > kLastDay + 1.0) return false;
  // Round the magnitude to whole seconds, as the host's own class does: the
  // day part and the time of day are then taken from the rounded magnitude.
  const int64_t magnitude = std::llround(std::fabs(value) * kSecondsPerDay);
  int64_t days = magnitude / kSecondsPerDay;
  const int64_t seconds = magnitude % kSecondsPerDay;
  if (value < 0) days = -days;
  if (days < kFirstDay || days > kLastDay) return false;
  CivilFromDays(kOleEpoch + days, &out->year, &out->month, &out->day);
  out->hour = static_cast<int>(seconds / 3600);
  out->minute = static_cast<int>(seconds / 60 % 60);
  out->second = static_cast<int>(seconds % 60);
  return true;
}

double MakeOleDate(int year, int month, int day, int hour, int minute, int second) {
  const int64_t days = OleDays(year, month, day);
  const double fraction =
      (hour * 3600 + minute * 60 + second) / static_cast<double>(kSecondsPerDay);
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

int64_t OleDays(int year, int month, int day) {
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch;
}

void CivilFromOleDays(int64_t days, int* year, int* month, int* day) {
  CivilFromDays(kOleEpoch + days, year, month, day);
}

std::string FormatOleDate(const COleDateTime& value, const char* pattern) {
  if (value.m_status == COleDateTime::kNull) return std::string();
  DateFields f;
  if (value.m_status != COleDateTime::kValid || !SplitOleDate(value.m_dt, &f)) {
    return "Invalid DateTime";
  }
  // Every two-digit field lies in 0..99: "%02d" without the formatter.
  auto two = [](int number) {
    const char digits[2] = {static_cast<char>('0' + number / 10),
                            static_cast<char>('0' + number % 10)};
    return std::string(digits, 2);
  };
  std::string out;
  for (const char* p = pattern; *p != '\0'; ++p) {
    if (*p != '%' || p[1] == '\0') {
      out += *p;
      continue;
    }
    switch (*++p) {
      case 'Y':
        out += std::to_string(f.year);
        break;
      case 'y':
        out += two(f.year % 100);
        break;
      case 'm':
        out += two(f.month);
        break;
      case 'd':
        out += two(f.day);
        break;
      case 'H':
        out += two(f.hour);
        break;
      case 'M':
        out += two(f.minute);
        break;
      case 'S':
        out += two(f.second);
        break;
      case '%':
        out += '%';
        break;
      default:
        out.append(1, '%').append(1, *p);
        break;
    }
  }
  return out;
}

}  // namespace stats
